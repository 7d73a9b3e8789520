// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Replays the fuzz corpora kept in the repository (fuzz/corpus/TARGET: the
// inputs the long runs found interesting, minimized, plus every input that
// once made a target fail) through the fuzz target's own checks, in the
// ordinary and the sanitizer builds. A failing check aborts the test.

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtTest/QtTest>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

class TestFuzzReplay : public QObject
{
    Q_OBJECT

private slots:
    void corpusPresent();
    void replay_data();
    void replay();
};

static QStringList corpusFiles()
{
    const QDir dir(QStringLiteral(KELVANE_REPLAY_DIR));
    QStringList files;
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name))
        files.append(dir.filePath(name));
    return files;
}

void TestFuzzReplay::corpusPresent()
{
    QVERIFY2(!corpusFiles().isEmpty(), KELVANE_REPLAY_DIR);
}

void TestFuzzReplay::replay_data()
{
    QTest::addColumn<QString>("path");
    for (const QString &path : corpusFiles())
        QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
}

void TestFuzzReplay::replay()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size())), 0);
}

QTEST_GUILESS_MAIN(TestFuzzReplay)
#include "tst_fuzzreplay.moc"
