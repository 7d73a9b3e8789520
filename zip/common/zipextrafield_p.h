// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ZIPEXTRAFIELD_P_H
#define KELVANE_ZIPEXTRAFIELD_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// The extra field of a central record or a local header, walked once: the
// blocks the reader understands are picked out, every other block is passed
// over. One walker serves both kinds of record.

#include "common/zipaes_p.h"
#include "common/zipformat_p.h"

#include <QtCore/QString>

class ZipExtraField
{
public:
    // Walks the extra field field[0, size). A block whose data would run past
    // the end of the field ends the walk, as do fewer than four bytes left
    // (padding that some writers add): the blocks before it still count.
    // name and comment are the record's stored bytes, against which the
    // CRC-32 of the Unicode Path and Unicode Comment blocks is checked
    // (a local header has no comment: pass an empty one).
    ZipExtraField(const unsigned char *field, int size, const QByteArray &name,
                  const QByteArray &comment = QByteArray());

    bool hasZip64() const { return m_zip64 != nullptr; }

    // Replaces each value that holds its placeholder (0xffffffff for the
    // 32-bit fields, 0xffff for the disk number) by the next value of the
    // ZIP64 block, in the order the block stores them. A null pointer is a
    // field the record does not have. False when a placeholder has no value
    // in the block (or there is no block): the record is damaged.
    bool resolveZip64(quint64 *uncompressedSize, quint64 *compressedSize,
                      quint64 *localHeaderOffset = nullptr, quint32 *diskNumber = nullptr) const;

    // The UTF-8 text of a valid version-1 Unicode Path (Comment) block whose
    // CRC-32 matches the stored name (comment); a null string otherwise.
    QString unicodePath() const { return m_unicodePath; }
    QString unicodeComment() const { return m_unicodeComment; }

    // The WinZip AES block, when there is a valid one.
    bool hasAes() const { return m_hasAes; }
    const ZipAes::ExtraField &aes() const { return m_aes; }

    // The modification time of an extended timestamp block that has one,
    // else that of an NTFS block, in seconds since 1970 (UTC).
    bool hasModificationTime() const { return m_hasModificationTime || m_hasNtfsTime; }
    qint64 modificationTime() const { return m_hasModificationTime ? m_modificationTime : m_ntfsTime; }

    // Whether a time field can hold the time: the extended timestamp (a
    // 32-bit count of seconds, taken from 1970 to January 2038) or else
    // the NTFS block (1601 to 30827).
    static bool fitsTimeBlock(qint64 secondsSinceEpoch);
    // The time field of a time that fitsTimeBlock(), header included: the
    // extended timestamp with the modification time alone when it can hold
    // it, else the NTFS block.
    static QByteArray timeBlock(qint64 secondsSinceEpoch);
    static int timeBlockSize(qint64 secondsSinceEpoch);
    static constexpr int MaxTimeBlockSize = ZipFormat::ExtraField::HeaderSize + ZipFormat::ExtraField::Ntfs::Size;

private:
    const unsigned char *m_zip64 = nullptr;
    int m_zip64Size = 0;
    QString m_unicodePath;
    QString m_unicodeComment;
    bool m_hasAes = false;
    ZipAes::ExtraField m_aes;
    bool m_hasModificationTime = false;
    qint64 m_modificationTime = 0;
    bool m_hasNtfsTime = false;
    qint64 m_ntfsTime = 0;
};

#endif // KELVANE_ZIPEXTRAFIELD_P_H
