// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ZIPFORMAT_P_H
#define KELVANE_ZIPFORMAT_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// The byte layout of the ZIP records read by UnZip and written by Zip: record
// signatures, field offsets, flag bits, methods, and the little-endian and
// MS-DOS date/time packing. Every other file takes these values from here.

#include <QtCore/QDateTime>
#include <QtCore/QtGlobal>

#include <limits>

namespace ZipFormat {

// Size of each of the two chunk buffers held by the reader and the writer.
constexpr int BufferSize = 262144;

// Length of the traditional encryption header in front of encrypted data.
constexpr int EncryptionHeaderSize = 12;

// Highest "version needed to extract" (low byte, times ten) the reader
// supports: 4.5, ZIP64 records.
constexpr int MaxSupportedVersion = 45;

// "Version needed to extract" of an entry that has ZIP64 records.
constexpr quint16 VersionNeededZip64 = 45;

// The ZIP64 field the writer puts into a local header: header, then the
// uncompressed and the compressed size, 8 bytes each.
constexpr int Zip64LocalExtraSize = 20;

// Version written by the writer into "version needed to extract".
constexpr quint16 VersionNeededToExtract = 20;

// "Version needed to extract" of an entry encrypted with AES.
constexpr quint16 VersionNeededAes = 51;

// Host systems, the high byte of "version made by". Names from an MS-DOS
// (FAT) host are taken by some readers to be in the OEM code page even when
// flagged as UTF-8; VFAT names are not.
enum HostSystem : quint8 {
    HostMsDos = 0,
    HostUnix = 3,
    HostOs2 = 6,
    HostWindowsNtfs = 10,
    HostVfat = 14
};

// MS-DOS attribute bits (low byte of the external attributes): a read-only
// file, a folder.
constexpr quint32 DosReadOnlyAttribute = 0x01;
constexpr quint32 DosDirectoryAttribute = 0x10;

// An entry from a Unix host holds the file's st_mode in the upper 16 bits
// of its external attributes: the type bits and the permission bits.
namespace UnixMode {
constexpr int AttributeShift = 16;
constexpr quint32 TypeMask = 0170000;
constexpr quint32 SymbolicLink = 0120000;
constexpr quint32 RegularFile = 0100000;
constexpr quint32 Directory = 0040000;
// Set-user-ID, set-group-ID and sticky bits, then read, write and execute
// for owner, group and others.
constexpr quint32 SpecialBits = 07000;
constexpr quint32 PermissionBits = 0777;
constexpr quint32 OwnerWrite = 0200;
// The modes of data added from memory or a device, and of a link.
constexpr quint32 DefaultFileMode = RegularFile | 0644;
constexpr quint32 LinkMode = SymbolicLink | 0777;
} // namespace UnixMode

enum Signature : quint32 {
    LocalHeaderSignature = 0x04034b50,
    DataDescriptorSignature = 0x08074b50,
    CentralHeaderSignature = 0x02014b50,
    EndRecordSignature = 0x06054b50,
    Zip64EndRecordSignature = 0x06064b50,
    Zip64LocatorSignature = 0x07064b50
};

enum Method : quint16 {
    MethodStored = 0,
    MethodDeflated = 8,
    MethodBzip2 = 12,
    MethodLzma = 14,
    MethodZstd = 93,
    MethodXz = 95,
    MethodAes = 99 // WinZip AES; the real method is in the 0x9901 extra field
};

// Bits of the first (low) general purpose flag byte.
enum LowFlag : unsigned char {
    FlagEncrypted = 0x01,
    FlagLzmaEndMarker = 0x02, // method 14: the stream ends with an end marker
    FlagDataDescriptor = 0x08,
    FlagStrongEncryption = 0x40
};

// Bits of the second (high) general purpose flag byte.
enum HighFlag : unsigned char {
    FlagUtf8Names = 0x08 // bit 11 of the 16-bit field
};

// Local file header: fixed part, followed by the name and the extra field.
namespace LocalHeader {
enum Offset : int {
    Signature = 0,
    VersionNeeded = 4,
    Flags = 6,
    Method = 8,
    Time = 10,
    Date = 12,
    Crc = 14,
    CompressedSize = 18,
    UncompressedSize = 22,
    NameLength = 26,
    ExtraLength = 28,
    Size = 30
};
}

// Data descriptor, as written (with its optional signature).
namespace DataDescriptor {
enum Offset : int {
    Signature = 0,
    Crc = 4,
    CompressedSize = 8,
    UncompressedSize = 12,
    Size = 16,
    SizeWithoutSignature = 12
};
}

// Data descriptor of an entry with ZIP64 records: 8-byte sizes.
namespace Zip64DataDescriptor {
enum Offset : int {
    Signature = 0,
    Crc = 4,
    CompressedSize = 8,
    UncompressedSize = 16,
    Size = 24,
    SizeWithoutSignature = 20
};
}

// Central directory file header: fixed part, then name, extra field, comment.
namespace CentralHeader {
enum Offset : int {
    Signature = 0,
    VersionMadeBy = 4,
    VersionNeeded = 6,
    Flags = 8,
    Method = 10,
    Time = 12,
    Date = 14,
    Crc = 16,
    CompressedSize = 20,
    UncompressedSize = 24,
    NameLength = 28,
    ExtraLength = 30,
    CommentLength = 32,
    DiskStart = 34,
    InternalAttributes = 36,
    ExternalAttributes = 38,
    LocalHeaderOffset = 42,
    Size = 46
};
}

// End of central directory record, followed by the archive comment.
namespace EndRecord {
enum Offset : int {
    Signature = 0,
    DiskNumber = 4,
    DirectoryDisk = 6,
    DiskEntries = 8,
    TotalEntries = 10,
    DirectorySize = 12,
    DirectoryOffset = 16,
    CommentLength = 20,
    Size = 22
};
}

// ZIP64 end of central directory record: fixed part, then extensible data.
// RecordSize counts the bytes after itself (44 for the fixed part).
namespace Zip64EndRecord {
enum Offset : int {
    Signature = 0,
    RecordSize = 4,
    VersionMadeBy = 12,
    VersionNeeded = 14,
    DiskNumber = 16,
    DirectoryDisk = 20,
    DiskEntries = 24,
    TotalEntries = 32,
    DirectorySize = 40,
    DirectoryOffset = 48,
    Size = 56
};
}

// ZIP64 end of central directory locator, right in front of the end record.
namespace Zip64Locator {
enum Offset : int {
    Signature = 0,
    EndRecordDisk = 4,
    EndRecordOffset = 8,
    TotalDisks = 16,
    Size = 20
};
}

// Extra field: blocks of a 2-byte header ID, a 2-byte data size and the data.
namespace ExtraField {
constexpr int HeaderSize = 4;

enum HeaderId : quint16 {
    // 8-byte values for the record's 32-bit fields that hold 0xffffffff (and
    // the 4-byte disk number for 0xffff), in this order: uncompressed size,
    // compressed size, local header offset, disk number.
    Zip64 = 0x0001,
    // Version 1, the CRC-32 of the stored name (comment), then UTF-8 text.
    UnicodePath = 0x7075,
    UnicodeComment = 0x6375,
    // WinZip AES: vendor version (1 or 2), "AE", key strength (1-3), and
    // the method of the data under the encryption.
    WinZipAes = 0x9901,
    // Extended timestamp: a flags byte (bit 0: the modification time is
    // there), then the times as 32-bit seconds since 1970 (UTC), signed for
    // some readers, unsigned for others. The writer puts only the
    // modification time into both headers, and only times from 1970 on.
    ExtendedTimestamp = 0x5455,
    // NTFS: 4 reserved bytes, then attributes of a 2-byte tag and a 2-byte
    // size; tag 1 holds the modification, access and creation times as
    // 64-bit counts of 100 ns since 1601 (UTC). The writer uses it for times
    // the extended timestamp does not hold (before 1970, after January
    // 2038), with all three the same.
    NtfsTimes = 0x000a
};

namespace Ntfs {
enum Offset : int {
    Reserved = 0,
    Tag = 4,
    TagSize = 6,
    ModificationTime = 8,
    AccessTime = 16,
    CreationTime = 24,
    Size = 32
};
constexpr quint16 TimesTag = 1;
constexpr quint16 TimesSize = 24;
// Seconds from 1601-01-01 to 1970-01-01, and ticks per second.
constexpr qint64 EpochOffset = 11644473600LL;
constexpr qint64 TicksPerSecond = 10000000LL;
} // namespace Ntfs

namespace Timestamp {
enum Offset : int {
    Flags = 0,
    ModificationTime = 1,
    Size = 5
};
constexpr unsigned char HasModificationTime = 0x01;
} // namespace Timestamp

namespace Aes {
enum Offset : int {
    VendorVersion = 0,
    VendorId = 2,
    Strength = 4,
    Method = 5,
    Size = 7
};
}

namespace Unicode {
enum Offset : int {
    Version = 0,
    Crc = 1,
    Text = 5
};
}
} // namespace ExtraField

// Largest value of a 16-bit count or length field.
constexpr quint32 MaxUShort = 0xffff;

// Largest value of a 32-bit size or offset field (no ZIP64 records).
constexpr quint64 MaxUInt = 0xffffffffu;

inline quint16 readUShort(const unsigned char *p)
{
    return quint16(p[0] | (p[1] << 8));
}

inline quint32 readUInt(const unsigned char *p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

inline quint64 readULongLong(const unsigned char *p)
{
    return quint64(readUInt(p)) | (quint64(readUInt(p + 4)) << 32);
}

// a + b for values that are not negative (sizes, offsets): true, with *sum
// unset, when the sum does not fit 63 bits. (Qt 5 has no public
// qAddOverflow.)
inline bool addOverflows(qint64 a, qint64 b, qint64 *sum)
{
    if (a < 0 || b < 0 || b > std::numeric_limits<qint64>::max() - a)
        return true;
    *sum = a + b;
    return false;
}

// The external attributes of an entry with the Unix mode: the mode in the
// upper half, and the MS-DOS folder and read-only bits that readers of other
// hosts look at in the low byte.
inline quint32 externalAttributesFor(quint32 mode)
{
    quint32 attributes = mode << UnixMode::AttributeShift;
    if ((mode & UnixMode::TypeMask) == UnixMode::Directory)
        attributes |= DosDirectoryAttribute;
    if (!(mode & UnixMode::OwnerWrite))
        attributes |= DosReadOnlyAttribute;
    return attributes;
}

inline void writeUShort(unsigned char *p, quint16 v)
{
    p[0] = uchar(v & 0xff);
    p[1] = uchar((v >> 8) & 0xff);
}

inline void writeUInt(unsigned char *p, quint32 v)
{
    p[0] = uchar(v & 0xff);
    p[1] = uchar((v >> 8) & 0xff);
    p[2] = uchar((v >> 16) & 0xff);
    p[3] = uchar((v >> 24) & 0xff);
}

inline void writeULongLong(unsigned char *p, quint64 v)
{
    writeUInt(p, quint32(v & 0xffffffffu));
    writeUInt(p + 4, quint32(v >> 32));
}

// MS-DOS time: hour in bits 11-15, minute in bits 5-10, second / 2 in bits 0-4,
// stored as two bytes, low byte first.
inline void encodeDosTime(const QTime &t, unsigned char out[2])
{
    out[0] = uchar(((t.minute() << 5) + t.second() / 2) & 0xff);
    out[1] = uchar(((t.hour() << 3) + (t.minute() >> 3)) & 0xff);
}

// The range of MS-DOS dates and times: 1980-01-01 00:00:00 to 2107-12-31
// 23:59:58. A time outside it is taken as the nearest end of it, so that a
// file from 1970 is not stored as 2098, nor one from 2110 as 1982.
inline QDateTime clampToDosRange(const QDateTime &t)
{
    const QDateTime first(QDate(1980, 1, 1), QTime(0, 0, 0));
    const QDateTime last(QDate(2107, 12, 31), QTime(23, 59, 58));
    if (!t.isValid() || t.date() < first.date())
        return first;
    return t.date() > last.date() ? last : t;
}

// MS-DOS date: years since 1980 in bits 9-15, month in bits 5-8, day in bits 0-4.
// Dates outside 1980..2107 are taken as the first or last day of that range.
inline void encodeDosDate(const QDate &date, unsigned char out[2])
{
    const QDate d = date.year() < 1980 ? QDate(1980, 1, 1) : date.year() > 2107 ? QDate(2107, 12, 31)
                                                                                : date;
    out[0] = uchar(((d.month() << 5) + d.day()) & 0xff);
    out[1] = uchar((((d.year() - 1980) << 1) + (d.month() >> 3)) & 0xff);
}

// Local date-time from the stored bytes; fields that do not form a valid date
// or time give an invalid QDateTime. (Qt 5 keeps a date-time valid when only
// its time is invalid, taking midnight instead, so the time is checked here.)
inline QDateTime decodeDosDateTime(const unsigned char time[2], const unsigned char date[2])
{
    const quint16 t = readUShort(time);
    const quint16 d = readUShort(date);
    const int hour = t >> 11;
    const int minute = (t >> 5) & 63;
    const int second = (t & 31) * 2;
    if (!QTime::isValid(hour, minute, second))
        return QDateTime();
    QDateTime dt;
    dt.setDate(QDate(1980 + (d >> 9), (d >> 5) & 15, d & 31));
    dt.setTime(QTime(hour, minute, second, 0));
    return dt;
}

} // namespace ZipFormat

#endif // KELVANE_ZIPFORMAT_P_H
