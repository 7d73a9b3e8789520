// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "common/zipextrafield_p.h"

#include "common/zipcrc_p.h"
#include "common/zipnames_p.h"

#include <limits>

using namespace ZipFormat;

namespace {

// The text of a Unicode Path or Unicode Comment block: version 1, the CRC-32
// of the stored bytes it stands for, then strict UTF-8. Anything else, or a
// CRC that belongs to other bytes (the name was changed by a tool that did
// not know the block), leaves the stored bytes in force.
QString unicodeText(const unsigned char *data, int size, const QByteArray &stored)
{
    if (size < ExtraField::Unicode::Text || data[ExtraField::Unicode::Version] != 1)
        return QString();
    const quint32 crc = ZipCrc::update(0, reinterpret_cast<const unsigned char *>(stored.constData()),
                                       stored.size());
    if (readUInt(data + ExtraField::Unicode::Crc) != crc)
        return QString();
    const char *text = reinterpret_cast<const char *>(data + ExtraField::Unicode::Text);
    const int length = size - ExtraField::Unicode::Text;
    if (!ZipNames::isValidUtf8(text, length))
        return QString();
    // An empty text still counts: fromUtf8 gives a null string for it.
    const QString decoded = QString::fromUtf8(text, length);
    return decoded.isNull() ? QString(QLatin1String("")) : decoded;
}

// The modification time of an NTFS block's times attribute, where the
// block's attributes hold one.
bool ntfsModificationTime(const unsigned char *data, int size, qint64 *secondsSinceEpoch)
{
    int pos = ExtraField::Ntfs::Tag;
    while (size - pos >= 4) {
        const quint16 tag = readUShort(data + pos);
        const int length = readUShort(data + pos + 2);
        if (length > size - pos - 4)
            return false;
        if (tag == ExtraField::Ntfs::TimesTag && length >= ExtraField::Ntfs::TimesSize) {
            const qint64 ticks = qint64(readULongLong(data + pos + 4) & 0x7fffffffffffffffULL);
            *secondsSinceEpoch = ticks / ExtraField::Ntfs::TicksPerSecond - ExtraField::Ntfs::EpochOffset;
            return true;
        }
        pos += 4 + length;
    }
    return false;
}

// The times every reader takes alike from the extended timestamp: some read
// its seconds as signed, others as unsigned, so times before 1970 go into
// the NTFS block as well.
bool fitsTimestamp(qint64 secondsSinceEpoch)
{
    return secondsSinceEpoch >= 0 && secondsSinceEpoch <= std::numeric_limits<qint32>::max();
}

QByteArray ntfsBlock(qint64 secondsSinceEpoch)
{
    namespace Ntfs = ExtraField::Ntfs;
    QByteArray block(ExtraField::HeaderSize + Ntfs::Size, '\0');
    auto *p = reinterpret_cast<unsigned char *>(block.data());
    writeUShort(p, ExtraField::NtfsTimes);
    writeUShort(p + 2, Ntfs::Size);
    p += ExtraField::HeaderSize;
    writeUShort(p + Ntfs::Tag, Ntfs::TimesTag);
    writeUShort(p + Ntfs::TagSize, Ntfs::TimesSize);
    const quint64 ticks = quint64(secondsSinceEpoch + Ntfs::EpochOffset) * quint64(Ntfs::TicksPerSecond);
    for (const int at : {Ntfs::ModificationTime, Ntfs::AccessTime, Ntfs::CreationTime})
        writeULongLong(p + at, ticks);
    return block;
}

} // namespace

ZipExtraField::ZipExtraField(const unsigned char *field, int size, const QByteArray &name,
                             const QByteArray &comment)
{
    int pos = 0;
    while (size - pos >= ExtraField::HeaderSize) {
        const quint16 id = readUShort(field + pos);
        const int length = readUShort(field + pos + 2);
        const unsigned char *data = field + pos + ExtraField::HeaderSize;
        if (length > size - pos - ExtraField::HeaderSize)
            break;
        // The first block of a kind counts; later ones are passed over.
        switch (id) {
        case ExtraField::Zip64:
            if (!m_zip64) {
                m_zip64 = data;
                m_zip64Size = length;
            }
            break;
        case ExtraField::UnicodePath:
            if (m_unicodePath.isNull())
                m_unicodePath = unicodeText(data, length, name);
            break;
        case ExtraField::UnicodeComment:
            if (m_unicodeComment.isNull())
                m_unicodeComment = unicodeText(data, length, comment);
            break;
        case ExtraField::WinZipAes:
            if (!m_hasAes)
                m_hasAes = ZipAes::parseExtraField(data, length, &m_aes);
            break;
        case ExtraField::ExtendedTimestamp:
            if (!m_hasModificationTime && length >= ExtraField::Timestamp::Size
                && (data[ExtraField::Timestamp::Flags] & ExtraField::Timestamp::HasModificationTime)) {
                m_hasModificationTime = true;
                m_modificationTime = qint32(readUInt(data + ExtraField::Timestamp::ModificationTime));
            }
            break;
        case ExtraField::NtfsTimes:
            if (!m_hasNtfsTime)
                m_hasNtfsTime = ntfsModificationTime(data, length, &m_ntfsTime);
            break;
        default:
            break;
        }
        pos += ExtraField::HeaderSize + length;
    }
}

bool ZipExtraField::fitsTimeBlock(qint64 secondsSinceEpoch)
{
    // The NTFS count of 100 ns steps is kept below 2^63.
    constexpr qint64 lastNtfsSecond = std::numeric_limits<qint64>::max() / ExtraField::Ntfs::TicksPerSecond
        - ExtraField::Ntfs::EpochOffset;
    return secondsSinceEpoch >= -ExtraField::Ntfs::EpochOffset && secondsSinceEpoch <= lastNtfsSecond;
}

int ZipExtraField::timeBlockSize(qint64 secondsSinceEpoch)
{
    return fitsTimestamp(secondsSinceEpoch) ? ExtraField::HeaderSize + ExtraField::Timestamp::Size
                                            : MaxTimeBlockSize;
}

QByteArray ZipExtraField::timeBlock(qint64 secondsSinceEpoch)
{
    Q_ASSERT(fitsTimeBlock(secondsSinceEpoch));
    if (!fitsTimestamp(secondsSinceEpoch))
        return ntfsBlock(secondsSinceEpoch);
    QByteArray block(timeBlockSize(secondsSinceEpoch), '\0');
    auto *p = reinterpret_cast<unsigned char *>(block.data());
    writeUShort(p, ExtraField::ExtendedTimestamp);
    writeUShort(p + 2, ExtraField::Timestamp::Size);
    p += ExtraField::HeaderSize;
    p[ExtraField::Timestamp::Flags] = ExtraField::Timestamp::HasModificationTime;
    writeUInt(p + ExtraField::Timestamp::ModificationTime, quint32(qint32(secondsSinceEpoch)));
    return block;
}

bool ZipExtraField::resolveZip64(quint64 *uncompressedSize, quint64 *compressedSize,
                                 quint64 *localHeaderOffset, quint32 *diskNumber) const
{
    int pos = 0;
    // Takes the next 8-byte value of the block for a field that holds the
    // placeholder; false when the block has no more values.
    auto resolve = [&](quint64 *value) {
        if (!value || *value != MaxUInt)
            return true;
        if (!m_zip64 || m_zip64Size - pos < 8)
            return false;
        *value = readULongLong(m_zip64 + pos);
        pos += 8;
        return true;
    };
    if (!resolve(uncompressedSize) || !resolve(compressedSize) || !resolve(localHeaderOffset))
        return false;
    if (diskNumber && *diskNumber == MaxUShort) {
        if (!m_zip64 || m_zip64Size - pos < 4)
            return false;
        *diskNumber = readUInt(m_zip64 + pos);
    }
    return true;
}
