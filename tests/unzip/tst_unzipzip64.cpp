// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// UnZip: where the central directory is and what its records hold, from
// ZIP64 records (end record, locator, extra blocks, 8-byte data
// descriptors) and from archives with data in front of them.
#include "debugrecorder.h"
#include "rawzip.h"
#include "testdevices.h"
#include <kelvanezip/unzip.h>

#include <QtCore/QBuffer>
#include <QtTest/QtTest>

#include <functional>

Q_DECLARE_METATYPE(UnZip::ErrorCode)

namespace {

using Shape = std::function<void(RawZip &)>;

const QByteArray bigText = QByteArray("ZIP64 records hold 8-byte sizes and offsets. ").repeated(300);

// Three entries of every kind the layouts below move around: stored,
// deflated with a data descriptor, a folder.
RawZip baseArchive()
{
    RawZip zip;
    zip.add("a.txt", "stored content").stored();
    zip.add("dir/b.txt", bigText).deflated().descriptor(RawZip::WithSignature);
    zip.add("dir/").folder();
    return zip;
}

void forEachEntry(RawZip &zip, const std::function<void(RawZip::Entry &)> &change)
{
    for (int i = 0; i < zip.count(); ++i)
        change(zip.entry(i));
}

QByteArray contentOf(const QString &name)
{
    if (name == QLatin1String("a.txt"))
        return "stored content";
    if (name == QLatin1String("dir/b.txt"))
        return bigText;
    return QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(Shape)

class tst_UnZipZip64 : public QObject
{
    Q_OBJECT

private slots:
    void layouts_data();
    void layouts();
    void largeValuesListed();
};

void tst_UnZipZip64::layouts_data()
{
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<UnZip::ErrorCode>("openResult");
    QTest::addColumn<UnZip::ErrorCode>("extractResult");

    const UnZip::ErrorCode ok = UnZip::Success;
    const QByteArray prefix = QByteArray("#!/bin/sh\necho a self-extracting stub\nexit 0\n").repeated(20);

    QTest::newRow("classic") << Shape([](RawZip &) {}) << ok << ok;
    QTest::newRow("zip64 everywhere") << Shape([](RawZip &z) {
        forEachEntry(z, [](RawZip::Entry &e) { e.zip64(); });
        z.zip64End.present = true;
    }) << ok << ok;
    QTest::newRow("zip64 central records only") << Shape([](RawZip &z) {
        forEachEntry(z, [](RawZip::Entry &e) { e.zip64(RawZip::Zip64Central); });
    }) << ok << ok;
    QTest::newRow("zip64 local headers only") << Shape([](RawZip &z) {
        forEachEntry(z, [](RawZip::Entry &e) { e.zip64(RawZip::Zip64Local); });
    }) << ok << ok;
    QTest::newRow("zip64 end record only") << Shape([](RawZip &z) { z.zip64End.present = true; }) << ok << ok;
    // Values the classic end record can hold are taken from the ZIP64 one all the same.
    QTest::newRow("zip64 end record, classic values too") << Shape([](RawZip &z) {
        z.zip64End.present = true;
        z.end.totalEntries = 3;
        z.end.diskEntries = 3;
        z.end.directoryOffset = 1;
        z.end.directorySize = 1;
    }) << ok << ok;
    QTest::newRow("zip64 end record with extensible data") << Shape([](RawZip &z) {
        z.zip64End.present = true;
        z.zip64End.extensibleData = QByteArray(40, 'x');
    }) << ok << ok;
    QTest::newRow("version needed 4.5, no zip64 records") << Shape([](RawZip &z) {
        forEachEntry(z, [](RawZip::Entry &e) { e.versionNeeded = 45; });
    }) << ok << ok;
    // Streamed by Info-ZIP zip: the local ZIP64 block holds zeros, the
    // sizes follow the data in an 8-byte descriptor.
    QTest::newRow("streamed, 8-byte descriptor") << Shape([](RawZip &z) {
        forEachEntry(z, [](RawZip::Entry &e) {
            e.zip64().descriptor(RawZip::WithSignature);
            e.local.compressedSize64 = 0;
            e.local.uncompressedSize64 = 0;
        });
        z.zip64End.present = true;
    }) << ok << ok;
    QTest::newRow("8-byte descriptor without signature") << Shape([](RawZip &z) {
        forEachEntry(z, [](RawZip::Entry &e) { e.zip64().descriptor(RawZip::WithoutSignature); });
    }) << ok << ok;
    // Writers that disagree with the rule of the local ZIP64 block.
    QTest::newRow("8-byte descriptor, no local zip64 block") << Shape([](RawZip &z) {
        forEachEntry(z, [](RawZip::Entry &e) {
            e.descriptor(RawZip::WithSignature);
            e.descriptor64 = true;
        });
    }) << ok << ok;
    QTest::newRow("4-byte descriptor after a local zip64 block") << Shape([](RawZip &z) {
        forEachEntry(z, [](RawZip::Entry &e) {
            e.zip64().descriptor(RawZip::WithSignature);
            e.descriptor64 = false;
        });
    }) << ok << ok;
    QTest::newRow("descriptor sizes differ") << Shape([](RawZip &z) {
        for (int i : {0, 1}) {
            z.entry(i).zip64().descriptor(RawZip::WithSignature);
            z.entry(i).dataDescriptor.compressedSize64 = 5;
        }
    }) << ok << UnZip::InconsistentHeaders;
    QTest::newRow("other blocks around the zip64 block") << Shape([](RawZip &z) {
        forEachEntry(z, [](RawZip::Entry &e) {
            e.zip64();
            e.centralExtra = RawZip::extraBlock(0x5455, "\x03zzzz") + RawZip::extraBlock(0xcafe, QByteArray());
            e.localExtra = QByteArray(3, '\0'); // padding after the blocks
        });
        // The ZIP64 block after another block.
        z.entry(0).zip64(RawZip::NoZip64);
        z.entry(0).centralExtra = RawZip::extraBlock(0x000a, QByteArray(32, '\0'))
            + RawZip::zip64Block({14});
        z.entry(0).central.uncompressedSize = 0xffffffffu;
    }) << ok << ok;

    // Data in front of the archive: the offsets are those of the archive
    // alone, and are corrected by the length of what precedes it.
    QTest::newRow("data in front") << Shape([prefix](RawZip &z) { z.prepended = prefix; }) << ok << ok;
    QTest::newRow("data in front, offsets counting it") << Shape([prefix](RawZip &z) { z.prefix = prefix; })
                                                        << ok << ok;
    QTest::newRow("data in front, zip64") << Shape([prefix](RawZip &z) {
        z.prepended = prefix;
        forEachEntry(z, [](RawZip::Entry &e) { e.zip64(); });
        z.zip64End.present = true;
    }) << ok << ok;

    // Info-ZIP zip -fz writing to a pipe: the end record holds the ZIP64
    // placeholder for the offset, and there is no ZIP64 end record.
    QTest::newRow("placeholder offset, no zip64 end record") << Shape([](RawZip &z) {
        forEachEntry(z, [](RawZip::Entry &e) { e.zip64().descriptor(RawZip::WithSignature); });
        z.end.directoryOffset = 0xffffffffu;
    }) << ok << ok;

    // Damaged directories.
    QTest::newRow("no directory where claimed") << Shape([](RawZip &z) {
        z.end.directoryOffset = 7;
        z.end.directorySize = 5;
    }) << UnZip::CorruptedArchive << ok;
    // The locator points elsewhere, and the ZIP64 end record is not right
    // in front of it either (extensible data follow its fixed part).
    QTest::newRow("zip64 end record missing") << Shape([](RawZip &z) {
        z.zip64End.present = true;
        z.zip64End.locatorOffset = 3;
        z.zip64End.extensibleData = QByteArray(16, 'x');
    }) << UnZip::FileSeekError << ok;
    QTest::newRow("zip64 locator astray, classic values complete") << Shape([](RawZip &z) {
        z.zip64End.present = true;
        z.zip64End.locatorOffset = ~quint64(0);
        z.zip64End.extensibleData = QByteArray(16, 'x');
        const RawZip::Archive a = z.build();
        z.end.totalEntries = 3;
        z.end.diskEntries = 3;
        z.end.directoryOffset = quint32(a.centralDirectory);
        z.end.directorySize = quint32(a.zip64EndRecord - a.centralDirectory);
    }) << ok << ok;
    QTest::newRow("central zip64 block lacks the offset") << Shape([](RawZip &z) {
        z.entry(1).centralExtra = RawZip::zip64Block({quint64(bigText.size()), 1});
        z.entry(1).central.compressedSize = 0xffffffffu;
        z.entry(1).central.uncompressedSize = 0xffffffffu;
        z.entry(1).localHeaderOffset = 0xffffffffu;
    }) << UnZip::CorruptedArchive << ok;
    QTest::newRow("central zip64 block cut") << Shape([](RawZip &z) {
        z.entry(0).zip64(RawZip::Zip64Central);
        z.centralRecordHook = [](int index, QByteArray &record) {
            if (index == 0)
                RawZip::putUShort(record, 46 + 5 + 2, 30); // block size past the field
        };
    }) << UnZip::CorruptedArchive << ok;
    QTest::newRow("local zip64 block missing") << Shape([](RawZip &z) {
        for (int i : {0, 1}) {
            RawZip::Entry &e = z.entry(i);
            e.zip64(RawZip::Zip64Central).descriptor(RawZip::NoDescriptor);
            e.local.compressedSize = 0xffffffffu;
            e.local.uncompressedSize = 0xffffffffu;
        }
    }) << ok << UnZip::InconsistentHeaders;
}

void tst_UnZipZip64::layouts()
{
    QFETCH(Shape, shape);
    QFETCH(UnZip::ErrorCode, openResult);
    QFETCH(UnZip::ErrorCode, extractResult);

    RawZip zip = baseArchive();
    shape(zip);
    UnZip reader;
    DebugRecorder debug;
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), openResult);
    if (openResult != UnZip::Success) {
        QVERIFY(!reader.isOpen());
        // A damaged directory says what is wrong with it.
        QCOMPARE(debug.lines().size(), openResult == UnZip::CorruptedArchive ? 1 : 0);
        return;
    }
    QCOMPARE(reader.fileList(), (QStringList{"a.txt", "dir/", "dir/b.txt"}));
    QVERIFY(reader.skippedEntries().isEmpty());
    for (const UnZip::ZipEntry &e : reader.entryList()) {
        QCOMPARE(e.uncompressedSize, quint64(contentOf(e.filename).size()));
        QCOMPARE(e.type, e.filename.endsWith(QLatin1Char('/')) ? UnZip::Directory : UnZip::File);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        const UnZip::ErrorCode ec = reader.extractFile(e.filename, &out);
        if (e.type == UnZip::Directory) {
            QCOMPARE(ec, UnZip::Success);
            continue;
        }
        QCOMPARE(ec, extractResult);
        if (ec == UnZip::Success)
            QCOMPARE(out.data(), contentOf(e.filename));
        else
            QVERIFY(out.data().size() <= contentOf(e.filename).size());
    }
}

void tst_UnZipZip64::largeValuesListed()
{
    // Sizes and offsets past 32 bits reach the listing unchanged; the
    // entries cannot be extracted from this small archive, and say so.
    RawZip zip;
    zip.add("huge.bin", "x").zip64();
    zip.entry(0).central.uncompressedSize64 = 0x123456789aULL;
    zip.entry(0).central.compressedSize64 = 0x100000000ULL;
    zip.add("far.txt", "y").zip64();
    zip.entry(1).central.localHeaderOffset64 = 0x7fffffffffffffffULL;
    zip.zip64End.present = true;
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    const QList<UnZip::ZipEntry> entries = reader.entryList();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.at(1).filename, QStringLiteral("huge.bin"));
    QCOMPARE(entries.at(1).uncompressedSize, 0x123456789aULL);
    QCOMPARE(entries.at(1).compressedSize, 0x100000000ULL);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QCOMPARE(reader.extractFile(QStringLiteral("huge.bin"), &out), UnZip::InconsistentHeaders);
    QCOMPARE(reader.extractFile(QStringLiteral("far.txt"), &out), UnZip::FileSeekError);
    QCOMPARE(out.data(), QByteArray());
}

QTEST_GUILESS_MAIN(tst_UnZipZip64)
#include "tst_unzipzip64.moc"
