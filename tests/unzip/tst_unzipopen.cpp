// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// UnZip: opening by name and by device, the end record search, the central
// directory with its skip rules, listings, name decoding, closing and the
// texts of the result codes.
#include "builtmethods.h"
#include "debugrecorder.h"
#include "filetree.h"
#include "rawzip.h"
#include "testdevices.h"
#include <kelvanezip/unzip.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QTextCodec>
#include <QtTest/QtTest>

Q_DECLARE_METATYPE(UnZip::ErrorCode)
Q_DECLARE_METATYPE(UnZip::EntryType)
Q_DECLARE_METATYPE(UnZip::EntryCompression)

namespace {

QByteArray emptyArchive(const QByteArray &comment = QByteArray())
{
    RawZip zip;
    zip.end.comment = comment;
    return zip.build().bytes;
}

QByteArray oneEntryArchive()
{
    RawZip zip;
    zip.add("one.txt", "one");
    return zip.build().bytes;
}

// The central directory after the end record, so that the device ends where
// the reader looks for the next central record.
QByteArray directoryAtDeviceEnd(int records, int cutFromLastRecord)
{
    RawZip entries;
    for (int i = 0; i < records; ++i)
        entries.add("e" + QByteArray::number(i), "data");
    entries.end.present = false;
    const RawZip::Archive built = entries.build();
    QByteArray local = built.bytes.left(int(built.centralDirectory));
    QByteArray central = built.bytes.mid(int(built.centralDirectory));
    central.chop(cutFromLastRecord);

    RawZip end;
    end.end.totalEntries = 1;
    end.end.directoryOffset = quint32(local.size() + 22);
    return local + end.build().bytes + central;
}

} // namespace

class tst_UnZipOpen : public QObject
{
    Q_OBJECT

private slots:
    void constructedClosed();
    void openByName_data();
    void openByName();
    void failedNameOpenKeepsArchive();
    void nullDevice();
    void deviceOwnership_data();
    void deviceOwnership();
    void preOpenedDevice();
    void seekFailures_data();
    void seekFailures();
    void readErrorDuringSearch();
    void emptyArchives_data();
    void emptyArchives();
    void endRecordEveryCommentLength();
    void endRecordAcrossLargeBlocks_data();
    void endRecordAcrossLargeBlocks();
    void highestEndRecordWins();
    void archiveCommentStopsAtZero();
    void skipRules_data();
    void skipRules();
    void entryCountZeroIgnoresDirectory();
    void directoryEndsAtOtherBytes();
    void listingOrderAndDuplicates();
    void entryListFields_data();
    void entryListFields();
    void entryComments();
    void nameDecoding_data();
    void nameDecoding();
    void unicodeExtraFields_data();
    void unicodeExtraFields();
    void archiveCommentDecoding();
    void closing();
    void reopenReleasesPrevious();
};

void tst_UnZipOpen::constructedClosed()
{
    UnZip reader;
    QVERIFY(!reader.isOpen());
    QVERIFY(reader.fileList().isEmpty());
    QVERIFY(reader.entryList().isEmpty());
    QVERIFY(!reader.contains(QStringLiteral("a")));
    QVERIFY(reader.archiveComment().isNull());
    QCOMPARE(reader.fileNameCodec(), static_cast<QTextCodec *>(nullptr));
}

void tst_UnZipOpen::openByName_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("asFolder");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<UnZip::ErrorCode>("expected");

    QTest::newRow("missing") << QByteArray() << false << false << UnZip::FileMissing;
    QTest::newRow("folder") << QByteArray() << true << true << UnZip::FileOpenFailed;
    QTest::newRow("valid") << oneEntryArchive() << false << true << UnZip::Success;
    QTest::newRow("0 bytes") << QByteArray("") << false << true << UnZip::IncompatibleArchive;
    QTest::newRow("21 bytes") << emptyArchive().left(21) << false << true << UnZip::IncompatibleArchive;
    QTest::newRow("30 bytes, no signature") << QByteArray(30, 'x') << false << true << UnZip::IncompatibleArchive;
    // The directory offset lies beyond the file: a file seeks there, then
    // finds no signature.
    RawZip beyond;
    beyond.add("a", "a");
    beyond.end.directoryOffset = 100000;
    QTest::newRow("directory beyond end") << beyond.build().bytes << false << true << UnZip::CorruptedArchive;
}

void tst_UnZipOpen::openByName()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, asFolder);
    QFETCH(bool, exists);
    QFETCH(UnZip::ErrorCode, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archive.zip"));
    if (asFolder)
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("archive.zip")));
    else if (exists)
        QVERIFY(FileTree::write(path, bytes));

    UnZip reader;
    QCOMPARE(reader.openArchive(path), expected);
    QCOMPARE(reader.isOpen(), expected == UnZip::Success);
}

void tst_UnZipOpen::failedNameOpenKeepsArchive()
{
    QTemporaryDir dir;
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(oneEntryArchive())), UnZip::Success);
    QCOMPARE(reader.openArchive(dir.filePath(QStringLiteral("missing.zip"))), UnZip::FileMissing);
    QCOMPARE(reader.openArchive(dir.path()), UnZip::FileOpenFailed);
    QVERIFY(reader.isOpen());
    QCOMPARE(reader.fileList(), QStringList{QStringLiteral("one.txt")});
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QCOMPARE(reader.extractFile(QStringLiteral("one.txt"), &out), UnZip::Success);
    QCOMPARE(out.data(), QByteArray("one"));
}

void tst_UnZipOpen::nullDevice()
{
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(oneEntryArchive())), UnZip::Success);
    DebugRecorder debug;
    QCOMPARE(reader.openArchive(static_cast<QIODevice *>(nullptr)), UnZip::BadDevice);
    QCOMPARE(debug.lines(), QStringList{QStringLiteral("Invalid device.")});
    QVERIFY(reader.isOpen());
    QCOMPARE(reader.fileList().size(), 1);
}

void tst_UnZipOpen::deviceOwnership_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("refuseOpen");
    QTest::addColumn<UnZip::ErrorCode>("expected");
    QTest::addColumn<QStringList>("debugLines");

    const QStringList none;
    QTest::newRow("valid") << oneEntryArchive() << false << UnZip::Success << none;
    QTest::newRow("cannot open") << oneEntryArchive() << true << UnZip::FileOpenFailed
                                 << QStringList{QStringLiteral("Unable to open device for reading")};
    QTest::newRow("21 bytes") << QByteArray(21, '\0') << false << UnZip::IncompatibleArchive << none;
    QTest::newRow("no end record") << QByteArray(5000, 'x') << false << UnZip::IncompatibleArchive << none;

    // The end record ends the device, but its comment length runs past it.
    RawZip shortComment;
    shortComment.end.commentLength = 10;
    QTest::newRow("comment cut (end record last)") << shortComment.build().bytes << false
                                                   << UnZip::Success << none;
    QByteArray cut = emptyArchive("comment of 18 bytes");
    cut.chop(3);
    QTest::newRow("comment cut (found by search)") << cut << false << UnZip::Success << none;

    RawZip beyond;
    beyond.add("a", "a");
    beyond.end.directoryOffset = 100000;
    QTest::newRow("directory beyond device") << beyond.build().bytes << false << UnZip::FileSeekError << none;

    // Central records cut short: the fixed part, the name, the extra field,
    // the comment.
    RawZip c;
    c.add("name.txt", "x").withComment("entry comment");
    c.entry(0).centralExtra = QByteArray(8, 'e');
    const RawZip::Archive built = c.build();
    const int central = int(built.entries.at(0).central);
    const QByteArray head = built.bytes.left(central);
    auto endAt = [&](int cutAt) {
        RawZip end;
        end.end.totalEntries = 1;
        end.end.directoryOffset = quint32(cutAt);
        return end.build().bytes;
    };
    // Put the end record first and the cut central record behind it.
    auto cutRecord = [&](int keep) {
        const QByteArray record = built.bytes.mid(central, keep);
        return head + endAt(int(head.size()) + 22) + record;
    };
    QTest::newRow("central fixed part cut") << cutRecord(30) << false << UnZip::FileReadError << none;
    QTest::newRow("central name cut") << cutRecord(46 + 4) << false << UnZip::FileReadError << none;
    QTest::newRow("central extra cut") << cutRecord(46 + 8 + 4) << false << UnZip::FileReadError << none;
    QTest::newRow("central comment cut") << cutRecord(46 + 8 + 8 + 5) << false << UnZip::FileReadError << none;

    QTest::newRow("device ends at first signature")
        << directoryAtDeviceEnd(0, 0) << false << UnZip::CorruptedArchive
        << QStringList{QStringLiteral("Corrupted or invalid zip archive")};
    QTest::newRow("device ends after one record")
        << directoryAtDeviceEnd(1, 0) << false << UnZip::PartiallyCorruptedArchive
        << QStringList{QStringLiteral("Corrupted zip archive. Some files might be extracted.")};
    QTest::newRow("two bytes of a signature after a record")
        << directoryAtDeviceEnd(2, 48 - 2) << false << UnZip::PartiallyCorruptedArchive
        << QStringList{QStringLiteral("Corrupted zip archive. Some files might be extracted.")};
}

void tst_UnZipOpen::deviceOwnership()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, refuseOpen);
    QFETCH(UnZip::ErrorCode, expected);
    QFETCH(QStringList, debugLines);

    int destroyed = 0;
    {
        UnZip reader;
        auto *device = new FaultyBuffer(bytes, &destroyed);
        if (refuseOpen)
            device->refuseOpen();
        DebugRecorder debug;
        QCOMPARE(reader.openArchive(device), expected);
        QCOMPARE(debug.lines(), debugLines);
        QCOMPARE(reader.isOpen(), expected == UnZip::Success);
        // Deleted at once on failure, kept while open.
        QCOMPARE(destroyed, expected == UnZip::Success ? 0 : 1);
        if (expected != UnZip::Success) {
            QVERIFY(reader.fileList().isEmpty());
            QVERIFY(reader.archiveComment().isNull());
        }
    }
    // The destructor releases an open archive's device; never twice.
    QCOMPARE(destroyed, 1);
}

void tst_UnZipOpen::preOpenedDevice()
{
    int destroyed = 0;
    auto *device = new CountingBuffer(oneEntryArchive(), &destroyed);
    QVERIFY(device->open(QIODevice::ReadWrite));
    UnZip reader;
    QCOMPARE(reader.openArchive(device), UnZip::Success);
    QCOMPARE(device->openMode() & ~QIODevice::Unbuffered, QIODevice::OpenMode(QIODevice::ReadWrite));
    QCOMPARE(reader.fileList(), QStringList{QStringLiteral("one.txt")});
    reader.closeArchive();
    QCOMPARE(destroyed, 1);
    reader.closeArchive();
    QCOMPARE(destroyed, 1);
}

void tst_UnZipOpen::seekFailures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("failSeekTo");

    const QByteArray plain = oneEntryArchive();
    QTest::newRow("to the last 22 bytes") << plain << qint64(plain.size() - 22);
    QTest::newRow("to the central directory") << plain << qint64(plain.size() - 22 - 46 - 7);

    // The record at 5 is found by the search, whose only block starts at 0.
    const QByteArray commented = QByteArray(5, 'p') + emptyArchive("a comment");
    QTest::newRow("to a search block") << commented << qint64(0);
    QTest::newRow("to the found end record") << commented << qint64(5);

    // Skipping an unsupported record and an extra field seek forward.
    RawZip skipped;
    skipped.add("skipped", "x");
    skipped.entry(0).central.method = 98;
    skipped.entry(0).centralExtra = "extra";
    RawZip::Archive a = skipped.build();
    QTest::newRow("over a skipped record") << a.bytes << qint64(a.entries.at(0).central + 46 + 7 + 5);
    RawZip extra;
    extra.add("kept", "x");
    extra.entry(0).centralExtra = "extra";
    a = extra.build();
    QTest::newRow("over an extra field") << a.bytes << qint64(a.entries.at(0).central + 46 + 4 + 5);
}

void tst_UnZipOpen::seekFailures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, failSeekTo);
    int destroyed = 0;
    auto *device = new FaultyBuffer(bytes, &destroyed);
    device->failSeekTo(failSeekTo);
    UnZip reader;
    QCOMPARE(reader.openArchive(device), UnZip::FileSeekError);
    QVERIFY(!reader.isOpen());
    QCOMPARE(destroyed, 1);
}

void tst_UnZipOpen::readErrorDuringSearch()
{
    // The last 22 bytes read fine; the backward search meets a read error.
    const QByteArray bytes = emptyArchive(QByteArray(300, 'c'));
    auto *device = new FaultyBuffer(bytes);
    device->failReadsIn(bytes.size() - 40, bytes.size() - 22);
    UnZip reader;
    QCOMPARE(reader.openArchive(device), UnZip::IncompatibleArchive);
    QVERIFY(!reader.isOpen());
}

void tst_UnZipOpen::emptyArchives_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("comment");
    QTest::newRow("no comment") << emptyArchive() << QString();
    QTest::newRow("comment") << emptyArchive("lecture pack") << QStringLiteral("lecture pack");
}

void tst_UnZipOpen::emptyArchives()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, comment);
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(bytes)), UnZip::Success);
    QVERIFY(reader.isOpen());
    QVERIFY(reader.fileList().isEmpty());
    QVERIFY(reader.entryList().isEmpty());
    QVERIFY(!reader.contains(QString()));
    QCOMPARE(reader.archiveComment(), comment);
    QCOMPARE(reader.archiveComment().isNull(), comment.isNull());
    QCOMPARE(reader.extractAll(QDir(QStringLiteral("/nonexistent-target"))), UnZip::Success);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QCOMPARE(reader.extractFile(QStringLiteral("x"), &out), UnZip::FileMissing);
}

void tst_UnZipOpen::endRecordEveryCommentLength()
{
    // Near misses of the signature throughout the comment keep the search
    // busy; none of them may be taken for the record.
    const QByteArray letters("abcdefghijklmnopqrstuvwxyz0123");
    const QByteArray pattern = "PK\5\7" + letters + "PKK\5\6" + letters + "P\5\6K" + letters + "PK\1\2" + letters;
    QByteArray bytes = emptyArchive();
    bytes.reserve(22 + 65535);
    while (bytes.size() < 22 + 65535)
        bytes += pattern;
    bytes.truncate(22 + 65535);
    QVERIFY(!bytes.mid(1).contains("PK\5\6"));
    const QString fullComment = QString::fromLatin1(bytes.mid(22));

    UnZip reader;
    for (int length = 0; length <= 65535; ++length) {
        RawZip::putUShort(bytes, 20, quint16(length));
        const auto result = reader.openArchive(
            new CountingBuffer(QByteArray::fromRawData(bytes.constData(), 22 + length)));
        if (result != UnZip::Success)
            QFAIL(qPrintable(QStringLiteral("comment length %1: result %2").arg(length).arg(result)));
        const QString comment = reader.archiveComment();
        if (comment.size() != length || comment != fullComment.left(length))
            QFAIL(qPrintable(QStringLiteral("comment length %1: wrong comment").arg(length)));
    }
}

void tst_UnZipOpen::endRecordAcrossLargeBlocks_data()
{
    // The record sits at distance d below the highest examined position
    // (size - 23); its comment takes the first 4 (smaller distances are part
    // of the comment length sweep). Blocks hold 262141 positions: d = 262141 is the first
    // position of the second block, whose read reaches 3 bytes into the first.
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("distance");
    for (const int before : {0, 7}) {
        for (const int d : {4, 5, 262137, 262138, 262139, 262140, 262141, 262142, 262143, 262144,
                            524280, 524281, 524282, 524283, 524284}) {
            QTest::addRow("before %d, distance %d", before, d) << before << d;
        }
    }
}

void tst_UnZipOpen::endRecordAcrossLargeBlocks()
{
    QFETCH(int, before);
    QFETCH(int, distance);
    // Bytes after the comment are not read; the record must still be found.
    QByteArray bytes = QByteArray(before, 'b') + emptyArchive("found") + QByteArray(distance - 4, 't');
    QCOMPARE(bytes.size() - 23 - before, distance);
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(bytes)), UnZip::Success);
    QCOMPARE(reader.archiveComment(), QStringLiteral("found"));
}

void tst_UnZipOpen::highestEndRecordWins()
{
    // A real archive, followed by bytes that hold a second, complete end
    // record claiming no entries: the higher record is the one taken.
    RawZip zip;
    zip.add("real.txt", "real");
    QByteArray bytes = zip.build().bytes;
    bytes += emptyArchive("second") + "tail";
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(bytes)), UnZip::Success);
    QCOMPARE(reader.archiveComment(), QStringLiteral("second"));
    QVERIFY(reader.fileList().isEmpty());
}

void tst_UnZipOpen::archiveCommentStopsAtZero()
{
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(emptyArchive(QByteArray("before\0after", 12)))),
             UnZip::Success);
    QCOMPARE(reader.archiveComment(), QStringLiteral("before"));
    QCOMPARE(reader.openArchive(new CountingBuffer(emptyArchive(QByteArray("\0x", 2)))),
             UnZip::Success);
    QCOMPARE(reader.archiveComment(), QString(QLatin1String("")));
}

void tst_UnZipOpen::skipRules_data()
{
    QTest::addColumn<int>("versionNeeded");
    QTest::addColumn<int>("versionMadeBy");
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("noName");
    QTest::addColumn<int>("reason"); // UnZip::SkipReason, 0: kept
    QTest::addColumn<QStringList>("debugLines");
    QTest::addColumn<QString>("description");

    const QStringList none;
    const QStringList version{QStringLiteral("Unsupported PKZip version. Skipping file.")};
    const QStringList method{QStringLiteral("Unsupported compression method. Skipping file.")};
    const QStringList encryption{QStringLiteral("Unsupported encryption. Skipping file.")};
    const QStringList noName{QStringLiteral("Skipping file with no name.")};
    const int kept = 0;
    const int byMethod = UnZip::UnsupportedMethod;
    const int byVersion = UnZip::UnsupportedVersion;
    const QString nothing;

    QTest::newRow("needed 10") << 10 << 20 << 0 << 0 << false << kept << none << nothing;
    QTest::newRow("needed 20, deflated") << 20 << 20 << 8 << 0 << false << kept << none << nothing;
    QTest::newRow("needed 0") << 0 << 0 << 0 << 0 << false << kept << none << nothing;
    QTest::newRow("needed 27") << 27 << 20 << 0 << 0 << false << kept << none << nothing;
    QTest::newRow("needed 30") << 30 << 20 << 0 << 0 << false << kept << none << nothing;
    QTest::newRow("needed 45 (zip64)") << 45 << 20 << 8 << 0 << false << kept << none << nothing;
    QTest::newRow("needed 46 (bzip2)") << 46 << 20 << 8 << 0 << false << byVersion << version
                                       << QStringLiteral("needs version 4.6 to extract, not supported");
    QTest::newRow("needed 51 (aes)") << 51 << 20 << 8 << 0 << false << byVersion << version
                                     << QStringLiteral("needs version 5.1 to extract, not supported");
    QTest::newRow("needed 127") << 127 << 20 << 0 << 0 << false << byVersion << version
                                << QStringLiteral("needs version 12.7 to extract, not supported");
    QTest::newRow("needed 128 counts as negative") << 128 << 20 << 0 << 0 << false << kept << none << nothing;
    QTest::newRow("needed 255 counts as negative") << 255 << 20 << 0 << 0 << false << kept << none << nothing;
    QTest::newRow("needed high byte ignored") << 0x0314 << 20 << 0 << 0 << false << kept << none << nothing;
    QTest::newRow("needed 0x032e") << 0x032e << 20 << 0 << 0 << false << byVersion << version
                                   << QStringLiteral("needs version 4.6 to extract, not supported");
    QTest::newRow("made by 30 (Info-ZIP) ignored") << 10 << 0x031e << 0 << 0 << false << kept << none << nothing;
    QTest::newRow("made by 63 (7-Zip) ignored") << 20 << 0x033f << 8 << 0 << false << kept << none << nothing;
    QTest::newRow("made by 127 ignored") << 20 << 127 << 0 << 0 << false << kept << none << nothing;
    QTest::newRow("method 1") << 20 << 20 << 1 << 0 << false << byMethod << method
                              << QStringLiteral("method 1 (Shrink) not supported");
    QTest::newRow("method 9") << 20 << 20 << 9 << 0 << false << byMethod << method
                              << QStringLiteral("method 9 (Deflate64) not supported");
    QTest::newRow("method 98") << 20 << 20 << 98 << 0 << false << byMethod << method
                               << QStringLiteral("method 98 (PPMd) not supported");
    QTest::newRow("method 99 without its extra field")
        << 20 << 20 << 99 << 0 << false << int(UnZip::UnsupportedEncryption) << encryption
        << QStringLiteral("WinZip AES without a valid extra field, not supported");
    QTest::newRow("method 0x0108") << 20 << 20 << 0x0108 << 0 << false << byMethod << method
                                   << QStringLiteral("method 264 not supported");
    QTest::newRow("strong encryption") << 20 << 20 << 8 << 0x41 << false << int(UnZip::UnsupportedEncryption)
                                       << encryption << QStringLiteral("strong encryption not supported");
    QTest::newRow("no name") << 20 << 20 << 0 << 0 << true << int(UnZip::NamelessEntry) << noName
                             << QStringLiteral("entry without a name");
    QTest::newRow("method checked first") << 46 << 20 << 98 << 0x40 << true << byMethod << method
                                          << QStringLiteral("method 98 (PPMd) not supported");
    QTest::newRow("version checked before name") << 46 << 20 << 8 << 0 << true << byVersion << version
                                                 << QStringLiteral("needs version 4.6 to extract, not supported");
}

void tst_UnZipOpen::skipRules()
{
    QFETCH(int, versionNeeded);
    QFETCH(int, versionMadeBy);
    QFETCH(int, method);
    QFETCH(int, flags);
    QFETCH(bool, noName);
    QFETCH(int, reason);
    QFETCH(QStringList, debugLines);
    QFETCH(QString, description);
    if (method == 99 && !aesBuiltIn)
        QSKIP("built without AES, every AES entry is skipped as of method 99 (tst_unzipmethods)");
    const int kept = 0;

    RawZip zip;
    zip.add("first.txt", "1");
    RawZip::Entry &e = zip.add("target.txt", "target content").withComment("a comment");
    e.centralExtra = QByteArray("\x01\x00\x04\x00"
                                "abcd",
                                8);
    e.versionMadeBy = quint16(versionMadeBy);
    e.versionNeeded = quint16(versionNeeded);
    e.central.flags = quint16(flags);
    if (method == 8)
        e.deflated();
    else
        e.central.method = quint16(method);
    if (noName)
        e.central.name = QByteArray();
    zip.add("z-last.txt", "3");

    UnZip reader;
    DebugRecorder debug;
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    QCOMPARE(debug.lines(), debugLines);
    QStringList expected{QStringLiteral("first.txt"), QStringLiteral("z-last.txt")};
    if (reason == kept)
        expected.insert(1, QStringLiteral("target.txt"));
    QCOMPARE(reader.fileList(), expected);

    // Each skipped record is remembered with its reason and stored fields.
    const QList<UnZip::SkippedEntry> skipped = reader.skippedEntries();
    QCOMPARE(skipped.size(), reason == kept ? 0 : 1);
    if (reason != kept) {
        const UnZip::SkippedEntry &s = skipped.first();
        QCOMPARE(s.filename, noName ? QString() : QStringLiteral("target.txt"));
        QCOMPARE(int(s.reason), reason);
        QCOMPARE(int(s.method), method);
        QCOMPARE(int(s.versionNeeded), versionNeeded);
        QCOMPARE(int(s.flags), flags);
        QCOMPARE(s.description, description);
        QVERIFY(!reader.contains(QStringLiteral("target.txt")));
    } else {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QCOMPARE(reader.extractFile(QStringLiteral("target.txt"), &out), UnZip::Success);
        QCOMPARE(out.data(), QByteArray("target content"));
    }
    reader.closeArchive();
    QVERIFY(reader.skippedEntries().isEmpty());
}

void tst_UnZipOpen::entryCountZeroIgnoresDirectory()
{
    RawZip zip;
    zip.add("a.txt", "a");
    zip.end.totalEntries = 0;
    zip.end.comment = "c";
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    QVERIFY(reader.isOpen());
    QVERIFY(reader.fileList().isEmpty());
    QCOMPARE(reader.archiveComment(), QStringLiteral("c"));

    // A count that understates the records does not bound the scan.
    RawZip more;
    more.add("a.txt", "a");
    more.add("b.txt", "b");
    more.add("c.txt", "c");
    more.end.totalEntries = 1;
    QCOMPARE(reader.openArchive(new CountingBuffer(more.build().bytes)), UnZip::Success);
    QCOMPARE(reader.fileList().size(), 3);
}

void tst_UnZipOpen::directoryEndsAtOtherBytes()
{
    RawZip zip;
    zip.add("a.txt", "a");
    zip.afterCentral = "not a signature";
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    QCOMPARE(reader.fileList(), QStringList{QStringLiteral("a.txt")});

    // An archive whose only records are skipped opens with empty listings.
    RawZip skipped;
    skipped.add("x", "x").central.method = 98;
    skipped.add("y", "y").central.method = 99;
    DebugRecorder debug;
    QCOMPARE(reader.openArchive(new CountingBuffer(skipped.build().bytes)), UnZip::Success);
    QVERIFY(reader.isOpen());
    QVERIFY(reader.fileList().isEmpty());
    QVERIFY(reader.entryList().isEmpty());
    QCOMPARE(debug.lines().size(), 2);
}

void tst_UnZipOpen::listingOrderAndDuplicates()
{
    RawZip zip;
    for (const char *name : {"b.txt", "a/b.txt", "A.txt", "a.txt", "a/", "B.txt", "\xc3\xa9.txt", "_x"})
        zip.add(name, name);
    zip.add("b.txt", "the later b").withComment("later");
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    const QStringList expected{QStringLiteral("A.txt"), QStringLiteral("B.txt"), QStringLiteral("_x"),
                               QStringLiteral("a.txt"), QStringLiteral("a/"), QStringLiteral("a/b.txt"),
                               QStringLiteral("b.txt"), QString::fromUtf8("\xc3\xa9.txt")};
    QCOMPARE(reader.fileList(), expected);
    const QList<UnZip::ZipEntry> entries = reader.entryList();
    QCOMPARE(entries.size(), expected.size());
    for (int i = 0; i < entries.size(); ++i)
        QCOMPARE(entries.at(i).filename, expected.at(i));
    QCOMPARE(entries.at(6).comment, QStringLiteral("later"));
    QCOMPARE(entries.at(6).uncompressedSize, quint32(11));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QCOMPARE(reader.extractFile(QStringLiteral("b.txt"), &out), UnZip::Success);
    QCOMPARE(out.data(), QByteArray("the later b"));

    QVERIFY(reader.contains(QStringLiteral("a.txt")));
    QVERIFY(reader.contains(QStringLiteral("a/")));
    QVERIFY(!reader.contains(QStringLiteral("a")));
    QVERIFY(!reader.contains(QStringLiteral("A/")));
    QVERIFY(!reader.contains(QStringLiteral("b.TXT")));
}

void tst_UnZipOpen::entryListFields_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("method");
    QTest::addColumn<bool>("encrypted");
    QTest::addColumn<int>("dosTime");
    QTest::addColumn<int>("dosDate");
    QTest::addColumn<QDateTime>("lastModified");
    QTest::addColumn<UnZip::EntryType>("type");
    QTest::addColumn<UnZip::EntryCompression>("compression");

    const int noon = RawZip::dosTime(12, 0, 0);
    const int day = RawZip::dosDate(2017, 1, 1);
    const QDateTime noonDay(QDate(2017, 1, 1), QTime(12, 0));
    QTest::newRow("stored file") << QByteArray("docs") << 0 << false << noon << day << noonDay
                                 << UnZip::File << UnZip::Stored;
    QTest::newRow("folder") << QByteArray("docs/") << 0 << false << noon << day << noonDay
                            << UnZip::Directory << UnZip::Stored;
    QTest::newRow("deflated") << QByteArray("d/x.txt") << 8 << false << noon << day << noonDay
                              << UnZip::File << UnZip::Deflated;
    QTest::newRow("encrypted") << QByteArray("e") << 8 << true << noon << day << noonDay
                               << UnZip::File << UnZip::Deflated;
    QTest::newRow("odd second stored even") << QByteArray("t") << 0 << false
                                            << int(RawZip::dosTime(23, 59, 59)) << int(RawZip::dosDate(1980, 1, 1))
                                            << QDateTime(QDate(1980, 1, 1), QTime(23, 59, 58))
                                            << UnZip::File << UnZip::Stored;
    QTest::newRow("last year") << QByteArray("t") << 0 << false << 0 << int(RawZip::dosDate(2107, 12, 31))
                               << QDateTime(QDate(2107, 12, 31), QTime(0, 0)) << UnZip::File << UnZip::Stored;
    QTest::newRow("date 0") << QByteArray("t") << 0 << false << 0 << 0 << QDateTime() << UnZip::File
                            << UnZip::Stored;
    QTest::newRow("month 13") << QByteArray("t") << 0 << false << noon << (day & ~0x1e0) + (13 << 5)
                              << QDateTime() << UnZip::File << UnZip::Stored;
    QTest::newRow("30 February") << QByteArray("t") << 0 << false << noon << int(RawZip::dosDate(2001, 2, 30))
                                 << QDateTime() << UnZip::File << UnZip::Stored;
    QTest::newRow("hour 24") << QByteArray("t") << 0 << false << (24 << 11) << day << QDateTime()
                             << UnZip::File << UnZip::Stored;
    QTest::newRow("minute 60") << QByteArray("t") << 0 << false << (60 << 5) << day << QDateTime()
                               << UnZip::File << UnZip::Stored;
    QTest::newRow("second 62") << QByteArray("t") << 0 << false << 31 << day << QDateTime()
                               << UnZip::File << UnZip::Stored;
}

void tst_UnZipOpen::entryListFields()
{
    QFETCH(QByteArray, name);
    QFETCH(int, method);
    QFETCH(bool, encrypted);
    QFETCH(int, dosTime);
    QFETCH(int, dosDate);
    QFETCH(QDateTime, lastModified);
    QFETCH(UnZip::EntryType, type);
    QFETCH(UnZip::EntryCompression, compression);

    const QByteArray content = name.endsWith('/') ? QByteArray() : QByteArray("content of ") + name;
    RawZip zip;
    RawZip::Entry &e = zip.add(name, content).time(quint16(dosTime), quint16(dosDate));
    if (method == 8)
        e.deflated();
    if (encrypted)
        e.encrypted("pw");
    const RawZip::Archive archive = zip.build();

    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(archive.bytes)), UnZip::Success);
    const QList<UnZip::ZipEntry> list = reader.entryList();
    QCOMPARE(list.size(), 1);
    const UnZip::ZipEntry &info = list.first();
    QCOMPARE(info.filename, QString::fromLatin1(name));
    QVERIFY(info.comment.isNull());
    QCOMPARE(info.compressedSize, quint32(archive.entries.at(0).dataSize));
    QCOMPARE(info.uncompressedSize, quint32(content.size()));
    QCOMPARE(info.crc, RawZip::crc32(content));
    QCOMPARE(info.lastModified.isValid(), lastModified.isValid());
    if (lastModified.isValid()) {
        QCOMPARE(info.lastModified, lastModified);
        QCOMPARE(info.lastModified.timeSpec(), Qt::LocalTime);
    }
    QCOMPARE(info.type, type);
    QCOMPARE(info.compression, compression);
    QCOMPARE(info.encrypted, encrypted);
}

void tst_UnZipOpen::entryComments()
{
    RawZip zip;
    zip.add("none", "x");
    zip.add("zeros", "x").withComment(QByteArray("a\0b\0", 4));
    zip.add("text", "x").withComment("a comment");
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    const QList<UnZip::ZipEntry> list = reader.entryList();
    QCOMPARE(list.size(), 3);
    QVERIFY(list.at(0).comment.isNull());
    QCOMPARE(list.at(1).comment, QStringLiteral("a comment"));
    QCOMPARE(list.at(2).comment, QString::fromLatin1("a\0b\0", 4));
}

void tst_UnZipOpen::nameDecoding_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("utf8Flag");
    QTest::addColumn<QByteArray>("codec");
    QTest::addColumn<QString>("expected");

    const QByteArray privetUtf8 = QString::fromUtf8("Привет.txt").toUtf8();
    const QByteArray privetCp866 = QByteArray("\x8f\xe0\xa8\xa2\xa5\xe2.txt");
    const QString privet = QString::fromUtf8("Привет.txt");
    QTest::newRow("ascii") << QByteArray("plain.txt") << false << QByteArray() << QStringLiteral("plain.txt");
    QTest::newRow("ascii, codec set") << QByteArray("plain.txt") << false << QByteArray("IBM 866")
                                      << QStringLiteral("plain.txt");
    QTest::newRow("utf-8 flagged") << privetUtf8 << true << QByteArray() << privet;
    QTest::newRow("utf-8 unflagged") << privetUtf8 << false << QByteArray() << privet;
    QTest::newRow("utf-8 unflagged, codec set") << privetUtf8 << false << QByteArray("IBM 866") << privet;
    QTest::newRow("latin-1") << QByteArray("caf\xe9.txt") << false << QByteArray()
                             << QString::fromUtf8("café.txt");
    QTest::newRow("cp866 without codec") << privetCp866 << false << QByteArray()
                                         << QString::fromLatin1(privetCp866);
    QTest::newRow("cp866 with codec") << privetCp866 << false << QByteArray("IBM 866") << privet;
    QTest::newRow("cp866 flagged") << privetCp866 << true << QByteArray("IBM 866")
                                   << QString::fromUtf8(privetCp866);
    QTest::newRow("overlong utf-8 is not utf-8") << QByteArray("\xc0\xaf") << false << QByteArray()
                                                 << QString::fromLatin1("\xc0\xaf");
    QTest::newRow("surrogate is not utf-8") << QByteArray("\xed\xa0\x80") << false << QByteArray()
                                            << QString::fromLatin1("\xed\xa0\x80");
    QTest::newRow("cut utf-8 is not utf-8") << QByteArray("ab\xd0") << false << QByteArray()
                                            << QString::fromLatin1("ab\xd0");
    QTest::newRow("4-byte utf-8") << QByteArray("\xf0\x9f\x98\x80") << false << QByteArray()
                                  << QString::fromUtf8("\xf0\x9f\x98\x80");
}

void tst_UnZipOpen::nameDecoding()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, utf8Flag);
    QFETCH(QByteArray, codec);
    QFETCH(QString, expected);

    RawZip zip;
    RawZip::Entry &e = zip.add(stored, "content").withComment(stored);
    if (utf8Flag)
        e.utf8Flag();
    UnZip reader;
    if (!codec.isEmpty()) {
        QTextCodec *c = QTextCodec::codecForName(codec);
        QVERIFY(c);
        reader.setFileNameCodec(c);
        QCOMPARE(reader.fileNameCodec(), c);
    }
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    QCOMPARE(reader.fileList(), QStringList{expected});
    QCOMPARE(reader.entryList().first().comment, expected);
    // The local header's name goes through the same rule.
    DebugRecorder debug;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QCOMPARE(reader.extractFile(expected, &out), UnZip::Success);
    QCOMPARE(out.data(), QByteArray("content"));
    QVERIFY(debug.lines().isEmpty());
}

void tst_UnZipOpen::unicodeExtraFields_data()
{
    QTest::addColumn<QByteArray>("centralName");
    QTest::addColumn<QByteArray>("centralExtra");
    QTest::addColumn<QByteArray>("localName");
    QTest::addColumn<QByteArray>("localExtra");
    QTest::addColumn<QString>("expectedName");
    QTest::addColumn<QString>("expectedComment");
    QTest::addColumn<UnZip::ErrorCode>("extraction");

    // "Ölfässer.txt" as CP437 bytes (what Info-ZIP and WinZip store without
    // the UTF-8 flag), with its UTF-8 text in the Unicode Path block.
    const QByteArray cp437 = "\x99lf\x84sser.txt";
    const QByteArray utf8 = QString::fromUtf8("Ölfässer.txt").toUtf8();
    const QString name = QString::fromUtf8("Ölfässer.txt");
    const QString latin1 = QString::fromLatin1(cp437);
    const QByteArray path = RawZip::unicodeBlock(0x7075, cp437, utf8);
    const QByteArray comment = RawZip::unicodeBlock(0x6375, "stored comment",
                                                    QString::fromUtf8("Комментарий").toUtf8());
    const QString stored = QStringLiteral("stored comment");
    const UnZip::ErrorCode ok = UnZip::Success;

    QTest::newRow("both records") << cp437 << path << cp437 << path << name << stored << ok;
    QTest::newRow("central record only") << cp437 << path << cp437 << QByteArray() << name << stored << ok;
    QTest::newRow("local header only") << cp437 << QByteArray() << cp437 << path << latin1 << stored << ok;
    QTest::newRow("after other blocks") << cp437 << RawZip::extraBlock(0x5455, "\x01"
                                                                               "abcd")
            + path << cp437 << path
                                        << name << stored << ok;
    // A local header that stores the name differently, with a block
    // that gives the same text.
    QTest::newRow("local name differs, same text")
        << cp437 << path << QByteArray("Olfasser.txt") << RawZip::unicodeBlock(0x7075, "Olfasser.txt", utf8)
        << name << stored << ok;
    QTest::newRow("local name differs") << cp437 << path << QByteArray("Olfasser.txt") << QByteArray()
                                        << name << stored << UnZip::InconsistentHeaders;
    // Blocks that do not count: the name was changed after the block was
    // written, another version, text that is not UTF-8, a block cut short.
    const QByteArray wrongCrc = RawZip::unicodeBlock(0x7075, cp437, utf8, RawZip::crc32(cp437) ^ 1);
    QTest::newRow("crc of other bytes") << cp437 << wrongCrc << cp437 << wrongCrc << latin1 << stored << ok;
    QByteArray version2 = path;
    version2[4] = 2;
    QTest::newRow("version 2") << cp437 << version2 << cp437 << version2 << latin1 << stored << ok;
    const QByteArray notUtf8 = RawZip::unicodeBlock(0x7075, cp437, "\xff\xfe");
    QTest::newRow("text not utf-8") << cp437 << notUtf8 << cp437 << notUtf8 << latin1 << stored << ok;
    const QByteArray cut = path.left(path.size() - 1);
    QTest::newRow("block cut short") << cp437 << cut << cp437 << cut << latin1 << stored << ok;
    const QByteArray tooShort = RawZip::extraBlock(0x7075, "\x01\x00");
    QTest::newRow("block without crc") << cp437 << tooShort << cp437 << tooShort << latin1 << stored << ok;
    // The comment's block is checked against the comment.
    QTest::newRow("comment") << cp437 << path + comment << cp437 << path << name
                             << QString::fromUtf8("Комментарий") << ok;
    const QByteArray otherComment = RawZip::unicodeBlock(0x6375, "another comment", "x");
    QTest::newRow("comment, crc of other bytes") << cp437 << otherComment << cp437 << QByteArray() << latin1
                                                 << stored << ok;
}

void tst_UnZipOpen::unicodeExtraFields()
{
    QFETCH(QByteArray, centralName);
    QFETCH(QByteArray, centralExtra);
    QFETCH(QByteArray, localName);
    QFETCH(QByteArray, localExtra);
    QFETCH(QString, expectedName);
    QFETCH(QString, expectedComment);
    QFETCH(UnZip::ErrorCode, extraction);

    RawZip zip;
    RawZip::Entry &e = zip.add(centralName, "content").withComment("stored comment");
    e.centralExtra = centralExtra;
    e.localExtra = localExtra;
    e.local.name = localName;
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    QCOMPARE(reader.fileList(), QStringList{expectedName});
    QCOMPARE(reader.entryList().first().comment, expectedComment);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    DebugRecorder debug;
    QCOMPARE(reader.extractFile(expectedName, &out), extraction);
    QCOMPARE(out.data(), extraction == UnZip::Success ? QByteArray("content") : QByteArray());
    QCOMPARE(debug.lines().isEmpty(), extraction == UnZip::Success);
}

void tst_UnZipOpen::archiveCommentDecoding()
{
    UnZip reader;
    const QString russian = QString::fromUtf8("Лекция");
    QCOMPARE(reader.openArchive(new CountingBuffer(emptyArchive(russian.toUtf8()))), UnZip::Success);
    QCOMPARE(reader.archiveComment(), russian);
    QCOMPARE(reader.openArchive(new CountingBuffer(emptyArchive("\xe9t\xe9"))), UnZip::Success);
    QCOMPARE(reader.archiveComment(), QString::fromUtf8("été"));
    reader.setFileNameCodec(QTextCodec::codecForName("Windows-1251"));
    QCOMPARE(reader.openArchive(new CountingBuffer(emptyArchive("\xcb\xe5\xea\xf6\xe8\xff"))),
             UnZip::Success);
    QCOMPARE(reader.archiveComment(), russian);
}

void tst_UnZipOpen::closing()
{
    RawZip zip;
    zip.add("secret.txt", "secret").encrypted("pw");
    zip.end.comment = "comment";
    const QByteArray bytes = zip.build().bytes;

    int destroyed = 0;
    UnZip reader;
    reader.setPassword(QStringLiteral("pw"));
    QCOMPARE(reader.openArchive(new CountingBuffer(bytes, &destroyed)), UnZip::Success);
    QCOMPARE(reader.archiveComment(), QStringLiteral("comment"));
    reader.closeArchive();
    QCOMPARE(destroyed, 1);
    QVERIFY(!reader.isOpen());
    QVERIFY(reader.archiveComment().isNull());
    QVERIFY(reader.fileList().isEmpty());
    QVERIFY(reader.entryList().isEmpty());
    QVERIFY(!reader.contains(QStringLiteral("secret.txt")));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QCOMPARE(reader.extractFile(QStringLiteral("secret.txt"), &out), UnZip::NoArchiveYet);

    // The password survives closing and reopening.
    QCOMPARE(reader.openArchive(new CountingBuffer(bytes, &destroyed)), UnZip::Success);
    QCOMPARE(reader.extractFile(QStringLiteral("secret.txt"), &out), UnZip::Success);
    QCOMPARE(out.data(), QByteArray("secret"));
}

void tst_UnZipOpen::reopenReleasesPrevious()
{
    int first = 0;
    int second = 0;
    int third = 0;
    {
        UnZip reader;
        QCOMPARE(reader.openArchive(new CountingBuffer(oneEntryArchive(), &first)), UnZip::Success);
        QCOMPARE(reader.openArchive(new CountingBuffer(emptyArchive("two"), &second)), UnZip::Success);
        QCOMPARE(first, 1);
        QVERIFY(reader.fileList().isEmpty());
        QCOMPARE(reader.archiveComment(), QStringLiteral("two"));
        // A failing open closes the archive that was open.
        QCOMPARE(reader.openArchive(new CountingBuffer(QByteArray(40, 'z'), &third)),
                 UnZip::IncompatibleArchive);
        QCOMPARE(second, 1);
        QCOMPARE(third, 1);
        QVERIFY(!reader.isOpen());
        QVERIFY(reader.archiveComment().isNull());
    }
    QCOMPARE(first + second + third, 3);
}

QTEST_GUILESS_MAIN(tst_UnZipOpen)
#include "tst_unzipopen.moc"
