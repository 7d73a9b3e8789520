// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ZIPENTRY_P_H
#define KELVANE_ZIPENTRY_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.

#include "common/zipformat_p.h"

#include <QtCore/QString>

// The per-entry record: one per central directory record read by UnZip, one
// per entry written by Zip. Flags, time and date are kept as the two stored
// bytes each, low byte first, and compared byte by byte with the local header.
// Sizes and offsets are 64-bit: with ZIP64 records they pass 4 GiB.
class ZipEntryP
{
public:
    quint64 localHeaderOffset = 0;
    quint64 dataOffset = 0;
    unsigned char generalFlags[2] = {0, 0};
    quint16 compressionMethod = 0;
    unsigned char dosTime[2] = {0, 0};
    unsigned char dosDate[2] = {0, 0};
    quint32 crc = 0;
    quint64 compressedSize = 0;
    quint64 uncompressedSize = 0;
    QString comment;
    bool localHeaderChecked = false;
    // Read side: a folder (its name ends with "/", or the MS-DOS directory
    // attribute says so), and a name from an MS-DOS or Windows host whose
    // backslashes separate its folders.
    bool isFolder = false;
    bool backslashSeparators = false;
    // Read side: the name as its stored bytes read, when a Unicode Path
    // field gave the entry another one (null otherwise).
    QString storedName;
    // Write side: the local header holds both sizes in a ZIP64 field (and the
    // data descriptor has 8-byte sizes), for an entry that may pass 4 GiB.
    bool zip64LocalSizes = false;
    // WinZip AES (method 99), from the 0x9901 extra field: key strength
    // (1-3; 0 for other entries), AE-1 or AE-2, and the method of the data.
    quint8 aesStrength = 0;
    quint16 aesVersion = 0;
    quint16 aesMethod = 0;
    // The host of "version made by" and the external attributes: the Unix
    // mode in their upper half when the host is Unix. The writer makes
    // every entry on a Unix host.
    quint8 hostSystem = ZipFormat::HostUnix;
    quint32 externalAttributes = 0;
    // The modification time of the extended timestamp field, in seconds
    // since 1970 (UTC), when the entry has one (read side) or gets one
    // (write side).
    bool hasUnixTime = false;
    qint64 unixTime = 0;

    bool isEncrypted() const { return generalFlags[0] & ZipFormat::FlagEncrypted; }
    bool hasDataDescriptor() const { return generalFlags[0] & ZipFormat::FlagDataDescriptor; }
    bool hasUtf8Names() const { return generalFlags[1] & ZipFormat::FlagUtf8Names; }
    bool isAesEncrypted() const { return compressionMethod == ZipFormat::MethodAes; }
    // The Unix mode (type and permission bits) of an entry from a Unix host;
    // 0 for other hosts.
    quint32 unixMode() const
    {
        return hostSystem == ZipFormat::HostUnix ? externalAttributes >> ZipFormat::UnixMode::AttributeShift : 0;
    }
    bool isSymbolicLink() const
    {
        return (unixMode() & ZipFormat::UnixMode::TypeMask) == ZipFormat::UnixMode::SymbolicLink;
    }
    // The method the data is compressed with, below any AES encryption.
    quint16 dataMethod() const { return isAesEncrypted() ? aesMethod : compressionMethod; }
};

#endif // KELVANE_ZIPENTRY_P_H
