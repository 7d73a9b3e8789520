// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Checks the test archive builder against independent readers, so that the
// reader's tests do not rest on a builder that shares its mistakes.
#include "externaltool.h"
#include "rawzip.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

class tst_RawZip : public QObject
{
    Q_OBJECT

private slots:
    void layout();
    void readByInfoZip_data();
    void readByInfoZip();
    void readByPython();

private:
    static RawZip sample(RawZip::Descriptor descriptor);
    static QByteArray bigContent();
};

QByteArray tst_RawZip::bigContent()
{
    QByteArray big;
    for (int i = 0; i < 70000; ++i)
        big += QByteArray::number(i * 7919 % 1000003) + ' ';
    return big;
}

RawZip tst_RawZip::sample(RawZip::Descriptor descriptor)
{
    RawZip zip;
    zip.add("stored.txt", "plain stored text\n").descriptor(descriptor);
    zip.add("deflated.txt", bigContent()).deflated().descriptor(descriptor);
    zip.add("folder/").folder();
    zip.add("folder/enc-stored.bin", "secret bytes").encrypted("pw").descriptor(descriptor);
    zip.add("folder/enc-deflated.txt", bigContent()).deflated(9).encrypted("pw").descriptor(descriptor);
    zip.add("empty-enc", QByteArray()).encrypted("pw").descriptor(descriptor);
    zip.add("commented", "x").withComment("an entry comment");
    zip.end.comment = "archive comment";
    return zip;
}

void tst_RawZip::layout()
{
    RawZip zip = sample(RawZip::WithSignature);
    zip.prefix = "PREFIX";
    const RawZip::Archive a = zip.build();
    QCOMPARE(a.entries.size(), zip.count());
    QCOMPARE(a.entries.at(0).localHeader, qint64(6));
    for (int i = 0; i < zip.count(); ++i) {
        const RawZip::EntryLayout &e = a.entries.at(i);
        QCOMPARE(a.bytes.mid(int(e.localHeader), 4), QByteArray("PK\3\4"));
        QCOMPARE(a.bytes.mid(int(e.central), 4), QByteArray("PK\1\2"));
        QCOMPARE(a.bytes.mid(int(e.dataOffset), int(e.dataSize)), e.storedData);
        QCOMPARE(e.crc, RawZip::crc32(zip.entry(i).content));
        if (e.descriptor >= 0)
            QCOMPARE(a.bytes.mid(int(e.descriptor), 4), QByteArray("PK\7\10"));
    }
    QCOMPARE(a.entries.at(0).dataSize, qint64(18));
    QCOMPARE(a.entries.at(3).dataSize, qint64(12 + 12));
    QCOMPARE(a.entries.at(5).dataSize, qint64(12));
    QCOMPARE(a.bytes.mid(int(a.endRecord), 4), QByteArray("PK\5\6"));
    QVERIFY(a.bytes.endsWith("archive comment"));
    QCOMPARE(RawZip::dosTime(23, 59, 58), quint16(0xbf7d));
    QCOMPARE(RawZip::dosDate(2107, 12, 31), quint16(0xff9f));
}

void tst_RawZip::readByInfoZip_data()
{
    QTest::addColumn<int>("descriptor");
    QTest::newRow("no descriptor") << int(RawZip::NoDescriptor);
    QTest::newRow("descriptor with signature") << int(RawZip::WithSignature);
    QTest::newRow("descriptor without signature") << int(RawZip::WithoutSignature);
}

void tst_RawZip::readByInfoZip()
{
    QFETCH(int, descriptor);
    KELVANE_REQUIRE_TOOL("unzip");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("sample.zip"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(sample(RawZip::Descriptor(descriptor)).build().bytes);
    file.close();

    const ToolRun test = runTool(findTool(QStringLiteral("unzip")),
                                 {QStringLiteral("-t"), QStringLiteral("-P"), QStringLiteral("pw"), path},
                                 dir.path());
    QVERIFY2(test.ok(), test.describe(QStringLiteral("unzip")).constData());
    QVERIFY2(test.standardOutput.contains("No errors detected"), test.standardOutput.constData());

    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("out")));
    const ToolRun extract = runTool(findTool(QStringLiteral("unzip")),
                                    {QStringLiteral("-q"), QStringLiteral("-P"), QStringLiteral("pw"), path,
                                     QStringLiteral("-d"), dir.filePath(QStringLiteral("out"))},
                                    dir.path());
    QVERIFY2(extract.ok(), extract.describe(QStringLiteral("unzip")).constData());
    QFile big(dir.filePath(QStringLiteral("out/folder/enc-deflated.txt")));
    QVERIFY(big.open(QIODevice::ReadOnly));
    QCOMPARE(big.readAll(), bigContent());
}

void tst_RawZip::readByPython()
{
    KELVANE_REQUIRE_TOOL("python3");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("sample.zip"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    RawZip zip = sample(RawZip::WithoutSignature);
    file.write(zip.build().bytes);
    file.close();

    // Print name, CRC-32 of the content as Python reads it, and comment.
    const QString script = QStringLiteral(
        "import sys, zipfile, zlib\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "z.setpassword(b'pw')\n"
        "print(z.comment.decode())\n"
        "for i in z.infolist():\n"
        "    print(i.filename, '%08x' % zlib.crc32(z.read(i)), i.comment.decode())\n");
    const ToolRun run = runTool(findTool(QStringLiteral("python3")), {QStringLiteral("-c"), script, path},
                                dir.path());
    QVERIFY2(run.ok(), run.describe(QStringLiteral("python3")).constData());
    QStringList expected{QStringLiteral("archive comment")};
    for (int i = 0; i < zip.count(); ++i) {
        const RawZip::Entry &e = zip.entry(i);
        expected << QStringLiteral("%1 %2 %3")
                        .arg(QString::fromLatin1(e.name))
                        .arg(RawZip::crc32(e.content), 8, 16, QLatin1Char('0'))
                        .arg(QString::fromLatin1(e.comment));
    }
    QCOMPARE(QString::fromUtf8(run.standardOutput).split(QLatin1Char('\n'), Qt::SkipEmptyParts), expected);
}

QTEST_GUILESS_MAIN(tst_RawZip)
#include "tst_rawzip.moc"
