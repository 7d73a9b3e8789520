// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Archives written by Zip, tested and read by independent tools: Info-ZIP
// unzip, 7-Zip and Python's zipfile, with and without a password, with
// Cyrillic names, by the serial writer and in the parallel mode.
#include "builtmethods.h"
#include "externaltool.h"
#include "filetree.h"
#include "zipinspect.h"

#include <kelvanezip/zip.h>

#include <QtCore/QDir>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

Q_DECLARE_METATYPE(Zip::CompressionLevel)
Q_DECLARE_METATYPE(Zip::EncryptionMethod)

namespace {

// Lists the names, tests every entry and compares its content with the file
// below the source folder; prints the names, one a line, then "ok".
const char pythonCheck[] = R"(
import os, sys, zipfile
archive, source, password = sys.argv[1], sys.argv[2], sys.argv[3]
with zipfile.ZipFile(archive) as z:
    if password:
        z.setpassword(password.encode('utf-8'))
    bad = z.testzip()
    if bad is not None:
        sys.exit('testzip failed on ' + bad)
    for info in z.infolist():
        if not info.filename.endswith('/'):
            with open(os.path.join(source, info.filename), 'rb') as f:
                if z.read(info) != f.read():
                    sys.exit('content differs: ' + info.filename)
    for name in z.namelist():
        sys.stdout.buffer.write(name.encode('utf-8') + b'\n')
print('ok')
)";

QStringList nonEmptyLines(const QByteArray &output)
{
    QStringList lines;
    for (const QString &line : QString::fromUtf8(output).split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            lines.append(line);
    }
    return lines;
}

} // namespace

class tst_ZipInterop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void infoZipUnzip_data();
    void infoZipUnzip();
    void sevenZip_data() { infoZipUnzip_data(); }
    void sevenZip();
    void pythonZipfile_data() { infoZipUnzip_data(); }
    void pythonZipfile();
    void aesWithPeers_data();
    void aesWithPeers();
    void zip64ByCount();
    void zip64BySize_data();
    void zip64BySize();

private:
    QTemporaryDir m_tmp;
    QString m_source;    // the folder holding the tree "pkg"
    QStringList m_names; // entry names, sorted

    QString writeArchive(Zip::CompressionLevel level, const QString &password, int threads,
                         Zip::EncryptionMethod cipher = Zip::TraditionalEncryption);
    void checkWithPeers(const QString &archive, int entries);
};

void tst_ZipInterop::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    // The tools print names in the locale's encoding.
    qputenv("LC_ALL", "C.UTF-8");
    qputenv("PYTHONIOENCODING", "utf-8");

    m_source = m_tmp.filePath(QStringLiteral("source"));
    const QString p = m_source + QStringLiteral("/pkg/");
    const QString picture = QStringLiteral("\u0440\u0438\u0441\u0443\u043d\u043e\u043a"); // рисунок
    const QString folder = QStringLiteral("\u043f\u0430\u043f\u043a\u0430");              // папка
    const QString text = QStringLiteral("\u0442\u0435\u043a\u0441\u0442.txt");            // текст.txt
    const QString empty = QStringLiteral("\u043f\u0443\u0441\u0442\u043e");               // пусто
    writeFile(p + QStringLiteral("index.html"), compressibleContent(20000, 1));
    writeFile(p + picture + QStringLiteral("1.png"), compressibleContent(5000, 2));
    writeFile(p + picture + QStringLiteral("2.png"), compressibleContent(5000, 3));
    writeFile(p + folder + QLatin1Char('/') + text, compressibleContent(300000, 4));
    writeFile(p + QStringLiteral("data.bin"), randomContent(262144 + 1000, 5));
    writeFile(p + QStringLiteral("mixed.dat"), randomContent(600000, 11) + compressibleContent(700000, 12));
    writeFile(p + QStringLiteral("song.mp3"), randomContent(10000, 6));
    writeFile(p + QStringLiteral("empty.txt"), QByteArray());
    writeFile(p + QStringLiteral("small59.txt"), compressibleContent(59, 7));
    writeFile(p + QStringLiteral("small60.txt"), compressibleContent(60, 8));
    QVERIFY(QDir().mkpath(p + empty));

    m_names = QStringList{
        QStringLiteral("pkg/index.html"), QStringLiteral("pkg/") + picture + QStringLiteral("1.png"),
        QStringLiteral("pkg/") + picture + QStringLiteral("2.png"), QStringLiteral("pkg/") + folder + QLatin1Char('/') + text,
        QStringLiteral("pkg/data.bin"), QStringLiteral("pkg/mixed.dat"), QStringLiteral("pkg/song.mp3"), QStringLiteral("pkg/empty.txt"),
        QStringLiteral("pkg/small59.txt"), QStringLiteral("pkg/small60.txt"), QStringLiteral("pkg/") + empty + QLatin1Char('/')};
    m_names.sort();
}

void tst_ZipInterop::infoZipUnzip_data()
{
    QTest::addColumn<Zip::CompressionLevel>("level");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("threads");

    QTest::newRow("by type") << Zip::ByFileType << QString() << 0;
    QTest::newRow("by type, encrypted") << Zip::ByFileType << QStringLiteral("pw") << 0;
    QTest::newRow("stored, encrypted") << Zip::StoreOnly << QStringLiteral("pw") << 0;
    QTest::newRow("level 1") << Zip::Level1 << QString() << 0;
    QTest::newRow("level 9, encrypted") << Zip::Level9 << QStringLiteral("secret") << 0;
    // The parallel mode: files of several blocks, joined deflate streams,
    // stored blocks for random data, the cipher over all of it.
    QTest::newRow("by type, 2 threads") << Zip::ByFileType << QString() << 2;
    QTest::newRow("level 9, encrypted, 2 threads") << Zip::Level9 << QStringLiteral("secret") << 2;
    QTest::newRow("stored, encrypted, 3 threads") << Zip::StoreOnly << QStringLiteral("pw") << 3;
}

QString tst_ZipInterop::writeArchive(Zip::CompressionLevel level, const QString &password, int threads,
                                     Zip::EncryptionMethod cipher)
{
    const QString path = m_tmp.filePath(
        QStringLiteral("%1-%2-%3-%4.zip").arg(int(level)).arg(password).arg(threads).arg(int(cipher)));
    QFile::remove(path);
    Zip zip;
    zip.setThreadCount(threads);
    zip.setPassword(password);
    zip.setEncryptionMethod(cipher);
    if (zip.createArchive(path) != Zip::Success
        || zip.addDirectory(m_source + QStringLiteral("/pkg"), QString(), level) != Zip::Success
        || zip.closeArchive() != Zip::Success) {
        return QString();
    }
    return path;
}

void tst_ZipInterop::infoZipUnzip()
{
    QFETCH(Zip::CompressionLevel, level);
    QFETCH(QString, password);
    QFETCH(int, threads);
    KELVANE_REQUIRE_TOOL("unzip");
    const QString archive = writeArchive(level, password, threads);
    QVERIFY(!archive.isEmpty());

    QStringList test{QStringLiteral("-t")};
    if (!password.isEmpty())
        test << QStringLiteral("-P") << password;
    const ToolRun run = runTool(QStringLiteral("unzip"), test << archive, m_tmp.path());
    QVERIFY2(run.ok(), run.describe(QStringLiteral("unzip -t")).constData());
    QVERIFY(run.standardOutput.contains("No errors detected"));

    // unzip -l: one line per entry, the name last, after the date and time.
    const ToolRun list = runTool(QStringLiteral("unzip"), {QStringLiteral("-l"), archive}, m_tmp.path());
    QVERIFY2(list.ok(), list.describe(QStringLiteral("unzip -l")).constData());
    QStringList listed;
    const QRegularExpression entryLine(QStringLiteral("^\\s*\\d+\\s+\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d\\s+(.+)$"));
    for (const QString &line : nonEmptyLines(list.standardOutput)) {
        const QRegularExpressionMatch m = entryLine.match(line);
        if (m.hasMatch())
            listed.append(m.captured(1));
    }
    listed.sort();
    QCOMPARE(listed, m_names);
}

void tst_ZipInterop::sevenZip()
{
    QFETCH(Zip::CompressionLevel, level);
    QFETCH(QString, password);
    QFETCH(int, threads);
    KELVANE_REQUIRE_TOOL("7z");
    const QString archive = writeArchive(level, password, threads);
    QVERIFY(!archive.isEmpty());

    QStringList test{QStringLiteral("t")};
    if (!password.isEmpty())
        test << QStringLiteral("-p") + password;
    const ToolRun run = runTool(QStringLiteral("7z"), test << archive, m_tmp.path());
    QVERIFY2(run.ok(), run.describe(QStringLiteral("7z t")).constData());
    QVERIFY(run.standardOutput.contains("Everything is Ok"));

    const ToolRun list = runTool(QStringLiteral("7z"), {QStringLiteral("l"), QStringLiteral("-slt"), archive},
                                 m_tmp.path());
    QVERIFY2(list.ok(), list.describe(QStringLiteral("7z l")).constData());
    // The first "Path = " is the archive itself; folders are listed without
    // their trailing "/".
    QStringList listed;
    QStringList expected;
    for (const QString &line : nonEmptyLines(list.standardOutput)) {
        if (line.startsWith(QLatin1String("Path = ")))
            listed.append(line.mid(7));
    }
    QVERIFY(!listed.isEmpty());
    listed.removeFirst();
    listed.sort();
    for (QString name : qAsConst(m_names)) {
        if (name.endsWith(QLatin1Char('/')))
            name.chop(1);
        expected.append(name);
    }
    expected.sort();
    QCOMPARE(listed, expected);
}

void tst_ZipInterop::pythonZipfile()
{
    QFETCH(Zip::CompressionLevel, level);
    QFETCH(QString, password);
    QFETCH(int, threads);
    KELVANE_REQUIRE_TOOL("python3");
    const QString archive = writeArchive(level, password, threads);
    QVERIFY(!archive.isEmpty());

    const ToolRun run = runTool(QStringLiteral("python3"),
                                {QStringLiteral("-c"), QString::fromLatin1(pythonCheck), archive, m_source, password},
                                m_tmp.path());
    QVERIFY2(run.ok(), run.describe(QStringLiteral("python3 zipfile")).constData());
    QStringList lines = nonEmptyLines(run.standardOutput);
    QCOMPARE(lines.takeLast(), QStringLiteral("ok"));
    lines.sort();
    QCOMPARE(lines, m_names);
}

void tst_ZipInterop::aesWithPeers_data()
{
    QTest::addColumn<Zip::EncryptionMethod>("cipher");
    QTest::addColumn<Zip::CompressionLevel>("level");
    QTest::addColumn<int>("threads");
    QTest::addColumn<QString>("password");

    const QString cyrillic = QStringLiteral("\u043f\u0430\u0440\u043e\u043b\u044c");
    QTest::newRow("AES-256, by type") << Zip::Aes256Encryption << Zip::ByFileType << 0 << cyrillic;
    QTest::newRow("AES-256, level 9, 2 threads") << Zip::Aes256Encryption << Zip::Level9 << 2 << QStringLiteral("pw");
    QTest::newRow("AES-256, stored, 8 threads") << Zip::Aes256Encryption << Zip::StoreOnly << 8 << QStringLiteral("pw");
    QTest::newRow("AES-192, level 1, 1 thread") << Zip::Aes192Encryption << Zip::Level1 << 1 << QStringLiteral("pw");
    QTest::newRow("AES-128, level 6") << Zip::Aes128Encryption << Zip::Level6 << 0 << QStringLiteral("pw");
}

// 7-Zip tests the AES archive and, like bsdtar, extracts every file as it
// was; a wrong password is refused.
void tst_ZipInterop::aesWithPeers()
{
    QFETCH(Zip::EncryptionMethod, cipher);
    QFETCH(Zip::CompressionLevel, level);
    QFETCH(int, threads);
    QFETCH(QString, password);
    KELVANE_REQUIRE_AES();
    KELVANE_REQUIRE_TOOL("7z");
    KELVANE_REQUIRE_TOOL("bsdtar");
    const QString archive = writeArchive(level, password, threads, cipher);
    QVERIFY(!archive.isEmpty());

    const ToolRun test = runTool(QStringLiteral("7z"), {QStringLiteral("t"), QStringLiteral("-p") + password, archive},
                                 m_tmp.path());
    QVERIFY2(test.ok(), test.describe(QStringLiteral("7z t")).constData());
    QVERIFY(test.standardOutput.contains("Everything is Ok"));
    const ToolRun wrong = runTool(QStringLiteral("7z"), {QStringLiteral("t"), QStringLiteral("-pwrong"), archive},
                                  m_tmp.path());
    QVERIFY(!wrong.ok());

    const QString sevenOut = m_tmp.filePath(QStringLiteral("aes-7z-%1").arg(QTest::currentDataTag()));
    const ToolRun sevenZip = runTool(QStringLiteral("7z"),
                                     {QStringLiteral("x"), QStringLiteral("-p") + password,
                                      QStringLiteral("-o") + sevenOut, archive},
                                     m_tmp.path());
    QVERIFY2(sevenZip.ok(), sevenZip.describe(QStringLiteral("7z x")).constData());
    const QString tarOut = m_tmp.filePath(QStringLiteral("aes-bsdtar-%1").arg(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(tarOut));
    const ToolRun bsdtar = runTool(QStringLiteral("bsdtar"),
                                   {QStringLiteral("-xf"), archive, QStringLiteral("-C"), tarOut,
                                    QStringLiteral("--passphrase"), password},
                                   m_tmp.path());
    QVERIFY2(bsdtar.ok(), bsdtar.describe(QStringLiteral("bsdtar -x")).constData());

    const QString source = m_source + QStringLiteral("/pkg");
    const QStringList files = FileTree::list(source);
    for (const QString &out : {sevenOut, tarOut}) {
        QCOMPARE(FileTree::list(out + QStringLiteral("/pkg")), files);
        for (const QString &name : files) {
            if (!name.endsWith(QLatin1Char('/')))
                QVERIFY2(FileTree::read(out + QStringLiteral("/pkg/") + name) == FileTree::read(source + QLatin1Char('/') + name),
                         qPrintable(out + QLatin1String(": ") + name));
        }
    }
}

// unzip -t, 7z t and Python's testzip() accept the archive and count its
// entries.
void tst_ZipInterop::checkWithPeers(const QString &archive, int entries)
{
    KELVANE_REQUIRE_TOOL("unzip");
    KELVANE_REQUIRE_TOOL("7z");
    KELVANE_REQUIRE_TOOL("python3");
    const ToolRun unzip = runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), archive}, m_tmp.path(), 300000);
    QVERIFY2(unzip.ok(), unzip.describe(QStringLiteral("unzip -tq")).constData());
    QVERIFY(unzip.standardOutput.contains("No errors detected"));
    const ToolRun sevenZip = runTool(QStringLiteral("7z"), {QStringLiteral("t"), archive}, m_tmp.path(), 300000);
    QVERIFY2(sevenZip.ok(), sevenZip.describe(QStringLiteral("7z t")).constData());
    QVERIFY(sevenZip.standardOutput.contains("Everything is Ok"));
    const char script[] = "import sys, zipfile\n"
                          "with zipfile.ZipFile(sys.argv[1]) as z:\n"
                          "    bad = z.testzip()\n"
                          "    print(len(z.infolist()) if bad is None else 'bad: ' + bad)\n";
    const ToolRun python = runTool(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromLatin1(script), archive},
                                   m_tmp.path(), 300000);
    QVERIFY2(python.ok(), python.describe(QStringLiteral("python3 zipfile")).constData());
    QCOMPARE(python.standardOutput.trimmed(), QByteArray::number(entries));
}

// 70,000 entries (named straight below the root, no folder entries), more
// than the end record counts: the ZIP64 end record.
void tst_ZipInterop::zip64ByCount()
{
    const QString root = m_tmp.filePath(QStringLiteral("many"));
    for (int d = 0; d < 70; ++d) {
        const QString folder = root + QStringLiteral("/d%1/").arg(d, 2, 10, QLatin1Char('0'));
        QVERIFY(QDir().mkpath(folder));
        for (int f = 0; f < 1000; ++f) {
            QFile file(folder + QString::number(d * 1000 + f));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray::number(f));
        }
    }
    const QString archive = m_tmp.filePath(QStringLiteral("many.zip"));
    {
        Zip zip;
        zip.setThreadCount(2);
        QCOMPARE(zip.createArchive(archive), Zip::Success);
        QCOMPARE(zip.addDirectoryContents(root, Zip::Level6), Zip::Success);
        QCOMPARE(zip.closeArchive(), Zip::Success);
    }
    QDir(root).removeRecursively();
    const InspectedArchive inspected = inspectArchive(readWholeFile(archive));
    QVERIFY2(inspected.ok(), qPrintable(inspected.error));
    QVERIFY(inspected.zip64);
    QCOMPARE(inspected.totalEntries, quint16(0xffff));
    QCOMPARE(inspected.entries64, quint64(70000));
    checkWithPeers(archive, 70000);
}

void tst_ZipInterop::zip64BySize_data()
{
    QTest::addColumn<int>("threads");
    QTest::newRow("serial") << 0;
    QTest::newRow("2 threads") << 2;
}

// A sparse file of 4.5 GiB of zeros, deflated: ZIP64 sizes in the local
// header, the central record and (encrypted) the data descriptor. Tested,
// not extracted.
void tst_ZipInterop::zip64BySize()
{
    QFETCH(int, threads);
    const QString folder = m_tmp.filePath(QStringLiteral("huge"));
    QVERIFY(QDir().mkpath(folder));
    const qint64 size = 0x120000000LL; // 4.5 GiB
    {
        QFile file(folder + QStringLiteral("/zeros.bin"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(size));
    }
    const QString archive = m_tmp.filePath(QStringLiteral("huge.zip"));
    {
        Zip zip;
        zip.setThreadCount(threads);
        QCOMPARE(zip.createArchive(archive), Zip::Success);
        QCOMPARE(zip.addDirectoryContents(folder, Zip::Level1), Zip::Success);
        QCOMPARE(zip.closeArchive(), Zip::Success);
    }
    QDir(folder).removeRecursively();
    const QByteArray bytes = readWholeFile(archive);
    const InspectedArchive inspected = inspectArchive(bytes);
    QVERIFY2(inspected.ok(), qPrintable(inspected.error));
    QVERIFY(!inspected.zip64);
    QCOMPARE(inspected.central.size(), 1);
    const InspectedCentral &c = inspected.central.at(0);
    QCOMPARE(c.uncompressedSize, 0xffffffffu);
    QCOMPARE(c.uncompressedSize64, quint64(size));
    QCOMPARE(c.versionNeeded, quint16(45));
    const InspectedLocal local = inspectLocal(bytes, 0);
    QCOMPARE(local.versionNeeded, quint16(45));
    QCOMPARE(local.uncompressedSize, 0xffffffffu);
    QCOMPARE(local.compressedSize, 0xffffffffu);
    QCOMPARE(local.extraLength, quint16(20 + 9));
    // The local ZIP64 field first: ID 1, 16 bytes, both sizes as recorded;
    // then the extended timestamp.
    auto u64 = [&bytes](qint64 at) {
        quint64 v = 0;
        for (int i = 7; i >= 0; --i)
            v = (v << 8) | uchar(bytes.at(int(at + i)));
        return v;
    };
    const qint64 extra = local.dataOffset - 20 - 9;
    QCOMPARE(u64(extra) & 0xffffffffu, quint64(0x00100001));
    QCOMPARE(u64(extra + 4), quint64(size));
    QCOMPARE(u64(extra + 12), c.compressedSize64);
    QVERIFY(c.compressedSize64 < quint64(size) / 100);
    checkWithPeers(archive, 1);
    QFile::remove(archive);
}

QTEST_GUILESS_MAIN(tst_ZipInterop)
#include "tst_zipinterop.moc"
