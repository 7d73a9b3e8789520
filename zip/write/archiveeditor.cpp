// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "write/archiveeditor_p.h"

#include "common/zipextrafield_p.h"
#include "common/zipformat_p.h"
#include "common/zipnames_p.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <limits>
#include <vector>

using namespace ZipFormat;

namespace {

constexpr int MaxCommentLength = 0xffff;

const unsigned char *bytesOf(const QByteArray &a, qint64 at = 0)
{
    return reinterpret_cast<const unsigned char *>(a.constData()) + at;
}

// Where the local header offset of a central record stands in its ZIP64
// block, or -1 when the record has no such value.
int zip64OffsetPosition(const QByteArray &central)
{
    const unsigned char *h = bytesOf(central);
    const int nameLength = readUShort(h + CentralHeader::NameLength);
    const int extraLength = readUShort(h + CentralHeader::ExtraLength);
    int at = CentralHeader::Size + nameLength;
    const int end = at + extraLength;
    while (at + ExtraField::HeaderSize <= end) {
        const int id = readUShort(h + at);
        const int size = readUShort(h + at + 2);
        if (id == ExtraField::Zip64) {
            int value = at + ExtraField::HeaderSize;
            value += readUInt(h + CentralHeader::UncompressedSize) == MaxUInt ? 8 : 0;
            value += readUInt(h + CentralHeader::CompressedSize) == MaxUInt ? 8 : 0;
            return value + 8 <= at + ExtraField::HeaderSize + size ? value : -1;
        }
        at += ExtraField::HeaderSize + size;
    }
    return -1;
}

} // namespace

Zip::ErrorCode ArchiveEditor::damaged(const char *why)
{
    m_diagnostic->report(QString::fromLatin1("%1: %2").arg(QString::fromLatin1(why), m_file.fileName()));
    return Zip::FileReadError;
}

Zip::ErrorCode ArchiveEditor::open(const QString &path, ZipDiagnostic &diagnostic)
{
    m_diagnostic = &diagnostic;
    m_file.setFileName(path);
    if (!QFileInfo(path).isFile())
        return Zip::FileMissing;
    if (!m_file.open(QIODevice::ReadOnly)) {
        diagnostic.report(QString::fromLatin1("An error occurred while opening %1").arg(path));
        return Zip::FileOpenFailed;
    }
    m_canonicalPath = QFileInfo(path).canonicalFilePath();
    const qint64 size = m_file.size();
    const qint64 tailLength = qMin<qint64>(size, EndRecord::Size + MaxCommentLength + Zip64Locator::Size);
    if (!m_file.seek(size - tailLength))
        return Zip::FileSeekError;
    const QByteArray tail = m_file.read(tailLength);
    if (tail.size() != tailLength)
        return damaged("Cannot read the archive");

    quint64 count = 0;
    quint64 offset = 0;
    quint64 directorySize = 0;
    const Zip::ErrorCode ec = readEndRecords(tail, size - tailLength, &count, &offset, &directorySize);
    if (ec != Zip::Success)
        return ec;
    return readDirectory(offset, directorySize, count);
}

// The end record (the last one whose comment ends the file), and the ZIP64
// end record when a locator stands before it.
Zip::ErrorCode ArchiveEditor::readEndRecords(const QByteArray &tail, qint64 tailStart, quint64 *count,
                                             quint64 *offset, quint64 *size)
{
    qint64 at = tail.size() - EndRecord::Size;
    for (; at >= 0; --at) {
        const unsigned char *e = bytesOf(tail, at);
        if (readUInt(e) == EndRecordSignature
            && at + EndRecord::Size + readUShort(e + EndRecord::CommentLength) <= tail.size())
            break;
    }
    if (at < 0)
        return damaged("Not a ZIP archive");
    const unsigned char *e = bytesOf(tail, at);
    m_comment = tail.mid(int(at) + EndRecord::Size, readUShort(e + EndRecord::CommentLength));
    *count = readUShort(e + EndRecord::TotalEntries);
    *size = readUInt(e + EndRecord::DirectorySize);
    *offset = readUInt(e + EndRecord::DirectoryOffset);

    if (at < Zip64Locator::Size || readUInt(bytesOf(tail, at - Zip64Locator::Size)) != Zip64LocatorSignature)
        return Zip::Success;
    const quint64 recordAt = readULongLong(bytesOf(tail, at - Zip64Locator::Size + Zip64Locator::EndRecordOffset));
    unsigned char record[Zip64EndRecord::Size];
    if (recordAt > quint64(tailStart + at) || !m_file.seek(qint64(recordAt))
        || m_file.read(reinterpret_cast<char *>(record), sizeof record) != qint64(sizeof record)
        || readUInt(record) != Zip64EndRecordSignature)
        return damaged("Damaged ZIP64 end record");
    *count = readULongLong(record + Zip64EndRecord::TotalEntries);
    *size = readULongLong(record + Zip64EndRecord::DirectorySize);
    *offset = readULongLong(record + Zip64EndRecord::DirectoryOffset);
    return Zip::Success;
}

Zip::ErrorCode ArchiveEditor::readDirectory(quint64 offset, quint64 size, quint64 count)
{
    if (offset + size > quint64(m_file.size()) || size > quint64(std::numeric_limits<int>::max())
        || !m_file.seek(qint64(offset)))
        return damaged("Damaged central directory");
    m_directoryOffset = qint64(offset);
    const QByteArray directory = m_file.read(qint64(size));
    if (directory.size() != int(size))
        return damaged("Cannot read the central directory");

    int at = 0;
    for (quint64 i = 0; i < count; ++i) {
        const unsigned char *h = bytesOf(directory, at);
        if (at + CentralHeader::Size > directory.size() || readUInt(h) != CentralHeaderSignature)
            return damaged("Damaged central directory");
        const int nameLength = readUShort(h + CentralHeader::NameLength);
        const int extraLength = readUShort(h + CentralHeader::ExtraLength);
        const int length = CentralHeader::Size + nameLength + extraLength + readUShort(h + CentralHeader::CommentLength);
        if (at + length > directory.size())
            return damaged("Damaged central directory");

        KeptEntry entry;
        entry.central = directory.mid(at, length);
        const QByteArray nameBytes = entry.central.mid(CentralHeader::Size, nameLength);
        quint64 uncompressed = readUInt(h + CentralHeader::UncompressedSize);
        quint64 compressed = readUInt(h + CentralHeader::CompressedSize);
        entry.oldOffset = readUInt(h + CentralHeader::LocalHeaderOffset);
        const ZipExtraField extra(h + CentralHeader::Size + nameLength, extraLength, nameBytes);
        if (!extra.resolveZip64(&uncompressed, &compressed, &entry.oldOffset))
            return damaged("Damaged ZIP64 field");
        const bool descriptor = h[CentralHeader::Flags] & FlagDataDescriptor;
        if (!measureSpan(entry, compressed, descriptor))
            return damaged("Damaged local header");
        const bool utf8 = h[CentralHeader::Flags + 1] & FlagUtf8Names;
        // A later record of the same name replaces the earlier one, as the
        // reader lists it.
        m_entries.insert(ZipNames::decode(nameBytes.constData(), nameLength, utf8), entry);
        at += length;
    }
    return checkLayout() ? Zip::Success : damaged("Entries overlap");
}

// The entry's bytes: local header, name, extra field, data, and the data
// descriptor in whichever of its four forms it has.
bool ArchiveEditor::measureSpan(KeptEntry &entry, quint64 compressedSize, bool descriptor)
{
    unsigned char h[LocalHeader::Size];
    if (!m_file.seek(qint64(entry.oldOffset))
        || m_file.read(reinterpret_cast<char *>(h), sizeof h) != qint64(sizeof h)
        || readUInt(h) != LocalHeaderSignature)
        return false;
    const int nameLength = readUShort(h + LocalHeader::NameLength);
    const int extraLength = readUShort(h + LocalHeader::ExtraLength);
    const QByteArray names = m_file.read(nameLength + extraLength);
    if (names.size() != nameLength + extraLength)
        return false;
    entry.span = quint64(LocalHeader::Size + nameLength + extraLength) + compressedSize;
    if (!descriptor)
        return true;

    const ZipExtraField extra(bytesOf(names, nameLength), extraLength, names.left(nameLength));
    const bool zip64 = extra.hasZip64() || compressedSize >= MaxUInt;
    unsigned char signature[4];
    if (!m_file.seek(qint64(entry.oldOffset + entry.span)) || m_file.read(reinterpret_cast<char *>(signature), 4) != 4)
        return false;
    const bool signed_ = readUInt(signature) == DataDescriptorSignature;
    if (zip64)
        entry.span += signed_ ? Zip64DataDescriptor::Size : Zip64DataDescriptor::SizeWithoutSignature;
    else
        entry.span += signed_ ? DataDescriptor::Size : DataDescriptor::SizeWithoutSignature;
    return true;
}

// Every entry lies before the directory and no two share bytes.
bool ArchiveEditor::checkLayout()
{
    std::vector<const KeptEntry *> order;
    for (const KeptEntry &entry : m_entries)
        order.push_back(&entry);
    std::sort(order.begin(), order.end(), [](const KeptEntry *a, const KeptEntry *b) { return a->oldOffset < b->oldOffset; });
    quint64 end = 0;
    for (const KeptEntry *entry : order) {
        if (entry->oldOffset < end || entry->span > quint64(m_directoryOffset) - entry->oldOffset)
            return false;
        end = entry->oldOffset + entry->span;
    }
    return true;
}

QString ArchiveEditor::comment() const
{
    return ZipNames::decode(m_comment.constData(), int(m_comment.size()), false);
}

qint64 ArchiveEditor::keptBytes() const
{
    qint64 total = 0;
    for (const KeptEntry &entry : m_entries)
        total += qint64(entry.span);
    return total;
}

Zip::ErrorCode ArchiveEditor::reserve(QIODevice &out)
{
    if (m_reserved)
        return Zip::Success;
    m_start = out.pos();
    m_room = keptBytes();
    m_reserved = true;
    return out.seek(m_start + m_room) ? Zip::Success : Zip::FileSeekError;
}

Zip::ErrorCode ArchiveEditor::finish(QIODevice &out, qint64 *shift, char *buffer, int bufferSize)
{
    const qint64 kept = keptBytes();
    if (!m_reserved) {
        const Zip::ErrorCode ec = reserve(out);
        if (ec != Zip::Success)
            return ec;
    }
    const qint64 end = out.pos();
    const qint64 start = m_start;
    const qint64 newStart = start + m_room;
    *shift = m_room - kept;
    if (*shift > 0) {
        const Zip::ErrorCode ec = copy(out, newStart, newStart - *shift, end - newStart, buffer, bufferSize, &out);
        if (ec != Zip::Success)
            return ec;
    }

    // The kept entries in the order they stood.
    std::vector<KeptEntry *> order;
    for (KeptEntry &entry : m_entries)
        order.push_back(&entry);
    std::sort(order.begin(), order.end(), [](const KeptEntry *a, const KeptEntry *b) { return a->oldOffset < b->oldOffset; });
    qint64 at = start;
    for (KeptEntry *entry : order) {
        entry->newOffset = quint64(at);
        const Zip::ErrorCode ec = copy(out, qint64(entry->oldOffset), at, qint64(entry->span), buffer, bufferSize, &m_file);
        if (ec != Zip::Success)
            return ec;
        at += qint64(entry->span);
    }
    return out.seek(end - *shift) ? Zip::Success : Zip::FileSeekError;
}

// Copies length bytes from the source's position `from` to the device's
// position `to`, front to back, so that a move down within one device is
// safe.
Zip::ErrorCode ArchiveEditor::copy(QIODevice &out, qint64 from, qint64 to, qint64 length, char *buffer,
                                   int bufferSize, QIODevice *source)
{
    for (qint64 done = 0; done < length;) {
        const qint64 chunk = qMin<qint64>(bufferSize, length - done);
        if (!source->seek(from + done))
            return Zip::FileSeekError;
        if (source->read(buffer, chunk) != chunk) {
            m_diagnostic->report(QString::fromLatin1("Error while reading %1").arg(m_file.fileName()));
            return Zip::FileReadError;
        }
        if (!out.seek(to + done))
            return Zip::FileSeekError;
        if (out.write(buffer, chunk) != chunk)
            return Zip::FileWriteError;
        done += chunk;
    }
    return Zip::Success;
}

QFile *ArchiveEditor::temporaryFileFor(const QString &archive)
{
    const QFileInfo info(archive);
#ifdef O_TMPFILE
    // A file without a name until it is complete: nothing is left behind
    // by a process that is killed or a machine that stops.
    const int fd = ::open(QFile::encodeName(info.absolutePath()).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) {
        auto *file = new QFile;
        if (file->open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle))
            return file;
        delete file;
        ::close(fd);
    }
#endif
    return new QTemporaryFile(info.absoluteDir().filePath(QLatin1Char('.') + info.fileName() + QLatin1String(".XXXXXX")));
}

bool ArchiveEditor::replaceArchive(QFile &written, QString *problem)
{
    // Entries moved down leave the old tail behind.
    if (!written.resize(written.pos()) || !written.flush()) {
        *problem = written.errorString();
        return false;
    }
#ifdef Q_OS_UNIX
    // On disk before it takes the old archive's name: a crash right after
    // must not leave an empty file in its place.
    if (::fsync(written.handle()) != 0) {
        *problem = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
#endif
    written.setPermissions(m_file.permissions());
    auto *named = qobject_cast<QTemporaryFile *>(&written);
    QString from = named ? named->fileName() : QString();
#ifdef O_TMPFILE
    if (!named) {
        // The nameless file gets a hidden name beside the archive first.
        from = QFileInfo(m_file.fileName()).absoluteDir().filePath(QLatin1Char('.') + QFileInfo(m_file.fileName()).fileName() + QLatin1String(".new"));
        QFile::remove(from);
        const QByteArray link = "/proc/self/fd/" + QByteArray::number(written.handle());
        if (::linkat(AT_FDCWD, link.constData(), AT_FDCWD, QFile::encodeName(from).constData(), AT_SYMLINK_FOLLOW) != 0) {
            *problem = QString::fromLocal8Bit(strerror(errno));
            return false;
        }
    }
#endif
    written.close();
    m_file.close();
    if (!renameOver(from, m_file.fileName(), problem)) {
        QFile::remove(from);
        return false;
    }
    if (named)
        named->setAutoRemove(false);
    return true;
}

bool ArchiveEditor::renameOver(const QString &from, const QString &to, QString *problem)
{
#ifdef Q_OS_UNIX
    // rename() replaces the old archive in one step.
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        *problem = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
#else
    if (!QFile::remove(to) || !QFile::rename(from, to)) {
        *problem = QString::fromLatin1("cannot rename %1").arg(from);
        return false;
    }
#endif
    return true;
}

QByteArray ArchiveEditor::centralRecord(const KeptEntry &entry)
{
    QByteArray record = entry.central;
    unsigned char *h = reinterpret_cast<unsigned char *>(record.data());
    // Entries only move down, so an offset that fitted its field still does.
    if (readUInt(h + CentralHeader::LocalHeaderOffset) != MaxUInt) {
        writeUInt(h + CentralHeader::LocalHeaderOffset, quint32(entry.newOffset));
        return record;
    }
    const int at = zip64OffsetPosition(record);
    if (at >= 0)
        writeULongLong(h + at, entry.newOffset);
    return record;
}
