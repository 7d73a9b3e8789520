// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TESTS_RAWZIP_H
#define KELVANE_TESTS_RAWZIP_H

// Builds ZIP archives byte by byte for tests, with every field under the
// test's control.
//
// Each entry starts from its plain content and consistent defaults: the
// builder deflates (method 8), encrypts (when a password is given), computes
// the CRC-32 and sizes and writes the local header, the data, an optional
// data descriptor and the central record. Any field can then be overridden
// for the central record, the local header and the data descriptor
// separately, and hooks may rewrite whole records before they are appended,
// so that tests can produce any inconsistency or corruption.
//
//     RawZip zip;
//     zip.add("a.txt", "hello").deflated();
//     zip.add("b/").folder();
//     zip.add("c.txt", "secret").encrypted("pw").descriptor(RawZip::WithSignature);
//     zip.add("d.txt", "more").compressed(RawZip::Bzip2).aes("pw", RawZip::Aes256);
//     zip.entry(0).local.crc = 0xdeadbeef;          // local header differs
//     const RawZip::Archive archive = zip.build();
//     // archive.bytes; archive.entries[i].dataOffset, ...
//
// ZIP64: zip64() on an entry moves its sizes (and, in the central record, its
// local header offset) into ZIP64 extra blocks behind 0xffffffff
// placeholders; end.zip64 adds the ZIP64 end record and its locator, with
// placeholders in the classic end record.
//
// Record layouts come from zip/zipformat_p.h, the traditional cipher from
// zip/zipcipher_p.h; AES is done here on libcrypto's primitives, apart from
// the component's module; bzip2, LZMA, Zstandard and xz data come from the
// system libraries' encoders.

#include <QtCore/QByteArray>
#include <QtCore/QVector>

#include <deque>
#include <functional>
#include <initializer_list>
#include <optional>

class RawZip
{
public:
    enum Descriptor {
        NoDescriptor,
        WithSignature,   // 16 bytes: signature, CRC, sizes
        WithoutSignature // 12 bytes: CRC, sizes
    };

    // Methods the builder compresses with (the numbers stored in the headers).
    enum Method : quint16 {
        Stored = 0,
        Deflated = 8,
        Bzip2 = 12,
        Lzma = 14,
        Zstd = 93,
        Xz = 95
    };

    // WinZip AES key strengths.
    enum AesStrength : quint8 {
        Aes128 = 1,
        Aes192 = 2,
        Aes256 = 3
    };

    // Values written into one record. Unset fields take the entry's value.
    struct Fields
    {
        std::optional<quint16> versionNeeded;
        std::optional<quint16> flags;
        std::optional<quint16> method;
        std::optional<quint16> dosTime;
        std::optional<quint16> dosDate;
        std::optional<quint32> crc;
        std::optional<quint32> compressedSize;
        std::optional<quint32> uncompressedSize;
        std::optional<QByteArray> name;
        std::optional<quint16> nameLength; // written length, the name bytes stay
        // ZIP64 values of the record's extra block (entries with zip64()).
        std::optional<quint64> compressedSize64;
        std::optional<quint64> uncompressedSize64;
        std::optional<quint64> localHeaderOffset64; // central record only
    };

    enum Zip64Records {
        NoZip64 = 0,
        Zip64Local = 0x1,   // local header: placeholders and a block with both sizes
        Zip64Central = 0x2, // central record: placeholders and a block with sizes and offset
        Zip64Both = Zip64Local | Zip64Central
    };

    struct Entry
    {
        QByteArray name;    // stored name bytes
        QByteArray content; // plain content
        quint16 method = 0;
        int level = 6;            // deflate level for method 8
        quint16 flags = 0;        // bits 0 and 3 are added by encrypted() and descriptor()
        quint16 dosTime = 0x6000; // 12:00:00
        quint16 dosDate = 0x4a21; // 2017-01-01
        quint16 versionMadeBy = 20;
        quint16 versionNeeded = 20;
        QByteArray password;    // not null: traditional encryption with these bytes
        QByteArray aesPassword; // not null: WinZip AES with these bytes (method 99)
        quint8 aesStrength = Aes256;
        quint16 aesVersion = 2;                                 // 1: AE-1 (CRC recorded), 2: AE-2 (CRC 0)
        QByteArray aesSalt;                                     // default: fixed bytes of the strength's salt size
        QByteArray encryptionFiller = QByteArray("0123456789"); // plain header bytes 0..9
        std::optional<uchar> headerByte10;                      // default: low byte of dosTime
        std::optional<uchar> checkByte;                         // default: as the reader expects
        Descriptor descriptorKind = NoDescriptor;
        bool descriptor64 = false;  // 8-byte sizes in the data descriptor
        int zip64Records = NoZip64; // Zip64Records
        quint32 externalAttributes = 0;
        QByteArray localExtra;
        QByteArray centralExtra;
        QByteArray comment;                       // entry comment (central record)
        std::optional<QByteArray> rawData;        // stored bytes as they are, instead of
                                                  // compressing and encrypting content
        QByteArray trailingData;                  // bytes after the data (before a descriptor), not counted
        Fields central;                           // overrides for the central record
        Fields local;                             // overrides for the local header
        Fields dataDescriptor;                    // overrides for the descriptor (crc and sizes only)
        std::optional<quint32> localHeaderOffset; // central record's offset field
        bool inCentralDirectory = true;           // false: local header and data only

        // Fluent setters.
        Entry &deflated(int deflateLevel = 6)
        {
            method = 8;
            level = deflateLevel;
            return *this;
        }
        Entry &stored()
        {
            method = 0;
            return *this;
        }
        // bzip2, LZMA (with its end marker; flag bit 1 says so when
        // endMarkerFlag), Zstandard or xz.
        Entry &compressed(Method m, bool endMarkerFlag = true)
        {
            method = m;
            if (m == Lzma && endMarkerFlag)
                flags |= 0x02;
            return *this;
        }
        Entry &aes(const QByteArray &pw, AesStrength strength = Aes256, quint16 version = 2)
        {
            aesPassword = pw;
            aesStrength = strength;
            aesVersion = version;
            flags |= 0x01;
            return *this;
        }
        Entry &folder()
        {
            method = 0;
            content.clear();
            return *this;
        }
        Entry &encrypted(const QByteArray &pw)
        {
            password = pw;
            flags |= 0x01;
            return *this;
        }
        Entry &descriptor(Descriptor kind)
        {
            descriptorKind = kind;
            if (kind == NoDescriptor)
                flags &= ~0x08;
            else
                flags |= 0x08;
            return *this;
        }
        Entry &utf8Flag()
        {
            flags |= 0x0800;
            return *this;
        }
        // ZIP64 records; with a descriptor, its sizes take 8 bytes.
        Entry &zip64(int where = Zip64Both)
        {
            zip64Records = where;
            descriptor64 = where & Zip64Local;
            versionNeeded = 45;
            return *this;
        }
        // Version made by: host system in the high byte.
        Entry &madeBy(quint8 host, quint8 version = 20)
        {
            versionMadeBy = quint16((host << 8) | version);
            return *this;
        }
        Entry &time(quint16 t, quint16 d)
        {
            dosTime = t;
            dosDate = d;
            return *this;
        }
        Entry &withComment(const QByteArray &c)
        {
            comment = c;
            return *this;
        }
        Entry &raw(const QByteArray &bytes)
        {
            rawData = bytes;
            return *this;
        }
    };

    // Where each part of an entry ended up in the built archive.
    struct EntryLayout
    {
        qint64 localHeader = -1;
        qint64 dataOffset = -1; // first byte after the local extra field
        qint64 dataSize = 0;    // stored bytes (encryption header included)
        qint64 descriptor = -1; // -1 without a descriptor
        qint64 end = -1;        // first byte after the entry's local part
        qint64 central = -1;    // -1 when left out of the central directory
        quint32 crc = 0;        // CRC-32 of the content
        QByteArray storedData;  // the bytes written as data
    };

    struct Archive
    {
        QByteArray bytes;
        QVector<EntryLayout> entries; // in the order of add()
        qint64 centralDirectory = -1;
        qint64 zip64EndRecord = -1;
        qint64 zip64Locator = -1;
        qint64 endRecord = -1;
    };

    // End of central directory record.
    struct End
    {
        std::optional<quint16> diskNumber;
        std::optional<quint16> directoryDisk;
        std::optional<quint16> diskEntries;
        std::optional<quint16> totalEntries;
        std::optional<quint32> directorySize;
        std::optional<quint32> directoryOffset;
        std::optional<quint16> commentLength;
        QByteArray comment;
        bool present = true;
    };

    // ZIP64 end record and locator, written in front of the end record when
    // present. Unset fields take the archive's values; the classic end
    // record then holds placeholders in the count, size and offset fields
    // unless End overrides them.
    struct Zip64End
    {
        bool present = false;
        std::optional<quint64> diskEntries;
        std::optional<quint64> totalEntries;
        std::optional<quint64> directorySize;
        std::optional<quint64> directoryOffset;
        std::optional<quint64> locatorOffset; // the locator's pointer to the ZIP64 end record
        std::optional<quint32> totalDisks;
        QByteArray extensibleData; // after the fixed part, counted in its size
    };

    Entry &add(const QByteArray &name, const QByteArray &content = QByteArray());
    Entry &entry(int index) { return m_entries.at(size_t(index)); }
    const Entry &entry(int index) const { return m_entries.at(size_t(index)); }
    int count() const { return int(m_entries.size()); }

    End end;
    Zip64End zip64End;
    QByteArray prefix;        // bytes before the first local header, counted in offsets
    QByteArray prepended;     // bytes put in front of the finished archive, as by
                              // "cat stub archive.zip": the offsets do not count them
    QByteArray beforeCentral; // bytes between the last entry and the central directory
    QByteArray afterCentral;  // bytes between the central directory and the end record
    QByteArray trailer;       // bytes after the archive comment
    // Order of the central records as indexes into the entries; empty: add() order.
    QVector<int> centralOrder;

    // Called with each finished record (fixed part, name, extra field and, for
    // the central record and end record, comment) before it is appended.
    std::function<void(int index, QByteArray &record)> localHeaderHook;
    std::function<void(int index, QByteArray &record)> centralRecordHook;
    std::function<void(QByteArray &record)> endRecordHook;

    Archive build() const;

    // Helpers for expected values.
    static quint32 crc32(const QByteArray &data);
    static QByteArray deflate(const QByteArray &data, int level = 6);
    // The data as the method stores it in an entry (for LZMA: the entry's
    // 4-byte version and properties header, then the stream with its end marker).
    static QByteArray compress(Method method, const QByteArray &data);
    // Salt, verifier, encrypted data and authentication code.
    static QByteArray encryptAes(const QByteArray &password, AesStrength strength, const QByteArray &salt,
                                 const QByteArray &data);
    // The 0x9901 extra field (11 bytes) for an AES entry of the method.
    static QByteArray aesExtraField(quint16 version, AesStrength strength, quint16 method);
    static QByteArray encrypt(const QByteArray &password, const QByteArray &plainHeader,
                              const QByteArray &data);
    static quint16 dosTime(int hour, int minute, int second);
    static quint16 dosDate(int year, int month, int day);
    static void putUShort(QByteArray &bytes, qint64 offset, quint16 value);
    static void putUInt(QByteArray &bytes, qint64 offset, quint32 value);
    static void putULongLong(QByteArray &bytes, qint64 offset, quint64 value);
    // One extra field block: header ID, size, data.
    static QByteArray extraBlock(quint16 id, const QByteArray &data);
    // A ZIP64 extra block holding these 8-byte values, in order.
    static QByteArray zip64Block(std::initializer_list<quint64> values);
    // A version-1 Unicode Path (0x7075) or Unicode Comment (0x6375) block for
    // the stored bytes, holding utf8; crc overrides the CRC-32 of stored.
    static QByteArray unicodeBlock(quint16 id, const QByteArray &stored, const QByteArray &utf8,
                                   std::optional<quint32> crc = std::nullopt);

private:
    std::deque<Entry> m_entries;
};

#endif // KELVANE_TESTS_RAWZIP_H
