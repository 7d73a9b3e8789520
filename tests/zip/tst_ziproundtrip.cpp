// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Trees written by Zip with every level, with and without a password, and
// read back by UnZip to the same bytes.
#include "zipinspect.h"

#include <kelvanezip/unzip.h>
#include <kelvanezip/zip.h>

#include <QtCore/QDir>
#include <QtCore/QDirIterator>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

Q_DECLARE_METATYPE(Zip::CompressionLevel)

class tst_ZipRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTrip_data();
    void roundTrip();

private:
    QTemporaryDir m_tmp;
    QString m_tree;
    QStringList m_names; // entry names expected, sorted
};

void tst_ZipRoundTrip::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_tree = m_tmp.filePath(QStringLiteral("tree"));
    const QString t = m_tree + QLatin1Char('/');
    writeFile(t + QStringLiteral("empty.txt"), QByteArray());
    writeFile(t + QStringLiteral("small59.txt"), compressibleContent(59, 1));
    writeFile(t + QStringLiteral("small60.txt"), compressibleContent(60, 2));
    writeFile(t + QStringLiteral("chunks.bin"), randomContent(262144 * 2 + 4321, 3));
    writeFile(t + QStringLiteral("chunks.txt"), compressibleContent(262144 * 3, 4));
    writeFile(t + QStringLiteral("picture.png"), compressibleContent(100000, 5));
    writeFile(t + QStringLiteral("setup.exe"), compressibleContent(50000, 6));
    writeFile(t + QStringLiteral("song.mp3"), randomContent(40000, 7));
    writeFile(t + QStringLiteral("noext"), compressibleContent(3000, 8));
    writeFile(t + QStringLiteral("nested/deeper/n.tar.gz"), compressibleContent(7000, 9));
    writeFile(t + QStringLiteral("\u0440\u0438\u0441\u0443\u043d\u043e\u043a1.png"), compressibleContent(900, 10));
    writeFile(t + QStringLiteral("\u0440\u0438\u0441\u0443\u043d\u043e\u043a2.png"), compressibleContent(900, 11));
    QVERIFY(QDir().mkpath(t + QStringLiteral("nested/empty")));

    QDirIterator it(m_tree, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QStringLiteral("tree/") + QDir(m_tree).relativeFilePath(path);
        if (it.fileInfo().isFile())
            m_names.append(name);
    }
    // Folders without files of their own: an empty one, and one holding
    // only folders.
    m_names.append(QStringLiteral("tree/nested/empty/"));
    m_names.append(QStringLiteral("tree/nested/"));
    m_names.sort();
}

void tst_ZipRoundTrip::roundTrip_data()
{
    QTest::addColumn<Zip::CompressionLevel>("level");
    QTest::addColumn<QString>("password");

    const QStringList passwords{QString(), QStringLiteral("pw"),
                                QStringLiteral("\u043f\u0430\u0440\u043e\u043b\u044c")};
    const QStringList passwordTags{QStringLiteral("plain"), QStringLiteral("pw"), QStringLiteral("cyrillic pw")};
    for (int level = Zip::StoreOnly; level <= Zip::ByFileTypeAlt; ++level) {
        for (int p = 0; p < passwords.size(); ++p) {
            QTest::addRow("level %d, %s", level, qPrintable(passwordTags.at(p)))
                << Zip::CompressionLevel(level) << passwords.at(p);
        }
    }
}

void tst_ZipRoundTrip::roundTrip()
{
    QFETCH(Zip::CompressionLevel, level);
    QFETCH(QString, password);

    const QString archive = m_tmp.filePath(QStringLiteral("out.zip"));
    Zip zip;
    zip.setPassword(password);
    QCOMPARE(zip.createArchive(archive), Zip::Success);
    QCOMPARE(zip.addDirectory(m_tree, QString(), level), Zip::Success);
    QCOMPARE(zip.closeArchive(), Zip::Success);

    UnZip reader;
    reader.setPassword(password);
    QCOMPARE(reader.openArchive(archive), UnZip::Success);
    QCOMPARE(reader.fileList(), m_names);
    for (const UnZip::ZipEntry &e : reader.entryList())
        QCOMPARE(e.encrypted, !password.isEmpty() && e.type == UnZip::File);

    QTemporaryDir out;
    QVERIFY(out.isValid());
    QCOMPARE(reader.extractAll(out.path()), UnZip::Success);
    for (const QString &name : qAsConst(m_names)) {
        const QString extracted = out.filePath(name);
        if (name.endsWith(QLatin1Char('/'))) {
            QVERIFY2(QFileInfo(extracted).isDir(), qPrintable(name));
            continue;
        }
        const QByteArray original = readWholeFile(m_tmp.filePath(name));
        const QByteArray copy = readWholeFile(extracted);
        QVERIFY2(QFileInfo(extracted).isFile(), qPrintable(name));
        QCOMPARE(copy.size(), original.size());
        QVERIFY2(copy == original, qPrintable(name));
    }
}

QTEST_GUILESS_MAIN(tst_ZipRoundTrip)
#include "tst_ziproundtrip.moc"
