// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "write/zip_p.h"

#include "common/zipcrc_p.h"
#include "common/zipdevicewrite_p.h"
#include "common/zipextrafield_p.h"
#include "write/archiveeditor_p.h"
#include "write/diskattributes_p.h"
#include "write/entrysource_p.h"
#include "write/parallelwriter_p.h"
#include "common/zipnames_p.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileDevice>
#include <QtCore/QFileInfo>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <memory>

using namespace ZipFormat;

namespace {

// Files shorter than this are stored: deflating them gains nothing.
constexpr qint64 MinDeflateSize = 60;

// Deflate level used for Zip::LevelDefault.
constexpr int DefaultDeflateLevel = 5;

// Raw deflate stream (no zlib header or trailer) with a 32 KiB window.
constexpr int RawDeflateWindowBits = -15;
constexpr int DeflateMemLevel = 8;

// Mixed into the seed of the encryption header's random filler bytes.
constexpr unsigned int EncryptionSeedMask = 0x5a3c96e1u;

// More bytes than a deflate stream of the given input can take (its stored
// blocks add 5 bytes per 16 KiB at worst).
qint64 worstCaseDataSize(qint64 size, bool deflated)
{
    return deflated ? size + size / 8 + size / 64 + 64 : size;
}

QString debugLine(const char *format, const QString &path)
{
    return QString::fromLatin1(format).arg(path);
}

} // namespace

// ---------------------------------------------------------------------------
// Archive life: creation, central directory, release
// ---------------------------------------------------------------------------

ZipPrivate::ZipPrivate()
    : inputBytes(reinterpret_cast<unsigned char *>(inputBuffer))
    , outputBytes(reinterpret_cast<unsigned char *>(outputBuffer))
    , crcTable(ZipCrc::table())
    , blockSize(ParallelWriter::DefaultBlockSize)
{
}

ZipPrivate::~ZipPrivate()
{
    closeArchive();
    reset();
}

Zip::ErrorCode ZipPrivate::createArchive(QIODevice *dev)
{
    Q_ASSERT(dev);
    if (device) {
        closeArchive();
        // The same device handed again starts a new archive on it: it is
        // kept, not deleted with the old one.
        if (device == dev)
            device = nullptr;
        reset();
    }

    device = dev;
    if (!device->isOpen() && !device->open(QIODevice::WriteOnly)) {
        delete device;
        device = nullptr;
        diagnostic.report(QString::fromLatin1("Unable to open device for writing."));
        return Zip::FileOpenFailed;
    }
    // A pipe or another device that cannot seek gets a streamed archive:
    // no header is completed afterwards, every file entry has its CRC-32
    // and sizes in a data descriptor after its data.
    streaming = device->isSequential();
    streamPosition = 0;
    writeFailed = false;
    writeFailure.clear();

    if (auto *file = qobject_cast<QFileDevice *>(device))
        archivePath = QFileInfo(file->fileName()).canonicalFilePath();
    entries = new QMap<QString, ZipEntryP *>;
    return Zip::Success;
}

qint64 ZipPrivate::position() const
{
    return streaming ? streamPosition : device->pos();
}

Zip::ErrorCode ZipPrivate::writeBytes(const char *data, qint64 size)
{
    if (writeFailed)
        return Zip::FileWriteError;
    if (ZipDeviceWrite::writeFully(device, data, size)) {
        streamPosition += size;
        return Zip::Success;
    }
    failWrite(device->errorString());
    return Zip::FileWriteError;
}

bool ZipPrivate::seekTo(qint64 offset)
{
    if (writeFailed)
        return false;
    if (device->seek(offset))
        return true;
    // A file flushes its buffer before it seeks: a full disk shows here.
    auto *file = qobject_cast<QFileDevice *>(device);
    if (file && (file->error() == QFileDevice::WriteError || file->error() == QFileDevice::ResourceError))
        failWrite(file->errorString());
    return false;
}

void ZipPrivate::failWrite(const QString &reason)
{
    // Bytes are lost somewhere in the archive: nothing written afterwards
    // can make it whole, so every later write fails at once, and a file the
    // writer made is removed now rather than left truncated.
    writeFailed = true;
    writeFailure = QString::fromLatin1("Unable to write the archive: %1").arg(reason);
    diagnostic.report(writeFailure);
    removeCreatedFile();
}

void ZipPrivate::removeCreatedFile()
{
    if (createdFile.isEmpty())
        return;
    device->close();
    if (!QFile::remove(createdFile))
        diagnostic.log(QString::fromLatin1("Unable to remove the incomplete archive %1").arg(createdFile));
    createdFile.clear();
}

Zip::ErrorCode ZipPrivate::finishDevice(Zip::ErrorCode written)
{
    // A file holds the last bytes in its buffer until it is flushed, and
    // some file systems report lost data only when the file is closed.
    // A changed archive's temporary file is synced and renamed by its editor.
    auto *file = editor ? nullptr : qobject_cast<QFileDevice *>(device);
    if (written == Zip::Success && file && file->isOpen()) {
        if (!file->flush()) {
            failWrite(file->errorString());
            return Zip::FileWriteError;
        }
        file->close();
        if (file->error() != QFileDevice::NoError) {
            failWrite(file->errorString());
            return Zip::FileWriteError;
        }
    }
    return written;
}

Zip::ErrorCode ZipPrivate::failedEarlier() const
{
    if (!writeFailed)
        return Zip::Success;
    diagnostic.report(writeFailure);
    return Zip::FileWriteError;
}

Zip::ErrorCode ZipPrivate::closeArchive()
{
    if (!device || !entries)
        return Zip::Success;
    Zip::ErrorCode ec = finishPending();
    if (ec == Zip::Success && writeFailed)
        ec = failedEarlier();
    if (ec == Zip::Success && editor)
        ec = finishKeptEntries();
    if (ec != Zip::Success)
        return commitChangedArchive(ec);

    const qint64 directoryOffset = position();
    if (directoryOffset < 0)
        return commitChangedArchive(Zip::FileWriteError);
    quint64 directorySize = 0;
    ec = writeDirectory(&directorySize);
    if (ec == Zip::Success) {
        const quint64 count = quint64(entries->size()) + quint64(editor ? editor->entries().size() : 0);
        ec = writeEndRecord(quint64(directoryOffset), directorySize, count);
    }
    return commitChangedArchive(ec);
}

Zip::ErrorCode ZipPrivate::finishKeptEntries()
{
    qint64 shift = 0;
    const Zip::ErrorCode ec = editor->finish(*device, &shift, inputBuffer, BufferSize);
    for (ZipEntryP *entry : qAsConst(*entries))
        entry->localHeaderOffset -= quint64(shift);
    return ec;
}

// The new archive replaces the old one only when all of it was written; a
// failure leaves the old one as it was, and no temporary file.
Zip::ErrorCode ZipPrivate::commitChangedArchive(Zip::ErrorCode written)
{
    if (!editor)
        return written;
    // Deleting the temporary file (in reset()) removes it unless it took
    // the old archive's place.
    if (written != Zip::Success)
        return written;
    auto *file = static_cast<QFile *>(device);
    QString problem;
    if (!editor->replaceArchive(*file, &problem)) {
        diagnostic.report(QString::fromLatin1("Could not replace %1: %2").arg(editor->path(), problem));
        return Zip::FileWriteError;
    }
    return Zip::Success;
}

// One record per entry, kept and new together in the order of their names.
Zip::ErrorCode ZipPrivate::writeDirectory(quint64 *size)
{
    static const QMap<QString, ArchiveEditor::KeptEntry> none;
    const QMap<QString, ArchiveEditor::KeptEntry> &kept = editor ? editor->entries() : none;
    for (auto it = entries->constBegin(); it != entries->constEnd(); ++it) {
        bool utf8 = false;
        *size += quint64(CentralHeader::Size + ZipNames::encode(it.key(), &utf8).size())
            + quint64(centralExtraLength(*it.value()));
    }
    for (const ArchiveEditor::KeptEntry &entry : kept)
        *size += quint64(entry.central.size());

    auto next = entries->constBegin();
    auto nextKept = kept.constBegin();
    while (next != entries->constEnd() || nextKept != kept.constEnd()) {
        if (nextKept != kept.constEnd() && (next == entries->constEnd() || nextKept.key() < next.key())) {
            const QByteArray record = ArchiveEditor::centralRecord(*nextKept);
            if (writeBytes(record.constData(), record.size()) != Zip::Success)
                return Zip::FileWriteError;
            ++nextKept;
            continue;
        }
        const Zip::ErrorCode ec = writeCentralRecord(next.key(), *next.value());
        if (ec != Zip::Success)
            return ec;
        ++next;
    }
    return Zip::Success;
}

bool ZipPrivate::removeEntry(const QString &name)
{
    if (editor && editor->remove(name))
        return true;
    auto it = entries->find(name);
    if (it == entries->end())
        return false;
    delete it.value();
    entries->erase(it);
    return true;
}

// The ZIP64 extended information of a central record: the 8-byte values of
// the sizes and the offset that do not fit their 32-bit fields, in this order.
int ZipPrivate::centralZip64Length(const ZipEntryP &entry)
{
    const int values = (entry.uncompressedSize >= MaxUInt ? 1 : 0) + (entry.compressedSize >= MaxUInt ? 1 : 0)
        + (entry.localHeaderOffset >= MaxUInt ? 1 : 0);
    return values ? ExtraField::HeaderSize + 8 * values : 0;
}

// The ZIP64 field, then the AES field of an AES entry, then the extended
// timestamp.
int ZipPrivate::centralExtraLength(const ZipEntryP &entry)
{
    return centralZip64Length(entry) + aesExtraLength(entry) + timestampExtraLength(entry);
}

// The local header holds the ZIP64 field first, where the sizes are
// completed after the data, then the AES field and the extended timestamp,
// the same blocks as in the central record.
int ZipPrivate::localExtraLength(const ZipEntryP &entry)
{
    return (entry.zip64LocalSizes ? Zip64LocalExtraSize : 0) + aesExtraLength(entry) + timestampExtraLength(entry);
}

int ZipPrivate::timestampExtraLength(const ZipEntryP &entry)
{
    return entry.hasUnixTime ? ZipExtraField::timeBlockSize(entry.unixTime) : 0;
}

Zip::ErrorCode ZipPrivate::writeTrailingExtraFields(const ZipEntryP &entry)
{
    const Zip::ErrorCode ec = writeAesExtraField(entry);
    if (ec != Zip::Success || !entry.hasUnixTime)
        return ec;
    const QByteArray block = ZipExtraField::timeBlock(entry.unixTime);
    return writeBytes(block.constData(), block.size());
}

int ZipPrivate::aesExtraLength(const ZipEntryP &entry)
{
    return entry.isAesEncrypted() ? ExtraField::HeaderSize + ExtraField::Aes::Size : 0;
}

quint16 ZipPrivate::versionNeeded(const ZipEntryP &entry, bool zip64)
{
    if (entry.isAesEncrypted())
        return VersionNeededAes;
    return zip64 || entry.zip64LocalSizes ? VersionNeededZip64 : VersionNeededToExtract;
}

// The fields from "version needed" to the date, laid out alike in the local
// and the central header.
void ZipPrivate::writeSharedHeaderFields(unsigned char *at, const ZipEntryP &entry, bool zip64)
{
    static_assert(LocalHeader::Date - LocalHeader::VersionNeeded == CentralHeader::Date - CentralHeader::VersionNeeded,
                  "the local and central headers share the layout from version to date");
    constexpr int flags = LocalHeader::Flags - LocalHeader::VersionNeeded;
    constexpr int time = LocalHeader::Time - LocalHeader::VersionNeeded;
    constexpr int date = LocalHeader::Date - LocalHeader::VersionNeeded;
    writeUShort(at, versionNeeded(entry, zip64));
    at[flags] = entry.generalFlags[0];
    at[flags + 1] = entry.generalFlags[1];
    writeUShort(at + LocalHeader::Method - LocalHeader::VersionNeeded, entry.compressionMethod);
    at[time] = entry.dosTime[0];
    at[time + 1] = entry.dosTime[1];
    at[date] = entry.dosDate[0];
    at[date + 1] = entry.dosDate[1];
}

Zip::ErrorCode ZipPrivate::writeAesExtraField(const ZipEntryP &entry)
{
    if (!entry.isAesEncrypted())
        return Zip::Success;
    ZipAes::ExtraField field;
    field.version = entry.aesVersion;
    field.strength = entry.aesStrength;
    field.method = entry.aesMethod;
    const QByteArray bytes = ZipAes::extraFieldBytes(field);
    return writeBytes(bytes.constData(), bytes.size());
}

Zip::ErrorCode ZipPrivate::writeCentralRecord(const QString &name, const ZipEntryP &entry)
{
    bool utf8 = false;
    const QByteArray nameBytes = ZipNames::encode(name, &utf8);
    const int zip64Length = centralZip64Length(entry);
    const int extraLength = centralExtraLength(entry);

    unsigned char *h = inputBytes;
    memset(h, 0, CentralHeader::Size);
    writeUInt(h + CentralHeader::Signature, CentralHeaderSignature);
    // A Unix host: the mode in the upper half of the external attributes.
    // Readers convert only names from MS-DOS hosts from the OEM code page.
    h[CentralHeader::VersionMadeBy + 1] = entry.hostSystem;
    writeUInt(h + CentralHeader::ExternalAttributes, entry.externalAttributes);
    writeSharedHeaderFields(h + CentralHeader::VersionNeeded, entry, zip64Length > 0);
    writeUInt(h + CentralHeader::Crc, entry.crc);
    writeUInt(h + CentralHeader::CompressedSize, quint32(qMin<quint64>(entry.compressedSize, MaxUInt)));
    writeUInt(h + CentralHeader::UncompressedSize, quint32(qMin<quint64>(entry.uncompressedSize, MaxUInt)));
    writeUShort(h + CentralHeader::NameLength, quint16(nameBytes.size()));
    writeUShort(h + CentralHeader::ExtraLength, quint16(extraLength));
    writeUInt(h + CentralHeader::LocalHeaderOffset, quint32(qMin<quint64>(entry.localHeaderOffset, MaxUInt)));
    // Comment, disk number and internal attributes stay 0.

    if (writeBytes(inputBuffer, CentralHeader::Size) != Zip::Success)
        return Zip::FileWriteError;
    if (writeBytes(nameBytes.constData(), nameBytes.size()) != Zip::Success)
        return Zip::FileWriteError;
    if (zip64Length > 0) {
        unsigned char *e = inputBytes;
        writeUShort(e, ExtraField::Zip64);
        writeUShort(e + 2, quint16(zip64Length - ExtraField::HeaderSize));
        int at = ExtraField::HeaderSize;
        for (const quint64 value : {entry.uncompressedSize, entry.compressedSize, entry.localHeaderOffset}) {
            if (value >= MaxUInt) {
                writeULongLong(e + at, value);
                at += 8;
            }
        }
        if (writeBytes(inputBuffer, zip64Length) != Zip::Success)
            return Zip::FileWriteError;
    }
    return writeTrailingExtraFields(entry);
}

// The end record; before it, when the entry count, the directory's size or
// its offset does not fit the end record's fields, the ZIP64 end record and
// its locator, and the fields that do not fit hold their largest value.
Zip::ErrorCode ZipPrivate::writeEndRecord(quint64 directoryOffset, quint64 directorySize, quint64 count)
{
    bool utf8 = false;
    QByteArray commentBytes = ZipNames::encode(comment, &utf8);
    // A kept comment keeps its bytes, whatever their code page.
    if (editor && comment == editor->comment())
        commentBytes = editor->commentBytes();
    Zip::ErrorCode result = Zip::Success;
    if (quint32(commentBytes.size()) > MaxUShort) {
        // The archive is still completed, only without its comment.
        diagnostic.report(QString::fromLatin1("Archive comment longer than 65535 bytes; written without comment."));
        commentBytes.clear();
        result = Zip::FileWriteError;
    }

    const bool countFits = count <= MaxUShort;
    const bool sizeFits = directorySize < MaxUInt;
    const bool offsetFits = directoryOffset < MaxUInt;
    unsigned char *h = inputBytes;
    if (!countFits || !sizeFits || !offsetFits) {
        constexpr int length = Zip64EndRecord::Size + Zip64Locator::Size;
        memset(h, 0, length);
        writeUInt(h + Zip64EndRecord::Signature, Zip64EndRecordSignature);
        writeULongLong(h + Zip64EndRecord::RecordSize, Zip64EndRecord::Size - Zip64EndRecord::VersionMadeBy);
        writeUShort(h + Zip64EndRecord::VersionMadeBy, VersionNeededZip64);
        writeUShort(h + Zip64EndRecord::VersionNeeded, VersionNeededZip64);
        writeULongLong(h + Zip64EndRecord::DiskEntries, count);
        writeULongLong(h + Zip64EndRecord::TotalEntries, count);
        writeULongLong(h + Zip64EndRecord::DirectorySize, directorySize);
        writeULongLong(h + Zip64EndRecord::DirectoryOffset, directoryOffset);
        unsigned char *l = h + Zip64EndRecord::Size;
        writeUInt(l + Zip64Locator::Signature, Zip64LocatorSignature);
        writeULongLong(l + Zip64Locator::EndRecordOffset, directoryOffset + directorySize);
        writeUInt(l + Zip64Locator::TotalDisks, 1);
        if (writeBytes(inputBuffer, length) != Zip::Success)
            return Zip::FileWriteError;
    }

    memset(h, 0, EndRecord::Size);
    writeUInt(h + EndRecord::Signature, EndRecordSignature);
    writeUShort(h + EndRecord::DiskEntries, quint16(countFits ? count : MaxUShort));
    writeUShort(h + EndRecord::TotalEntries, quint16(countFits ? count : MaxUShort));
    writeUInt(h + EndRecord::DirectorySize, quint32(sizeFits ? directorySize : MaxUInt));
    writeUInt(h + EndRecord::DirectoryOffset, quint32(offsetFits ? directoryOffset : MaxUInt));
    writeUShort(h + EndRecord::CommentLength, quint16(commentBytes.size()));

    if (writeBytes(inputBuffer, EndRecord::Size) != Zip::Success)
        return Zip::FileWriteError;
    if (!commentBytes.isEmpty() && writeBytes(commentBytes.constData(), commentBytes.size()) != Zip::Success)
        return Zip::FileWriteError;
    return result;
}

Zip::ErrorCode ZipPrivate::finishPending()
{
    return parallel ? parallel->flush() : Zip::Success;
}

void ZipPrivate::reset()
{
    parallel.reset();
    editor.reset();
    if (!comment.isNull())
        comment = QString();
    if (entries) {
        qDeleteAll(*entries);
        delete entries;
        entries = nullptr;
    }
    if (device) {
        delete device;
        device = nullptr;
    }
    archivePath.clear();
    createdFile.clear();
}

// ---------------------------------------------------------------------------
// Encryption keys
// ---------------------------------------------------------------------------

void ZipPrivate::initKeys(unsigned int *keys) const
{
    ZipCipher::initKeys(keys, ZipCipher::passwordBytes(password), crcTable);
}

void ZipPrivate::updateKeys(unsigned int *keys, int c) const
{
    ZipCipher::updateKeys(keys, c, crcTable);
}

int ZipPrivate::cipherOverhead(const ZipEntryP &entry)
{
    if (entry.isAesEncrypted())
        return ZipAes::overhead(entry.aesStrength);
    return entry.isEncrypted() ? EncryptionHeaderSize : 0;
}

quint32 ZipPrivate::storedCrc(const ZipEntryP &entry, quint32 crc)
{
    return entry.isAesEncrypted() && entry.aesVersion == ZipAes::VersionAe2 ? 0 : crc;
}

// An AES entry has method 99 and its real method in the AES field; it needs
// no data descriptor, since no check byte depends on the sizes or the CRC.
// A traditionally encrypted entry checks the password against the high
// byte of its time, which needs the data descriptor flag.
void ZipPrivate::setMethod(ZipEntryP &entry, bool deflated, bool encrypted) const
{
    const quint16 method = deflated ? MethodDeflated : MethodStored;
    entry.compressionMethod = method;
    if (!encrypted)
        return;
    if (encryptionMethod == Zip::TraditionalEncryption) {
        entry.generalFlags[0] = FlagEncrypted | FlagDataDescriptor;
        return;
    }
    entry.generalFlags[0] = FlagEncrypted;
    entry.compressionMethod = MethodAes;
    entry.aesMethod = method;
    entry.aesStrength = quint8(ZipAes::Aes128 + (encryptionMethod - Zip::Aes128Encryption));
    entry.aesVersion = entry.uncompressedSize >= ZipAes::Ae1MinimumSize ? ZipAes::VersionAe1 : ZipAes::VersionAe2;
}

// ---------------------------------------------------------------------------
// Entries
// ---------------------------------------------------------------------------

Zip::CompressionLevel ZipPrivate::detectCompressionByMime(const QString &suffix) const
{
    static const char *const storedSuffixes[] = {
        "png", "jpg", "jpeg", "mp3", "ogg", "ogm", "avi", "mov", "rm", "ra",
        "zip", "rar", "bz2", "gz", "7z", "z", "jar"};
    static const char *const executableSuffixes[] = {"exe", "bin", "rpm", "deb"};

    for (const char *s : storedSuffixes) {
        if (suffix == QLatin1String(s))
            return Zip::StoreOnly;
    }
    for (const char *s : executableSuffixes) {
        if (suffix == QLatin1String(s))
            return Zip::Level2;
    }
    return Zip::Level9;
}

Zip::ErrorCode ZipPrivate::checkEntryFits(qint64 size, qint64 nameLength, int cipherBytes, bool deflated,
                                          qint64 position, const char **problem) const
{
    if (quint32(nameLength) > MaxUShort) {
        *problem = "Entry name longer than 65535 bytes: %1";
        return Zip::FileWriteError;
    }
    // Sizes and offsets have 64 bits with ZIP64 records; only the sum of the
    // archive's bytes so far and the entry's could overflow.
    qint64 end = 0;
    if (position < 0 || size < 0
        || addOverflows(position, entryBytesBound(size, nameLength, cipherBytes, deflated), &end)) {
        *problem = "Entry would end beyond the largest possible archive: %1";
        return Zip::FileWriteError;
    }
    return Zip::Success;
}

// The most an entry can add to the archive (saturated, never overflowing).
qint64 ZipPrivate::entryBytesBound(qint64 size, qint64 nameLength, int cipherBytes, bool deflated)
{
    constexpr qint64 limit = std::numeric_limits<qint64>::max() / 2;
    constexpr int aesField = ExtraField::HeaderSize + ExtraField::Aes::Size;
    return LocalHeader::Size + nameLength + Zip64LocalExtraSize + ZipExtraField::MaxTimeBlockSize
        + (cipherBytes > 0 ? cipherBytes + aesField + Zip64DataDescriptor::Size : 0)
        + worstCaseDataSize(qMin(size, limit / 2), deflated);
}

// Whether the entry's sizes may not fit 32 bits: its file, or the most its
// data can take.
bool ZipPrivate::needsZip64Sizes(qint64 size, int cipherBytes, bool deflated)
{
    return quint64(size) >= MaxUInt || quint64(worstCaseDataSize(size, deflated) + cipherBytes) >= MaxUInt;
}

Zip::ErrorCode ZipPrivate::createEntry(const QFileInfo &file, const QString &root, Zip::CompressionLevel level)
{
    Q_ASSERT(device && entries);

    // An archive written into the folder being added would otherwise be read
    // while it grows, without end.
    const bool isDir = file.isDir();
    if (!isDir && isArchiveItself(file)) {
        diagnostic.report(debugLine("Skipping the archive itself: %1", file.absoluteFilePath()));
        return Zip::Success;
    }
    return createFileEntry(file, isDir ? root : root + file.fileName(), level);
}

bool ZipPrivate::isArchiveItself(const QFileInfo &file) const
{
    const QString path = file.canonicalFilePath();
    return (!archivePath.isEmpty() && path == archivePath) || (editor && path == editor->canonicalPath());
}

Zip::ErrorCode ZipPrivate::createFileEntry(const QFileInfo &file, const QString &name, Zip::CompressionLevel level)
{
    EntryInput input;
    input.name = name;
    input.file = file;
    input.isDir = file.isDir();
    input.modified = file.lastModified();
    input.mode = DiskAttributes::modeOf(file);
    input.suffix = file.completeSuffix().toLower();
    input.description = file.absoluteFilePath();
    if (!input.isDir)
        input.source = EntrySource::fromFile(input.description);
    return writeEntry(input, level);
}

Zip::ErrorCode ZipPrivate::createLinkEntry(const QFileInfo &link, const QString &name, Zip::CompressionLevel level)
{
    EntryInput input;
    input.name = name;
    input.file = link;
    input.description = link.absoluteFilePath();
    QByteArray target;
    if (!DiskAttributes::readLink(input.description, &target, &input.modified)) {
        diagnostic.report(debugLine("Unable to read the symbolic link %1", input.description));
        return Zip::FileReadError;
    }
    input.mode = UnixMode::LinkMode;
    input.source = EntrySource::fromData(target);
    return writeEntry(input, level);
}

Zip::ErrorCode ZipPrivate::writeEntry(EntryInput &input, Zip::CompressionLevel level)
{
    Q_ASSERT(device && entries);
    Zip::ErrorCode ec = prepareForEntry();
    if (ec != Zip::Success)
        return ec;

    // 1. Name and level. A size not known beforehand (a pipe, say) counts
    // as large enough to compress.
    const qint64 size = input.isDir ? 0 : input.source->expectedSize();
    const int finalLevel = levelForEntry(input, size, level);
    const bool deflated = finalLevel != 0;
    const bool encrypted = !input.isDir && !password.isEmpty();

    // The record's method and cipher first: the bounds depend on them.
    std::unique_ptr<ZipEntryP> entry = newRecord(input.isDir, size, deflated, encrypted);
    const int cipherBytes = cipherOverhead(*entry);
    bool utf8Name = false;
    const QByteArray nameBytes = ZipNames::encode(input.name, &utf8Name);
    ec = ensureEntryFits(input.description, qMax<qint64>(size, 0), nameBytes.size(), cipherBytes, deflated);
    if (ec != Zip::Success)
        return ec;

    // 2. The rest of the record.
    if (utf8Name)
        entry->generalFlags[1] = FlagUtf8Names;
    const QDateTime modified = clampToDosRange(input.modified);
    encodeDosTime(modified.time(), entry->dosTime);
    encodeDosDate(modified.date(), entry->dosDate);
    const qint64 seconds = input.modified.isValid() ? input.modified.toSecsSinceEpoch() : 0;
    entry->hasUnixTime = input.modified.isValid() && ZipExtraField::fitsTimeBlock(seconds);
    entry->unixTime = seconds;
    entry->externalAttributes = externalAttributesFor(input.mode);
    // An entry that may pass 4 GiB gets its sizes in a ZIP64 field of the
    // local header from the start, since the header precedes the data.
    entry->zip64LocalSizes = !input.isDir && (size < 0 || needsZip64Sizes(size, cipherBytes, deflated));

    const bool runLengthOnly = input.suffix == QLatin1String("png");
    if (parallel)
        return createParallelEntry(input, std::move(entry), nameBytes, finalLevel, runLengthOnly);
    return writeSerialEntry(input, std::move(entry), nameBytes, finalLevel, runLengthOnly);
}

Zip::ErrorCode ZipPrivate::prepareForEntry()
{
    const Zip::ErrorCode earlier = failedEarlier();
    if (earlier != Zip::Success)
        return earlier;
    // Without the cipher built in, no AES entry is begun: nothing of it is
    // written.
    if (!KELVANE_HAVE_AES && !password.isEmpty() && encryptionMethod != Zip::TraditionalEncryption) {
        diagnostic.report(QString::fromLatin1("AES encryption is not available in this build."));
        return Zip::ZlibInitFailed;
    }
    if (threadCount > 0 && !parallel)
        parallel = std::make_unique<ParallelWriter>(*this, threadCount, blockSize);
    // A changed archive keeps its entries in front of the new ones.
    return editor ? editor->reserve(*device) : Zip::Success;
}

int ZipPrivate::levelForEntry(const EntryInput &input, qint64 size, Zip::CompressionLevel level) const
{
    if (input.isDir || (size >= 0 && size < MinDeflateSize))
        return Zip::StoreOnly;
    if (level == Zip::ByFileType || level == Zip::ByFileTypeAlt)
        return detectCompressionByMime(input.suffix);
    if (level == Zip::LevelDefault)
        return DefaultDeflateLevel;
    return int(level);
}

std::unique_ptr<ZipEntryP> ZipPrivate::newRecord(bool isDir, qint64 size, bool deflated, bool encrypted) const
{
    auto entry = std::make_unique<ZipEntryP>();
    entry->uncompressedSize = quint64(qMax<qint64>(size, 0));
    setMethod(*entry, deflated, encrypted);
    // Without its length beforehand, or streamed, the entry's CRC and sizes
    // follow its data in a descriptor.
    if (size < 0 || (streaming && !isDir))
        entry->generalFlags[0] |= FlagDataDescriptor;
    return entry;
}

Zip::ErrorCode ZipPrivate::ensureEntryFits(const QString &description, qint64 size, qint64 nameLength, int cipherBytes,
                                           bool deflated)
{
    const char *problem = nullptr;
    if (parallel) {
        // The entries still queued count with the most they can take; only
        // when that does not fit is the exact position awaited.
        qint64 bound = 0;
        if (addOverflows(position(), parallel->pendingBound(), &bound)
            || checkEntryFits(size, nameLength, cipherBytes, deflated, bound, &problem) != Zip::Success) {
            const Zip::ErrorCode flushed = parallel->flush();
            if (flushed != Zip::Success)
                return flushed;
        }
    }
    const Zip::ErrorCode ec = checkEntryFits(size, nameLength, cipherBytes, deflated, position(), &problem);
    if (ec != Zip::Success)
        diagnostic.report(debugLine(problem, description));
    return ec;
}

Zip::ErrorCode ZipPrivate::writeSerialEntry(EntryInput &input, std::unique_ptr<ZipEntryP> entry,
                                            const QByteArray &nameBytes, int level, bool runLengthOnly)
{
    entry->compressedSize = quint64(cipherOverhead(*entry));

    // 3. and 4. Local header, name and encryption header.
    entry->localHeaderOffset = quint64(position());
    Zip::ErrorCode ec = writeLocalHeader(*entry, nameBytes);
    if (ec != Zip::Success)
        return ec;
    EntryData data;
    data.encrypted = !input.isDir && !password.isEmpty();
    if (data.encrypted) {
        ec = writeEncryptionHeader(*entry, data.encryptor, input.description);
        if (ec != Zip::Success)
            return ec;
    }

    // 5. and 6. The data.
    if (!input.isDir) {
        ec = writeEntryData(input, *entry, data, level, runLengthOnly);
        if (ec != Zip::Success)
            return ec;
    }
    if (data.encrypted) {
        ec = writeEncryptionTrailer(*entry, data.encryptor);
        if (ec != Zip::Success)
            return ec;
    }

    // 7. and 8. Sizes and CRC as read and written.
    ec = completeSerialEntry(*entry, data, nameBytes.size());
    if (ec != Zip::Success)
        return ec;

    // 9. Into the directory.
    recordEntry(input.name, entry.release());
    return Zip::Success;
}

Zip::ErrorCode ZipPrivate::writeEntryData(EntryInput &input, const ZipEntryP &entry, EntryData &data, int level,
                                          bool runLengthOnly)
{
    data.path = input.description;
    if (!input.source->open()) {
        diagnostic.report(debugLine("An error occurred while opening %1", data.path));
        return Zip::FileOpenFailed;
    }
    data.source = input.source.get();
    data.zip64 = entry.zip64LocalSizes;
    data.writeLimit = dataLimit(entry);
    const Zip::ErrorCode ec = level == 0 ? writeStoredData(data) : writeDeflatedData(data, level, runLengthOnly);
    input.source.reset();
    return ec;
}

// The sizes and CRC go into the local header and, for traditionally
// encrypted entries and those of unknown length, into the data descriptor.
Zip::ErrorCode ZipPrivate::completeSerialEntry(ZipEntryP &entry, const EntryData &data, qint64 nameLength)
{
    entry.crc = storedCrc(entry, data.crc);
    entry.compressedSize += quint64(data.bytesWritten);
    entry.uncompressedSize = quint64(data.bytesRead);
    const Zip::ErrorCode ec = completeLocalHeader(entry, nameLength);
    if (ec != Zip::Success || !entry.hasDataDescriptor())
        return ec;
    return writeDataDescriptor(entry);
}

Zip::ErrorCode ZipPrivate::createParallelEntry(EntryInput &input, std::unique_ptr<ZipEntryP> entry,
                                               const QByteArray &nameBytes, int level, bool runLengthOnly)
{
    ParallelWriter::EntrySpec spec;
    spec.record = std::move(entry);
    spec.name = input.name;
    spec.nameBytes = nameBytes;
    spec.source = std::move(input.source);
    spec.path = input.description;
    spec.level = level;
    spec.strategy = runLengthOnly ? Z_RLE : Z_DEFAULT_STRATEGY;
    spec.encrypted = spec.record->isEncrypted();
    return parallel->addEntry(std::move(spec));
}

Zip::ErrorCode ZipPrivate::writeLocalHeader(const ZipEntryP &entry, const QByteArray &name, bool complete)
{
    const bool zip64 = entry.zip64LocalSizes;
    // A streamed entry's CRC-32 and sizes are in its data descriptor only.
    complete = complete && !(streaming && entry.hasDataDescriptor());
    unsigned char *h = inputBytes;
    writeUInt(h + LocalHeader::Signature, LocalHeaderSignature);
    writeSharedHeaderFields(h + LocalHeader::VersionNeeded, entry, zip64);
    // Unless complete, completed after the data; ZIP64 sizes go into the
    // extra field.
    writeUInt(h + LocalHeader::Crc, complete ? entry.crc : 0);
    writeUInt(h + LocalHeader::CompressedSize,
              zip64 ? quint32(MaxUInt) : complete ? quint32(entry.compressedSize)
                                                  : 0);
    const quint64 uncompressed = complete || !streaming ? entry.uncompressedSize : 0;
    writeUInt(h + LocalHeader::UncompressedSize, zip64 ? quint32(MaxUInt) : quint32(uncompressed));
    writeUShort(h + LocalHeader::NameLength, quint16(name.size()));
    writeUShort(h + LocalHeader::ExtraLength, quint16(localExtraLength(entry)));

    if (writeBytes(inputBuffer, LocalHeader::Size) != Zip::Success)
        return Zip::FileWriteError;
    if (writeBytes(name.constData(), name.size()) != Zip::Success)
        return Zip::FileWriteError;
    if (zip64) {
        writeUShort(h, ExtraField::Zip64);
        writeUShort(h + 2, Zip64LocalExtraSize - ExtraField::HeaderSize);
        writeULongLong(h + 4, uncompressed);
        writeULongLong(h + 12, complete ? entry.compressedSize : 0);
        if (writeBytes(inputBuffer, Zip64LocalExtraSize) != Zip::Success)
            return Zip::FileWriteError;
    }
    return writeTrailingExtraFields(entry);
}

Zip::ErrorCode ZipPrivate::writeEncryptionHeader(const ZipEntryP &entry, EntryEncryptor &encryptor,
                                                 const QString &path)
{
    if (entry.isAesEncrypted())
        return writeAesHeader(entry, encryptor, path);
    unsigned int *keys = encryptor.keys;
    // Ten random filler bytes, then the modification time, whose high byte
    // is the check byte of an entry with a data descriptor.
    constexpr int fillerSize = EncryptionHeaderSize - 2;
    unsigned char *h = inputBytes;

    srand(unsigned(time(nullptr)) ^ EncryptionSeedMask);
    initKeys(keys);
    for (int i = 0; i < fillerSize; ++i) {
        h[i] = uchar((rand() >> 7) & 0xff);
        ZipCipher::encrypt(keys, h + i, 1, crcTable);
    }

    initKeys(keys);
    ZipCipher::encrypt(keys, h, fillerSize, crcTable);
    h[fillerSize] = entry.dosTime[0];
    h[fillerSize + 1] = entry.dosTime[1];
    ZipCipher::encrypt(keys, h + fillerSize, 2, crcTable);

    if (writeBytes(inputBuffer, EncryptionHeaderSize) != Zip::Success)
        return Zip::FileWriteError;
    return Zip::Success;
}

// A fresh random salt for every entry, so that no two entries share a
// keystream; then the password verifier.
Zip::ErrorCode ZipPrivate::writeAesHeader(const ZipEntryP &entry, EntryEncryptor &encryptor, const QString &path)
{
    const int saltSize = ZipAes::saltSize(entry.aesStrength);
    unsigned char *h = inputBytes;
    encryptor.aes = std::make_unique<ZipAes::Cipher>();
    if (!ZipAes::randomBytes(h, saltSize)
        || !encryptor.aes->begin(ZipAes::passwordBytes(password), h, entry.aesStrength, h + saltSize)) {
        diagnostic.report(debugLine("Could not set up AES encryption for %1", path));
        return Zip::ZlibInitFailed;
    }
    const int length = saltSize + ZipAes::VerifierSize;
    if (writeBytes(inputBuffer, length) != Zip::Success)
        return Zip::FileWriteError;
    return Zip::Success;
}

Zip::ErrorCode ZipPrivate::writeEncryptionTrailer(const ZipEntryP &entry, EntryEncryptor &encryptor)
{
    if (!entry.isAesEncrypted())
        return Zip::Success;
    unsigned char mac[ZipAes::MacSize];
    if (!encryptor.aes || !encryptor.aes->finish(mac))
        return Zip::ZlibFailure;
    if (writeBytes(reinterpret_cast<const char *>(mac), ZipAes::MacSize) != Zip::Success)
        return Zip::FileWriteError;
    return Zip::Success;
}

// Accounts for a chunk of bytes read from the file into inputBuffer.
Zip::ErrorCode ZipPrivate::takeChunk(EntryData &data, qint64 read)
{
    if (read < 0) {
        diagnostic.report(debugLine("Error while reading %1", data.path));
        return Zip::FileReadError;
    }
    data.crc = ZipCrc::update(data.crc, inputBytes, read);
    data.bytesRead += read;
    if (!data.zip64 && quint64(data.bytesRead) >= MaxUInt) {
        // The file grew while being written.
        diagnostic.report(debugLine("File too large for a ZIP archive: %1", data.path));
        return Zip::FileWriteError;
    }
    return Zip::Success;
}

Zip::ErrorCode ZipPrivate::writeStoredData(EntryData &data)
{
    // Up to the end of the file, whatever size it had when it was listed.
    forever
    {
        const qint64 read = data.source->read(inputBuffer, BufferSize);
        if (read == 0)
            return Zip::Success;
        const Zip::ErrorCode ec = takeChunk(data, read);
        if (ec != Zip::Success)
            return ec;
        if (data.bytesWritten + read > data.writeLimit) {
            diagnostic.report(debugLine("File too large for a ZIP archive: %1", data.path));
            return Zip::FileWriteError;
        }
        if (data.encrypted)
            data.encryptor.encrypt(inputBytes, read, crcTable);
        if (writeBytes(inputBuffer, read) != Zip::Success)
            return Zip::FileWriteError;
        data.bytesWritten += read;
    }
}

Zip::ErrorCode ZipPrivate::writeDeflatedData(EntryData &data, int level, bool runLengthOnly)
{
    z_stream stream;
    memset(&stream, 0, sizeof stream);
    const int strategy = runLengthOnly ? Z_RLE : Z_DEFAULT_STRATEGY;
    if (deflateInit2(&stream, level, Z_DEFLATED, RawDeflateWindowBits, DeflateMemLevel, strategy) != Z_OK) {
        diagnostic.report("Could not initialize zlib for compression");
        return Zip::ZlibFailure;
    }

    // The stream is finished when the file ends, not when the size measured
    // before reading is reached, so a file that changed meanwhile still gives
    // a complete stream whose length and CRC match what was read. For a file
    // that did not change the output is the same either way.
    int flush = Z_NO_FLUSH;
    do {
        const qint64 read = data.source->read(inputBuffer, BufferSize);
        if (read == 0) {
            flush = Z_FINISH;
        } else {
            const Zip::ErrorCode ec = takeChunk(data, read);
            if (ec != Zip::Success) {
                deflateEnd(&stream);
                return ec;
            }
        }
        stream.next_in = inputBytes;
        stream.avail_in = uInt(qMax<qint64>(read, 0));

        do {
            stream.next_out = outputBytes;
            stream.avail_out = BufferSize;
            deflate(&stream, flush);
            const qint64 produced = BufferSize - stream.avail_out;
            if (data.bytesWritten + produced > data.writeLimit) {
                deflateEnd(&stream);
                diagnostic.report(debugLine("File too large for a ZIP archive: %1", data.path));
                return Zip::FileWriteError;
            }
            if (data.encrypted)
                data.encryptor.encrypt(outputBytes, produced, crcTable);
            if (produced > 0 && writeBytes(outputBuffer, produced) != Zip::Success) {
                deflateEnd(&stream);
                // The system's reason, reported by writeBytes(), stays the detail.
                diagnostic.log(debugLine("Error while writing %1", data.path));
                return Zip::FileWriteError;
            }
            data.bytesWritten += produced;
        } while (stream.avail_out == 0);
    } while (flush != Z_FINISH);

    deflateEnd(&stream);
    return Zip::Success;
}

Zip::ErrorCode ZipPrivate::completeLocalHeader(const ZipEntryP &entry, qint64 nameLength)
{
    // CRC, compressed and uncompressed size: 12 bytes from offset 14; ZIP64
    // sizes stay 0xffffffff there and go into the extra field after the name.
    constexpr int length = LocalHeader::NameLength - LocalHeader::Crc;
    // Streamed: the data descriptor carries them, or (a folder) the header
    // was written with its final zeros.
    if (streaming)
        return Zip::Success;
    const qint64 end = position();
    const qint64 header = qint64(entry.localHeaderOffset);
    if (!seekTo(header + LocalHeader::Crc))
        return writeFailed ? Zip::FileWriteError : Zip::FileSeekError;

    const bool zip64 = entry.zip64LocalSizes;
    unsigned char *h = inputBytes;
    writeUInt(h, entry.crc);
    writeUInt(h + (LocalHeader::CompressedSize - LocalHeader::Crc),
              zip64 ? quint32(MaxUInt) : quint32(entry.compressedSize));
    writeUInt(h + (LocalHeader::UncompressedSize - LocalHeader::Crc),
              zip64 ? quint32(MaxUInt) : quint32(entry.uncompressedSize));
    if (writeBytes(inputBuffer, length) != Zip::Success)
        return Zip::FileWriteError;
    if (zip64) {
        constexpr int sizes = Zip64LocalExtraSize - ExtraField::HeaderSize;
        if (!seekTo(header + LocalHeader::Size + nameLength + ExtraField::HeaderSize))
            return writeFailed ? Zip::FileWriteError : Zip::FileSeekError;
        writeULongLong(h, entry.uncompressedSize);
        writeULongLong(h + 8, entry.compressedSize);
        if (writeBytes(inputBuffer, sizes) != Zip::Success)
            return Zip::FileWriteError;
    }

    if (!seekTo(end))
        return writeFailed ? Zip::FileWriteError : Zip::FileSeekError;
    return Zip::Success;
}

Zip::ErrorCode ZipPrivate::writeDataDescriptor(const ZipEntryP &entry)
{
    unsigned char *h = inputBytes;
    int length = DataDescriptor::Size;
    if (entry.zip64LocalSizes) {
        writeUInt(h + Zip64DataDescriptor::Signature, DataDescriptorSignature);
        writeUInt(h + Zip64DataDescriptor::Crc, entry.crc);
        writeULongLong(h + Zip64DataDescriptor::CompressedSize, entry.compressedSize);
        writeULongLong(h + Zip64DataDescriptor::UncompressedSize, entry.uncompressedSize);
        length = Zip64DataDescriptor::Size;
    } else {
        writeUInt(h + DataDescriptor::Signature, DataDescriptorSignature);
        writeUInt(h + DataDescriptor::Crc, entry.crc);
        writeUInt(h + DataDescriptor::CompressedSize, quint32(entry.compressedSize));
        writeUInt(h + DataDescriptor::UncompressedSize, quint32(entry.uncompressedSize));
    }
    if (writeBytes(inputBuffer, length) != Zip::Success)
        return Zip::FileWriteError;
    return Zip::Success;
}

// Data bytes (besides what the cipher adds) an entry may have: without
// ZIP64 sizes its compressed size must stay below 0xffffffff.
qint64 ZipPrivate::dataLimit(const ZipEntryP &entry)
{
    if (entry.zip64LocalSizes)
        return std::numeric_limits<qint64>::max();
    return qint64(MaxUInt) - 1 - cipherOverhead(entry);
}

void ZipPrivate::recordEntry(const QString &name, ZipEntryP *entry)
{
    // A later entry of the same name replaces the earlier one in the
    // directory; the earlier entry's bytes stay in the archive unlisted,
    // unless it was kept from a changed archive and is not copied at all.
    if (editor)
        editor->remove(name);
    auto existing = entries->find(name);
    if (existing != entries->end()) {
        delete existing.value();
        existing.value() = entry;
    } else {
        entries->insert(name, entry);
    }
}
