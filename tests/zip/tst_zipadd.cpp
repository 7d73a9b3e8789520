// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Single files, bytes in memory and devices (one of known length, one read
// from a process until it ends) added as entries, with every cipher, by the
// serial writer and in the parallel mode: read back by UnZip, checked record
// by record, and accepted by unzip, 7-Zip and Python's zipfile. Then what
// the three calls refuse.
#include "builtmethods.h"
#include "externaltool.h"
#include "filetree.h"
#include "testdevices.h"
#include "zipinspect.h"

#include <kelvanezip/unzip.h>
#include <kelvanezip/zip.h>

#include <QtCore/QBuffer>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

Q_DECLARE_METATYPE(Zip::EncryptionMethod)

namespace {

// Compares every entry with the file of the same name below the folder of
// expected contents; prints "ok".
const char pythonCheck[] = R"(
import os, sys, zipfile
archive, expected, password = sys.argv[1], sys.argv[2], sys.argv[3]
with zipfile.ZipFile(archive) as z:
    if password:
        z.setpassword(password.encode())
    if z.testzip() is not None:
        sys.exit('testzip failed')
    for info in z.infolist():
        with open(os.path.join(expected, info.filename), 'rb') as f:
            if z.read(info) != f.read():
                sys.exit('differs: ' + info.filename)
print('ok')
)";

constexpr quint16 DataDescriptorFlag = 0x08;
constexpr quint16 Zip64FieldSize = 20;

} // namespace

class tst_ZipAdd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void addedEntries_data();
    void addedEntries();
    void refused();

private:
    // Starts cat with the bytes on its input: a device of unknown length.
    static bool startStream(QProcess &process, const QByteArray &bytes);

    QTemporaryDir m_tmp;
    QString m_expected; // one file per entry, under the entry's name
    QMap<QString, QByteArray> m_contents;
};

void tst_ZipAdd::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_expected = m_tmp.filePath(QStringLiteral("expected"));
    m_contents = {
        {QStringLiteral("page.html"), compressibleContent(70000, 1)},
        {QStringLiteral("pics/photo.png"), randomContent(5000, 2)},
        {QStringLiteral("mem/notes.txt"), compressibleContent(400000, 3)},
        {QStringLiteral("mem/tiny.txt"), QByteArray("hello")},
        {QStringLiteral("dev/buffer.bin"), randomContent(70000, 4).mid(1000)},
        {QStringLiteral("dev/stream.txt"), compressibleContent(300000, 5)},
        {QStringLiteral("dev/stream.png"), randomContent(100000, 6)},
        {QStringLiteral("dev/empty.txt"), QByteArray()},
    };
    for (auto it = m_contents.constBegin(); it != m_contents.constEnd(); ++it)
        QVERIFY(FileTree::write(m_expected + QLatin1Char('/') + it.key(), it.value()));
    // The files added with addFile(), one under its own name, one renamed.
    QVERIFY(FileTree::write(m_tmp.filePath(QStringLiteral("in/page.html")), m_contents.value(QStringLiteral("page.html"))));
    QVERIFY(FileTree::write(m_tmp.filePath(QStringLiteral("in/photo.png")), m_contents.value(QStringLiteral("pics/photo.png"))));
}

bool tst_ZipAdd::startStream(QProcess &process, const QByteArray &bytes)
{
    process.start(QStringLiteral("cat"), QStringList());
    if (!process.waitForStarted())
        return false;
    process.write(bytes);
    process.closeWriteChannel();
    return true;
}

void tst_ZipAdd::addedEntries_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<Zip::EncryptionMethod>("cipher");
    QTest::addColumn<int>("threads");
    QTest::newRow("plain, serial") << QString() << Zip::TraditionalEncryption << 0;
    QTest::newRow("traditional, parallel") << QStringLiteral("secret") << Zip::TraditionalEncryption << 2;
    QTest::newRow("AES-256, serial") << QStringLiteral("secret") << Zip::Aes256Encryption << 0;
    QTest::newRow("AES-256, parallel") << QStringLiteral("secret") << Zip::Aes256Encryption << 2;
}

void tst_ZipAdd::addedEntries()
{
    QFETCH(QString, password);
    QFETCH(Zip::EncryptionMethod, cipher);
    QFETCH(int, threads);
    if (cipher != Zip::TraditionalEncryption)
        KELVANE_REQUIRE_AES();
    const QString archive = m_tmp.filePath(QStringLiteral("%1.zip").arg(QString::fromLatin1(QTest::currentDataTag())));

    Zip zip;
    zip.setThreadCount(threads);
    zip.setPassword(password);
    zip.setEncryptionMethod(cipher);
    QCOMPARE(zip.createArchive(archive), Zip::Success);
    QCOMPARE(zip.addFile(m_tmp.filePath(QStringLiteral("in/page.html"))), Zip::Success);
    QCOMPARE(zip.addFile(m_tmp.filePath(QStringLiteral("in/photo.png")), QStringLiteral("pics/photo.png")), Zip::Success);
    QCOMPARE(zip.addData(QStringLiteral("mem/notes.txt"), m_contents.value(QStringLiteral("mem/notes.txt"))), Zip::Success);
    QCOMPARE(zip.addData(QStringLiteral("mem/tiny.txt"), m_contents.value(QStringLiteral("mem/tiny.txt"))), Zip::Success);
    // A device is read from its position on.
    QBuffer buffer;
    buffer.setData(randomContent(70000, 4));
    QVERIFY(buffer.open(QIODevice::ReadOnly) && buffer.seek(1000));
    QCOMPARE(zip.addDevice(QStringLiteral("dev/buffer.bin"), &buffer), Zip::Success);
    QVERIFY(buffer.atEnd());
    for (const char *name : {"dev/stream.txt", "dev/stream.png", "dev/empty.txt"}) {
        QProcess process;
        QVERIFY(startStream(process, m_contents.value(QLatin1String(name))));
        QCOMPARE(zip.addDevice(QLatin1String(name), &process), Zip::Success);
        // Read to its end: the process has ended.
        QCOMPARE(process.state(), QProcess::NotRunning);
    }
    QCOMPARE(zip.closeArchive(), Zip::Success);

    // Read back; only the entries of unknown length have a descriptor
    // (besides the traditional cipher's) and ZIP64 sizes in the local header.
    const QByteArray bytes = readWholeFile(archive);
    const InspectedArchive inspected = inspectArchive(bytes);
    QVERIFY2(inspected.ok(), qPrintable(inspected.error));
    QCOMPARE(inspected.names().size(), m_contents.size());
    UnZip unzip;
    QCOMPARE(unzip.openArchive(archive), UnZip::Success);
    unzip.setPassword(password);
    for (auto it = m_contents.constBegin(); it != m_contents.constEnd(); ++it) {
        QBuffer out;
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(unzip.extractFile(it.key(), &out), UnZip::Success);
        QVERIFY2(out.data() == it.value(), qPrintable(it.key()));

        const InspectedCentral *central = inspected.find(it.key().toUtf8());
        QVERIFY(central);
        const InspectedLocal local = inspectLocal(bytes, qint64(central->localHeaderOffset));
        const bool streamed = it.key().startsWith(QLatin1String("dev/stream")) || it.key() == QLatin1String("dev/empty.txt");
        const bool traditional = !password.isEmpty() && cipher == Zip::TraditionalEncryption;
        QCOMPARE(bool(local.flags & DataDescriptorFlag), streamed || traditional);
        // ZIP64 field, AES field (11 bytes) and extended timestamp (9).
        const int aesField = !password.isEmpty() && cipher != Zip::TraditionalEncryption ? 11 : 0;
        QCOMPARE(local.extraLength == Zip64FieldSize + aesField + 9, streamed);
        QCOMPARE(local.extraLength == aesField + 9, !streamed);
        QCOMPARE(central->uncompressedSize64, quint64(it.value().size()));
        // By type: the picture and the five bytes stored, the rest deflated;
        // under AES the method stands in its extra field.
        if (password.isEmpty() || cipher == Zip::TraditionalEncryption) {
            const bool stored = it.key().endsWith(QLatin1String(".png")) || it.key() == QLatin1String("mem/tiny.txt");
            QCOMPARE(central->method, quint16(stored ? 0 : 8));
        }
    }

    KELVANE_REQUIRE_TOOL("7z");
    const ToolRun sevenZip = runTool(QStringLiteral("7z"), {QStringLiteral("t"), QStringLiteral("-p") + password, archive},
                                     m_tmp.path());
    QVERIFY2(sevenZip.ok() && sevenZip.standardOutput.contains("Everything is Ok"),
             sevenZip.describe(QStringLiteral("7z t")).constData());
    if (cipher != Zip::TraditionalEncryption)
        return; // unzip and zipfile have no AES
    KELVANE_REQUIRE_TOOL("unzip");
    KELVANE_REQUIRE_TOOL("python3");
    const ToolRun unzipRun = runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), QStringLiteral("-P"), password, archive},
                                     m_tmp.path());
    QVERIFY2(unzipRun.ok() && unzipRun.standardOutput.contains("No errors detected"),
             unzipRun.describe(QStringLiteral("unzip -t")).constData());
    const ToolRun python = runTool(QStringLiteral("python3"),
                                   {QStringLiteral("-c"), QString::fromLatin1(pythonCheck), archive, m_expected, password},
                                   m_tmp.path());
    QVERIFY2(python.ok() && python.standardOutput.trimmed() == "ok", python.describe(QStringLiteral("python3")).constData());
}

// What the calls refuse, and that a refused or failed entry is not listed
// while the archive stays sound.
void tst_ZipAdd::refused()
{
    Zip zip;
    QCOMPARE(zip.addData(QStringLiteral("a.txt"), "x"), Zip::NoArchiveYet);
    QCOMPARE(zip.addFile(m_tmp.filePath(QStringLiteral("in/page.html"))), Zip::NoArchiveYet);
    const QString archive = m_tmp.filePath(QStringLiteral("refused.zip"));
    QCOMPARE(zip.createArchive(archive), Zip::Success);
    QCOMPARE(zip.addFile(m_tmp.filePath(QStringLiteral("in/missing.txt"))), Zip::FileMissing);
    QCOMPARE(zip.addFile(archive), Zip::FileOpenFailed);
    QVERIFY(zip.lastErrorDetail().contains(QLatin1String("itself")));
    QCOMPARE(zip.addData(QString(), "x"), Zip::FileWriteError);
    QCOMPARE(zip.addData(QStringLiteral("folder/"), "x"), Zip::FileWriteError);
    QCOMPARE(zip.addDevice(QStringLiteral("null.bin"), nullptr), Zip::FileOpenFailed);
    QBuffer closed;
    QCOMPARE(zip.addDevice(QStringLiteral("closed.bin"), &closed), Zip::FileOpenFailed);
    // A device failing half-way.
    FaultyBuffer faulty(randomContent(400000, 7));
    faulty.failReadsFrom(300000);
    QVERIFY(faulty.open(QIODevice::ReadOnly));
    QCOMPARE(zip.addDevice(QStringLiteral("faulty.bin"), &faulty), Zip::FileReadError);
    QVERIFY(zip.lastErrorDetail().contains(QLatin1String("faulty.bin")));
    // A folder given to addFile is one folder entry.
    QCOMPARE(zip.addFile(m_tmp.filePath(QStringLiteral("in")), QStringLiteral("input")), Zip::Success);
    QCOMPARE(zip.addData(QStringLiteral("after.txt"), "after"), Zip::Success);
    QCOMPARE(zip.closeArchive(), Zip::Success);

    UnZip unzip;
    QCOMPARE(unzip.openArchive(archive), UnZip::Success);
    QStringList names;
    for (const UnZip::ZipEntry &entry : unzip.entryList())
        names << entry.filename;
    QCOMPARE(names, QStringList({QStringLiteral("after.txt"), QStringLiteral("input/")}));
    QVERIFY(QDir().mkpath(m_tmp.filePath(QStringLiteral("out"))));
    QCOMPARE(unzip.extractFile(QStringLiteral("after.txt"), m_tmp.filePath(QStringLiteral("out"))), UnZip::Success);
    QCOMPARE(FileTree::read(m_tmp.filePath(QStringLiteral("out/after.txt"))), QByteArray("after"));
}

QTEST_GUILESS_MAIN(tst_ZipAdd)
#include "tst_zipadd.moc"
