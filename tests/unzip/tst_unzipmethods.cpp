// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// UnZip reads every method it supports (stored, deflate, bzip2, LZMA with
// and without the end-marker flag, Zstandard, xz), plain, with the
// traditional cipher and with WinZip AES of every key size and both
// variants; AES entries with a wrong password or damaged data leave nothing
// behind; entries of the methods it does not read are skipped.
#include "bytefixtures.h"
#include "debugrecorder.h"
#include "filetree.h"
#include "builtmethods.h"
#include "entrycipher.h"
#include "rawzip.h"
#include <kelvanezip/unzip.h>

#include <QtCore/QBuffer>
#include <QtCore/QRandomGenerator>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

Q_DECLARE_METATYPE(UnZip::ErrorCode)
Q_DECLARE_METATYPE(UnZip::EntryCompression)
Q_DECLARE_METATYPE(RawZip::Method)

namespace {

QByteArray mixedContent()
{
    // Text that compresses, then random bytes that do not: more than two of
    // the reader's 256 KiB chunks either way.
    QByteArray bytes;
    for (int i = 0; bytes.size() < 600000; ++i)
        bytes += "Line " + QByteArray::number(i) + " of a lecture on compression.\n";
    QByteArray noise(200000, '\0');
    QRandomGenerator generator(7);
    generator.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    return bytes + noise;
}

} // namespace

Q_DECLARE_METATYPE(Cipher)

class tst_UnZipMethods : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryMethod_data();
    void readsEveryMethod();
    void aesRefusals_data();
    void aesRefusals();
    void unreadableEntriesSkipped_data();
    void unreadableEntriesSkipped();
};

void tst_UnZipMethods::readsEveryMethod_data()
{
    QTest::addColumn<RawZip::Method>("method");
    QTest::addColumn<bool>("endMarkerFlag");
    QTest::addColumn<Cipher>("cipher");
    QTest::addColumn<UnZip::EntryCompression>("compression");

    const struct
    {
        const char *name;
        RawZip::Method method;
        bool flag;
        UnZip::EntryCompression compression;
    } methods[] = {
        {"stored", RawZip::Stored, false, UnZip::Stored},
        {"deflated", RawZip::Deflated, false, UnZip::Deflated},
        {"bzip2", RawZip::Bzip2, false, UnZip::Bzip2},
        {"lzma, end marker flagged", RawZip::Lzma, true, UnZip::Lzma},
        {"lzma, end marker unflagged", RawZip::Lzma, false, UnZip::Lzma},
        {"zstd", RawZip::Zstd, false, UnZip::Zstd},
        {"xz", RawZip::Xz, false, UnZip::Xz},
    };
    const struct
    {
        const char *name;
        Cipher cipher;
    } ciphers[] = {
        {"plain", Cipher::None},
        {"traditional", Cipher::Traditional},
        {"AES-128 AE-1", Cipher::Aes128Ae1},
        {"AES-192 AE-2", Cipher::Aes192Ae2},
        {"AES-256 AE-1", Cipher::Aes256Ae1},
        {"AES-256 AE-2", Cipher::Aes256Ae2},
    };
    for (const auto &m : methods) {
        for (const auto &c : ciphers) {
            QTest::addRow("%s, %s", m.name, c.name) << m.method << m.flag << c.cipher << m.compression;
        }
    }
}

void tst_UnZipMethods::readsEveryMethod()
{
    QFETCH(RawZip::Method, method);
    QFETCH(bool, endMarkerFlag);
    QFETCH(Cipher, cipher);
    QFETCH(UnZip::EntryCompression, compression);

    static const QByteArray large = mixedContent();
    const QList<QPair<QByteArray, QByteArray>> files = {
        {"large.bin", large}, {"empty.txt", QByteArray()}, {"short.txt", "short"}};
    RawZip zip;
    for (const auto &file : files) {
        RawZip::Entry &e = zip.add(file.first, file.second);
        if (method == RawZip::Deflated)
            e.deflated();
        else if (method != RawZip::Stored)
            e.compressed(method, endMarkerFlag);
        e.versionNeeded = method == RawZip::Stored || method == RawZip::Deflated ? 20 : 63;
        protect(e, cipher);
    }
    const QByteArray bytes = zip.build().bytes;

    UnZip reader;
    reader.setPassword(QStringLiteral("pw"));
    QCOMPARE(openBytes(reader, bytes), UnZip::Success);
    const bool aes = cipher != Cipher::None && cipher != Cipher::Traditional;
    if (!methodBuiltIn(method) || (aes && !aesBuiltIn)) {
        // Built without its library, every entry is skipped as of a method
        // that is not supported: the cipher's (99) when AES is missing.
        QCOMPARE(reader.fileList(), QStringList());
        const QList<UnZip::SkippedEntry> skipped = reader.skippedEntries();
        QCOMPARE(skipped.size(), files.size());
        const quint16 named = aes && !aesBuiltIn ? 99 : quint16(method);
        for (const UnZip::SkippedEntry &s : skipped) {
            QCOMPARE(s.reason, UnZip::UnsupportedMethod);
            QCOMPARE(s.method, named);
            QVERIFY2(s.description.startsWith(QStringLiteral("method %1 (").arg(named))
                         && s.description.endsWith(QLatin1String(") not supported")),
                     qPrintable(s.description));
        }
        return;
    }
    const QList<UnZip::ZipEntry> entries = reader.entryList();
    QCOMPARE(entries.size(), files.size());
    for (const UnZip::ZipEntry &entry : entries) {
        QCOMPARE(entry.compression, compression);
        QCOMPARE(entry.encrypted, cipher != Cipher::None);
    }

    for (const auto &file : files) {
        QByteArray out;
        QCOMPARE(extractToBytes(reader, QString::fromLatin1(file.first), &out), UnZip::Success);
        QVERIFY2(out == file.second, file.first.constData());
    }
    QTemporaryDir target;
    QCOMPARE(reader.extractAll(target.path()), UnZip::Success);
    QCOMPARE(FileTree::list(target.path()), (QStringList{"empty.txt", "large.bin", "short.txt"}));
    for (const auto &file : files)
        QVERIFY(FileTree::read(target.filePath(QString::fromLatin1(file.first))) == file.second);
}

void tst_UnZipMethods::aesRefusals_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("damage"); // 0 none, 1 authentication code, 2 data byte, 3 CRC, 4 sizes
    QTest::addColumn<quint16>("version");
    QTest::addColumn<UnZip::ErrorCode>("expected");
    QTest::addColumn<QStringList>("debugLines");

    const QStringList wrongPassword{QStringLiteral("\"Unable to decrypt sub/a.txt\"")};
    const QStringList badCode{QStringLiteral("\"Authentication code mismatch: sub/a.txt\"")};
    QTest::newRow("wrong password") << "wrong" << 0 << quint16(2) << UnZip::PasswordMismatch << wrongPassword;
    QTest::newRow("no password") << QString() << 0 << quint16(2) << UnZip::PasswordMismatch << wrongPassword;
    QTest::newRow("authentication code changed") << "pw" << 1 << quint16(2) << UnZip::CorruptedArchive << badCode;
    QTest::newRow("data byte changed") << "pw" << 2 << quint16(2) << UnZip::CorruptedArchive << badCode;
    QTest::newRow("data byte changed, AE-1") << "pw" << 2 << quint16(1) << UnZip::CorruptedArchive << badCode;
    // AE-1 keeps the CRC-32 and it is checked; AE-2 records 0 and it is not.
    QTest::newRow("AE-1 with a wrong CRC") << "pw" << 3 << quint16(1) << UnZip::CorruptedArchive << QStringList();
    QTest::newRow("AE-2 with a CRC") << "pw" << 3 << quint16(2) << UnZip::Success << QStringList();
    QTest::newRow("shorter than salt, verifier and code") << "pw" << 4 << quint16(2) << UnZip::CorruptedArchive
                                                          << wrongPassword;
}

void tst_UnZipMethods::aesRefusals()
{
    QFETCH(QString, password);
    QFETCH(int, damage);
    QFETCH(quint16, version);
    QFETCH(UnZip::ErrorCode, expected);
    QFETCH(QStringList, debugLines);
    KELVANE_REQUIRE_AES();
    KELVANE_REQUIRE_METHOD(RawZip::Bzip2);

    QByteArray content;
    for (int i = 0; i < 20000; ++i)
        content += "secret " + QByteArray::number(i) + '\n';
    RawZip zip;
    RawZip::Entry &e = zip.add("sub/a.txt", content).compressed(RawZip::Bzip2).aes("pw", RawZip::Aes256, version);
    if (damage == 3) {
        e.central.crc = 0x12345678;
        e.local.crc = 0x12345678;
    }
    if (damage == 4) {
        // Salt and verifier, and one byte of the code: the data is too short
        // to hold an AES-256 entry.
        e.raw(RawZip::encryptAes("pw", RawZip::Aes256, QByteArray(16, 's'), QByteArray()).left(19));
    }
    zip.add("b.txt", "next entry");
    RawZip::Archive archive = zip.build();
    const RawZip::EntryLayout &layout = archive.entries.at(0);
    if (damage == 1)
        archive.bytes.data()[layout.dataOffset + layout.dataSize - 1] ^= 0x01;
    if (damage == 2)
        archive.bytes.data()[layout.dataOffset + 18 + 1000] ^= 0x40;

    UnZip reader;
    if (!password.isNull())
        reader.setPassword(password);
    QCOMPARE(openBytes(reader, archive.bytes), UnZip::Success);
    DebugRecorder debug;
    QByteArray out;
    QCOMPARE(extractToBytes(reader, QStringLiteral("sub/a.txt"), &out), expected);
    QCOMPARE(debug.take(), debugLines);
    if (expected == UnZip::Success) {
        QVERIFY(out == content);
        return;
    }
    // A CRC-32 shows only once the data is out; every other refusal comes
    // before: nothing was decrypted into the device. A file already at the
    // target keeps its bytes either way: the output never took its place.
    const bool refusedBeforeData = damage != 3;
    if (refusedBeforeData)
        QCOMPARE(out.size(), 0);
    QTemporaryDir target;
    QVERIFY(FileTree::write(target.filePath(QStringLiteral("sub/a.txt")), "kept"));
    QCOMPARE(reader.extractFile(QStringLiteral("sub/a.txt"), target.path()), expected);
    QCOMPARE(FileTree::list(target.path()), (QStringList{"sub/", "sub/a.txt"}));
    QCOMPARE(FileTree::read(target.filePath(QStringLiteral("sub/a.txt"))), QByteArray("kept"));
    // No file is left behind either way, and a refusal before the data
    // creates no folder either.
    QTemporaryDir empty;
    QCOMPARE(reader.extractFile(QStringLiteral("sub/a.txt"), empty.path()), expected);
    QCOMPARE(FileTree::list(empty.path()), (refusedBeforeData ? QStringList() : QStringList{"sub/"}));
    QCOMPARE(reader.extractFile(QStringLiteral("b.txt"), empty.path()), UnZip::Success);
}

void tst_UnZipMethods::unreadableEntriesSkipped_data()
{
    QTest::addColumn<quint16>("method");
    QTest::addColumn<QByteArray>("extra");
    QTest::addColumn<quint16>("flags");
    QTest::addColumn<quint16>("versionNeeded");
    QTest::addColumn<QString>("debugLine");
    QTest::addColumn<QString>("description");

    const QString method = QStringLiteral("Unsupported compression method. Skipping file.");
    const QString version = QStringLiteral("Unsupported PKZip version. Skipping file.");
    const QString encryption = QStringLiteral("Unsupported encryption. Skipping file.");
    const QString badAes = QStringLiteral("WinZip AES without a valid extra field, not supported");
    QTest::newRow("deflate64") << quint16(9) << QByteArray() << quint16(0) << quint16(21) << method
                               << "method 9 (Deflate64) not supported";
    QTest::newRow("implode") << quint16(6) << QByteArray() << quint16(0) << quint16(10) << method
                             << "method 6 (Implode) not supported";
    QTest::newRow("ppmd") << quint16(98) << QByteArray() << quint16(0) << quint16(63) << method
                          << "method 98 (PPMd) not supported";
    // The method under the encryption is the one named.
    QTest::newRow("AES over ppmd") << quint16(99) << RawZip::aesExtraField(2, RawZip::Aes256, 98) << quint16(1)
                                   << quint16(51) << method << "method 98 (PPMd) not supported";
    QTest::newRow("AES without its extra field") << quint16(99) << QByteArray() << quint16(1) << quint16(51)
                                                 << encryption << badAes;
    QByteArray badStrength = RawZip::aesExtraField(2, RawZip::Aes256, 8);
    badStrength[8] = 4;
    QTest::newRow("AES of strength 4") << quint16(99) << badStrength << quint16(1) << quint16(51) << encryption
                                       << badAes;
    QByteArray badVendor = RawZip::aesExtraField(2, RawZip::Aes256, 8);
    badVendor[6] = 'X';
    QTest::newRow("AES of another vendor") << quint16(99) << badVendor << quint16(1) << quint16(51) << encryption
                                           << badAes;
    QTest::newRow("bzip2 needing 6.4") << quint16(12) << QByteArray() << quint16(0) << quint16(64) << version
                                       << "needs version 6.4 to extract, not supported";
    QTest::newRow("strong encryption") << quint16(8) << QByteArray() << quint16(0x41) << quint16(20) << encryption
                                       << "strong encryption not supported";
}

void tst_UnZipMethods::unreadableEntriesSkipped()
{
    QFETCH(quint16, method);
    QFETCH(QByteArray, extra);
    QFETCH(quint16, flags);
    QFETCH(quint16, versionNeeded);
    QFETCH(QString, debugLine);
    QFETCH(QString, description);
    if (!methodBuiltIn(method))
        QSKIP("built without this method, its entries are skipped as of it (readsEveryMethod)");

    RawZip zip;
    RawZip::Entry &e = zip.add("skipped.bin").raw("whatever the method would have made of it");
    e.method = method;
    e.flags = flags;
    e.versionNeeded = versionNeeded;
    e.centralExtra = extra;
    e.localExtra = extra;
    RawZip::Entry &kept = zip.add("kept.txt", "kept");
    if (methodBuiltIn(RawZip::Xz))
        kept.compressed(RawZip::Xz);
    else
        kept.deflated();
    DebugRecorder debug;
    UnZip reader;
    QCOMPARE(openBytes(reader, zip.build().bytes), UnZip::Success);
    QCOMPARE(debug.take(), QStringList{debugLine});
    QCOMPARE(reader.fileList(), QStringList{"kept.txt"});
    const QList<UnZip::SkippedEntry> skipped = reader.skippedEntries();
    QCOMPARE(skipped.size(), 1);
    QCOMPARE(skipped.first().filename, QStringLiteral("skipped.bin"));
    QCOMPARE(skipped.first().description, description);
    QByteArray out;
    QCOMPARE(extractToBytes(reader, QStringLiteral("kept.txt"), &out), UnZip::Success);
    QCOMPARE(out, QByteArray("kept"));
}

QTEST_GUILESS_MAIN(tst_UnZipMethods)
#include "tst_unzipmethods.moc"
