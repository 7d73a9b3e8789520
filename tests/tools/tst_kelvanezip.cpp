// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Runs kelvane-zip on small archives and checks its output, its lines on
// standard error and its exit status.
#include "builtmethods.h"
#include "externaltool.h"
#include "filetree.h"
#include "rawzip.h"
#include "smalltmpfs.h"

#include <kelvanezip/unzip.h>
#include <kelvanezip/zip.h>

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QTextCodec>
#include <QtTest/QtTest>

class tst_KelvaneZip : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void help();
    void usageErrors_data();
    void usageErrors();
    void listNames();
    void listVerbose();
    void listCodePage_data();
    void listCodePage();
    void extractCodePage();
    void testGoodArchive();
    void testReportsFailingEntries();
    void listTested_data();
    void listTested();
    void methodsAndAes();
    void testPassword_data();
    void testPassword();
    void extractAll();
    void extractSelectedEntries();
    void extractJunkPaths();
    void extractReportsFailureAndGoesOn();
    void skippedEntriesNamed_data();
    void skippedEntriesNamed();
    void controlCharactersEscaped();
    void createNames_data();
    void createNames();
    void createLevels_data();
    void createLevels();
    void createThreads();
    void createEncryptedAndCommented_data();
    void createEncryptedAndCommented();
    void createOverwrite();
    void createMissingFolder();
    void createRefusesArchiveInsideFolder();
    void createFilesAndFolders();
    void createStreamed_data();
    void createStreamed();
    void writeFailures_data();
    void writeFailures();
    void fullDisk_data();
    void fullDisk();
    void noProgressWithoutTerminal_data();
    void noProgressWithoutTerminal();
    void progressOnTerminal_data();
    void progressOnTerminal();
    void selectionLikeUnzip_data();
    void selectionLikeUnzip();
    void existingFiles_data();
    void existingFiles();
    void standardOutput_data();
    void standardOutput();
    void archiveFromStandardInput_data();
    void archiveFromStandardInput();
    void standardInputCopyFails();
    void ratioLikeUnzip();
    void completion_data();
    void completion();
    void manualCoversOptions();
    void attributesWithPeers_data();
    void attributesWithPeers();

private:
    ToolRun run(const QStringList &arguments) const;
    // Runs a bash command line in which $KZ is the tool, with pipefail.
    ToolRun shell(const QString &command, const QString &arguments) const;
    QString writeArchive(const QString &name, const RawZip &zip) const;
    QString sampleArchive() const;
    QString makeTree() const;
    static QByteArray cp866(const QString &text);
    QString selectionArchive() const;
    // The files below root with their contents, "name=content" each.
    static QStringList treeWithContents(const QString &root);

    QTemporaryDir dir;
};

ToolRun tst_KelvaneZip::run(const QStringList &arguments) const
{
    return runTool(QStringLiteral(KELVANE_ZIP_TOOL), arguments, dir.path());
}

ToolRun tst_KelvaneZip::shell(const QString &command, const QString &arguments) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KZ"), QStringLiteral(KELVANE_ZIP_TOOL));
    environment.insert(QStringLiteral("ARGS"), arguments);
    return runTool(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), QStringLiteral("set -o pipefail; ") + command},
                   dir.path(), environment);
}

QString tst_KelvaneZip::writeArchive(const QString &name, const RawZip &zip) const
{
    const QString path = dir.filePath(name);
    if (!FileTree::write(path, zip.build().bytes))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Three entries (a folder, a stored file with a comment, a deflated file)
// and an archive comment; every entry dated 2017-01-01 12:00:00.
QString tst_KelvaneZip::sampleArchive() const
{
    RawZip zip;
    zip.add("b.txt", QByteArray(2000, 'b')).deflated(9);
    zip.add("a/").folder();
    zip.add("a/c.txt", "stored\n").withComment("note");
    zip.end.comment = "the archive";
    return writeArchive(QStringLiteral("sample.zip"), zip);
}

// docs/a.txt (text), docs/img/p.png, docs/empty/ below a fresh folder.
QString tst_KelvaneZip::makeTree() const
{
    static int count = 0;
    const QString root = dir.filePath(QStringLiteral("tree%1").arg(++count));
    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += "line " + QByteArray::number(i) + " of the text\n";
    QByteArray picture;
    for (int i = 0; i < 3000; ++i)
        picture += char((i * 7919) % 251);
    if (!FileTree::write(root + QStringLiteral("/docs/a.txt"), text)
        || !FileTree::write(root + QStringLiteral("/docs/img/p.png"), picture)
        || !QDir().mkpath(root + QStringLiteral("/docs/empty")))
        qFatal("cannot write the tree");
    return root;
}

QByteArray tst_KelvaneZip::cp866(const QString &text)
{
    return QTextCodec::codecForName("CP866")->fromUnicode(text);
}

void tst_KelvaneZip::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY2(QFileInfo::exists(QStringLiteral(KELVANE_ZIP_TOOL)), KELVANE_ZIP_TOOL);
}

void tst_KelvaneZip::help()
{
    const ToolRun r = run({QStringLiteral("--help")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.standardOutput.startsWith("Usage:"));
    QVERIFY(r.standardOutput.contains("kelvane-zip extract ARCHIVE"));
    // Every exit status the tool gives is listed.
    for (const char *status : {"\n   0  success", "\n   1  ", "\n   2  ", "\n  11  ", "\n  50  "})
        QVERIFY2(r.standardOutput.contains(status), status);
    QCOMPARE(run({QStringLiteral("list"), QStringLiteral("--help")}).exitCode, 0);

    const ToolRun version = run({QStringLiteral("--version")});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.standardOutput, QByteArray("kelvane-zip " KELVANE_VERSION "\ninflate back end: ") + UnZip::inflateBackend().toUtf8() + '\n');
}

void tst_KelvaneZip::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    const QString archive = sampleArchive();
    FileTree::write(dir.filePath(QStringLiteral("not-an-archive.zip")), QByteArray(5000, 'x'));
    const QString tree = makeTree();

    QTest::newRow("nothing") << QStringList();
    QTest::newRow("unknown command") << QStringList{"frobnicate", archive};
    QTest::newRow("no archive") << QStringList{"list"};
    QTest::newRow("option of another command") << QStringList{"list", archive, "-d", "out"};
    QTest::newRow("list -P without -t") << QStringList{"list", archive, "-P", "pw"};
    QTest::newRow("list -j without -t") << QStringList{"list", archive, "-v", "-j", "2"};
    QTest::newRow("list -t, bad thread count") << QStringList{"list", archive, "-t", "-j", "many"};
    QTest::newRow("unknown option") << QStringList{"test", archive, "--junk-paths"};
    QTest::newRow("-o and -n") << QStringList{"extract", archive, "-o", "-n"};
    QTest::newRow("-p and -d") << QStringList{"extract", archive, "-p", "-d", "out"};
    QTest::newRow("-x without pattern") << QStringList{"list", archive, "-x"};
    QTest::newRow("-x for create") << QStringList{"create", "new.zip", tree, "-x", "*.png"};
    QTest::newRow("option without value") << QStringList{"extract", archive, "-d"};
    QTest::newRow("unknown code page") << QStringList{"extract", archive, "-O", "NO-SUCH-PAGE"};
    QTest::newRow("create without folder") << QStringList{"create", "new.zip"};
    QTest::newRow("two levels") << QStringList{"create", "new.zip", tree, "-1", "-9"};
    QTest::newRow("level and by type") << QStringList{"create", "new.zip", tree, "-5", "--by-type"};
    QTest::newRow("two naming options")
        << QStringList{"create", "new.zip", tree, "--contents-only", "--absolute"};
    QTest::newRow("thread count not a number") << QStringList{"create", "new.zip", tree, "-j", "two"};
    QTest::newRow("negative thread count") << QStringList{"create", "new.zip", tree, "-j", "-1"};
    QTest::newRow("AES without password") << QStringList{"create", "new.zip", tree, "--aes"};
    QTest::newRow("archive missing") << QStringList{"list", "missing.zip"};
    QTest::newRow("not an archive") << QStringList{"test", "not-an-archive.zip"};
    QTest::newRow("standard input not an archive") << QStringList{"list", "-"};
}

void tst_KelvaneZip::usageErrors()
{
    QFETCH(QStringList, arguments);
    const ToolRun r = run(arguments);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.standardOutput.isEmpty());
    QVERIFY(r.standardError.startsWith("kelvane-zip: ") || r.standardError.startsWith("Usage:"));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("new.zip"))));
}

void tst_KelvaneZip::listNames()
{
    const ToolRun r = run({QStringLiteral("list"), sampleArchive()});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.standardOutput, QByteArray("a/\na/c.txt\nb.txt\n"));
    QCOMPARE(r.standardError, QByteArray());
}

void tst_KelvaneZip::listVerbose()
{
    const ToolRun r = run({QStringLiteral("list"), QStringLiteral("-v"), sampleArchive()});
    QCOMPARE(r.exitCode, 0);
    const int deflatedSize = int(RawZip::deflate(QByteArray(2000, 'b'), 9).size());
    const QList<QByteArray> lines = r.standardOutput.split('\n');
    QCOMPARE(lines.size(), 10); // nine lines and the empty rest after the last line feed
    QVERIFY(lines.at(0).startsWith("    Length  Compressed  Ratio  Method"));
    QCOMPARE(lines.at(2),
             QByteArray("         0           0     0%  Stored   00000000  2017-01-01  12:00:00  no         a/"));
    QCOMPARE(lines.at(3), QByteArray("         7           7     0%  Stored   ") + QByteArray::number(RawZip::crc32("stored\n"), 16).rightJustified(8, '0') + "  2017-01-01  12:00:00  no         a/c.txt");
    QCOMPARE(lines.at(4), QByteArray(78, ' ') + "Comment: note");
    // 2000 bytes deflate to about 20: 99% saved.
    QCOMPARE(lines.at(5), QByteArray("      2000  ") + QByteArray::number(deflatedSize).rightJustified(10, ' ') + "    99%  Deflate  " + QByteArray::number(RawZip::crc32(QByteArray(2000, 'b')), 16).rightJustified(8, '0') + "  2017-01-01  12:00:00  no         b.txt");
    QCOMPARE(lines.at(7), QByteArray("      2007  ") + QByteArray::number(deflatedSize + 7).rightJustified(10, ' ') + "    99%  entries: 3");
    QCOMPARE(lines.at(8), QByteArray("Archive comment: the archive"));
}

void tst_KelvaneZip::listCodePage_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("expected");
    const QString name = QStringLiteral("Лекция 1/Задание.txt");
    QTest::newRow("CP866") << QStringList{"-O", "CP866"} << name;
    QTest::newRow("IBM866 alias") << QStringList{"-O", "IBM866"} << name;
    // Without a code page such bytes are read as Latin-1; those that give
    // control characters (0x80-0x9f) are printed escaped.
    QTest::newRow("none") << QStringList()
                          << QString::fromLatin1(cp866(name)).replace(QChar(0x8b), QLatin1String("\\x8b")).replace(QChar(0x87), QLatin1String("\\x87"));
}

void tst_KelvaneZip::listCodePage()
{
    QFETCH(QStringList, options);
    QFETCH(QString, expected);
    RawZip zip;
    // Stored, flag bit 11 clear, as Windows Explorer writes them.
    zip.add(cp866(QStringLiteral("Лекция 1/Задание.txt")), "text").stored();
    zip.add("plain.txt", "x");
    const QString archive = writeArchive(QStringLiteral("cp866.zip"), zip);
    const ToolRun r = run(QStringList{QStringLiteral("list"), archive} + options);
    QCOMPARE(r.exitCode, 0);
    // Sorted by UTF-16 code unit: the Cyrillic or Latin-1 name comes last.
    QCOMPARE(QString::fromUtf8(r.standardOutput), QStringLiteral("plain.txt\n") + expected + QLatin1Char('\n'));
}

void tst_KelvaneZip::extractCodePage()
{
    RawZip zip;
    zip.add(cp866(QStringLiteral("Лекция 1/Задание.txt")), "text").stored();
    const QString archive = writeArchive(QStringLiteral("cp866x.zip"), zip);
    const QString out = dir.filePath(QStringLiteral("cp866-out"));
    const ToolRun r = run({QStringLiteral("extract"), archive, QStringLiteral("-O"), QStringLiteral("CP866"),
                           QStringLiteral("-d"), out, QStringLiteral("-q")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.standardError, QByteArray());
    QCOMPARE(FileTree::list(out), QStringList({QStringLiteral("Лекция 1/"), QStringLiteral("Лекция 1/Задание.txt")}));
    QCOMPARE(FileTree::read(out + QStringLiteral("/Лекция 1/Задание.txt")), QByteArray("text"));
}

void tst_KelvaneZip::testGoodArchive()
{
    const ToolRun r = run({QStringLiteral("test"), sampleArchive()});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.standardOutput, QByteArray("Entries tested: 3, no errors.\n"));
    QCOMPARE(r.standardError, QByteArray());
    const ToolRun quiet = run({QStringLiteral("test"), sampleArchive(), QStringLiteral("-q")});
    QCOMPARE(quiet.exitCode, 0);
    QCOMPARE(quiet.standardOutput, QByteArray());
}

void tst_KelvaneZip::testReportsFailingEntries()
{
    RawZip zip;
    zip.add("good.txt", QByteArray(5000, 'g')).deflated();
    // Both headers agree on a CRC that the data do not have.
    RawZip::Entry &badCrc = zip.add("bad-crc.txt", "some text");
    badCrc.central.crc = 0x12345678;
    badCrc.local.crc = 0x12345678;
    // CRC and stored size right, but both headers record a larger plain
    // size: only the count of the bytes written shows it.
    RawZip::Entry &badSize = zip.add("bad-size.txt", "more text");
    badSize.central.uncompressedSize = 100;
    badSize.local.uncompressedSize = 100;
    // The local header disagrees with the central record.
    zip.add("inconsistent.txt", "x").local.method = 8;
    const ToolRun r = run({QStringLiteral("test"), writeArchive(QStringLiteral("bad.zip"), zip)});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.standardOutput, QByteArray("Entries tested: 4, failed: 3.\n"));
    const QList<QByteArray> lines = r.standardError.split('\n');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), QByteArray("kelvane-zip: bad-crc.txt: Corrupted archive."));
    QVERIFY2(lines.at(1).startsWith("kelvane-zip: bad-size.txt: Corrupted archive. (9 bytes with CRC-32 "),
             lines.at(1));
    QCOMPARE(lines.at(2), QByteArray("kelvane-zip: inconsistent.txt: Inconsistent headers. Archive might be corrupted."));
}

void tst_KelvaneZip::listTested_data()
{
    QTest::addColumn<QString>("archive");
    QTest::addColumn<QStringList>("options"); // besides -t and -j
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("error");
    const auto hex = [](const QByteArray &data) { return QByteArray::number(RawZip::crc32(data), 16).rightJustified(8, '0'); };
    const QByteArray heading = "    Length  Compressed  Ratio  Method   CRC-32    Date        Time      Encrypted  Test    Name\n"
                               "----------  ----------  -----  -------  --------  ----------  --------  ---------  ------  ----\n";
    const QByteArray when = "  2017-01-01  12:00:00  ";

    const QString sample = sampleArchive();
    const QByteArray deflated = QByteArray::number(RawZip::deflate(QByteArray(2000, 'b'), 9).size()).rightJustified(10, ' ');
    const QByteArray deflatedAll = QByteArray::number(RawZip::deflate(QByteArray(2000, 'b'), 9).size() + 7).rightJustified(10, ' ');
    QTest::newRow("good") << sample << QStringList() << 0 << QByteArray("OK      a/\nOK      a/c.txt\nOK      b.txt\n")
                          << QByteArray();
    // The column before the names, the comments moved along, the totals
    // and the archive comment as ever.
    QTest::newRow("good, -v") << sample << QStringList{"-v"} << 0
                              << heading + "         0           0     0%  Stored   00000000" + when + "no         OK      a/\n"
            + "         7           7     0%  Stored   " + hex("stored\n") + when + "no         OK      a/c.txt\n"
            + QByteArray(86, ' ') + "Comment: note\n"
            + "      2000  " + deflated + "    99%  Deflate  " + hex(QByteArray(2000, 'b')) + when + "no         OK      b.txt\n"
            + "----------  ----------  -----\n      2007  " + deflatedAll + "    99%  entries: 3\nArchive comment: the archive\n"
                              << QByteArray();
    QTest::newRow("unmatched pattern") << sample << QStringList{"b.txt", "*.pdf"} << 11 << QByteArray("OK      b.txt\n")
                                       << QByteArray("kelvane-zip: *.pdf: no entry matches\n");

    // Sizes that make the parallel reader's largest-first order differ from
    // the listing's; stored, so that the verbose lines are known.
    RawZip zip;
    RawZip::Entry &badCrc = zip.add("bad-crc.txt", "some text");
    badCrc.central.crc = 0x12345678;
    badCrc.local.crc = 0x12345678;
    zip.add("docs/").folder();
    const QByteArray text = QByteArray("a line of the lecture\n").repeated(50);
    zip.add("docs/good.txt", text);
    zip.add("locked.txt", QByteArray(300, 'l')).encrypted("other");
    zip.add("open.txt", QByteArray(300, 'o')).encrypted("pw");
    const QString failing = writeArchive(QStringLiteral("tested.zip"), zip);
    const QByteArray errors = "kelvane-zip: bad-crc.txt: Corrupted archive.\n"
                              "kelvane-zip: locked.txt: Wrong or missing password. (Unable to decrypt locked.txt)\n";
    QTest::newRow("failing entries") << failing << QStringList{"-P", "pw"} << 1
                                     << QByteArray("FAILED  bad-crc.txt\nOK      docs/\nOK      docs/good.txt\n"
                                                   "FAILED  locked.txt\nOK      open.txt\n")
                                     << errors;
    QTest::newRow("failing entries, -v")
        << failing << QStringList{"-v", "-P", "pw"} << 1
        << heading + "         9           9     0%  Stored   12345678" + when + "no         FAILED  bad-crc.txt\n"
            + "         0           0     0%  Stored   00000000" + when + "no         OK      docs/\n"
            + "      1100        1100     0%  Stored   " + hex(text) + when + "no         OK      docs/good.txt\n"
            + "       300         312    -4%  Stored   " + hex(QByteArray(300, 'l')) + when + "yes        FAILED  locked.txt\n"
            + "       300         312    -4%  Stored   " + hex(QByteArray(300, 'o')) + when + "yes        OK      open.txt\n"
            + "----------  ----------  -----\n      1709        1733    -1%  entries: 5\n"
        << errors;
}

// list -t: every listed entry tested as test does, its result before its
// name, in the listing's order, the failures on standard error and test's
// exit status; the same at every thread count.
void tst_KelvaneZip::listTested()
{
    QFETCH(QString, archive);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, error);
    QByteArray serialOutput;
    for (const char *threads : {"0", "1", "2"}) {
        const ToolRun r = run(QStringList{QStringLiteral("list"), archive, QStringLiteral("-t"), QStringLiteral("-j"),
                                          QLatin1String(threads)}
                              + options);
        QVERIFY2(r.finished, threads);
        QCOMPARE(r.standardOutput, output);
        QCOMPARE(r.standardError, error);
        QCOMPARE(r.exitCode, exitCode);
        if (serialOutput.isNull())
            serialOutput = r.standardOutput;
        QCOMPARE(r.standardOutput, serialOutput);
    }
}

void tst_KelvaneZip::skippedEntriesNamed_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QStringList>("extracted");

    const QStringList none;
    QTest::newRow("list") << QStringList{"list"} << 0 << QByteArray("good.txt\n") << none;
    // Tested, as by test: skipped entries fail.
    QTest::newRow("list -t") << QStringList{"list", "-t"} << 1 << QByteArray("OK      good.txt\n") << none;
    QTest::newRow("test") << QStringList{"test"} << 1
                          << QByteArray("Entries tested: 1, failed: 0, skipped: 2.\n") << none;
    QTest::newRow("extract") << QStringList{"extract", "-d", "out-skipped"} << 1
                             << QByteArray("Entries: 1, failed: 0, skipped: 2.\n") << QStringList{"good.txt"};
}

void tst_KelvaneZip::skippedEntriesNamed()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    QFETCH(QStringList, extracted);

    RawZip zip;
    zip.add("good.txt", "good");
    zip.add("lorem.txt", "x").central.method = 9;
    zip.add("big.bin", "y").versionNeeded = 63;
    const QString archive = writeArchive(QStringLiteral("skipped.zip"), zip);
    arguments.insert(1, archive);
    const ToolRun r = run(arguments);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.standardOutput, output);
    QCOMPARE(r.standardError, QByteArray("kelvane-zip: lorem.txt: skipped: method 9 (Deflate64) not supported\n"
                                         "kelvane-zip: big.bin: skipped: needs version 6.3 to extract, not supported\n"));
    if (!extracted.isEmpty())
        QCOMPARE(FileTree::list(dir.filePath(QStringLiteral("out-skipped"))), extracted);

    // Asked for by name, a skipped entry is reported as skipped, not missing.
    if (arguments.first() == QLatin1String("extract")) {
        const ToolRun one = run({QStringLiteral("extract"), archive, QStringLiteral("lorem.txt"), QStringLiteral("-d"),
                                 QStringLiteral("out-one")});
        QCOMPARE(one.exitCode, 1);
        QCOMPARE(one.standardError, QByteArray("kelvane-zip: lorem.txt: skipped: method 9 (Deflate64) not supported\n"));
        const ToolRun other = run({QStringLiteral("extract"), archive, QStringLiteral("good.txt"), QStringLiteral("-d"),
                                   QStringLiteral("out-other")});
        QCOMPARE(other.exitCode, 0);
        QCOMPARE(other.standardError, QByteArray());
    }
}

void tst_KelvaneZip::controlCharactersEscaped()
{
    // Names are printed whole, control characters written as \xHH: in the
    // listing and in the error line of an entry that cannot be extracted.
    RawZip zip;
    zip.add(QByteArray("te\0st", 5), "nul");
    zip.add("line\nfeed\x9b.txt", "lf");
    const QString archive = writeArchive(QStringLiteral("control.zip"), zip);
    const ToolRun list = run({QStringLiteral("list"), archive});
    QCOMPARE(list.exitCode, 0);
    QCOMPARE(list.standardOutput, QByteArray("line\\x0afeed\\x9b.txt\nte\\x00st\n"));
    const ToolRun extract = run({QStringLiteral("extract"), archive, QStringLiteral("-q"), QStringLiteral("-d"),
                                 QStringLiteral("out-control")});
    QCOMPARE(extract.exitCode, 1);
    QCOMPARE(extract.standardError,
             QByteArray("kelvane-zip: line\\x0afeed\\x9b.txt: Unable to create or open file. (Refusing entry with a "
                        "control character in its name: line\\x0afeed\\x9b.txt)\n"
                        "kelvane-zip: te\\x00st: Unable to create or open file. (Refusing entry with a control "
                        "character in its name: te\\x00st)\n"));
}

// Every method and AES kind is named in the listing; AE-2 entries, which
// record no CRC-32, test clean.
void tst_KelvaneZip::methodsAndAes()
{
    KELVANE_REQUIRE_ALL_METHODS();
    const QByteArray text = QByteArray("a line of the lecture\n").repeated(500);
    RawZip zip;
    zip.add("1.bz2", text).compressed(RawZip::Bzip2).aes("pw", RawZip::Aes256, 2);
    zip.add("2.lzma", text).compressed(RawZip::Lzma).aes("pw", RawZip::Aes128, 1);
    zip.add("3.zst", text).compressed(RawZip::Zstd).aes("pw", RawZip::Aes192, 2);
    zip.add("4.xz", text).compressed(RawZip::Xz).encrypted("pw");
    const QString archive = writeArchive(QStringLiteral("methods.zip"), zip);

    const ToolRun list = run({QStringLiteral("list"), QStringLiteral("-v"), archive});
    QCOMPARE(list.exitCode, 0);
    const QList<QByteArray> lines = list.standardOutput.split('\n');
    QVERIFY(lines.size() > 5);
    const char *const expected[] = {"BZip2    00000000  2017-01-01  12:00:00  AES-256    1.bz2",
                                    "LZMA     ", "  AES-128    2.lzma",
                                    "Zstd     00000000  2017-01-01  12:00:00  AES-192    3.zst",
                                    "XZ       ", "  yes        4.xz"};
    QVERIFY2(lines.at(2).endsWith(expected[0]), lines.at(2));
    QVERIFY2(lines.at(3).contains(expected[1]) && lines.at(3).endsWith(expected[2]), lines.at(3));
    QVERIFY2(lines.at(4).endsWith(expected[3]), lines.at(4));
    QVERIFY2(lines.at(5).contains(expected[4]) && lines.at(5).endsWith(expected[5]), lines.at(5));

    const ToolRun test = run({QStringLiteral("test"), QStringLiteral("-P"), QStringLiteral("pw"), archive});
    QVERIFY2(test.ok(), test.describe(QStringLiteral("kelvane-zip")).constData());
    QCOMPARE(test.standardOutput, QByteArray("Entries tested: 4, no errors.\n"));
}

void tst_KelvaneZip::testPassword_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("error");
    const QByteArray mismatch = "kelvane-zip: secret.txt: Wrong or missing password. (Unable to decrypt secret.txt)\n";
    QTest::newRow("right") << QStringList{"-P", "pw"} << 0 << QByteArray();
    QTest::newRow("wrong") << QStringList{"-P", "nope"} << 1 << mismatch;
    QTest::newRow("missing") << QStringList() << 1 << mismatch;
}

void tst_KelvaneZip::testPassword()
{
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, error);
    RawZip zip;
    zip.add("secret.txt", QByteArray(3000, 's')).deflated().encrypted("pw");
    zip.add("open.txt", "open");
    const QString archive = writeArchive(QStringLiteral("secret.zip"), zip);
    const ToolRun r = run(QStringList{QStringLiteral("test"), archive, QStringLiteral("-q")} + options);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.standardError, error);
}

void tst_KelvaneZip::extractAll()
{
    const QString out = dir.filePath(QStringLiteral("all/deeper")); // created by the tool
    const ToolRun r = run({QStringLiteral("extract"), sampleArchive(), QStringLiteral("-d"), out});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.standardError, QByteArray());
    QCOMPARE(r.standardOutput, QByteArray("Entries extracted: 3, into ") + out.toUtf8() + ".\n");
    QCOMPARE(FileTree::list(out), QStringList({"a/", "a/c.txt", "b.txt"}));
    QCOMPARE(FileTree::read(out + QStringLiteral("/b.txt")), QByteArray(2000, 'b'));
    QCOMPARE(FileTree::read(out + QStringLiteral("/a/c.txt")), QByteArray("stored\n"));
}

void tst_KelvaneZip::extractSelectedEntries()
{
    const QString out = dir.filePath(QStringLiteral("selected"));
    const ToolRun r = run({QStringLiteral("extract"), sampleArchive(), QStringLiteral("-d"), out,
                           QStringLiteral("a/c.txt"), QStringLiteral("missing.txt"), QStringLiteral("-q")});
    QCOMPARE(r.exitCode, 11);
    QCOMPARE(r.standardError, QByteArray("kelvane-zip: missing.txt: no entry matches\n"));
    QCOMPARE(FileTree::list(out), QStringList({"a/", "a/c.txt"}));
}

void tst_KelvaneZip::extractJunkPaths()
{
    const QString out = dir.filePath(QStringLiteral("junk"));
    const ToolRun r = run({QStringLiteral("extract"), sampleArchive(), QStringLiteral("--junk-paths"),
                           QStringLiteral("-d"), out, QStringLiteral("-q")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(FileTree::list(out), QStringList({"b.txt", "c.txt"}));
}

void tst_KelvaneZip::extractReportsFailureAndGoesOn()
{
    RawZip zip;
    zip.add("a.txt", "first");
    RawZip::Entry &bad = zip.add("b.txt", QByteArray(4000, 'x')).deflated();
    bad.central.crc = 1;
    bad.local.crc = 1;
    zip.add("c.txt", "third");
    zip.add("../escape.txt", "outside");
    const QString out = dir.filePath(QStringLiteral("partly"));
    const ToolRun r = run({QStringLiteral("extract"), writeArchive(QStringLiteral("partly.zip"), zip),
                           QStringLiteral("-d"), out});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.standardOutput, QByteArray("Entries: 4, failed: 2.\n"));
    const QList<QByteArray> lines = r.standardError.split('\n');
    QCOMPARE(lines.size(), 3);
    // The reader's detail, and for the next failing entry only its own.
    QCOMPARE(lines.at(0), QByteArray("kelvane-zip: ../escape.txt: Unable to create or open file. "
                                     "(Refusing entry outside the target folder: ../escape.txt)"));
    QCOMPARE(lines.at(1), QByteArray("kelvane-zip: b.txt: Corrupted archive."));
    QCOMPARE(FileTree::list(out), QStringList({"a.txt", "c.txt"}));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("escape.txt"))));
}

void tst_KelvaneZip::createNames_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("folder") << QStringList()
                            << QStringList{"docs/a.txt", "docs/empty/", "docs/img/p.png"};
    QTest::newRow("root") << QStringList{"--root", "base"}
                          << QStringList{"base/docs/a.txt", "base/docs/empty/", "base/docs/img/p.png"};
    QTest::newRow("contents only") << QStringList{"--contents-only"} << QStringList{"a.txt", "p.png"};
    QTest::newRow("contents below root") << QStringList{"--contents-only", "--root", "r/"}
                                         << QStringList{"r/a.txt", "r/p.png"};
    QTest::newRow("absolute") << QStringList{"--absolute"}
                              << QStringList{"@/docs/a.txt", "@/docs/empty/", "@/docs/img/p.png"};
}

void tst_KelvaneZip::createNames()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, expected);
    const QString tree = makeTree();
    const QString archive = dir.filePath(QStringLiteral("names.zip"));
    const ToolRun r = run(QStringList{QStringLiteral("create"), archive, tree + QStringLiteral("/docs"),
                                      QStringLiteral("--overwrite")}
                          + options);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.standardError, QByteArray());
    QCOMPARE(r.standardOutput, QByteArray("Archive written: ") + archive.toUtf8() + ".\n");
    expected.replaceInStrings(QStringLiteral("@"), QDir(tree).canonicalPath());
    UnZip unzip;
    QCOMPARE(unzip.openArchive(archive), UnZip::Success);
    QCOMPARE(unzip.fileList(), expected);
}

void tst_KelvaneZip::createLevels_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("textMethod");
    QTest::addColumn<int>("pictureMethod");
    QTest::newRow("default: by type") << QStringList() << int(UnZip::Deflated) << int(UnZip::Stored);
    QTest::newRow("by type") << QStringList{"--by-type"} << int(UnZip::Deflated) << int(UnZip::Stored);
    QTest::newRow("-0") << QStringList{"-0"} << int(UnZip::Stored) << int(UnZip::Stored);
    QTest::newRow("-9") << QStringList{"-9"} << int(UnZip::Deflated) << int(UnZip::Deflated);
}

void tst_KelvaneZip::createLevels()
{
    QFETCH(QStringList, options);
    QFETCH(int, textMethod);
    QFETCH(int, pictureMethod);
    const QString tree = makeTree();
    const QString archive = dir.filePath(QStringLiteral("levels.zip"));
    const ToolRun r = run(QStringList{QStringLiteral("create"), archive, tree + QStringLiteral("/docs"),
                                      QStringLiteral("--overwrite"), QStringLiteral("-q")}
                          + options);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.standardOutput, QByteArray());
    UnZip unzip;
    QCOMPARE(unzip.openArchive(archive), UnZip::Success);
    for (const UnZip::ZipEntry &e : unzip.entryList()) {
        if (e.filename.endsWith(QLatin1String("a.txt")))
            QCOMPARE(int(e.compression), textMethod);
        if (e.filename.endsWith(QLatin1String("p.png")))
            QCOMPARE(int(e.compression), pictureMethod);
    }
    // What was written comes back unchanged.
    const QString out = dir.filePath(QStringLiteral("levels-out"));
    QDir(out).removeRecursively();
    QCOMPARE(run({QStringLiteral("extract"), archive, QStringLiteral("-d"), out}).exitCode, 0);
    QCOMPARE(FileTree::read(out + QStringLiteral("/docs/img/p.png")),
             FileTree::read(tree + QStringLiteral("/docs/img/p.png")));
    QCOMPARE(FileTree::read(out + QStringLiteral("/docs/a.txt")), FileTree::read(tree + QStringLiteral("/docs/a.txt")));
}

// -j 0 is the serial writer, byte for byte the library's; any other count,
// the default included, gives the parallel mode's one archive, which differs
// from the serial one for a file of several blocks.
void tst_KelvaneZip::createThreads()
{
    const QString tree = makeTree();
    QByteArray text;
    for (int i = 0; text.size() < 700000; ++i)
        text += "block " + QByteArray::number(i * 7 % 1009) + " of the long text\n";
    QVERIFY(FileTree::write(tree + QStringLiteral("/docs/long.txt"), text));

    QByteArray serial;
    {
        Zip zip;
        QCOMPARE(zip.createArchive(new QBuffer(&serial)), Zip::Success);
        QCOMPARE(zip.addDirectory(tree + QStringLiteral("/docs"), QString(), Zip::Level6), Zip::Success);
        QCOMPARE(zip.closeArchive(), Zip::Success);
    }
    QMap<QString, QByteArray> written;
    for (const QString &threads : {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QString()}) {
        const QString archive = dir.filePath(QStringLiteral("threads%1.zip").arg(threads));
        QStringList arguments{QStringLiteral("create"), archive, tree + QStringLiteral("/docs"), QStringLiteral("-6"),
                              QStringLiteral("-q")};
        if (!threads.isEmpty())
            arguments << QStringLiteral("-j") << threads;
        const ToolRun r = run(arguments);
        QVERIFY2(r.ok(), r.describe(QStringLiteral("kelvane-zip create")).constData());
        written[threads] = FileTree::read(archive);
    }
    QVERIFY(written[QStringLiteral("0")] == serial);
    QVERIFY(written[QStringLiteral("1")] != serial);
    QVERIFY(written[QStringLiteral("2")] == written[QStringLiteral("1")]);
    QVERIFY(written[QString()] == written[QStringLiteral("1")]);

    UnZip unzip;
    QCOMPARE(unzip.openArchive(dir.filePath(QStringLiteral("threads2.zip"))), UnZip::Success);
    QByteArray out;
    QBuffer device(&out);
    QVERIFY(device.open(QIODevice::WriteOnly));
    QCOMPARE(unzip.extractFile(QStringLiteral("docs/long.txt"), &device), UnZip::Success);
    QVERIFY(out == text);
}

void tst_KelvaneZip::createEncryptedAndCommented_data()
{
    QTest::addColumn<QStringList>("cipherOptions");
    QTest::addColumn<QByteArray>("listed");
    QTest::addColumn<QString>("peer");

    // The traditional cipher, read by unzip; AES-256, read by 7-Zip (unzip
    // knows no AES).
    QTest::newRow("traditional") << QStringList() << QByteArray("  yes        ") << QStringLiteral("unzip");
    QTest::newRow("AES-256") << QStringList{QStringLiteral("--aes")} << QByteArray("  AES-256    ")
                             << QStringLiteral("7z");
}

void tst_KelvaneZip::createEncryptedAndCommented()
{
    QFETCH(QStringList, cipherOptions);
    QFETCH(QByteArray, listed);
    QFETCH(QString, peer);
    if (!cipherOptions.isEmpty())
        KELVANE_REQUIRE_AES();
    if (findTool(peer).isEmpty())
        QSKIP(qPrintable(peer + QStringLiteral(" is not installed")));
    const QString tree = makeTree();
    const QString archive = dir.filePath(QStringLiteral("secret-%1.zip").arg(QTest::currentDataTag()));
    const ToolRun r = run(QStringList{QStringLiteral("create"), archive, tree + QStringLiteral("/docs"),
                                      QStringLiteral("-P"), QStringLiteral("s3cret"), QStringLiteral("--comment"),
                                      QStringLiteral("made by a test"), QStringLiteral("-q")}
                          + cipherOptions);
    QCOMPARE(r.exitCode, 0);
    const ToolRun listing = run({QStringLiteral("list"), QStringLiteral("-v"), archive});
    QVERIFY(listing.standardOutput.endsWith("Archive comment: made by a test\n"));
    QVERIFY2(listing.standardOutput.contains(listed + "docs/a.txt\n"), listing.standardOutput.constData());
    // An independent reader decrypts it with the same password.
    const QStringList peerArguments = peer == QLatin1String("unzip")
        ? QStringList{QStringLiteral("-p"), QStringLiteral("-P"), QStringLiteral("s3cret"), archive,
                      QStringLiteral("docs/a.txt")}
        : QStringList{QStringLiteral("e"), QStringLiteral("-so"), QStringLiteral("-ps3cret"), archive,
                      QStringLiteral("docs/a.txt")};
    const ToolRun peerRun = runTool(findTool(peer), peerArguments, dir.path());
    QVERIFY2(peerRun.ok(), peerRun.describe(peer));
    QCOMPARE(peerRun.standardOutput, FileTree::read(tree + QStringLiteral("/docs/a.txt")));
    QCOMPARE(run({QStringLiteral("test"), archive, QStringLiteral("-P"), QStringLiteral("s3cret")}).exitCode, 0);
    QCOMPARE(run({QStringLiteral("test"), archive, QStringLiteral("-P"), QStringLiteral("wrong")}).exitCode, 1);
}

void tst_KelvaneZip::createOverwrite()
{
    const QString tree = makeTree();
    const QString archive = dir.filePath(QStringLiteral("exists.zip"));
    FileTree::write(archive, "old content");
    ToolRun r = run({QStringLiteral("create"), archive, tree});
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.standardError.contains("exists.zip"));
    QCOMPARE(FileTree::read(archive), QByteArray("old content"));
    r = run({QStringLiteral("create"), archive, tree, QStringLiteral("--overwrite"), QStringLiteral("-q")});
    QCOMPARE(r.exitCode, 0);
    UnZip unzip;
    QCOMPARE(unzip.openArchive(archive), UnZip::Success);
    // The tree's own folder holds no file, so it has an entry of its own.
    QCOMPARE(unzip.fileList().size(), 4);
}

void tst_KelvaneZip::createMissingFolder()
{
    const QString tree = makeTree();
    const QString archive = dir.filePath(QStringLiteral("partial.zip"));
    const ToolRun r = run({QStringLiteral("create"), archive, QStringLiteral("no-such-folder"),
                           tree + QStringLiteral("/docs"), QStringLiteral("--overwrite")});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.standardError, QByteArray("kelvane-zip: no-such-folder: File or directory does not exist.\n"));
    QVERIFY(r.standardOutput.isEmpty());
    // The other folder is in the archive all the same.
    UnZip unzip;
    QCOMPARE(unzip.openArchive(archive), UnZip::Success);
    QCOMPARE(unzip.fileList().size(), 3);
}

void tst_KelvaneZip::createRefusesArchiveInsideFolder()
{
    const QString tree = makeTree();
    const ToolRun r = run({QStringLiteral("create"), tree + QStringLiteral("/docs/self.zip"), tree});
    QCOMPARE(r.exitCode, 2);
    QVERIFY(!QFile::exists(tree + QStringLiteral("/docs/self.zip")));
}

// Files given by themselves beside a folder; names below --root as well.
void tst_KelvaneZip::createFilesAndFolders()
{
    const QString tree = makeTree();
    const QString archive = dir.filePath(QStringLiteral("files.zip"));
    const ToolRun r = run({QStringLiteral("create"), archive, QStringLiteral("/etc/hostname"),
                           tree + QStringLiteral("/docs/a.txt"), tree + QStringLiteral("/docs/img"),
                           QStringLiteral("--root"), QStringLiteral("r"), QStringLiteral("--overwrite")});
    QCOMPARE(r.exitCode, 0);
    UnZip unzip;
    QCOMPARE(unzip.openArchive(archive), UnZip::Success);
    QCOMPARE(unzip.fileList(), (QStringList{"r/a.txt", "r/hostname", "r/img/p.png"}));
    QByteArray hostname;
    QBuffer out(&hostname);
    out.open(QIODevice::WriteOnly);
    QCOMPARE(unzip.extractFile(QStringLiteral("r/hostname"), &out), UnZip::Success);
    QCOMPARE(hostname, FileTree::read(QStringLiteral("/etc/hostname")));
    KELVANE_REQUIRE_TOOL("unzip");
    QVERIFY2(runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), archive}, dir.path()).ok(), "unzip -t");
}

void tst_KelvaneZip::createStreamed_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("options");
    // Where the summary goes: never into the archive's stream.
    QTest::addColumn<bool>("summaryOnStdout");
    QTest::newRow("-, piped") << "$KZ create - $ARGS | cat > out.zip"
                              << "" << false;
    QTest::newRow("/dev/stdout, piped, threads") << "$KZ create /dev/stdout $ARGS -j 2 | cat > out.zip"
                                                 << ""
                                                 << false;
    QTest::newRow("-, traditional cipher") << "$KZ create - $ARGS | cat > out.zip"
                                           << "-P pw" << false;
    QTest::newRow("fifo, AES") << "rm -f f; mkfifo f; cat f > out.zip & $KZ create f $ARGS; s=$?; wait; exit $s"
                               << "-P pw --aes" << true;
    QTest::newRow("-, into a file") << "$KZ create - $ARGS > out.zip"
                                    << "" << false;
}

// An archive written to a pipe (it cannot seek) is a valid streamed archive
// that the other tools accept; only the archive goes to standard output.
void tst_KelvaneZip::createStreamed()
{
    QFETCH(QString, command);
    QFETCH(QString, options);
    if (options.contains(QLatin1String("--aes")))
        KELVANE_REQUIRE_AES();
    KELVANE_REQUIRE_TOOL("unzip");
    KELVANE_REQUIRE_TOOL("7z");
    const QString tree = makeTree();
    QFile::remove(dir.filePath(QStringLiteral("out.zip")));
    const ToolRun r = shell(command, tree + QStringLiteral("/docs ") + options);
    QFETCH(bool, summaryOnStdout);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(summaryOnStdout ? r.standardError : r.standardOutput, QByteArray());
    const QByteArray summary = summaryOnStdout ? r.standardOutput : r.standardError;
    QVERIFY2(summary.startsWith("Archive written: "), summary.constData());
    const QString archive = dir.filePath(QStringLiteral("out.zip"));
    const QString password = options.contains(QLatin1String("pw")) ? QStringLiteral("pw") : QString();

    UnZip unzip;
    unzip.setPassword(password);
    QCOMPARE(unzip.openArchive(archive), UnZip::Success);
    QCOMPARE(unzip.fileList(), (QStringList{"docs/a.txt", "docs/empty/", "docs/img/p.png"}));
    const ToolRun tested = run({QStringLiteral("test"), archive, QStringLiteral("-P"), QStringLiteral("pw")});
    QVERIFY2(tested.ok(), tested.standardError.constData());
    const ToolRun seven = runTool(QStringLiteral("7z"), {QStringLiteral("t"), QStringLiteral("-p") + password, archive}, dir.path());
    QVERIFY2(seven.ok() && seven.standardOutput.contains("Everything is Ok"), seven.describe(QStringLiteral("7z")));
    if (!options.contains(QLatin1String("--aes"))) {
        const ToolRun unzipped = runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), QStringLiteral("-P"), password, archive}, dir.path());
        QVERIFY2(unzipped.ok(), unzipped.describe(QStringLiteral("unzip")));
    }
}

void tst_KelvaneZip::writeFailures_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("reason");
    const QByteArray archive = "kelvane-zip: /dev/full: File write error. (Unable to write the archive: "
                               "No space left on device)\n";
    const QByteArray out = "kelvane-zip: standard output: No space left on device\n";
    QTest::newRow("create /dev/full") << "$KZ create /dev/full $ARGS" << archive;
    QTest::newRow("create /dev/full, serial") << "$KZ create /dev/full $ARGS -j 0" << archive;
    QTest::newRow("create -, stdout full") << "$KZ create - $ARGS > /dev/full"
                                           << QByteArray("kelvane-zip: -: File write error. (Unable to write the "
                                                         "archive: No space left on device)\n");
    QTest::newRow("create, summary to full stdout") << "$KZ create x.zip --overwrite $ARGS > /dev/full" << out;
    QTest::newRow("list") << "$KZ list sample.zip > /dev/full" << out;
    QTest::newRow("list -v") << "$KZ list -v sample.zip > /dev/full" << out;
    QTest::newRow("list -t") << "$KZ list -t sample.zip > /dev/full" << out;
    QTest::newRow("test") << "$KZ test sample.zip > /dev/full" << out;
    QTest::newRow("extract, summary") << "$KZ extract sample.zip -d out > /dev/full" << out;
}

// Nothing that fails to reach its place counts as done: exit status 50 and
// the system's reason, on standard error.
void tst_KelvaneZip::writeFailures()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, reason);
    sampleArchive();
    const ToolRun r = shell(command, makeTree() + QStringLiteral("/docs"));
    QCOMPARE(r.exitCode, 50);
    QCOMPARE(r.standardError, reason);
}

void tst_KelvaneZip::fullDisk_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("fillFirst");
    QTest::newRow("extract") << "extract" << true;
    QTest::newRow("create, serial") << "create -j 0" << false;
    QTest::newRow("create, parallel") << "create -j 2" << false;
    QTest::newRow("create, full") << "create" << true;
}

// A small tmpfs that fills: exit status 50, every failing entry named with
// the system's reason, and nothing incomplete left on the file system.
void tst_KelvaneZip::fullDisk()
{
    QFETCH(QString, command);
    QFETCH(bool, fillFirst);
    SmallTmpfs fs(128 * 1024);
    KELVANE_REQUIRE_TMPFS(fs);
    const QString tree = makeTree();
    QByteArray noise(200 * 1024, '\0');
    quint32 x = 7;
    for (char &c : noise)
        c = char((x = x * 1103515245u + 12345u) >> 24);
    QVERIFY(FileTree::write(tree + QStringLiteral("/docs/noise.bin"), noise));
    if (fillFirst)
        QVERIFY(fs.fill());

    QStringList arguments = command.split(QLatin1Char(' '));
    QByteArray expected;
    if (arguments.first() == QLatin1String("extract")) {
        arguments << sampleArchive() << QStringLiteral("-d") << fs.filePath(QStringLiteral("out"));
        for (const char *name : {"a/c.txt", "b.txt"})
            expected += QByteArray("kelvane-zip: ") + name + ": File write error. (Unable to write "
                + fs.filePath(QStringLiteral("out/")).toUtf8() + name + ": No space left on device)\n";
    } else {
        arguments << fs.filePath(QStringLiteral("new.zip")) << tree + QStringLiteral("/docs");
        expected = "kelvane-zip: " + fs.filePath(QStringLiteral("new.zip")).toUtf8()
            + ": File write error. (Unable to write the archive: No space left on device)\n";
    }
    const ToolRun r = run(arguments);
    QCOMPARE(r.exitCode, 50);
    QCOMPARE(r.standardError, expected);
    QStringList left = FileTree::list(fs.path());
    left.removeAll(QStringLiteral("filler"));
    left.removeAll(QStringLiteral("out/"));
    left.removeAll(QStringLiteral("out/a/"));
    QCOMPARE(left, QStringList());
}

void tst_KelvaneZip::noProgressWithoutTerminal_data()
{
    QTest::addColumn<QStringList>("arguments");
    const QString archive = sampleArchive();
    QTest::newRow("test") << QStringList{"test", archive};
    QTest::newRow("extract") << QStringList{"extract", archive, "-d", dir.filePath("np")};
    QTest::newRow("create") << QStringList{"create", dir.filePath("np.zip"), makeTree(), "--overwrite"};
}

void tst_KelvaneZip::noProgressWithoutTerminal()
{
    // QProcess gives the tool pipes, not a terminal.
    QFETCH(QStringList, arguments);
    const ToolRun r = run(arguments);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.standardError, QByteArray());
    QVERIFY(!r.standardOutput.contains('\r'));
}

void tst_KelvaneZip::progressOnTerminal_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("quiet");
    const QString archive = sampleArchive();
    const QString tree = makeTree();
    QTest::newRow("test") << QStringList{"test", archive} << false;
    QTest::newRow("extract") << QStringList{"extract", archive, "-d", dir.filePath("pt")} << false;
    QTest::newRow("create") << QStringList{"create", dir.filePath("pt.zip"), tree, "--overwrite"} << false;
    QTest::newRow("test -q") << QStringList{"test", archive, "-q"} << true;
    QTest::newRow("create -q") << QStringList{"create", dir.filePath("pt.zip"), tree, "--overwrite", "-q"} << true;
}

void tst_KelvaneZip::progressOnTerminal()
{
    // script(1) runs the tool on a pseudo terminal and copies what appears
    // there to its own standard output.
    KELVANE_REQUIRE_TOOL("script");
    QFETCH(QStringList, arguments);
    QFETCH(bool, quiet);
    QString command = QStringLiteral(KELVANE_ZIP_TOOL);
    for (const QString &a : arguments)
        command += QStringLiteral(" '") + a + QLatin1Char('\'');
    const ToolRun r = runTool(findTool(QStringLiteral("script")),
                              {QStringLiteral("-qec"), command, QStringLiteral("/dev/null")}, dir.path());
    QVERIFY2(r.ok(), r.describe(QStringLiteral("script")));
    const QByteArray progressStart = QByteArray("\r") + arguments.first().toLatin1() + ": ";
    QCOMPARE(r.standardOutput.contains(progressStart), !quiet);
    if (!quiet)
        QVERIFY2(r.standardOutput.contains(" entries, ") && r.standardOutput.contains(" MB/s"), r.standardOutput);
}

// Files of several depths, a name with brackets and a folder entry, in the
// order of their names (unzip -p writes entries in the archive's order, the
// tool in that of its listing).
QString tst_KelvaneZip::selectionArchive() const
{
    RawZip zip;
    for (const char *name : {"b1.txt", "br[1].txt", "docs/", "docs/a.txt", "docs/img/p.png", "docs/img/q.png",
                             "notes.md", "tap.txt", "top.txt"})
        zip.add(name, QByteArray(name).endsWith('/') ? QByteArray() : QByteArray("content of ") + name).deflated();
    return writeArchive(QStringLiteral("select.zip"), zip);
}

QStringList tst_KelvaneZip::treeWithContents(const QString &root)
{
    QStringList files;
    for (const QString &name : FileTree::list(root))
        files << (name.endsWith(QLatin1Char('/')) ? name : name + QLatin1Char('=') + FileTree::read(root + QLatin1Char('/') + name));
    return files;
}

void tst_KelvaneZip::selectionLikeUnzip_data()
{
    QTest::addColumn<QStringList>("ours");
    // unzip's arguments for the same selection, where its syntax differs.
    QTest::addColumn<QStringList>("peer");
    const auto row = [](const char *tag, const QStringList &ours, const QStringList &peer = QStringList()) {
        QTest::newRow(tag) << ours << (peer.isEmpty() ? ours : peer);
    };
    row("star across folders", {"*.txt"});
    row("star below a folder", {"docs/*"});
    row("question mark", {"t?p.txt"});
    row("set", {"[a-t]op.txt"});
    row("negated set", {"[!t]a*"});
    row("several patterns", {"*.md", "docs/img/*"});
    row("exclude", {"-x", "*.png"}, {"-x", "*.png"});
    row("pattern and excludes", {"*", "-x", "docs/*", "-x", "t*"}, {"*", "-x", "docs/*", "t*"});
    row("no match", {"*.pdf"});
    row("one of two unmatched", {"top.txt", "*.pdf"});
    // A folder's name selects everything below it, as FOLDER/* does.
    row("folder", {"docs"}, {"docs/*"});
    row("folder with slash", {"docs/img/"}, {"docs/img/*"});
    // An entry's exact name selects it even when it reads as a pattern;
    // unzip needs the bracket escaped.
    row("name with brackets", {"br[1].txt"}, {"br\\[1].txt"});
}

// list, test and extract select what unzip -Z1 lists and unzip extracts,
// with the same exit status (0, or 11 when a pattern selects nothing).
void tst_KelvaneZip::selectionLikeUnzip()
{
    QFETCH(QStringList, ours);
    QFETCH(QStringList, peer);
    KELVANE_REQUIRE_TOOL("unzip");
    const QString archive = selectionArchive();
    const QString out = dir.filePath(QStringLiteral("sel-%1").arg(QTest::currentDataTag()));
    const QString peerOut = out + QStringLiteral("-unzip");
    const ToolRun extract = run(QStringList{"extract", archive, "-q", "-d", out} + ours);
    const ToolRun peerExtract = runTool(QStringLiteral("unzip"), QStringList{"-q", archive, "-d", peerOut} + peer,
                                        dir.path());
    QVERIFY(peerExtract.exitCode == 0 || peerExtract.exitCode == 11);
    QCOMPARE(extract.exitCode, peerExtract.exitCode);
    QCOMPARE(treeWithContents(out), treeWithContents(peerOut));

    // unzip -l and -Z1 give 0 when some pattern matches; list gives 11 as
    // unzip's extraction and test do.
    const ToolRun peerList = runTool(QStringLiteral("unzip"), QStringList{"-Z1", archive} + peer, dir.path());
    const ToolRun list = run(QStringList{"list", archive} + ours);
    QCOMPARE(list.exitCode, peerExtract.exitCode);
    QStringList listed = QString::fromUtf8(list.standardOutput).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QStringList peerListed = QString::fromUtf8(peerList.standardOutput).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    listed.sort();
    peerListed.sort();
    QCOMPARE(listed, peerListed);
    const ToolRun test = run(QStringList{"test", archive, "-q"} + ours);
    QCOMPARE(test.exitCode, peerExtract.exitCode);
    QCOMPARE(extract.standardError.isEmpty(), extract.exitCode == 0);
}

void tst_KelvaneZip::existingFiles_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<bool>("terminal");
    QTest::addColumn<QString>("answers"); // typed on the terminal
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("replaced"); // of docs/a.txt and top.txt
    QTest::addColumn<QString>("peerOptions");  // unzip's for the same outcome, if it has them

    const QStringList both{"docs/a.txt", "top.txt"};
    QTest::newRow("no terminal") << "" << false << "" << 1 << QStringList() << "-n";
    QTest::newRow("no terminal, threads") << "-j 2" << false << "" << 1 << QStringList() << "-n";
    QTest::newRow("-o") << "-o" << false << "" << 0 << both << "-o";
    QTest::newRow("-o, threads") << "-o -j 2" << false << "" << 0 << both << "-o";
    QTest::newRow("-n") << "-n" << false << "" << 0 << QStringList() << "-n";
    QTest::newRow("-n, threads") << "-n -j 2" << false << "" << 0 << QStringList() << "-n";
    QTest::newRow("-n on a terminal") << "-n" << true << "" << 0 << QStringList() << "-n";
    QTest::newRow("yes, no") << "" << true << "y\\nn\\n"
                             << 0 << QStringList{"docs/a.txt"} << "";
    QTest::newRow("no, yes, serial") << "-j 0" << true << "n\\ny\\n"
                                     << 0 << QStringList{"top.txt"} << "";
    QTest::newRow("all") << "" << true << "A\\n"
                         << 0 << both << "-o";
    QTest::newRow("none") << "" << true << "N\\n"
                          << 0 << QStringList() << "-n";
    QTest::newRow("end of input") << "" << true << "" << 0 << QStringList() << "-n";
}

// An existing file is replaced only with -o or the user's yes; unzip -o and
// -n leave the same files behind.
void tst_KelvaneZip::existingFiles()
{
    QFETCH(QString, options);
    QFETCH(bool, terminal);
    QFETCH(QString, answers);
    QFETCH(int, exitCode);
    QFETCH(QStringList, replaced);
    QFETCH(QString, peerOptions);
    KELVANE_REQUIRE_TOOL("unzip");
    KELVANE_REQUIRE_TOOL("script");
    const QString archive = selectionArchive();
    static int count = 0;
    const QString out = QStringLiteral("existing%1").arg(++count);
    for (const QString &folder : {out, out + QStringLiteral("-unzip")}) {
        QVERIFY(FileTree::write(dir.filePath(folder + QStringLiteral("/docs/a.txt")), "mine"));
        QVERIFY(FileTree::write(dir.filePath(folder + QStringLiteral("/top.txt")), "mine too"));
    }
    // The answers are printf's text: "\\n" is a line feed.
    const QString command = QStringLiteral("$KZ extract select.zip -d %1 docs/a.txt top.txt notes.md %2").arg(out, options);
    const ToolRun r = terminal
        ? shell(QStringLiteral("printf '%1' | script -qec \"%2\" /dev/null").arg(answers, command), QString())
        : shell(command + QStringLiteral(" < /dev/null"), QString());
    QCOMPARE(r.exitCode, exitCode);
    for (const char *name : {"docs/a.txt", "top.txt"}) {
        const QByteArray content = FileTree::read(dir.filePath(out + QLatin1Char('/') + QLatin1String(name)));
        QCOMPARE(content, replaced.contains(QLatin1String(name)) ? QByteArray("content of ") + name : QByteArray(name[0] == 'd' ? "mine" : "mine too"));
    }
    QCOMPARE(FileTree::read(dir.filePath(out + QStringLiteral("/notes.md"))), QByteArray("content of notes.md"));
    // script(1) copies the terminal, standard error included, to its output.
    const QByteArray messages = terminal ? r.standardOutput : r.standardError;
    if (exitCode == 1) {
        QVERIFY2(messages.contains("kelvane-zip: docs/a.txt: The file exists; it was not overwritten. (" + out.toUtf8()
                                   + "/docs/a.txt)\n"),
                 messages.constData());
        QVERIFY(messages.contains("-o replaces existing files"));
    }
    // One question per file until an answer for all; none with -o or -n.
    const int answered = int(answers.count(QStringLiteral("\\n")));
    const int questions = !terminal || options.contains(QLatin1String("-n")) ? 0 : answered == 2 ? 2
                                                                                                 : 1;
    QCOMPARE(int(messages.count("? [y]es, [n]o, [A]ll, [N]one: ")), questions);
    if (!peerOptions.isEmpty()) {
        const ToolRun peer = runTool(QStringLiteral("unzip"), {QStringLiteral("-q"), peerOptions, archive, QStringLiteral("docs/a.txt"), QStringLiteral("top.txt"), QStringLiteral("notes.md"), QStringLiteral("-d"), out + QStringLiteral("-unzip")}, dir.path());
        QVERIFY2(peer.ok(), peer.describe(QStringLiteral("unzip")).constData());
        QCOMPARE(treeWithContents(dir.filePath(out)), treeWithContents(dir.filePath(out + QStringLiteral("-unzip"))));
    }
}

void tst_KelvaneZip::standardOutput_data()
{
    QTest::addColumn<QString>("ours");
    QTest::addColumn<QString>("peer"); // unzip's arguments; empty: no peer run
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("error");

    QTest::newRow("pattern") << "'*.txt'"
                             << "'*.txt'" << 0 << QByteArray();
    QTest::newRow("folder and exclude") << "docs -x '*q.png'"
                                        << "'docs/*' -x '*q.png'" << 0 << QByteArray();
    QTest::newRow("everything") << ""
                                << "" << 0 << QByteArray();
    QTest::newRow("no match") << "'*.pdf'"
                              << "'*.pdf'" << 11
                              << QByteArray("kelvane-zip: *.pdf: no entry matches\n");
    QTest::newRow("full") << "> /dev/full"
                          << "" << 50
                          << QByteArray("kelvane-zip: b1.txt: File write error. (Unable to write b1.txt: No space left "
                                        "on device)\n");
}

// -p writes the entries' data, and only that, to standard output: the
// bytes unzip -p writes for the same selection.
void tst_KelvaneZip::standardOutput()
{
    QFETCH(QString, ours);
    QFETCH(QString, peer);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, error);
    KELVANE_REQUIRE_TOOL("unzip");
    selectionArchive();
    const ToolRun r = shell(QStringLiteral("$KZ extract select.zip -p ") + ours, QString());
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.standardError, error);
    if (exitCode == 50)
        return;
    const ToolRun unzipped = shell(QStringLiteral("unzip -p select.zip ") + peer, QString());
    QCOMPARE(unzipped.exitCode, exitCode);
    QCOMPARE(r.standardOutput, unzipped.standardOutput);
    QCOMPARE(r.standardOutput.isEmpty(), exitCode != 0);
}

void tst_KelvaneZip::archiveFromStandardInput_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    const QByteArray listing = "a/\na/c.txt\nb.txt\n";
    QTest::newRow("list, pipe") << "cat sample.zip | $KZ list -" << 0 << listing;
    QTest::newRow("list, file") << "$KZ list - < sample.zip" << 0 << listing;
    QTest::newRow("list -v, pipe") << "cat sample.zip | $KZ list -v - b.txt | sed -n 3p | cut -c1-10" << 0
                                   << QByteArray("      2000\n");
    QTest::newRow("test, pipe") << "cat sample.zip | $KZ test - -j 2" << 0
                                << QByteArray("Entries tested: 3, no errors.\n");
    QTest::newRow("extract, pipe") << "cat sample.zip | $KZ extract - -q -d stdin-out && cat stdin-out/a/c.txt" << 0
                                   << QByteArray("stored\n");
    QTest::newRow("-p, pipe") << "cat sample.zip | $KZ extract - -p a" << 0 << QByteArray("stored\n");
    QTest::newRow("not an archive") << "echo no | $KZ test -" << 2 << QByteArray();
    QTest::newRow("empty") << "$KZ list - < /dev/null" << 2 << QByteArray();
}

// "-" reads the archive from standard input; a pipe is copied to a
// temporary file first, which is gone when the tool ends.
void tst_KelvaneZip::archiveFromStandardInput()
{
    QFETCH(QString, command);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    sampleArchive();
    const QString spool = dir.filePath(QStringLiteral("spool"));
    QVERIFY(QDir().mkpath(spool));
    const ToolRun r = shell(QStringLiteral("export TMPDIR=") + spool + QStringLiteral("; ") + command, QString());
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.standardOutput, output);
    if (exitCode == 2)
        QCOMPARE(r.standardError, QByteArray("kelvane-zip: standard input: Invalid or incompatible zip archive.\n"));
    QCOMPARE(QDir(spool).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

// A pipe that does not fit where its copy would go: exit status 50, the
// reason, and no copy left.
void tst_KelvaneZip::standardInputCopyFails()
{
    SmallTmpfs fs(64 * 1024);
    KELVANE_REQUIRE_TMPFS(fs);
    const ToolRun r = shell(QStringLiteral("head -c 200000 /dev/zero | TMPDIR=%1 $KZ list -").arg(fs.path()), QString());
    QCOMPARE(r.exitCode, 50);
    QCOMPARE(r.standardError, QByteArray("kelvane-zip: standard input: cannot keep a copy in ") + fs.path().toUtf8() + ": No space left on device\n");
    QCOMPARE(FileTree::list(fs.path()), QStringList());
}

// The ratio column shows what unzip -v shows for the same entries.
void tst_KelvaneZip::ratioLikeUnzip()
{
    KELVANE_REQUIRE_TOOL("unzip");
    RawZip zip;
    quint32 x = 11;
    for (int i = 0; i < 60; ++i) {
        // Repeats of a random run: from incompressible to almost nothing.
        QByteArray run;
        const int period = 1 + int((x = x * 1103515245u + 12345u) >> 20) % 400;
        for (int k = 0; k < period; ++k)
            run += char((x = x * 1103515245u + 12345u) >> 24);
        const int size = 1 + int((x = x * 1103515245u + 12345u) >> 16) % 6000;
        RawZip::Entry &e = zip.add(QByteArray("f") + QByteArray::number(i), run.repeated(size / period + 1).left(size));
        if (i % 7 != 0)
            e.deflated();
    }
    const QString archive = writeArchive(QStringLiteral("ratios.zip"), zip);
    const ToolRun ours = run({QStringLiteral("list"), QStringLiteral("-v"), archive});
    const ToolRun peer = runTool(QStringLiteral("unzip"), {QStringLiteral("-v"), archive}, dir.path());
    QVERIFY(ours.ok() && peer.ok());
    // NAME -> ratio, from each listing.
    QMap<QByteArray, QByteArray> ourRatios;
    QMap<QByteArray, QByteArray> peerRatios;
    for (const QByteArray &line : ours.standardOutput.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() == 9 && fields.at(2).endsWith('%'))
            ourRatios.insert(fields.at(8), fields.at(2));
    }
    for (const QByteArray &line : peer.standardOutput.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() == 8 && fields.at(3).endsWith('%'))
            peerRatios.insert(fields.at(7), fields.at(3));
    }
    QCOMPARE(ourRatios.size(), 60);
    QCOMPARE(ourRatios, peerRatios);
}

void tst_KelvaneZip::completion_data()
{
    QTest::addColumn<QString>("line"); // the words typed, the last one being completed
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("command") << "kelvane-zip ex" << QStringList{"extract"};
    QTest::newRow("top-level option") << "kelvane-zip --v" << QStringList{"--version"};
    QTest::newRow("extract options") << "kelvane-zip extract sample.zip -" << QStringList{"-d", "-P", "-p", "-o", "-n", "-x", "--junk-paths", "-y", "--symlinks", "--no-attributes", "-O", "-j", "-q", "--help"};
    QTest::newRow("list options") << "kelvane-zip list -" << QStringList{"-v", "-t", "-O", "-x", "--help"};
    QTest::newRow("list options after -t") << "kelvane-zip list -t sample.zip -"
                                           << QStringList{"-v", "-t", "-P", "-j", "-O", "-x", "--help"};
    QTest::newRow("archive") << "kelvane-zip test sam" << QStringList{"sample.zip"};
    QTest::newRow("entries") << "kelvane-zip extract sample.zip a" << QStringList{"a/", "a/c.txt"};
    QTest::newRow("entries after -x") << "kelvane-zip list sample.zip -x b" << QStringList{"b.txt"};
    QTest::newRow("entries to delete") << "kelvane-zip delete sample.zip " << QStringList{"a/", "a/c.txt", "b.txt"};
    QTest::newRow("code page") << "kelvane-zip list sample.zip -O CP8" << QStringList{"CP866", "CP850"};
}

// The completion script, sourced into bash as bash-completion would: the
// replies for a command line.
void tst_KelvaneZip::completion()
{
    QFETCH(QString, line);
    QFETCH(QStringList, expected);
    sampleArchive();
    QStringList words = line.split(QLatin1Char(' '));
    QString array;
    for (const QString &w : words)
        array += QStringLiteral(" '") + w + QLatin1Char('\'');
    // bash-completion turns extglob on for every completion script.
    const QString script = QStringLiteral("shopt -s extglob; PATH=%1:$PATH; source %2; COMP_WORDS=(%3); COMP_CWORD=%4; "
                                          "COMP_LINE='%5'; COMP_POINT=${#COMP_LINE}; _kelvane_zip; "
                                          "printf '%s\\n' \"${COMPREPLY[@]}\"")
                               .arg(QFileInfo(QStringLiteral(KELVANE_ZIP_TOOL)).absolutePath(),
                                    QStringLiteral(KELVANE_ZIP_COMPLETION), array)
                               .arg(words.size() - 1)
                               .arg(line);
    const ToolRun r = runTool(QStringLiteral("/bin/bash"), {QStringLiteral("--norc"), QStringLiteral("-c"), script},
                              dir.path());
    QVERIFY2(r.ok(), r.describe(QStringLiteral("bash")).constData());
    QStringList replies = QString::fromUtf8(r.standardOutput).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    replies.sort();
    expected.sort();
    QCOMPARE(replies, expected);
}

// Every option of --help is described in the manual page, and so is every
// exit status.
void tst_KelvaneZip::manualCoversOptions()
{
    const QByteArray manual = FileTree::read(QStringLiteral(KELVANE_ZIP_MANUAL));
    QVERIFY(!manual.isEmpty());
    const ToolRun help = run({QStringLiteral("--help")});
    QStringList options;
    for (const QByteArray &line : help.standardOutput.split('\n')) {
        if (line.startsWith("  -"))
            options << QString::fromUtf8(line.mid(2, line.indexOf(' ', 2) - 2)).remove(QLatin1Char(','));
    }
    QVERIFY(options.size() > 20);
    for (const QString &option : options) {
        QByteArray roff = option.toUtf8();
        roff.replace("-", "\\-");
        QVERIFY2(manual.contains("\\fB" + roff) || manual.contains(".B " + roff) || manual.contains(".BI " + roff)
                     || manual.contains(".BR " + roff),
                 qPrintable(option));
    }
    for (const char *status : {".B 0\n", ".B 1\n", ".B 2\n", ".B 11\n", ".B 50\n"})
        QVERIFY2(manual.contains(status), status);
}

QTEST_GUILESS_MAIN(tst_KelvaneZip)
#include "tst_kelvanezip.moc"

// Modes, times and links through the tool and the peers, both ways: the
// writer's archive (with -y where it knows it) extracted by the reader.
// Modes have no bits the umask 022 takes away, so that every reader must
// give them exactly; the link that leads out is refused by this tool only.
void tst_KelvaneZip::attributesWithPeers_data()
{
    QTest::addColumn<QString>("create");  // $SRC: the tree's parent, $Z: the archive
    QTest::addColumn<QString>("extract"); // $Z into $OUT
    QTest::addColumn<bool>("ours");
    const QString create = QStringLiteral("cd \"$SRC\" && $KZ create -q -y \"$Z\" t");
    const QString extract = QStringLiteral("$KZ extract -q -y \"$Z\" -d \"$OUT\"");
    QTest::newRow("ours to ours") << create << extract << true;
    QTest::newRow("ours to unzip") << create << QStringLiteral("unzip -q \"$Z\" -d \"$OUT\"") << false;
    QTest::newRow("ours to bsdtar") << create << QStringLiteral("mkdir \"$OUT\" && bsdtar -x -f \"$Z\" -C \"$OUT\"") << false;
    QTest::newRow("zip -y to ours") << QStringLiteral("cd \"$SRC\" && zip -q -r -y \"$Z\" t") << extract << true;
    QTest::newRow("bsdtar to ours") << QStringLiteral("cd \"$SRC\" && bsdtar -c --format zip -f \"$Z\" t") << extract
                                    << true;
}

void tst_KelvaneZip::attributesWithPeers()
{
    KELVANE_REQUIRE_TOOL("zip");
    KELVANE_REQUIRE_TOOL("unzip");
    KELVANE_REQUIRE_TOOL("bsdtar");
    QFETCH(QString, create);
    QFETCH(QString, extract);
    QFETCH(bool, ours);
    const QTemporaryDir work;
    const QString source = work.filePath(QStringLiteral("src"));
    const QString tree = source + QStringLiteral("/t");
    struct Item
    {
        const char *name;
        QFile::Permissions mode;
        qint64 time; // seconds since 1970
    };
    const QFile::Permissions rwx = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    const Item items[] = {{"exec.sh", rwx | QFile::ReadGroup | QFile::ExeGroup | QFile::ExeOther, 86400},
                          {"sub/old.txt", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup, 170000000},
                          {"sub/empty", rwx, 640000000}};
    QVERIFY(FileTree::write(tree + QStringLiteral("/exec.sh"), "#!/bin/sh\n"));
    QVERIFY(FileTree::write(tree + QStringLiteral("/sub/old.txt"), "old"));
    QVERIFY(QDir().mkpath(tree + QStringLiteral("/sub/empty")));
    QVERIFY(QFile::link(QStringLiteral("exec.sh"), tree + QStringLiteral("/l")));
    QVERIFY(QFile::link(QStringLiteral("../exec.sh"), tree + QStringLiteral("/sub/up")));
    QVERIFY(QFile::link(QStringLiteral("../../outside"), tree + QStringLiteral("/out")));
    // A time past the MS-DOS range, which only the NTFS field holds (read
    // by this tool, not by unzip and bsdtar).
    const qint64 in2150 = 5682488768;
    QVERIFY(FileTree::write(tree + QStringLiteral("/late.txt"), "late"));
    for (const Item &item : items) {
        const QString path = tree + QLatin1Char('/') + QLatin1String(item.name);
        QVERIFY(QFile::setPermissions(path, item.mode));
        QVERIFY(shell(QStringLiteral("touch -d @%1 \"%2\"").arg(item.time).arg(path), QString()).ok());
    }
    QVERIFY(shell(QStringLiteral("touch -d @%1 \"%2/late.txt\"").arg(in2150).arg(tree), QString()).ok());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KZ"), QStringLiteral(KELVANE_ZIP_TOOL));
    environment.insert(QStringLiteral("SRC"), source);
    environment.insert(QStringLiteral("Z"), work.filePath(QStringLiteral("a.zip")));
    environment.insert(QStringLiteral("OUT"), work.filePath(QStringLiteral("out")));
    const QString umask = QStringLiteral("umask 022; ");
    const ToolRun made = runTool(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), umask + create}, work.path(), environment);
    QVERIFY2(made.ok(), made.describe(create).constData());
    const ToolRun taken = runTool(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), umask + extract}, work.path(), environment);
    if (!ours)
        QVERIFY2(taken.ok(), taken.describe(extract).constData());

    const QString out = work.filePath(QStringLiteral("out/t/"));
    for (const Item &item : items) {
        const QFileInfo info(out + QLatin1String(item.name));
        QVERIFY2(info.exists(), item.name);
        QCOMPARE(info.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser), item.mode);
        QCOMPARE(info.lastModified().toSecsSinceEpoch(), item.time);
    }
    QCOMPARE(QFileInfo(out + QStringLiteral("l")).symLinkTarget(), QFileInfo(out + QStringLiteral("exec.sh")).absoluteFilePath());
    QCOMPARE(FileTree::read(out + QStringLiteral("sub/up")), QByteArray("#!/bin/sh\n"));
    QVERIFY(QFileInfo(out + QStringLiteral("sub/up")).isSymLink());
    if (ours && create.contains(QLatin1String("$KZ")))
        QCOMPARE(QFileInfo(out + QStringLiteral("late.txt")).lastModified().toSecsSinceEpoch(), in2150);
    if (ours) {
        // Named and refused: nothing of it is made, and the exit status says so.
        QCOMPARE(taken.exitCode, 1);
        QVERIFY2(taken.standardError.contains("t/out: "), taken.standardError.constData());
        QVERIFY(!QFileInfo(out + QStringLiteral("out")).isSymLink());
    }
}
