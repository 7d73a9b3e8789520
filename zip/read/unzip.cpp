// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include <kelvanezip/unzip.h>
#include "read/unzip_p.h"

#include "read/extractionpath_p.h"
#include "read/filesystem_p.h"
#include "read/inflater_p.h"
#include "common/zipcrc_p.h"
#include "common/ziplog_p.h"
#include "common/zipaes_p.h"
#include "common/zipextrafield_p.h"
#include "common/zipnames_p.h"
#include "read/zipreadable_p.h"

#include <QtCore/QBuffer>
#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileDevice>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryFile>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

using namespace ZipFormat;

namespace {

// Indexed by UnZip::ErrorCode: every code has its own text.
const char *const errorMessages[] = {
    QT_TRANSLATE_NOOP("UnZip", "ZIP operation completed successfully."),
    QT_TRANSLATE_NOOP("UnZip", "Failed to initialize or load zlib library."),
    QT_TRANSLATE_NOOP("UnZip", "zlib library error."),
    QT_TRANSLATE_NOOP("UnZip", "Unable to create or open file."),
    QT_TRANSLATE_NOOP("UnZip", "Partially corrupted archive. Some files might be extracted."),
    QT_TRANSLATE_NOOP("UnZip", "Corrupted archive."),
    QT_TRANSLATE_NOOP("UnZip", "Wrong password."),
    QT_TRANSLATE_NOOP("UnZip", "No archive has been created yet."),
    QT_TRANSLATE_NOOP("UnZip", "File or directory does not exist."),
    QT_TRANSLATE_NOOP("UnZip", "File read error."),
    QT_TRANSLATE_NOOP("UnZip", "File write error."),
    QT_TRANSLATE_NOOP("UnZip", "File seek error."),
    QT_TRANSLATE_NOOP("UnZip", "Unable to create a directory."),
    QT_TRANSLATE_NOOP("UnZip", "Invalid device."),
    QT_TRANSLATE_NOOP("UnZip", "Invalid or incompatible zip archive."),
    QT_TRANSLATE_NOOP("UnZip", "Inconsistent headers. Archive might be corrupted."),
    QT_TRANSLATE_NOOP("UnZip", "Wrong or missing password."),
    QT_TRANSLATE_NOOP("UnZip", "The file exists; it was not overwritten.")};
const char *const unknownErrorMessage = QT_TRANSLATE_NOOP("UnZip", "Unknown error.");
const char *const cancelledMessage = QT_TRANSLATE_NOOP("UnZip", "Extraction cancelled.");

// Highest position of the end record signature in data[0, length), or -1.
qint64 lastSignatureIn(const unsigned char *data, qint64 length)
{
    const unsigned char first = EndRecordSignature & 0xff;
    qint64 end = length - 3; // a match must have four bytes in the block
    while (end > 0) {
        const qint64 pos = FileSystem::lastIndexOf(data, end, first);
        if (pos < 0)
            return -1;
        if (readUInt(data + pos) == EndRecordSignature)
            return pos;
        end = pos;
    }
    return -1;
}

UnZip::EntryCompression publicCompression(quint16 method)
{
    switch (method) {
    case MethodStored:
        return UnZip::Stored;
    case MethodDeflated:
        return UnZip::Deflated;
    case MethodBzip2:
        return UnZip::Bzip2;
    case MethodLzma:
        return UnZip::Lzma;
    case MethodZstd:
        return UnZip::Zstd;
    case MethodXz:
        return UnZip::Xz;
    default:
        return UnZip::UnknownMethod;
    }
}

} // namespace

// ---------------------------------------------------------------------------
// UnzipPrivate: opening and the central directory
// ---------------------------------------------------------------------------

UnzipPrivate::UnzipPrivate() = default;

UnzipPrivate::~UnzipPrivate()
{
    closeArchive();
}

QString UnzipPrivate::decodeText(const char *data, int size, bool utf8Flag) const
{
    return ZipNames::decode(data, size, utf8Flag, directoryCodec);
}

bool UnzipPrivate::seekTo(quint64 position)
{
    return position <= quint64(std::numeric_limits<qint64>::max()) && device->seek(qint64(position));
}

bool UnzipPrivate::readAt(quint64 position, int length)
{
    return seekTo(position) && device->read(reinterpret_cast<char *>(inputBuffer), length) == length;
}

bool UnzipPrivate::hasSignatureAt(quint64 position, quint32 signature)
{
    if (position > quint64(deviceSize) || quint64(deviceSize) - position < 4)
        return false;
    return readAt(position, 4) && readUInt(inputBuffer) == signature;
}

UnZip::ErrorCode UnzipPrivate::openArchive(QIODevice *dev)
{
    Q_ASSERT(dev);
    if (device == dev)
        releaseDirectory(); // handed in again: keep the device, read it anew
    else if (device)
        closeArchive();

    device = dev;
    directoryCodec = fileNameCodec;
    if (!device->isOpen() && !device->open(QIODevice::ReadOnly)) {
        entryDevices.detachAll();
        delete device;
        device = nullptr;
        diagnostic.report("Unable to open device for reading");
        return UnZip::FileOpenFailed;
    }

    UnZip::ErrorCode ec = seekToCentralDirectory();
    if (ec != UnZip::Success) {
        closeArchive();
        return ec;
    }
    if (directoryEntryCount == 0)
        return UnZip::Success;

    bool directoryFound = false;
    for (;;) {
        if (device->read(reinterpret_cast<char *>(inputBuffer), 4) != 4) {
            if (!entries) {
                diagnostic.report("Corrupted or invalid zip archive");
                ec = UnZip::CorruptedArchive;
            } else {
                diagnostic.report("Corrupted zip archive. Some files might be extracted.");
                ec = UnZip::PartiallyCorruptedArchive;
            }
            closeArchive();
            return ec;
        }
        if (readUInt(inputBuffer) != CentralHeaderSignature)
            break;
        directoryFound = true;
        ec = parseCentralDirectoryRecord();
        if (ec != UnZip::Success) {
            closeArchive();
            return ec;
        }
    }
    // The end record announces entries: an archive without a directory where
    // it says is damaged, not empty.
    if (!directoryFound) {
        diagnostic.report(QString::fromLatin1("No central directory at offset %1").arg(directoryOffset));
        closeArchive();
        return UnZip::CorruptedArchive;
    }
    std::sort(localHeaderOffsets.begin(), localHeaderOffsets.end());
    return UnZip::Success;
}

UnZip::ErrorCode UnzipPrivate::findEndRecordBackwards(qint64 size, qint64 *position)
{
    // Positions size - 23 down to 0 are examined, highest first. Each block is
    // read with one seek and one read and holds the four bytes of every
    // position it examines, so a signature that crosses into the block above
    // is still found.
    qint64 highest = size - EndRecord::Size - 1;
    const qint64 positionsPerBlock = BufferSize - 3;
    while (highest >= 0) {
        const qint64 lowest = qMax<qint64>(0, highest - positionsPerBlock + 1);
        const qint64 length = highest - lowest + 4;
        if (!device->seek(lowest))
            return UnZip::FileSeekError;
        if (device->read(reinterpret_cast<char *>(inputBuffer), length) != length)
            return UnZip::IncompatibleArchive;
        const qint64 hit = lastSignatureIn(inputBuffer, length);
        if (hit >= 0) {
            *position = lowest + hit;
            return UnZip::Success;
        }
        highest = lowest - 1;
    }
    return UnZip::IncompatibleArchive;
}

UnZip::ErrorCode UnzipPrivate::readZip64EndRecord(qint64 locatorPosition, qint64 *position)
{
    *position = -1;
    if (!readAt(quint64(locatorPosition), Zip64Locator::Size)
        || readUInt(inputBuffer) != Zip64LocatorSignature) {
        return UnZip::Success;
    }
    // Where the locator says, or, with data in front of the archive, right in
    // front of the locator, where every writer puts it.
    const quint64 stated = readULongLong(inputBuffer + Zip64Locator::EndRecordOffset);
    if (locatorPosition < Zip64EndRecord::Size)
        return UnZip::Success;
    const quint64 adjacent = quint64(locatorPosition - Zip64EndRecord::Size);
    for (const quint64 candidate : {stated, adjacent}) {
        if (candidate > adjacent)
            continue;
        if (!readAt(candidate, Zip64EndRecord::Size))
            return UnZip::FileReadError;
        if (readUInt(inputBuffer) == Zip64EndRecordSignature) {
            *position = qint64(candidate);
            return UnZip::Success;
        }
    }
    return UnZip::Success;
}

void UnzipPrivate::locateCentralDirectory(quint64 directoryEnd, quint64 directorySize, bool placeholder)
{
    // Data in front of the archive (a self-extractor, a script) moves every
    // record while the stored offsets stay as the writer knew them. The
    // directory ends where the end record (or the ZIP64 end record) begins,
    // so it starts its size before that: when the directory is there rather
    // than where the end record says, every offset moves by the difference.
    // An offset that is only the ZIP64 placeholder, with no ZIP64 end record
    // to replace it (Info-ZIP zip -fz writing to a pipe leaves it so), says
    // nothing about the other offsets: the directory is taken from where its
    // size puts it, and they stay as they are.
    offsetCorrection = 0;
    if (directoryEntryCount == 0 || hasSignatureAt(directoryOffset, CentralHeaderSignature))
        return;
    if (directorySize > directoryEnd || (directoryOffset > quint64(deviceSize) && !placeholder))
        return;
    const quint64 expected = directoryEnd - directorySize;
    if (expected == directoryOffset || !hasSignatureAt(expected, CentralHeaderSignature))
        return;
    if (!placeholder)
        offsetCorrection = qint64(expected) - qint64(directoryOffset);
    directoryOffset = expected;
}

quint64 UnzipPrivate::correctedOffset(quint64 stored) const
{
    // Offsets that the correction would move before the start of the device
    // or past 64 bits lead nowhere: the largest value, which no seek reaches.
    constexpr quint64 nowhere = std::numeric_limits<quint64>::max();
    if (offsetCorrection >= 0) {
        const quint64 add = quint64(offsetCorrection);
        return stored > nowhere - add ? nowhere : stored + add;
    }
    const quint64 subtract = quint64(-offsetCorrection);
    return stored < subtract ? nowhere : stored - subtract;
}

UnZip::ErrorCode UnzipPrivate::seekToCentralDirectory()
{
    const qint64 size = device->size();
    deviceSize = size;
    if (size < EndRecord::Size)
        return UnZip::IncompatibleArchive;

    qint64 position = size - EndRecord::Size;
    if (!device->seek(position))
        return UnZip::FileSeekError;
    if (device->read(reinterpret_cast<char *>(inputBuffer), EndRecord::Size) != EndRecord::Size)
        return UnZip::FileReadError;

    if (readUInt(inputBuffer) != EndRecordSignature) {
        const UnZip::ErrorCode ec = findEndRecordBackwards(size, &position);
        if (ec != UnZip::Success)
            return ec;
        if (!device->seek(position))
            return UnZip::FileSeekError;
        if (device->read(reinterpret_cast<char *>(inputBuffer), EndRecord::Size) != EndRecord::Size)
            return UnZip::FileReadError;
    }

    directoryOffset = readUInt(inputBuffer + EndRecord::DirectoryOffset);
    directoryEntryCount = readUShort(inputBuffer + EndRecord::TotalEntries);
    quint64 directorySize = readUInt(inputBuffer + EndRecord::DirectorySize);
    // A comment that runs past the end of the device is cut there, as other
    // readers do: what is there of it is still the comment.
    const qint64 commentLength = qMin<qint64>(readUShort(inputBuffer + EndRecord::CommentLength),
                                              size - position - EndRecord::Size);
    const UnZip::ErrorCode commentRead = readArchiveComment(commentLength);
    if (commentRead != UnZip::Success)
        return commentRead;

    // A ZIP64 end record, found through the locator in front of the end
    // record, holds the 64-bit count, size and offset.
    quint64 directoryEnd = quint64(position);
    bool placeholder = directoryOffset == MaxUInt;
    if (position >= Zip64Locator::Size) {
        qint64 zip64Position = -1;
        const UnZip::ErrorCode ec = readZip64EndRecord(position - Zip64Locator::Size, &zip64Position);
        if (ec != UnZip::Success)
            return ec;
        if (zip64Position >= 0) {
            directoryEntryCount = readULongLong(inputBuffer + Zip64EndRecord::TotalEntries);
            directorySize = readULongLong(inputBuffer + Zip64EndRecord::DirectorySize);
            directoryOffset = readULongLong(inputBuffer + Zip64EndRecord::DirectoryOffset);
            directoryEnd = quint64(zip64Position);
            placeholder = false;
        }
    }

    locateCentralDirectory(directoryEnd, directorySize, placeholder);
    if (!seekTo(directoryOffset))
        return UnZip::FileSeekError;
    return UnZip::Success;
}

// The record's signature is already in inputBuffer[0..3]; the rest of its
// fixed part goes behind it, so that field offsets apply unchanged.
bool UnzipPrivate::readFixedPart(qint64 size)
{
    const qint64 rest = size - 4;
    return device->read(reinterpret_cast<char *>(inputBuffer) + 4, rest) == rest;
}

UnZip::ErrorCode UnzipPrivate::lacksZip64Value(const QString &name)
{
    diagnostic.report(QString::fromLatin1("ZIP64 extra field lacks a value for the record of %1").arg(name));
    return UnZip::CorruptedArchive;
}

UnZip::ErrorCode UnzipPrivate::readArchiveComment(qint64 commentLength)
{
    if (commentLength <= 0)
        return UnZip::Success;
    const QByteArray bytes = device->read(commentLength);
    if (bytes.size() != commentLength)
        return UnZip::FileReadError;
    const int zero = int(bytes.indexOf('\0')); // at most 65535 bytes
    const int length = zero < 0 ? int(bytes.size()) : zero;
    comment = decodeText(bytes.constData(), length, false);
    return UnZip::Success;
}

UnZip::ErrorCode UnzipPrivate::parseCentralDirectoryRecord()
{
    if (!readFixedPart(CentralHeader::Size))
        return UnZip::FileReadError;
    const unsigned char *h = inputBuffer;

    const quint16 method = readUShort(h + CentralHeader::Method);
    const quint16 versionNeeded = readUShort(h + CentralHeader::VersionNeeded);
    const quint16 flags = readUShort(h + CentralHeader::Flags);
    const int nameLength = readUShort(h + CentralHeader::NameLength);
    const int extraLength = readUShort(h + CentralHeader::ExtraLength);
    const int commentLength = readUShort(h + CentralHeader::CommentLength);
    quint64 compressedSize = readUInt(h + CentralHeader::CompressedSize);
    quint64 uncompressedSize = readUInt(h + CentralHeader::UncompressedSize);
    quint64 localHeaderOffset = readUInt(h + CentralHeader::LocalHeaderOffset);
    quint32 diskNumber = readUShort(h + CentralHeader::DiskStart);

    // Name, extra field and comment in one read: together they fit the buffer.
    const int variable = nameLength + extraLength + commentLength;
    if (device->read(reinterpret_cast<char *>(outputBuffer), variable) != variable)
        return UnZip::FileReadError;
    const char *nameData = reinterpret_cast<const char *>(outputBuffer);
    const QByteArray storedName = QByteArray::fromRawData(nameData, nameLength);
    const QByteArray storedComment = QByteArray::fromRawData(nameData + nameLength + extraLength,
                                                             commentLength);
    const ZipExtraField extra(outputBuffer + nameLength, extraLength, storedName, storedComment);

    const bool utf8 = flags & (FlagUtf8Names << 8);
    if (!extra.resolveZip64(&uncompressedSize, &compressedSize, &localHeaderOffset, &diskNumber))
        return lacksZip64Value(decodeText(nameData, nameLength, utf8));
    localHeaderOffset = correctedOffset(localHeaderOffset);

    // Every central record names a local header, skipped or not: the
    // boundaries between entries' data.
    localHeaderOffsets.append(localHeaderOffset);

    const QString unicodeName = extra.unicodePath();
    const QString name = unicodeName.isNull() ? decodeText(nameData, nameLength, utf8) : unicodeName;

    if (const std::optional<UnZip::SkipReason> reason = ZipReadable::obstacle(method, versionNeeded, flags, extra, nameLength != 0)) {
        skipUnreadable(name, *reason, extra);
        return UnZip::Success;
    }

    ZipEntryP *entry = newDirectoryEntry(h, extra);
    entry->compressedSize = compressedSize;
    entry->uncompressedSize = uncompressedSize;
    entry->localHeaderOffset = localHeaderOffset;
    if (!unicodeName.isNull())
        entry->storedName = decodeText(nameData, nameLength, utf8);
    if (commentLength != 0) {
        const QString unicodeComment = extra.unicodeComment();
        entry->comment = unicodeComment.isNull() ? decodeText(storedComment.constData(), commentLength, utf8)
                                                 : unicodeComment;
    }

    classifyName(*entry, name, h[CentralHeader::VersionMadeBy + 1], readUInt(h + CentralHeader::ExternalAttributes));
    addEntry(name, entry);
    return UnZip::Success;
}

void UnzipPrivate::skipUnreadable(const QString &name, UnZip::SkipReason reason, const ZipExtraField &extra)
{
    const unsigned char *h = inputBuffer;
    const quint16 method = readUShort(h + CentralHeader::Method);
    const quint16 versionNeeded = readUShort(h + CentralHeader::VersionNeeded);
    const quint16 flags = readUShort(h + CentralHeader::Flags);
    switch (reason) {
    case UnZip::UnsupportedMethod:
        diagnostic.report("Unsupported compression method. Skipping file.");
        break;
    case UnZip::UnsupportedVersion:
        diagnostic.report("Unsupported PKZip version. Skipping file.");
        break;
    case UnZip::UnsupportedEncryption:
        diagnostic.report("Unsupported encryption. Skipping file.");
        break;
    case UnZip::NamelessEntry:
        diagnostic.report("Skipping file with no name.");
        break;
    }
    // An AES entry whose data method is not read is listed with that method.
    const bool aesOverMethod = KELVANE_HAVE_AES && method == MethodAes && extra.hasAes() && reason == UnZip::UnsupportedMethod;
    skipped.append({name, reason, aesOverMethod ? extra.aes().method : method, versionNeeded, flags});
}

ZipEntryP *UnzipPrivate::newDirectoryEntry(const unsigned char *h, const ZipExtraField &extra)
{
    auto *entry = new ZipEntryP;
    entry->generalFlags[0] = h[CentralHeader::Flags];
    entry->generalFlags[1] = h[CentralHeader::Flags + 1];
    entry->compressionMethod = readUShort(h + CentralHeader::Method);
    entry->dosTime[0] = h[CentralHeader::Time];
    entry->dosTime[1] = h[CentralHeader::Time + 1];
    entry->dosDate[0] = h[CentralHeader::Date];
    entry->dosDate[1] = h[CentralHeader::Date + 1];
    entry->crc = readUInt(h + CentralHeader::Crc);
    entry->hostSystem = h[CentralHeader::VersionMadeBy + 1];
    entry->externalAttributes = readUInt(h + CentralHeader::ExternalAttributes);
    entry->hasUnixTime = extra.hasModificationTime();
    entry->unixTime = extra.modificationTime();
    if (entry->compressionMethod == MethodAes) {
        entry->aesStrength = extra.aes().strength;
        entry->aesVersion = extra.aes().version;
        entry->aesMethod = extra.aes().method;
    }
    return entry;
}

void UnzipPrivate::classifyName(ZipEntryP &entry, const QString &name, quint8 host, quint32 attributes)
{
    // MS-DOS and Windows tools store names with backslashes between folders;
    // elsewhere a backslash is part of the name.
    const bool dosHost = host == HostMsDos || host == HostOs2 || host == HostWindowsNtfs || host == HostVfat;
    entry.backslashSeparators = dosHost && name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char('/'));
    const QChar last = name.isEmpty() ? QChar() : name.at(name.size() - 1);
    // A folder also when only the MS-DOS directory attribute says so, unless
    // a Unix mode in the upper half of the attributes speaks for itself, or
    // there are data.
    const bool dosFolder = (attributes & DosDirectoryAttribute) && (dosHost || (attributes >> 16) == 0)
        && entry.uncompressedSize == 0;
    entry.isFolder = last == QLatin1Char('/') || (entry.backslashSeparators && last == QLatin1Char('\\'))
        || dosFolder;
}

void UnzipPrivate::addEntry(const QString &name, ZipEntryP *entry)
{
    if (!entries)
        entries = new QMap<QString, ZipEntryP *>;
    // Directories are mostly written in name order: a name above the last
    // key goes to the end with one comparison instead of a search.
    if (entries->isEmpty() || entries->lastKey() < name) {
        entries->insert(entries->cend(), name, entry);
        return;
    }
    // Otherwise one search finds both a record of the same name and, when
    // there is none, the place of the new one.
    auto existing = entries->lowerBound(name);
    if (existing != entries->end() && existing.key() == name) {
        delete existing.value();
        existing.value() = entry;
    } else {
        entries->insert(existing, name, entry);
    }
}

void UnzipPrivate::releaseDirectory()
{
    if (entries) {
        qDeleteAll(*entries);
        delete entries;
        entries = nullptr;
    }
    directoryOffset = 0;
    directoryEntryCount = 0;
    offsetCorrection = 0;
    comment = QString();
    localHeaderOffsets.clear();
    skipped.clear();
}

void UnzipPrivate::closeArchive()
{
    if (!device)
        return;
    releaseDirectory();
    entryDevices.detachAll();
    delete device;
    device = nullptr;
}

// ---------------------------------------------------------------------------
// UnzipPrivate: local headers, decryption and data
// ---------------------------------------------------------------------------

quint64 UnzipPrivate::nextLocalHeaderAfter(quint64 offset) const
{
    // The central directory also ends the data of the entries before it.
    quint64 limit = directoryOffset > offset ? directoryOffset : std::numeric_limits<quint64>::max();
    const auto next = std::upper_bound(localHeaderOffsets.constBegin(), localHeaderOffsets.constEnd(), offset);
    if (next != localHeaderOffsets.constEnd() && *next < limit)
        limit = *next;
    return limit;
}

UnZip::ErrorCode UnzipPrivate::parseLocalHeaderRecord(const QString &path, ZipEntryP &entry)
{
    if (!seekTo(entry.localHeaderOffset))
        return UnZip::FileSeekError;
    if (device->read(reinterpret_cast<char *>(inputBuffer), 4) != 4)
        return UnZip::FileReadError;
    if (readUInt(inputBuffer) != LocalHeaderSignature)
        return UnZip::IncompatibleArchive;
    if (!readFixedPart(LocalHeader::Size))
        return UnZip::FileReadError;
    const unsigned char *h = inputBuffer;

    if (!localHeaderAgrees(h, entry))
        return UnZip::InconsistentHeaders;

    const int nameLength = readUShort(h + LocalHeader::NameLength);
    const int extraLength = readUShort(h + LocalHeader::ExtraLength);
    if (nameLength == 0)
        return UnZip::InconsistentHeaders;
    const int variable = nameLength + extraLength;
    if (device->read(reinterpret_cast<char *>(outputBuffer), variable) != variable)
        return UnZip::FileReadError;
    const char *nameData = reinterpret_cast<const char *>(outputBuffer);
    const ZipExtraField extra(outputBuffer + nameLength, extraLength,
                              QByteArray::fromRawData(nameData, nameLength));

    if (!entry.hasDataDescriptor() && !localSizesAgree(h, extra, entry))
        return UnZip::InconsistentHeaders;

    // The names agree when any reading of the local name (its stored bytes,
    // or its Unicode Path) gives either reading of the central one.
    const QString storedName = decodeText(nameData, nameLength, entry.hasUtf8Names());
    const QString unicodeName = extra.unicodePath();
    const bool sameName = storedName == path || unicodeName == path
        || (!entry.storedName.isNull() && (storedName == entry.storedName || unicodeName == entry.storedName));
    if (!sameName) {
        diagnostic.report("Filename in local header mismatches.");
        return UnZip::InconsistentHeaders;
    }
    entry.dataOffset = entry.localHeaderOffset + quint64(LocalHeader::Size + variable);

    // An entry's data may not reach into the next entry: archives whose
    // entries share or overlap their data could otherwise inflate the same
    // bytes over and over.
    const quint64 limit = nextLocalHeaderAfter(entry.localHeaderOffset);
    if (entry.dataOffset > limit || entry.compressedSize > limit - entry.dataOffset) {
        diagnostic.report(QString::fromLatin1("Entry data overlaps the next entry: %1").arg(path));
        return UnZip::InconsistentHeaders;
    }

    if (!entry.hasDataDescriptor())
        return UnZip::Success;
    if (!seekTo(entry.dataOffset + entry.compressedSize))
        return UnZip::FileSeekError;
    return checkDataDescriptor(path, entry, extra.hasZip64(), limit);
}

bool UnzipPrivate::localHeaderAgrees(const unsigned char *h, const ZipEntryP &entry)
{
    return readUShort(h + LocalHeader::Method) == entry.compressionMethod
        && h[LocalHeader::Flags] == entry.generalFlags[0]
        && h[LocalHeader::Flags + 1] == entry.generalFlags[1]
        && h[LocalHeader::Time] == entry.dosTime[0]
        && h[LocalHeader::Time + 1] == entry.dosTime[1]
        && h[LocalHeader::Date] == entry.dosDate[0]
        && h[LocalHeader::Date + 1] == entry.dosDate[1];
}

bool UnzipPrivate::localSizesAgree(const unsigned char *h, const ZipExtraField &extra, const ZipEntryP &entry)
{
    quint64 compressedSize = readUInt(h + LocalHeader::CompressedSize);
    quint64 uncompressedSize = readUInt(h + LocalHeader::UncompressedSize);
    return readUInt(h + LocalHeader::Crc) == entry.crc && extra.resolveZip64(&uncompressedSize, &compressedSize)
        && compressedSize == entry.compressedSize && uncompressedSize == entry.uncompressedSize;
}

UnZip::ErrorCode UnzipPrivate::checkDataDescriptor(const QString &path, const ZipEntryP &entry, bool zip64,
                                                   quint64 limit)
{
    // The descriptor in any of its forms: with or without its signature, with
    // 4-byte or 8-byte sizes. Entries with a ZIP64 block in their local header
    // have 8-byte sizes; as writers differ, the other width is tried as well.
    char *buffer = reinterpret_cast<char *>(outputBuffer);
    const qint64 got = device->read(buffer, Zip64DataDescriptor::Size);
    if (got < DataDescriptor::SizeWithoutSignature)
        return UnZip::FileReadError;
    const bool signature = readUInt(outputBuffer) == DataDescriptorSignature;
    if (signature && got < DataDescriptor::Size)
        return UnZip::FileReadError;
    const int base = signature ? 4 : 0;
    const quint64 start = entry.dataOffset + entry.compressedSize;
    for (const int width : {zip64 ? 8 : 4, zip64 ? 4 : 8}) {
        const int length = base + 4 + 2 * width;
        if (got < length)
            continue;
        const unsigned char *p = outputBuffer + base;
        const quint64 compressedSize = width == 8 ? readULongLong(p + 4) : readUInt(p + 4);
        const quint64 uncompressedSize = width == 8 ? readULongLong(p + 12) : readUInt(p + 8);
        if (readUInt(p) != entry.crc || compressedSize != entry.compressedSize
            || uncompressedSize != entry.uncompressedSize) {
            continue;
        }
        // The descriptor belongs to the entry as well.
        if (quint64(length) > limit - start) {
            diagnostic.report(QString::fromLatin1("Entry data overlaps the next entry: %1").arg(path));
            return UnZip::InconsistentHeaders;
        }
        return UnZip::Success;
    }
    return UnZip::InconsistentHeaders;
}

UnZip::ErrorCode UnzipPrivate::openEntry(const QString &path, ZipEntryP &entry)
{
    if (!entry.localHeaderChecked) {
        const UnZip::ErrorCode ec = parseLocalHeaderRecord(path, entry);
        if (ec != UnZip::Success)
            return ec;
        entry.localHeaderChecked = true;
    }
    extractor.setProgress(progress);
    return extractor.open(device, entry, password, path);
}

UnZip::ErrorCode UnzipPrivate::extractFile(const QString &path, ZipEntryP &entry, QIODevice *outDev)
{
    if (stopped())
        return UnZip::Cancelled;
    const UnZip::ErrorCode ec = openEntry(path, entry);
    if (ec != UnZip::Success)
        return ec;
    const UnZip::ErrorCode written = extractor.extractTo(outDev);
    if (written != UnZip::Success)
        return written;
    // A file device may hold the last bytes in its buffer: they count only
    // once they are handed to the system. The caller closes the device.
    auto *file = qobject_cast<QFileDevice *>(outDev);
    if (file && !file->flush()) {
        diagnostic.report(EntryExtractor::writeFailure(path, file));
        return UnZip::FileWriteError;
    }
    return UnZip::Success;
}

UnZip::ErrorCode UnzipPrivate::finishOutputFile(QFile &file, UnZip::ErrorCode extracted, const Stamp *stamp)
{
    // The buffer's last bytes go out with flush(), and some file systems
    // report lost data only when the file is closed.
    if (extracted == UnZip::Success && !file.flush()) {
        diagnostic.report(EntryExtractor::writeFailure(file.fileName(), &file));
        extracted = UnZip::FileWriteError;
    }
    const bool stampedOpen = extracted == UnZip::Success && stamp && stampOpenFile(file, *stamp);
    file.close();
    if (extracted == UnZip::Success && file.error() != QFileDevice::NoError) {
        diagnostic.report(EntryExtractor::writeFailure(file.fileName(), &file));
        extracted = UnZip::FileWriteError;
    }
    // The failure's reason stays the detail when there is one.
    if (extracted != UnZip::Success && !file.remove()) {
        const QString line = QString::fromLatin1("Unable to remove corrupted file: %1").arg(file.fileName());
        if (diagnostic.detail().isEmpty())
            diagnostic.report(line);
        else
            diagnostic.log(line);
    }
    // Once closed: the mode may take away the permission to open it.
    if (extracted == UnZip::Success && stamp && !stampedOpen)
        applyStamp(*stamp);
    return extracted;
}

// Every byte is written: the open file takes its stamp through its
// descriptor, which saves looking its name up again (a mode without write
// permission does not bar a descriptor opened for writing). False where the
// system layer cannot: the caller stamps the file by name once closed.
bool UnzipPrivate::stampOpenFile(QFile &file, const Stamp &stamp)
{
    bool unsupported = false;
    if (FileSystem::setAttributes(file.handle(), stamp.permissions, stamp.hasTime, stamp.time, &unsupported))
        return true;
    if (!unsupported)
        logStampFailure(stamp.path);
    return !unsupported;
}

// ---------------------------------------------------------------------------
// UnzipPrivate: files and folders below a target folder
// ---------------------------------------------------------------------------

bool UnzipPrivate::createDirectory(const QString &path, bool exists)
{
    QString failed;
    if (exists || FileSystem::createFolders(path, &failed)) {
        if (foldersMade)
            foldersMade->append(path);
        return true;
    }
    diagnostic.report(QString::fromLatin1("Unable to create directory: %1").arg(failed));
    return false;
}

UnZip::ErrorCode UnzipPrivate::extractFile(const QString &path, ZipEntryP &entry, const QDir &dir,
                                           UnZip::ExtractionOptions options)
{
    const QString target = dir.absolutePath();
    // The name with "/" between its folders; the checks below apply to it,
    // so that "..\\x" from a Windows host is refused like "../x".
    const QString name = entry.backslashSeparators ? QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'))
                                                   : path;
    if (stopped())
        return UnZip::Cancelled;
    if (entry.isFolder && options.testFlag(UnZip::DropFolders))
        return UnZip::Success;
    const UnZip::ErrorCode refusal = entry.isFolder ? UnZip::DirectoryCreationFailed : UnZip::FileOpenFailed;
    if (ExtractionPath::hasControlCharacter(path)) {
        diagnostic.report(QString::fromLatin1("Refusing entry with a control character in its name: %1").arg(path));
        return refusal;
    }
    if (entry.isFolder)
        return extractFolderEntry(path, entry, name, target, options);

    QString base;
    QString outputPath;
    bool baseIsFolder = false;
    if (!placeFileEntry(path, name, target, options, &base, &outputPath, &baseIsFolder))
        return refusal;
    if (entry.isSymbolicLink() && !options.testFlag(UnZip::CreateSymbolicLinks)) {
        diagnostic.report(QString::fromLatin1("Not creating the symbolic link %1: links are not created").arg(path));
        return UnZip::FileOpenFailed;
    }

    // Password and authentication code are checked before the file and its
    // folders are created: a wrong password or damaged AES data leave
    // nothing behind.
    const UnZip::ErrorCode opened = openEntry(path, entry);
    if (opened != UnZip::Success)
        return opened;
    if (base != target && !createDirectory(base, baseIsFolder)) {
        diagnostic.report(QString::fromLatin1("Unable to create directory: %1").arg(base));
        return UnZip::DirectoryCreationFailed;
    }
    if (entry.isSymbolicLink())
        return extractLinkEntry(path, entry, target, base, outputPath, options);
    return writeFileEntry(entry, outputPath, options);
}

UnZip::ErrorCode UnzipPrivate::writeFileEntry(const ZipEntryP &entry, const QString &outputPath,
                                              UnZip::ExtractionOptions options)
{
    const bool keepExisting = options.testFlag(UnZip::KeepExisting);
    const bool stamped = !options.testFlag(UnZip::IgnoreAttributes);
    // A link to a file (inside the target, as checked above) is written
    // through: the file it names is replaced, the link stays.
    const QFileInfo present(outputPath);
    if (!keepExisting && present.isFile()) {
        const QString existing = present.canonicalFilePath();
        const Stamp stamp = stampFor(existing, entry);
        return replaceExistingFile(existing, stamped ? &stamp : nullptr);
    }
    QFile outFile(outputPath);
    // NewOnly creates the file exclusively (O_EXCL): an existing name, even
    // a dangling link, is never opened.
    if (!outFile.open(keepExisting ? QIODevice::WriteOnly | QIODevice::NewOnly : QIODevice::WriteOnly)) {
        const QFileInfo existing(outputPath);
        if (keepExisting && (existing.exists() || existing.isSymLink())) {
            diagnostic.report(QString::fromLatin1("Not overwriting the existing file %1").arg(outputPath));
            return UnZip::FileExists;
        }
        diagnostic.report(QString::fromLatin1("Unable to open %1 for writing").arg(outputPath));
        return UnZip::FileOpenFailed;
    }
    const Stamp stamp = stamped ? withoutCreationMode(stampFor(outputPath, entry)) : Stamp();
    return finishOutputFile(outFile, extractor.extractTo(&outFile, outputPath), stamped ? &stamp : nullptr);
}

// An existing file is replaced only once the entry's data are complete and
// checked: they are written beside it and renamed over it, so that an entry
// that fails (a CRC error, a full disk) leaves the old file as it was, and a
// read-only one is replaced like any other. The new file keeps the old one's
// permissions, as writing over it would, unless the entry's stamp gives it
// others. (No fsync: a crash of the system, unlike a failed entry, is not
// guarded against, as when writing in place.)
UnZip::ErrorCode UnzipPrivate::replaceExistingFile(const QString &outputPath, const Stamp *stamp)
{
    QTemporaryFile outFile(outputPath + QLatin1String(".XXXXXX"));
    if (!outFile.open()) {
        diagnostic.report(QString::fromLatin1("Unable to open %1 for writing").arg(outputPath));
        return UnZip::FileOpenFailed;
    }
    const UnZip::ErrorCode written = finishOutputFile(outFile, extractor.extractTo(&outFile, outputPath));
    if (written != UnZip::Success)
        return written;
    QFile::setPermissions(outFile.fileName(), QFileInfo(outputPath).permissions());
    if (stamp) {
        Stamp beside = *stamp;
        beside.path = outFile.fileName();
        applyStamp(beside);
    }
    if (!renameOver(outFile.fileName(), outputPath)) {
        diagnostic.report(QString::fromLatin1("Unable to replace %1: %2").arg(outputPath, outFile.errorString()));
        return UnZip::FileWriteError;
    }
    return UnZip::Success;
}

// At once where the system renames over an existing file; elsewhere the old
// file goes first.
bool UnzipPrivate::renameOver(const QString &from, const QString &to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    return QFile::remove(to) && QFile::rename(from, to);
}

UnZip::ErrorCode UnzipPrivate::extractFolderEntry(const QString &path, const ZipEntryP &entry, const QString &name,
                                                  const QString &target, UnZip::ExtractionOptions options)
{
    const QString relative = QDir::cleanPath(name);
    const QString folder = QString::fromLatin1("%1/%2").arg(target, relative);
    if (!FileSystem::fitsPathLimit(folder)) {
        diagnostic.report(QString::fromLatin1("Refusing entry whose path is too long: %1").arg(path));
        return UnZip::DirectoryCreationFailed;
    }
    if (ExtractionPath::climbsOut(relative) || !FileSystem::resolvesInside(target, folder)) {
        diagnostic.report(QString::fromLatin1("Refusing entry outside the target folder: %1").arg(path));
        return UnZip::DirectoryCreationFailed;
    }
    if (!createDirectory(folder)) {
        diagnostic.report(QString::fromLatin1("Unable to create directory: %1").arg(folder));
        return UnZip::DirectoryCreationFailed;
    }
    if (options.testFlag(UnZip::IgnoreAttributes))
        return UnZip::Success;
    // Later entries may still go into it (or change its time).
    const Stamp stamp = stampFor(QDir::cleanPath(folder), entry);
    if (deferredFolders)
        deferredFolders->append(stamp);
    else
        applyStamp(stamp);
    return UnZip::Success;
}

bool UnzipPrivate::placeFileEntry(const QString &path, const QString &name, const QString &target,
                                  UnZip::ExtractionOptions options, QString *base, QString *outputPath,
                                  bool *baseIsFolder)
{
    const int slash = int(name.lastIndexOf(QLatin1Char('/'))); // names hold at most 65535 bytes
    *base = target;
    QString fileName = name;
    if (slash > 0) {
        fileName = name.mid(slash + 1);
        if (!options.testFlag(UnZip::DropFolders)) {
            const QString relative = QDir::cleanPath(name.left(slash));
            if (ExtractionPath::climbsOut(relative)) {
                diagnostic.report(QString::fromLatin1("Refusing entry outside the target folder: %1").arg(path));
                return false;
            }
            *base = QString::fromLatin1("%1/%2").arg(target, relative);
        }
    }
    *outputPath = QString::fromLatin1("%1/%2").arg(*base, fileName);
    if (!FileSystem::fitsPathLimit(*outputPath)) {
        diagnostic.report(QString::fromLatin1("Refusing entry whose path is too long: %1").arg(path));
        return false;
    }
    if (ExtractionPath::isSpecialComponent(name.mid(slash + 1))
        || !FileSystem::resolvesInside(target, *outputPath, baseIsFolder)) {
        diagnostic.report(QString::fromLatin1("Refusing entry outside the target folder: %1").arg(path));
        return false;
    }
    return true;
}

UnzipPrivate::ProgressScope::ProgressScope(UnzipPrivate &reader, qint64 total)
    : m_reader(reader)
{
    if (!reader.progressHandler || reader.progress)
        return;
    m_progress = std::make_unique<ExtractionProgress>(reader.progressHandler, total);
    reader.progress = m_progress.get();
}

UnzipPrivate::ProgressScope::~ProgressScope()
{
    if (m_progress)
        m_reader.progress = nullptr;
}

qint64 UnzipPrivate::totalSize(const QStringList &names) const
{
    quint64 total = 0;
    for (const QString &name : names) {
        if (const ZipEntryP *entry = findEntry(name))
            total += entry->isFolder ? 0 : entry->uncompressedSize;
    }
    return qint64(qMin<quint64>(total, quint64(std::numeric_limits<qint64>::max())));
}

qint64 UnzipPrivate::totalSize() const
{
    return entries ? totalSize(entries->keys()) : 0;
}

// ---------------------------------------------------------------------------
// UnZip
// ---------------------------------------------------------------------------

UnZip::UnZip()
    : d(new UnzipPrivate)
{
}

UnZip::~UnZip()
{
    closeArchive();
    delete d;
}

bool UnZip::isOpen() const
{
    return d->device != nullptr;
}

UnZip::ErrorCode UnZip::openArchive(const QString &filename)
{
    d->diagnostic.clear();
    auto *file = new QFile(filename);
    if (!file->exists()) {
        delete file;
        return FileMissing;
    }
    if (!file->open(QIODevice::ReadOnly)) {
        delete file;
        return FileOpenFailed;
    }
    return openArchive(file);
}

UnZip::ErrorCode UnZip::openArchive(QIODevice *device)
{
    d->diagnostic.clear();
    if (!device) {
        d->diagnostic.report("Invalid device.");
        return BadDevice;
    }
    return d->openArchive(device);
}

QString UnZip::lastErrorDetail() const
{
    return d->diagnostic.detail();
}

void UnZip::closeArchive()
{
    d->closeArchive();
}

QString UnZip::archiveComment() const
{
    return d->device ? d->comment : QString();
}

QString UnZip::formatError(UnZip::ErrorCode c) const
{
    if (c == Cancelled)
        return QCoreApplication::translate("UnZip", cancelledMessage);
    const int index = int(c);
    const char *text = index >= 0 && index < int(sizeof errorMessages / sizeof *errorMessages)
        ? errorMessages[index]
        : unknownErrorMessage;
    return QCoreApplication::translate("UnZip", text);
}

bool UnZip::contains(const QString &file) const
{
    return d->entries && d->entries->contains(file);
}

QList<UnZip::SkippedEntry> UnZip::skippedEntries() const
{
    QList<SkippedEntry> list;
    if (!d->device)
        return list;
    list.reserve(d->skipped.size());
    for (const UnzipPrivate::Skipped &s : qAsConst(d->skipped)) {
        SkippedEntry e;
        e.filename = s.name;
        e.reason = s.reason;
        e.method = s.method;
        e.versionNeeded = s.versionNeeded;
        e.flags = s.flags;
        e.description = ZipReadable::describe(s.reason, s.method, s.versionNeeded);
        list.append(e);
    }
    return list;
}

QStringList UnZip::fileList() const
{
    return d->entries ? d->entries->keys() : QStringList();
}

QList<UnZip::ZipEntry> UnZip::entryList() const
{
    QList<ZipEntry> list;
    if (!d->entries)
        return list;
    list.reserve(d->entries->size());
    for (auto it = d->entries->constBegin(); it != d->entries->constEnd(); ++it) {
        const ZipEntryP *entry = it.value();
        ZipEntry info;
        info.filename = it.key();
        if (!entry->comment.isEmpty())
            info.comment = entry->comment;
        info.compressedSize = entry->compressedSize;
        info.uncompressedSize = entry->uncompressedSize;
        info.crc = entry->crc;
        info.lastModified = entry->hasUnixTime ? QDateTime::fromSecsSinceEpoch(entry->unixTime)
                                               : decodeDosDateTime(entry->dosTime, entry->dosDate);
        info.compression = publicCompression(entry->dataMethod());
        info.type = entry->isFolder ? Directory : File;
        info.encrypted = entry->isEncrypted();
        if (entry->isAesEncrypted())
            info.encryption = UnZip::EntryEncryption(UnZip::Aes128 + entry->aesStrength - ZipAes::Aes128);
        else if (entry->isEncrypted())
            info.encryption = UnZip::TraditionalEncryption;
        info.hasCrc = !(entry->isAesEncrypted() && entry->aesVersion == ZipAes::VersionAe2);
        list.append(info);
    }
    return list;
}

UnZip::ErrorCode UnZip::extractAll(const QString &dirname, ExtractionOptions options)
{
    d->diagnostic.clear();
    return extractAll(QDir(dirname), options);
}

UnZip::ErrorCode UnZip::extractAll(const QDir &dir, ExtractionOptions options)
{
    d->diagnostic.clear();
    if (!d->device)
        return NoArchiveYet;
    if (!d->entries)
        return Success;
    const UnzipPrivate::ProgressScope progress(*d, d->totalSize());
    const UnzipPrivate::FolderStampScope folders(*d);
    if (d->extractsInParallel())
        return d->extractAllInParallel(dir, options) ? Cancelled : Success;

    bool cancelled = false;
    auto it = d->entries->begin();
    while (it != d->entries->end() && !cancelled) {
        const ErrorCode ec = d->extractFile(it.key(), *it.value(), dir, options);
        cancelled = ec == Cancelled;
        if (ec == CorruptedArchive) {
            d->diagnostic.report("Removing corrupted entry", it.key());
            delete it.value();
            it = d->entries->erase(it);
        } else {
            ++it;
        }
    }
    return cancelled ? Cancelled : Success;
}

ZipEntryP *UnzipPrivate::findEntry(const QString &name) const
{
    if (!device || !entries)
        return nullptr;
    return entries->value(name, nullptr);
}

UnZip::ErrorCode UnZip::extractFile(const QString &filename, const QString &dirname, ExtractionOptions options)
{
    d->diagnostic.clear();
    return extractFile(filename, QDir(dirname), options);
}

UnZip::ErrorCode UnZip::extractFile(const QString &filename, const QDir &dir, ExtractionOptions options)
{
    d->diagnostic.clear();
    ZipEntryP *entry = d->findEntry(filename);
    if (!entry)
        return d->device ? FileMissing : NoArchiveYet;
    const UnzipPrivate::ProgressScope progress(*d, d->totalSize({filename}));
    const UnzipPrivate::FolderStampScope folders(*d);
    return d->extractFile(filename, *entry, dir, options);
}

UnZip::ErrorCode UnZip::extractFile(const QString &filename, QIODevice *device, ExtractionOptions /* no folders to create */)
{
    d->diagnostic.clear();
    if (!device)
        return BadDevice;
    ZipEntryP *entry = d->findEntry(filename);
    if (!entry)
        return d->device ? FileMissing : NoArchiveYet;
    const UnzipPrivate::ProgressScope progress(*d, d->totalSize({filename}));
    return d->extractFile(filename, *entry, device);
}

std::unique_ptr<QIODevice> UnzipPrivate::openEntryDevice(const QString &name, UnZip::ErrorCode *ec)
{
    ZipEntryP *entry = findEntry(name);
    if (!entry) {
        *ec = device ? UnZip::FileMissing : UnZip::NoArchiveYet;
        return nullptr;
    }
    if (!entry->localHeaderChecked) {
        *ec = parseLocalHeaderRecord(name, *entry);
        if (*ec != UnZip::Success)
            return nullptr;
        entry->localHeaderChecked = true;
    }
    auto entryDevice = std::make_unique<EntryDevice>(&entryDevices, device, *entry, name);
    *ec = entryDevice->start(password);
    if (*ec != UnZip::Success) {
        diagnostic.report(QString::fromLatin1(*ec == UnZip::PasswordMismatch ? "Unable to decrypt %1"
                                                                             : "Unable to open entry %1")
                              .arg(name));
        return nullptr;
    }
    return entryDevice;
}

std::unique_ptr<QIODevice> UnZip::openEntry(const QString &name, ErrorCode *ec)
{
    d->diagnostic.clear();
    ErrorCode result = Success;
    std::unique_ptr<QIODevice> entryDevice = d->openEntryDevice(name, &result);
    if (ec)
        *ec = result;
    return entryDevice;
}

QByteArray UnZip::readEntry(const QString &name, ErrorCode *ec)
{
    QByteArray content;
    QBuffer buffer(&content);
    buffer.open(QIODevice::WriteOnly);
    ErrorCode result = extractFile(name, &buffer);
    buffer.close();
    // As when testing: data that end early fail, even with the right CRC-32.
    const ZipEntryP *entry = d->findEntry(name);
    if (result == Success && entry && quint64(content.size()) != entry->uncompressedSize) {
        d->diagnostic.report(QString::fromLatin1("Entry data end before the recorded size: %1").arg(name));
        result = CorruptedArchive;
    }
    if (result != Success)
        content.clear();
    if (ec)
        *ec = result;
    return content;
}

UnZip::ErrorCode UnZip::extractFiles(const QStringList &filenames, const QString &dirname,
                                     ExtractionOptions options)
{
    d->diagnostic.clear();
    return extractFiles(filenames, QDir(dirname), options);
}

UnZip::ErrorCode UnZip::extractFiles(const QStringList &filenames, const QDir &dir, ExtractionOptions options)
{
    d->diagnostic.clear();
    const UnzipPrivate::ProgressScope progress(*d, d->totalSize(filenames));
    const UnzipPrivate::FolderStampScope folders(*d);
    if (d->extractsInParallel())
        return d->extractFilesInParallel(filenames, dir, options);
    for (const QString &name : filenames) {
        const ErrorCode ec = extractFile(name, dir, options);
        if (ec != Success && ec != FileMissing)
            return ec;
    }
    return Success;
}

void UnZip::setProgressHandler(std::function<bool(qint64 done, qint64 total)> handler)
{
    d->progressHandler = std::move(handler);
}

void UnZip::setPassword(const QString &pwd)
{
    d->password = pwd;
}

void UnZip::setFileNameCodec(QTextCodec *codec)
{
    d->fileNameCodec = codec;
}

QTextCodec *UnZip::fileNameCodec() const
{
    return d->fileNameCodec;
}

quint32 UnZip::updateCrc32(quint32 crc, const char *data, qint64 size)
{
    return ZipCrc::update(crc, reinterpret_cast<const unsigned char *>(data), size);
}

QString UnZip::inflateBackend()
{
    return QString::fromLatin1(Inflater::backendName());
}
