// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// UnZip: the local header test, data descriptors, extraction to devices and
// below folders, inflate limits, CRC failures, extractFiles and extractAll.
#include "bytefixtures.h"
#include "debugrecorder.h"
#include "filetree.h"
#include "rawzip.h"
#include "smalltmpfs.h"
#include "testdevices.h"
#include <kelvanezip/unzip.h>

#include <QtCore/QDir>
#include <QtCore/QLoggingCategory>
#include <QtCore/QScopeGuard>
#include <QtCore/QRandomGenerator>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(UnZip::ErrorCode)

namespace {

QByteArray textBytes(int size)
{
    QByteArray bytes;
    bytes.reserve(size + 16);
    for (int i = 0; bytes.size() < size; ++i)
        bytes += QByteArray::number(i) + (i % 13 ? ' ' : '\n');
    bytes.truncate(size);
    return bytes;
}

// The same archive with its central directory and end record first and the
// entries behind them, so that the last entry's data ends the device and no
// central directory follows it.
QByteArray entriesLast(const RawZip::Archive &a)
{
    const int shift = int(a.bytes.size()) - int(a.centralDirectory);
    QByteArray front = a.bytes.mid(int(a.centralDirectory));
    for (const RawZip::EntryLayout &e : a.entries) {
        const int field = int(e.central - a.centralDirectory) + 42;
        RawZip::putUInt(front, field, quint32(e.localHeader + shift));
    }
    RawZip::putUInt(front, int(a.endRecord - a.centralDirectory) + 16, 0);
    return front + a.bytes.left(int(a.centralDirectory));
}

// Opens the bytes on a buffer that counts the reads and seeks.
UnZip::ErrorCode openCounting(UnZip &reader, const QByteArray &bytes)
{
    return reader.openArchive(new CountingBuffer(bytes));
}

} // namespace

class tst_UnZipExtract : public QObject
{
    Q_OBJECT

private slots:
    void readOnlyFileReplaced();
    void localHeaderTest_data();
    void localHeaderTest();
    void localHeaderCheckedOnce();
    void localHeaderReadFailures_data();
    void localHeaderReadFailures();
    void contentToDevice_data();
    void contentToDevice();
    void faultyDevices();
    void writeFailsAtEveryByte();
    void fullDisk_data();
    void fullDisk();
    void crcFailures_data();
    void crcFailures();
    void storedDataCutByDeviceEnd();
    void boundedInflate_data();
    void boundedInflate();
    void overlappingEntries();
    void publicResults();
    void folderExamples_data();
    void folderExamples();
    void targetFolderMissing();
    void existingFileReplaced();
    void existingFileKept_data();
    void existingFileKept();
    void existingFileReplacedWhenComplete_data();
    void existingFileReplacedWhenComplete();
    void dropFoldersSameName();
    void folderCreationFailures_data();
    void folderCreationFailures();
    void outputOpenFailure();
    void failedOutputsRemoved();
    void extractAllWalk();
    void extractFilesOrderAndStop();
    void unixAttributes_data();
    void unixAttributes();
    void symbolicLinks_data();
    void symbolicLinks();
};

// A read-only file at the target (an earlier extraction may leave one) is
// replaced by the entry, as the folder allows. Run as another user than
// root, whom modes do not stop.
void tst_UnZipExtract::readOnlyFileReplaced()
{
    QTemporaryDir target;
    QVERIFY(QFile::setPermissions(target.path(), QFileDevice::Permissions(0x7777)));
    const QString path = target.filePath(QStringLiteral("a.txt"));
    QVERIFY(FileTree::write(path, "old"));
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadOther));
    RawZip zip;
    zip.add("a.txt", "new").deflated();
    UnZip reader;
    QCOMPARE(openBytes(reader, zip.build().bytes), UnZip::Success);

    const bool root = ::geteuid() == 0;
    if (root)
        QVERIFY(::chown(qPrintable(path), 65534, 65534) == 0 && ::seteuid(65534) == 0);
    const auto restore = qScopeGuard([root] {
        if (root)
            QVERIFY(::seteuid(0) == 0);
    });
    QCOMPARE(reader.extractFile(QStringLiteral("a.txt"), target.path()), UnZip::Success);
    QCOMPARE(FileTree::read(path), QByteArray("new"));
}

void tst_UnZipExtract::localHeaderTest_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("descriptor");
    QTest::addColumn<UnZip::ErrorCode>("expected");
    QTest::addColumn<QStringList>("debugLines");

    const QStringList none;
    const QStringList nameLine{QStringLiteral("Filename in local header mismatches.")};
    for (const int d : {int(RawZip::NoDescriptor), int(RawZip::WithSignature), int(RawZip::WithoutSignature)}) {
        const char *kind = d == RawZip::NoDescriptor ? "plain" : d == RawZip::WithSignature ? "dd"
                                                                                            : "dd-nosig";
        const UnZip::ErrorCode sizes = d == RawZip::NoDescriptor ? UnZip::InconsistentHeaders : UnZip::Success;
        QTest::addRow("%s: consistent", kind) << "" << d << UnZip::Success << none;
        QTest::addRow("%s: version needed", kind) << "version" << d << UnZip::Success << none;
        QTest::addRow("%s: extra field", kind) << "extra" << d << UnZip::Success << none;
        QTest::addRow("%s: flags low byte", kind) << "flags0" << d << UnZip::InconsistentHeaders << none;
        QTest::addRow("%s: flags high byte", kind) << "flags1" << d << UnZip::InconsistentHeaders << none;
        QTest::addRow("%s: method", kind) << "method" << d << UnZip::InconsistentHeaders << none;
        QTest::addRow("%s: time low byte", kind) << "time0" << d << UnZip::InconsistentHeaders << none;
        QTest::addRow("%s: time high byte", kind) << "time1" << d << UnZip::InconsistentHeaders << none;
        QTest::addRow("%s: date low byte", kind) << "date0" << d << UnZip::InconsistentHeaders << none;
        QTest::addRow("%s: date high byte", kind) << "date1" << d << UnZip::InconsistentHeaders << none;
        QTest::addRow("%s: crc", kind) << "crc" << d << sizes << none;
        QTest::addRow("%s: compressed size", kind) << "csize" << d << sizes << none;
        QTest::addRow("%s: uncompressed size", kind) << "usize" << d << sizes << none;
        QTest::addRow("%s: name length 0", kind) << "nolength" << d << UnZip::InconsistentHeaders << none;
        QTest::addRow("%s: other name", kind) << "name" << d << UnZip::InconsistentHeaders << nameLine;
        QTest::addRow("%s: name in other case", kind) << "case" << d << UnZip::InconsistentHeaders << nameLine;
        QTest::addRow("%s: signature", kind) << "signature" << d << UnZip::IncompatibleArchive << none;
        if (d != RawZip::NoDescriptor) {
            QTest::addRow("%s: descriptor crc", kind) << "ddcrc" << d << UnZip::InconsistentHeaders << none;
            QTest::addRow("%s: descriptor compressed size", kind)
                << "ddcsize" << d << UnZip::InconsistentHeaders << none;
            QTest::addRow("%s: descriptor uncompressed size", kind)
                << "ddusize" << d << UnZip::InconsistentHeaders << none;
        }
    }
}

void tst_UnZipExtract::localHeaderTest()
{
    QFETCH(QString, change);
    QFETCH(int, descriptor);
    QFETCH(UnZip::ErrorCode, expected);
    QFETCH(QStringList, debugLines);

    const QByteArray content = textBytes(3000);
    RawZip zip;
    RawZip::Entry &e = zip.add("dir/Entry.txt", content).deflated().descriptor(RawZip::Descriptor(descriptor));
    e.time(RawZip::dosTime(10, 20, 30), RawZip::dosDate(2020, 5, 6));
    zip.add("next.txt", "next");
    RawZip::Fields &l = e.local;
    if (change == QLatin1String("version"))
        l.versionNeeded = 63;
    else if (change == QLatin1String("extra"))
        e.localExtra = QByteArray(17, 'x');
    else if (change == QLatin1String("flags0"))
        l.flags = e.flags ^ 0x0002;
    else if (change == QLatin1String("flags1"))
        l.flags = e.flags ^ 0x0200;
    else if (change == QLatin1String("method"))
        l.method = 0;
    else if (change == QLatin1String("time0"))
        l.dosTime = e.dosTime ^ 0x0001;
    else if (change == QLatin1String("time1"))
        l.dosTime = e.dosTime ^ 0x0100;
    else if (change == QLatin1String("date0"))
        l.dosDate = e.dosDate ^ 0x0001;
    else if (change == QLatin1String("date1"))
        l.dosDate = e.dosDate ^ 0x0100;
    else if (change == QLatin1String("crc"))
        l.crc = 0;
    else if (change == QLatin1String("csize"))
        l.compressedSize = 0;
    else if (change == QLatin1String("usize"))
        l.uncompressedSize = 0;
    else if (change == QLatin1String("nolength"))
        l.nameLength = 0;
    else if (change == QLatin1String("name"))
        l.name = QByteArray("dir/Other.txt");
    else if (change == QLatin1String("case"))
        l.name = QByteArray("dir/entry.txt");
    else if (change == QLatin1String("signature"))
        zip.localHeaderHook = [](int index, QByteArray &record) { if (index == 0) record[3] = 5; };
    else if (change == QLatin1String("ddcrc"))
        e.dataDescriptor.crc = 1;
    else if (change == QLatin1String("ddcsize"))
        e.dataDescriptor.compressedSize = 1;
    else if (change == QLatin1String("ddusize"))
        e.dataDescriptor.uncompressedSize = 1;
    const QByteArray bytes = zip.build().bytes;

    UnZip reader;
    QCOMPARE(openCounting(reader, bytes), UnZip::Success);
    const QString name = QStringLiteral("dir/Entry.txt");
    for (int attempt = 0; attempt < 2; ++attempt) {
        // The flag that saves the test is set only on success: a failed test
        // runs again, with the same result.
        DebugRecorder debug;
        QByteArray out;
        QCOMPARE(extractToBytes(reader, name, &out), expected);
        QCOMPARE(debug.lines(), debugLines);
        if (expected == UnZip::Success)
            QCOMPARE(out, content);
        else
            QVERIFY(out.isEmpty());
    }

    // An entry refused for its local header leaves nothing, not even its
    // folder.
    QTemporaryDir target;
    QCOMPARE(reader.extractFile(name, target.path()), expected);
    QCOMPARE(FileTree::list(target.path()),
             (expected == UnZip::Success ? QStringList{"dir/", "dir/Entry.txt"} : QStringList()));
    QByteArray next;
    QCOMPARE(extractToBytes(reader, QStringLiteral("next.txt"), &next), UnZip::Success);
    QCOMPARE(next, QByteArray("next"));
}

void tst_UnZipExtract::localHeaderCheckedOnce()
{
    RawZip zip;
    zip.add("a.txt", "alpha");
    const RawZip::Archive a = zip.build();
    auto *device = new CountingBuffer(a.bytes);
    UnZip reader;
    QCOMPARE(reader.openArchive(device), UnZip::Success);
    QByteArray out;
    QCOMPARE(extractToBytes(reader, QStringLiteral("a.txt"), &out), UnZip::Success);
    // Spoil the local header's signature: a second extraction goes straight
    // to the data it noted.
    device->buffer()[int(a.entries.at(0).localHeader)] = 'X';
    out.clear();
    QCOMPARE(extractToBytes(reader, QStringLiteral("a.txt"), &out), UnZip::Success);
    QCOMPARE(out, QByteArray("alpha"));
    // A new opening checks again.
    QCOMPARE(openCounting(reader, device->buffer()), UnZip::Success);
    QCOMPARE(extractToBytes(reader, QStringLiteral("a.txt"), &out), UnZip::IncompatibleArchive);
}

void tst_UnZipExtract::localHeaderReadFailures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<UnZip::ErrorCode>("expected");

    RawZip beyond;
    beyond.add("a.txt", "a").localHeaderOffset = 5000;
    QTest::newRow("local header beyond device") << beyond.build().bytes << UnZip::FileSeekError;

    // With the entry behind the directory, cutting the device cuts the entry.
    RawZip zip;
    zip.add("name.txt", "data").localExtra = QByteArray(6, 'x');
    const QByteArray whole = entriesLast(zip.build());
    const int entryStart = int(whole.size()) - (30 + 8 + 6 + 4);
    QTest::newRow("signature cut") << whole.left(entryStart + 2) << UnZip::FileReadError;
    QTest::newRow("fixed part cut") << whole.left(entryStart + 20) << UnZip::FileReadError;
    QTest::newRow("name cut") << whole.left(entryStart + 30 + 3) << UnZip::FileReadError;
    QTest::newRow("extra field cut") << whole.left(entryStart + 30 + 8 + 2) << UnZip::FileReadError;

    RawZip dd;
    dd.add("dd.txt", "data").descriptor(RawZip::WithSignature);
    const QByteArray withDescriptor = entriesLast(dd.build());
    QTest::newRow("descriptor cut") << withDescriptor.left(withDescriptor.size() - 5) << UnZip::FileReadError;
    QTest::newRow("descriptor missing") << withDescriptor.left(withDescriptor.size() - 16)
                                        << UnZip::FileReadError;
    QTest::newRow("data and descriptor missing") << withDescriptor.left(withDescriptor.size() - 20)
                                                 << UnZip::FileSeekError;
}

void tst_UnZipExtract::localHeaderReadFailures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(UnZip::ErrorCode, expected);
    UnZip reader;
    QCOMPARE(openCounting(reader, bytes), UnZip::Success);
    QCOMPARE(reader.fileList().size(), 1);
    QByteArray out;
    QCOMPARE(extractToBytes(reader, reader.fileList().first(), &out), expected);
    QVERIFY(out.isEmpty());
}

void tst_UnZipExtract::contentToDevice_data()
{
    QTest::addColumn<bool>("deflate");
    QTest::addColumn<QByteArray>("content");

    for (const bool deflate : {false, true}) {
        const char *m = deflate ? "deflated" : "stored";
        QTest::addRow("%s empty", m) << deflate << QByteArray();
        QTest::addRow("%s 1 byte", m) << deflate << QByteArray("1");
        QTest::addRow("%s 262143 text", m) << deflate << textBytes(262143);
        QTest::addRow("%s 262144 text", m) << deflate << textBytes(262144);
        QTest::addRow("%s 262144 zeros", m) << deflate << QByteArray(262144, '\0');
        QTest::addRow("%s 262145 text", m) << deflate << textBytes(262145);
        QTest::addRow("%s 524288 random", m) << deflate << randomBytes(524288, 1);
        QTest::addRow("%s 1000000 random", m) << deflate << randomBytes(1000000, 2);
    }
}

void tst_UnZipExtract::contentToDevice()
{
    QFETCH(bool, deflate);
    QFETCH(QByteArray, content);
    RawZip zip;
    zip.add("before", "b");
    RawZip::Entry &e = zip.add("entry", content);
    if (deflate)
        e.deflated();
    zip.add("later", "l");
    UnZip reader;
    QCOMPARE(openCounting(reader, zip.build().bytes), UnZip::Success);
    DebugRecorder debug;
    for (int round = 0; round < 2; ++round) {
        QByteArray out;
        QCOMPARE(extractToBytes(reader, QStringLiteral("entry"), &out), UnZip::Success);
        QCOMPARE(out.size(), content.size());
        QVERIFY(out == content);
    }
    QVERIFY(debug.lines().isEmpty());
    // Extraction leaves the record as it was.
    QCOMPARE(reader.entryList().at(1).uncompressedSize, quint32(content.size()));
}

void tst_UnZipExtract::faultyDevices()
{
    const QByteArray content = randomBytes(600000, 3);
    for (const bool deflate : {false, true}) {
        RawZip zip;
        RawZip::Entry &e = zip.add("e", content);
        if (deflate)
            e.deflated();
        const RawZip::Archive a = zip.build();

        // Short writes to the output device.
        UnZip reader;
        QCOMPARE(openCounting(reader, a.bytes), UnZip::Success);
        FaultyBuffer out;
        out.limitWrites(1000);
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(reader.extractFile(QStringLiteral("e"), &out), UnZip::FileWriteError);

        // A read error inside the data.
        auto *archive = new FaultyBuffer(a.bytes);
        const qint64 middle = a.entries.at(0).dataOffset + a.entries.at(0).dataSize / 2;
        QVERIFY(a.entries.at(0).dataSize / 2 > 262144);
        archive->failReadsIn(middle, middle + 1);
        QCOMPARE(reader.openArchive(archive), UnZip::Success);
        QByteArray bytes;
        QCOMPARE(extractToBytes(reader, QStringLiteral("e"), &bytes), UnZip::FileReadError);

        // The seek to the data fails (the local header test has been done).
        auto *seeking = new FaultyBuffer(a.bytes);
        QCOMPARE(reader.openArchive(seeking), UnZip::Success);
        bytes.clear();
        QCOMPARE(extractToBytes(reader, QStringLiteral("e"), &bytes), UnZip::Success);
        seeking->failSeekTo(a.entries.at(0).dataOffset);
        QCOMPARE(extractToBytes(reader, QStringLiteral("e"), &bytes), UnZip::FileSeekError);
    }
}

// An output device that takes only the first n bytes, for every n of each
// method's content: FileWriteError with the device's reason, every time.
void tst_UnZipExtract::writeFailsAtEveryByte()
{
    const QByteArray content = textBytes(900);
    RawZip zip;
    zip.add("stored", content);
    zip.add("deflated", content).deflated(9);
    zip.add("bzip2", content).compressed(RawZip::Bzip2);
    zip.add("aes", content).deflated(6).aes("pw", RawZip::Aes256);
    UnZip reader;
    reader.setPassword(QStringLiteral("pw"));
    QCOMPARE(openBytes(reader, zip.build().bytes), UnZip::Success);
    // Thousands of runs: their debug lines would hide the test's own.
    QLoggingCategory::setFilterRules(QStringLiteral("kelvane.zip.debug=false"));
    const auto restoreRules = qScopeGuard([] { QLoggingCategory::setFilterRules(QString()); });
    for (const QString &name : reader.fileList()) {
        for (int room = 0; room < content.size(); ++room) {
            FaultyBuffer out;
            out.limitWrites(room);
            QVERIFY(out.open(QIODevice::WriteOnly));
            const UnZip::ErrorCode ec = reader.extractFile(name, &out);
            const QString expected = QStringLiteral("Unable to write %1: %2").arg(name, QLatin1String(writeFailureText()));
            if (ec != UnZip::FileWriteError || reader.lastErrorDetail() != expected)
                QFAIL(qPrintable(QStringLiteral("%1 with room for %2 bytes: %3, '%4'")
                                     .arg(name)
                                     .arg(room)
                                     .arg(ec)
                                     .arg(reader.lastErrorDetail())));
        }
        FaultyBuffer out;
        out.limitWrites(content.size());
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(reader.extractFile(name, &out), UnZip::Success);
        QCOMPARE(out.data(), content);
    }
}

void tst_UnZipExtract::fullDisk_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("fillFirst");
    // A few bytes wait in the file's buffer: the flush meets the full disk.
    QTest::newRow("small file, full disk") << 300 << true;
    // Larger than the file system: a write itself fails.
    QTest::newRow("file larger than the disk") << 400 * 1024 << false;
}

// Extraction onto a real file system that fills: the entry fails with the
// system's reason, and no partial file (not even an empty one) is left.
void tst_UnZipExtract::fullDisk()
{
    QFETCH(int, size);
    QFETCH(bool, fillFirst);
    SmallTmpfs fs(256 * 1024);
    KELVANE_REQUIRE_TMPFS(fs);

    const QByteArray content = randomBytes(size, 7);
    RawZip zip;
    zip.add("dir/out.bin", content).deflated(1);
    zip.add("flat.bin", content);
    UnZip reader;
    QCOMPARE(openBytes(reader, zip.build().bytes), UnZip::Success);
    if (fillFirst)
        QVERIFY(fs.fill());
    const QDir target(fs.filePath(QStringLiteral("target")));
    QVERIFY(QDir().mkpath(target.path()));
    for (const QString &name : {QStringLiteral("dir/out.bin"), QStringLiteral("flat.bin")}) {
        QCOMPARE(reader.extractFile(name, target), UnZip::FileWriteError);
        QCOMPARE(reader.lastErrorDetail(), QStringLiteral("Unable to write %1: No space left on device").arg(target.absoluteFilePath(name)));
        QVERIFY(!QFile::exists(target.absoluteFilePath(name)));
    }
    // extractAll goes on past such entries, and leaves nothing of them.
    QCOMPARE(reader.extractAll(target), UnZip::Success);
    QCOMPARE(FileTree::list(target.path()), QStringList{QStringLiteral("dir/")});
}

void tst_UnZipExtract::crcFailures_data()
{
    QTest::addColumn<bool>("deflate");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<quint32>("crc");
    QTest::newRow("stored") << false << QByteArray("some content") << quint32(1234);
    QTest::newRow("deflated") << true << textBytes(400000) << quint32(0xffffffff);
    QTest::newRow("empty, crc not 0") << false << QByteArray() << quint32(7);
    QTest::newRow("deflated empty, crc not 0") << true << QByteArray() << quint32(7);
}

void tst_UnZipExtract::crcFailures()
{
    QFETCH(bool, deflate);
    QFETCH(QByteArray, content);
    QFETCH(quint32, crc);
    RawZip zip;
    RawZip::Entry &e = zip.add("bad.txt", content);
    if (deflate)
        e.deflated();
    e.central.crc = crc;
    e.local.crc = crc;
    zip.add("good.txt", "good");
    const QByteArray bytes = zip.build().bytes;

    UnZip reader;
    QCOMPARE(openCounting(reader, bytes), UnZip::Success);
    DebugRecorder debug;
    QByteArray out;
    QCOMPARE(extractToBytes(reader, QStringLiteral("bad.txt"), &out), UnZip::CorruptedArchive);
    // The device keeps what was written; the CRC covers exactly that.
    QVERIFY(out == content);

    QTemporaryDir target;
    QCOMPARE(reader.extractFile(QStringLiteral("bad.txt"), target.path()), UnZip::CorruptedArchive);
    QVERIFY(FileTree::list(target.path()).isEmpty());
    QCOMPARE(reader.extractAll(target.path()), UnZip::Success);
    QCOMPARE(debug.lines(), QStringList{QStringLiteral("Removing corrupted entry \"bad.txt\"")});
    QCOMPARE(FileTree::list(target.path()), QStringList{QStringLiteral("good.txt")});
    QCOMPARE(reader.fileList(), QStringList{QStringLiteral("good.txt")});
    QVERIFY(!reader.contains(QStringLiteral("bad.txt")));
    QCOMPARE(extractToBytes(reader, QStringLiteral("bad.txt"), &out), UnZip::FileMissing);
    QCOMPARE(reader.extractFile(QStringLiteral("bad.txt"), target.path()), UnZip::FileMissing);
    // Reopening brings the entry back.
    QCOMPARE(openCounting(reader, bytes), UnZip::Success);
    QVERIFY(reader.contains(QStringLiteral("bad.txt")));
}

void tst_UnZipExtract::storedDataCutByDeviceEnd()
{
    RawZip zip;
    zip.add("cut.txt", textBytes(5000));
    QByteArray bytes = entriesLast(zip.build());
    bytes.chop(1000);
    UnZip reader;
    QCOMPARE(openCounting(reader, bytes), UnZip::Success);
    QTemporaryDir target;
    DebugRecorder debug;
    QCOMPARE(reader.extractFile(QStringLiteral("cut.txt"), target.path()), UnZip::CorruptedArchive);
    QVERIFY(FileTree::list(target.path()).isEmpty());
    QCOMPARE(reader.extractAll(target.path()), UnZip::Success);
    QCOMPARE(debug.lines(), QStringList{QStringLiteral("Removing corrupted entry \"cut.txt\"")});
    QCOMPARE(reader.extractFile(QStringLiteral("cut.txt"), target.path()), UnZip::FileMissing);
}

void tst_UnZipExtract::boundedInflate_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<quint32>("recordedSize");
    QTest::addColumn<UnZip::ErrorCode>("expected");
    QTest::addColumn<QString>("debugLine");

    const QString beyond = QStringLiteral("\"Entry inflates beyond its recorded size: x.bin\"");
    const QString runsPast = QStringLiteral("\"Compressed data runs past the entry's size: x.bin\"");
    const QByteArray zeros(1000, '\0');
    QTest::newRow("one byte more than recorded") << zeros << RawZip::deflate(zeros) << quint32(999)
                                                 << UnZip::CorruptedArchive << beyond;
    const QByteArray bomb(64 * 1024 * 1024, '\0');
    QTest::newRow("64 MB of zeros recorded as 1000") << QByteArray() << RawZip::deflate(bomb, 9) << quint32(1000)
                                                     << UnZip::CorruptedArchive << beyond;
    const QByteArray text = textBytes(700000);
    QTest::newRow("second block beyond") << text << RawZip::deflate(text) << quint32(300000)
                                         << UnZip::CorruptedArchive << beyond;
    const QByteArray deflated = RawZip::deflate(text);
    QTest::newRow("stream cut") << text << deflated.left(deflated.size() - 10) << quint32(text.size())
                                << UnZip::CorruptedArchive << runsPast;
    QTest::newRow("stream cut to one byte") << text << deflated.left(1) << quint32(text.size())
                                            << UnZip::CorruptedArchive << runsPast;
    QTest::newRow("bytes after the stream end") << text << deflated + "trailing bytes" << quint32(text.size())
                                                << UnZip::Success << QString();
    QTest::newRow("invalid block type") << text << QByteArray("\xff\xff\xff\xff\xff\xff") << quint32(text.size())
                                        << UnZip::ZlibFailure << QString();
    QTest::newRow("exact size") << text << deflated << quint32(text.size()) << UnZip::Success << QString();
}

void tst_UnZipExtract::boundedInflate()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, stored);
    QFETCH(quint32, recordedSize);
    QFETCH(UnZip::ErrorCode, expected);
    QFETCH(QString, debugLine);

    RawZip zip;
    RawZip::Entry &e = zip.add("x.bin", content).deflated().raw(stored);
    e.central.uncompressedSize = recordedSize;
    e.local.uncompressedSize = recordedSize;
    // The next entry's bytes follow at once: a stream that runs on must not
    // read them.
    zip.add("y.bin", textBytes(100)).deflated();
    const QByteArray bytes = zip.build().bytes;

    UnZip reader;
    QCOMPARE(openCounting(reader, bytes), UnZip::Success);
    DebugRecorder debug;
    QByteArray out;
    QCOMPARE(extractToBytes(reader, QStringLiteral("x.bin"), &out), expected);
    QVERIFY(quint32(out.size()) <= recordedSize);
    if (expected == UnZip::Success)
        QVERIFY(out == content);
    QCOMPARE(debug.take(), debugLine.isEmpty() ? QStringList() : QStringList{debugLine});

    QTemporaryDir target;
    QCOMPARE(reader.extractAll(target.path()), UnZip::Success);
    QStringList lines;
    if (!debugLine.isEmpty())
        lines << debugLine;
    if (expected == UnZip::CorruptedArchive)
        lines << QStringLiteral("Removing corrupted entry \"x.bin\"");
    QCOMPARE(debug.take(), lines);
    QStringList tree{QStringLiteral("y.bin")};
    if (expected == UnZip::Success)
        tree.prepend(QStringLiteral("x.bin"));
    QCOMPARE(FileTree::list(target.path()), tree);
}

void tst_UnZipExtract::overlappingEntries()
{
    const QString overlapA = QStringLiteral("\"Entry data overlaps the next entry: a.txt\"");
    auto check = [](const QByteArray &bytes, const QString &name, UnZip::ErrorCode expected,
                    const QStringList &lines) {
        UnZip reader;
        QCOMPARE(openCounting(reader, bytes), UnZip::Success);
        DebugRecorder debug;
        QByteArray out;
        QCOMPARE(extractToBytes(reader, name, &out), expected);
        QCOMPARE(debug.lines(), lines);
        QVERIFY(expected == UnZip::Success || out.isEmpty());
    };

    // The sizes claim five bytes of the next local header.
    RawZip intoNext;
    RawZip::Entry &a = intoNext.add("a.txt", "alpha");
    a.central.compressedSize = a.local.compressedSize = 10;
    a.central.uncompressedSize = a.local.uncompressedSize = 10;
    intoNext.add("b.txt", "beta");
    check(intoNext.build().bytes, QStringLiteral("a.txt"), UnZip::InconsistentHeaders, {overlapA});
    check(intoNext.build().bytes, QStringLiteral("b.txt"), UnZip::Success, {});

    // The last entry's data reaching into the central directory.
    RawZip intoDirectory;
    intoDirectory.add("first.txt", "1");
    RawZip::Entry &last = intoDirectory.add("a.txt", "alpha");
    last.central.compressedSize = last.local.compressedSize = 6;
    last.central.uncompressedSize = last.local.uncompressedSize = 6;
    check(intoDirectory.build().bytes, QStringLiteral("a.txt"), UnZip::InconsistentHeaders, {overlapA});

    // Data that fits, but a data descriptor that runs into the next entry,
    // whose local header a (skipped) central record places there.
    RawZip descriptor;
    descriptor.add("a.txt", "alpha").descriptor(RawZip::WithSignature);
    descriptor.add("b.txt", "beta");
    RawZip::Entry &skipped = descriptor.add("skipped", "s");
    skipped.central.method = 99;
    const RawZip::Archive first = descriptor.build();
    skipped.localHeaderOffset = quint32(first.entries.at(0).descriptor + 8);
    check(descriptor.build().bytes, QStringLiteral("a.txt"), UnZip::InconsistentHeaders, {overlapA});

    // The same skipped record pointing inside the data.
    skipped.localHeaderOffset = quint32(first.entries.at(0).dataOffset + 2);
    check(descriptor.build().bytes, QStringLiteral("a.txt"), UnZip::InconsistentHeaders, {overlapA});

    // Two central records for the same local header do not bound each other,
    // and the order of central records does not matter.
    RawZip shared;
    shared.add("a.txt", "alpha");
    shared.add("b.txt", "beta");
    shared.add("c.txt", "gamma");
    shared.centralOrder = {2, 0, 1};
    const RawZip::Archive s = shared.build();
    QByteArray bytes = s.bytes;
    check(bytes, QStringLiteral("a.txt"), UnZip::Success, {});
    check(bytes, QStringLiteral("b.txt"), UnZip::Success, {});
    check(bytes, QStringLiteral("c.txt"), UnZip::Success, {});
}

void tst_UnZipExtract::publicResults()
{
    QTemporaryDir target;
    UnZip reader;
    QByteArray out;
    QBuffer device(&out);
    device.open(QIODevice::WriteOnly);
    const QString name = QStringLiteral("a.txt");
    QCOMPARE(reader.extractFile(name, static_cast<QIODevice *>(nullptr)), UnZip::BadDevice);
    QCOMPARE(reader.extractFile(name, &device), UnZip::NoArchiveYet);
    QCOMPARE(reader.extractFile(name, QDir(target.path())), UnZip::NoArchiveYet);
    QCOMPARE(reader.extractFile(name, target.path()), UnZip::NoArchiveYet);
    QCOMPARE(reader.extractAll(target.path()), UnZip::NoArchiveYet);
    QCOMPARE(reader.extractAll(QDir(target.path())), UnZip::NoArchiveYet);
    QCOMPARE(reader.extractFiles({name}, target.path()), UnZip::NoArchiveYet);
    QCOMPARE(reader.extractFiles(QStringList(), target.path()), UnZip::Success);

    RawZip zip;
    zip.add("a.txt", "a");
    QCOMPARE(openCounting(reader, zip.build().bytes), UnZip::Success);
    QCOMPARE(reader.extractFile(name, static_cast<QIODevice *>(nullptr)), UnZip::BadDevice);
    QCOMPARE(reader.extractFile(QStringLiteral("A.txt"), &device), UnZip::FileMissing);
    QCOMPARE(reader.extractFile(QStringLiteral("a.tx"), QDir(target.path())), UnZip::FileMissing);
    QCOMPARE(reader.extractFile(QStringLiteral("/a.txt"), target.path()), UnZip::FileMissing);
    QCOMPARE(reader.extractFiles({QStringLiteral("x"), QStringLiteral("y")}, target.path()), UnZip::Success);
    QVERIFY(FileTree::list(target.path()).isEmpty());
    QCOMPARE(reader.extractFile(name, &device), UnZip::Success);
    QCOMPARE(out, QByteArray("a"));
}

void tst_UnZipExtract::folderExamples_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("options");
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QString>("file");

    const int keep = UnZip::KeepFolders;
    const int drop = UnZip::DropFolders;
    QTest::newRow("img/a.png") << QByteArray("img/a.png") << keep << QStringList{"img/", "img/a.png"}
                               << "img/a.png";
    QTest::newRow("index.html") << QByteArray("index.html") << keep << QStringList{"index.html"} << "index.html";
    QTest::newRow("docs/") << QByteArray("docs/") << keep << QStringList{"docs/"} << "";
    QTest::newRow("a//b/./c.txt") << QByteArray("a//b/./c.txt") << keep << QStringList{"a/", "a/b/", "a/b/c.txt"}
                                  << "a/b/c.txt";
    QTest::newRow("/x.txt") << QByteArray("/x.txt") << keep << QStringList{"x.txt"} << "x.txt";
    QTest::newRow("deep folder") << QByteArray("d/e/f/") << keep << QStringList{"d/", "d/e/", "d/e/f/"} << "";
    QTest::newRow("deep file") << QByteArray("d/e/f.txt") << keep << QStringList{"d/", "d/e/", "d/e/f.txt"}
                               << "d/e/f.txt";
    QTest::newRow("no option") << QByteArray("img/a.png") << 0 << QStringList{"img/", "img/a.png"} << "img/a.png";
    QTest::newRow("both options") << QByteArray("img/a.png") << (keep | drop) << QStringList{"a.png"} << "a.png";
    QTest::newRow("drop: img/a.png") << QByteArray("img/a.png") << drop << QStringList{"a.png"} << "a.png";
    QTest::newRow("drop: docs/") << QByteArray("docs/") << drop << QStringList() << "";
    QTest::newRow("drop: a//b/./c.txt") << QByteArray("a//b/./c.txt") << drop << QStringList{"c.txt"} << "c.txt";
    QTest::newRow("drop: /x.txt") << QByteArray("/x.txt") << drop << QStringList{"x.txt"} << "x.txt";
    QTest::newRow("drop: index.html") << QByteArray("index.html") << drop << QStringList{"index.html"}
                                      << "index.html";
}

void tst_UnZipExtract::folderExamples()
{
    QFETCH(QByteArray, name);
    QFETCH(int, options);
    QFETCH(QStringList, tree);
    QFETCH(QString, file);

    const bool folder = name.endsWith('/');
    RawZip zip;
    zip.add(name, folder ? QByteArray() : "content of " + name);
    UnZip reader;
    QCOMPARE(openCounting(reader, zip.build().bytes), UnZip::Success);
    const UnZip::ExtractionOptions flags(options);

    for (int form = 0; form < 3; ++form) {
        QTemporaryDir target;
        DebugRecorder debug;
        UnZip::ErrorCode result;
        if (form == 0)
            result = reader.extractFile(QString::fromLatin1(name), target.path(), flags);
        else if (form == 1)
            result = reader.extractFiles({QString::fromLatin1(name)}, QDir(target.path()), flags);
        else
            result = reader.extractAll(target.path(), flags);
        QCOMPARE(result, UnZip::Success);
        QVERIFY(debug.lines().isEmpty());
        QCOMPARE(FileTree::list(target.path()), tree);
        if (!file.isEmpty())
            QCOMPARE(FileTree::read(target.filePath(file)), "content of " + name);
    }
}

void tst_UnZipExtract::targetFolderMissing()
{
    RawZip zip;
    zip.add("x.txt", "x");
    zip.add("a/y.txt", "y");
    UnZip reader;
    QCOMPARE(openCounting(reader, zip.build().bytes), UnZip::Success);
    QTemporaryDir root;
    const QString target = root.filePath(QStringLiteral("missing/target"));
    DebugRecorder debug;
    QCOMPARE(reader.extractFile(QStringLiteral("x.txt"), target), UnZip::FileOpenFailed);
    QCOMPARE(debug.take(), QStringList{QStringLiteral("\"Unable to open %1/x.txt for writing\"").arg(target)});
    QCOMPARE(reader.extractFile(QStringLiteral("a/y.txt"), target), UnZip::Success);
    QVERIFY(debug.lines().isEmpty());
    QCOMPARE(FileTree::list(root.path()),
             (QStringList{"missing/", "missing/target/", "missing/target/a/", "missing/target/a/y.txt"}));
}

void tst_UnZipExtract::existingFileReplaced()
{
    RawZip zip;
    zip.add("f.txt", "short");
    UnZip reader;
    QCOMPARE(openCounting(reader, zip.build().bytes), UnZip::Success);
    QTemporaryDir target;
    QVERIFY(FileTree::write(target.filePath(QStringLiteral("f.txt")), QByteArray(10000, 'o')));
    QCOMPARE(reader.extractAll(target.path()), UnZip::Success);
    QCOMPARE(FileTree::read(target.filePath(QStringLiteral("f.txt"))), QByteArray("short"));
}

void tst_UnZipExtract::existingFileKept_data()
{
    QTest::addColumn<int>("threads");
    QTest::newRow("serial") << 0;
    QTest::newRow("2 threads") << 2;
}

// With KeepExisting, a file and a link to a file of an entry's name stay as
// they are (FileExists), and the other entries are written.
void tst_UnZipExtract::existingFileKept()
{
    QFETCH(int, threads);
    RawZip zip;
    for (const char *name : {"file.txt", "link.txt", "new/x.txt"})
        zip.add(name, QByteArray("from the archive ") + name).deflated();
    UnZip reader;
    QCOMPARE(openCounting(reader, zip.build().bytes), UnZip::Success);
    reader.setThreadCount(threads);
    QTemporaryDir target;
    const QString linked = target.filePath(QStringLiteral("linked"));
    QVERIFY(FileTree::write(target.filePath(QStringLiteral("file.txt")), "old"));
    QVERIFY(FileTree::write(linked, "linked"));
    QVERIFY(QFile::link(linked, target.filePath(QStringLiteral("link.txt"))));

    const QStringList names{"file.txt", "link.txt", "new/x.txt"};
    const QList<UnZip::EntryResult> results = reader.extractEntries(names, QDir(target.path()), UnZip::KeepExisting);
    QCOMPARE(results.size(), 3);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(results.at(i).result, UnZip::FileExists);
        QVERIFY2(results.at(i).detail.startsWith(QStringLiteral("Not overwriting the existing file ")),
                 qPrintable(results.at(i).detail));
    }
    QCOMPARE(results.at(2).result, UnZip::Success);
    QCOMPARE(FileTree::read(target.filePath(QStringLiteral("file.txt"))), QByteArray("old"));
    QCOMPARE(FileTree::read(linked), QByteArray("linked"));
    QCOMPARE(FileTree::read(target.filePath(QStringLiteral("new/x.txt"))), QByteArray("from the archive new/x.txt"));
    // Without the option the file is replaced.
    QCOMPARE(reader.extractFile(QStringLiteral("file.txt"), target.path()), UnZip::Success);
    QCOMPARE(FileTree::read(target.filePath(QStringLiteral("file.txt"))), QByteArray("from the archive file.txt"));
}

void tst_UnZipExtract::existingFileReplacedWhenComplete_data()
{
    QTest::addColumn<int>("threads");
    QTest::newRow("serial") << 0;
    QTest::newRow("2 threads") << 2;
}

// Replacing a file: an entry that fails its CRC leaves the old file as it
// was, not truncated or removed; one that passes replaces it, read-only too.
void tst_UnZipExtract::existingFileReplacedWhenComplete()
{
    QFETCH(int, threads);
    const QByteArray content = QByteArray("from the archive, ").repeated(4000);
    RawZip zip;
    zip.add("bad.txt", content).deflated();
    zip.entry(0).local.crc = 0xdeadbeef;
    zip.entry(0).central.crc = 0xdeadbeef;
    zip.add("good.txt", content).deflated();
    UnZip reader;
    QCOMPARE(openCounting(reader, zip.build().bytes), UnZip::Success);
    reader.setThreadCount(threads);
    QTemporaryDir target;
    const QString bad = target.filePath(QStringLiteral("bad.txt"));
    const QString good = target.filePath(QStringLiteral("good.txt"));
    QVERIFY(FileTree::write(bad, "the student's notes"));
    QVERIFY(FileTree::write(good, "old"));
    QVERIFY(QFile::setPermissions(good, QFileDevice::ReadOwner | QFileDevice::ReadGroup));

    const QList<UnZip::EntryResult> results = reader.extractEntries({QStringLiteral("bad.txt"), QStringLiteral("good.txt")}, QDir(target.path()));
    QCOMPARE(results.size(), 2);
    QCOMPARE(results.at(0).result, UnZip::CorruptedArchive);
    QCOMPARE(results.at(1).result, UnZip::Success);
    QCOMPARE(FileTree::read(bad), QByteArray("the student's notes"));
    QCOMPARE(FileTree::read(good), content);
    // Nothing of the attempts is left beside them.
    QCOMPARE(FileTree::list(target.path()), (QStringList{"bad.txt", "good.txt"}));
}

void tst_UnZipExtract::dropFoldersSameName()
{
    RawZip zip;
    zip.add("b/same.txt", "from b");
    zip.add("a/same.txt", "from a");
    zip.add("a/", QByteArray());
    UnZip reader;
    QCOMPARE(openCounting(reader, zip.build().bytes), UnZip::Success);
    QTemporaryDir target;
    QCOMPARE(reader.extractAll(target.path(), UnZip::DropFolders), UnZip::Success);
    QCOMPARE(FileTree::list(target.path()), QStringList{QStringLiteral("same.txt")});
    QCOMPARE(FileTree::read(target.filePath(QStringLiteral("same.txt"))), QByteArray("from b"));
}

void tst_UnZipExtract::folderCreationFailures_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QStringList>("failedFolders");
    // The first line names the level that could not be made (the file in the
    // way), the second the whole folder the entry needed.
    QTest::newRow("file below a file") << QByteArray("f/sub/x.txt") << QStringList{"f", "f/sub"};
    QTest::newRow("deeper file") << QByteArray("f/sub/deep/x.txt") << QStringList{"f", "f/sub/deep"};
    QTest::newRow("folder below a file") << QByteArray("f/x/") << QStringList{"f", "f/x"};
    QTest::newRow("folder that is a file") << QByteArray("f/") << QStringList{"f", "f"};
}

void tst_UnZipExtract::folderCreationFailures()
{
    QFETCH(QByteArray, name);
    QFETCH(QStringList, failedFolders);
    RawZip zip;
    zip.add(name, name.endsWith('/') ? QByteArray() : QByteArray("x"));
    UnZip reader;
    QCOMPARE(openCounting(reader, zip.build().bytes), UnZip::Success);
    QTemporaryDir target;
    QVERIFY(FileTree::write(target.filePath(QStringLiteral("f")), "a file"));
    DebugRecorder debug;
    QCOMPARE(reader.extractFile(QString::fromLatin1(name), target.path()), UnZip::DirectoryCreationFailed);
    QStringList expected;
    for (const QString &folder : failedFolders)
        expected << QStringLiteral("\"Unable to create directory: %1/%2\"").arg(target.path(), folder);
    QCOMPARE(debug.take(), expected);
    QCOMPARE(FileTree::list(target.path()), QStringList{QStringLiteral("f")});
    QCOMPARE(reader.extractAll(target.path()), UnZip::Success);
    QCOMPARE(debug.take(), expected);
    QVERIFY(reader.contains(QString::fromLatin1(name)));
}

void tst_UnZipExtract::outputOpenFailure()
{
    RawZip zip;
    zip.add("d", "content");
    UnZip reader;
    QCOMPARE(openCounting(reader, zip.build().bytes), UnZip::Success);
    QTemporaryDir target;
    QVERIFY(QDir(target.path()).mkpath(QStringLiteral("d/inside")));
    DebugRecorder debug;
    QCOMPARE(reader.extractFile(QStringLiteral("d"), target.path()), UnZip::FileOpenFailed);
    QCOMPARE(debug.lines(), QStringList{QStringLiteral("\"Unable to open %1/d for writing\"").arg(target.path())});
    QCOMPARE(FileTree::list(target.path()), (QStringList{"d/", "d/inside/"}));
}

void tst_UnZipExtract::failedOutputsRemoved()
{
    RawZip zip;
    zip.add("crc/bad.txt", "content").central.crc = 5;
    zip.entry(0).local.crc = 5;
    zip.add("header/bad.txt", "content").local.dosDate = 0;
    zip.add("password/bad.txt", "content").encrypted("right");
    UnZip reader;
    reader.setPassword(QStringLiteral("wrong"));
    QCOMPARE(openCounting(reader, zip.build().bytes), UnZip::Success);
    QTemporaryDir target;
    // An existing file of the same name stays as it was: the failed output
    // (a wrong CRC-32 shows only at the end) never took its place; headers
    // and password are checked before anything is written.
    for (const QString &name : reader.fileList())
        QVERIFY(FileTree::write(target.filePath(name), "old"));
    QCOMPARE(reader.extractFile(QStringLiteral("crc/bad.txt"), target.path()), UnZip::CorruptedArchive);
    QCOMPARE(reader.extractFile(QStringLiteral("header/bad.txt"), target.path()), UnZip::InconsistentHeaders);
    QCOMPARE(reader.extractFile(QStringLiteral("password/bad.txt"), target.path()), UnZip::PasswordMismatch);
    QCOMPARE(FileTree::list(target.path()),
             (QStringList{"crc/", "crc/bad.txt", "header/", "header/bad.txt", "password/", "password/bad.txt"}));
    for (const QString &name : reader.fileList())
        QCOMPARE(FileTree::read(target.filePath(name)), QByteArray("old"));
}

void tst_UnZipExtract::extractAllWalk()
{
    RawZip zip;
    zip.add("b.txt", "b");
    zip.add("a.txt", "a").central.crc = 1;
    zip.entry(1).local.crc = 1;
    zip.add("A.txt", "A").central.crc = 1;
    zip.entry(2).local.crc = 1;
    zip.add("c.txt", "c").encrypted("pw");
    zip.add("d.txt", "d").local.method = 8;
    zip.add("e/", QByteArray());
    zip.add("e/f.txt", "f").deflated();
    RawZip::Entry &g = zip.add("g.txt", QByteArray(5000, 'g')).deflated();
    g.central.uncompressedSize = g.local.uncompressedSize = 10;
    const QByteArray bytes = zip.build().bytes;

    UnZip reader;
    QCOMPARE(openCounting(reader, bytes), UnZip::Success);
    QTemporaryDir target;
    DebugRecorder debug;
    QCOMPARE(reader.extractAll(target.path()), UnZip::Success);
    QCOMPARE(debug.take(), (QStringList{"Removing corrupted entry \"A.txt\"", "Removing corrupted entry \"a.txt\"", "\"Unable to decrypt c.txt\"", "\"Entry inflates beyond its recorded size: g.txt\"", "Removing corrupted entry \"g.txt\""}));
    QCOMPARE(FileTree::list(target.path()), (QStringList{"b.txt", "e/", "e/f.txt"}));
    QCOMPARE(FileTree::read(target.filePath(QStringLiteral("e/f.txt"))), QByteArray("f"));
    QCOMPARE(reader.fileList(), (QStringList{"b.txt", "c.txt", "d.txt", "e/", "e/f.txt"}));
    QCOMPARE(reader.entryList().size(), 5);
    QCOMPARE(reader.extractFile(QStringLiteral("A.txt"), target.path()), UnZip::FileMissing);

    // A second walk meets only the entries that remain.
    QCOMPARE(reader.extractAll(target.path()), UnZip::Success);
    QCOMPARE(debug.take(), QStringList{"\"Unable to decrypt c.txt\""});
    reader.setPassword(QStringLiteral("pw"));
    QCOMPARE(reader.extractAll(target.path()), UnZip::Success);
    QVERIFY(debug.take().isEmpty());
    QCOMPARE(FileTree::list(target.path()), (QStringList{"b.txt", "c.txt", "e/", "e/f.txt"}));
}

void tst_UnZipExtract::extractFilesOrderAndStop()
{
    RawZip zip;
    zip.add("a.txt", "a");
    zip.add("b.txt", "b");
    zip.add("bad.txt", "x").central.crc = 3;
    zip.entry(2).local.crc = 3;
    zip.add("c.txt", "c");
    UnZip reader;
    QCOMPARE(openCounting(reader, zip.build().bytes), UnZip::Success);
    QTemporaryDir target;

    QCOMPARE(reader.extractFiles({"missing", "c.txt", "bad.txt", "a.txt"}, target.path()),
             UnZip::CorruptedArchive);
    QCOMPARE(FileTree::list(target.path()), QStringList{"c.txt"});
    // extractFiles does not drop entries.
    QVERIFY(reader.contains(QStringLiteral("bad.txt")));
    QCOMPARE(reader.extractFiles({"b.txt", "missing", "a.txt"}, QDir(target.path())), UnZip::Success);
    QCOMPARE(FileTree::list(target.path()), (QStringList{"a.txt", "b.txt", "c.txt"}));
}

QTEST_GUILESS_MAIN(tst_UnZipExtract)
#include "tst_unzipextract.moc"

namespace {

// An extended timestamp block with the modification time alone.
QByteArray timestampBlock(qint32 seconds)
{
    QByteArray block("\x55\x54\x05\x00\x01", 5);
    for (int i = 0; i < 4; ++i)
        block += char((quint32(seconds) >> (8 * i)) & 0xff);
    return block;
}

// An NTFS block whose three times are that time.
QByteArray ntfsBlock(qint64 seconds)
{
    QByteArray block("\x0a\x00\x20\x00\0\0\0\0\x01\x00\x18\x00", 12);
    const quint64 ticks = quint64(seconds + 11644473600LL) * 10000000ULL;
    for (int time = 0; time < 3; ++time) {
        for (int i = 0; i < 8; ++i)
            block += char((ticks >> (8 * i)) & 0xff);
    }
    return block;
}

// An entry made on Unix with that mode (and that time, when given).
RawZip::Entry &unixEntry(RawZip &zip, const QByteArray &name, const QByteArray &content, quint32 mode,
                         std::optional<qint32> time = std::nullopt)
{
    RawZip::Entry &entry = zip.add(name, content).madeBy(3);
    entry.externalAttributes = mode << 16;
    if (time)
        entry.centralExtra = entry.localExtra = timestampBlock(*time);
    return entry;
}

mode_t modeAt(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

} // namespace

void tst_UnZipExtract::unixAttributes_data()
{
    QTest::addColumn<int>("threads");
    QTest::addColumn<bool>("overExisting");
    QTest::addColumn<bool>("ignored");
    QTest::newRow("serial") << 0 << false << false;
    QTest::newRow("2 threads") << 2 << false << false;
    QTest::newRow("over existing files") << 0 << true << false;
    QTest::newRow("over existing, 2 threads") << 2 << true << false;
    QTest::newRow("IgnoreAttributes") << 0 << false << true;
    QTest::newRow("IgnoreAttributes, 2 threads") << 2 << false << true;
}

// Permission bits (never set-user-ID and the like) less the umask, times
// from the extended timestamp (1970, before 1970), the NTFS field (2150) or
// the MS-DOS fields; a
// read-only folder gets its mode after its files; other hosts keep the
// system's mode. IgnoreAttributes leaves everything as before.
void tst_UnZipExtract::unixAttributes()
{
    QFETCH(int, threads);
    QFETCH(bool, overExisting);
    QFETCH(bool, ignored);
    RawZip zip;
    unixEntry(zip, "setuid.sh", "#!/bin/sh\n", 0104775, 0);
    unixEntry(zip, "old.txt", "1960", 0100664, -315619200);
    unixEntry(zip, "ro/", QByteArray(), 040555).folder();
    unixEntry(zip, "ro/inner.txt", "inner", 0100400);
    unixEntry(zip, "nomode.txt", "no mode", 0);
    const qint64 in2150 = QDateTime(QDate(2150, 3, 4), QTime(5, 6, 8), Qt::UTC).toSecsSinceEpoch();
    unixEntry(zip, "2150.txt", "late", 0100644).centralExtra = ntfsBlock(in2150);
    zip.add("dos.txt", "from MS-DOS").madeBy(0).externalAttributes = 0x21;
    UnZip reader;
    QCOMPARE(openCounting(reader, zip.build().bytes), UnZip::Success);
    reader.setThreadCount(threads);
    QTemporaryDir target;
    if (overExisting) {
        for (const char *name : {"setuid.sh", "old.txt", "dos.txt"}) {
            QVERIFY(FileTree::write(target.filePath(QLatin1String(name)), "before"));
            QVERIFY(QFile::setPermissions(target.filePath(QLatin1String(name)),
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
            QVERIFY(FileTree::write(target.filePath(QLatin1String(name) + QStringLiteral(".before")), ""));
        }
    }
    const mode_t mask = ::umask(027);
    const auto restoreMask = qScopeGuard([mask] { ::umask(mask); });
    const qint64 start = QDateTime::currentSecsSinceEpoch();
    const UnZip::ExtractionOptions options = ignored ? UnZip::IgnoreAttributes : UnZip::ExtractionOptions();
    QCOMPARE(reader.extractAll(target.path(), options), UnZip::Success);

    const QString t = target.path() + QLatin1Char('/');
    QCOMPARE(FileTree::read(t + QStringLiteral("ro/inner.txt")), QByteArray("inner"));
    const qint64 dos = QDateTime(QDate(2017, 1, 1), QTime(12, 0)).toSecsSinceEpoch();
    const struct
    {
        const char *name;
        mode_t mode; // after the umask 027; 0: none recorded
        qint64 time;
    } expected[] = {
        {"setuid.sh", 0750, 0},        // set-user-ID dropped
        {"old.txt", 0640, -315619200}, // 1960
        {"ro", 0550, dos},
        {"ro/inner.txt", 0400, dos},
        {"dos.txt", 0, dos},
        {"nomode.txt", 0, dos},
        {"2150.txt", 0640, in2150}}; // from the NTFS field
    for (const auto &e : expected) {
        const QString path = t + QLatin1String(e.name);
        // Without the entry's mode: what the umask 027 leaves of 0777 or
        // 0666, or the mode of the file written over (made under 022).
        const bool replaced = overExisting && QFileInfo::exists(path + QStringLiteral(".before"));
        const mode_t file = replaced ? 0644 : 0640;
        const mode_t system = QFileInfo(path).isDir() ? 0750 : file;
        QCOMPARE(modeAt(path) & 07777, ignored || e.mode == 0 ? system : e.mode);
        const qint64 time = QFileInfo(path).lastModified().toSecsSinceEpoch();
        if (ignored)
            QVERIFY2(time >= start - 1, e.name);
        else
            QCOMPARE(time, e.time);
    }
    QVERIFY(QFile::setPermissions(t + QStringLiteral("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void tst_UnZipExtract::symbolicLinks_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("linkTarget");
    QTest::addColumn<bool>("created");
    QTest::newRow("file beside") << QByteArray("l") << QByteArray("f.txt") << true;
    QTest::newRow("up from a folder") << QByteArray("d/l") << QByteArray("../f.txt") << true;
    QTest::newRow("through a real folder") << QByteArray("l") << QByteArray("d/../f.txt") << true;
    QTest::newRow("dangling inside") << QByteArray("l") << QByteArray("missing/x") << true;
    QTest::newRow("out") << QByteArray("l") << QByteArray("../x") << false;
    QTest::newRow("out from a folder") << QByteArray("d/l") << QByteArray("../../x") << false;
    QTest::newRow("absolute") << QByteArray("l") << QByteArray("/etc/passwd") << false;
    QTest::newRow("to a link that leads out") << QByteArray("l") << QByteArray("out/x") << false;
    QTest::newRow("up through a link") << QByteArray("l") << QByteArray("in/../f.txt") << false;
    QTest::newRow("up through a missing folder") << QByteArray("l") << QByteArray("none/../f.txt") << false;
    QTest::newRow("empty") << QByteArray("l") << QByteArray() << false;
}

// Link entries become links only with CreateSymbolicLinks and a target that
// stays below the target folder; every other one fails, named, and leaves
// nothing, as does every link entry without the option.
void tst_UnZipExtract::symbolicLinks()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, linkTarget);
    QFETCH(bool, created);
    QTemporaryDir target;
    const QString t = target.path() + QLatin1Char('/');
    QVERIFY(FileTree::write(t + QStringLiteral("f.txt"), "file"));
    QVERIFY(QDir().mkpath(t + QStringLiteral("d")));
    QVERIFY(QFile::link(QStringLiteral("../outside"), t + QStringLiteral("out")));
    QVERIFY(QFile::link(QStringLiteral("d"), t + QStringLiteral("in")));
    RawZip zip;
    unixEntry(zip, name, linkTarget, 0120777);
    UnZip reader;
    QCOMPARE(openCounting(reader, zip.build().bytes), UnZip::Success);
    const QString link = t + QString::fromUtf8(name);
    for (const bool asked : {false, true}) {
        const QList<UnZip::EntryResult> results = reader.extractEntries(
            {QString::fromUtf8(name)}, QDir(target.path()), asked ? UnZip::CreateSymbolicLinks : UnZip::KeepFolders);
        QCOMPARE(results.size(), 1);
        if (asked && created) {
            QCOMPARE(results[0].result, UnZip::Success);
            char buffer[256];
            const ssize_t length = ::readlink(QFile::encodeName(link).constData(), buffer, sizeof buffer);
            QCOMPARE(QByteArray(buffer, int(qMax<ssize_t>(length, 0))), linkTarget);
        } else {
            QCOMPARE(results[0].result, UnZip::FileOpenFailed);
            QVERIFY2(results[0].detail.contains(QString::fromUtf8(name)), qPrintable(results[0].detail));
            QCOMPARE(modeAt(link), mode_t(0));
        }
    }
    // Its data still go to a device.
    QCOMPARE(reader.readEntry(QString::fromUtf8(name)), linkTarget);
}
