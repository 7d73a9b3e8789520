// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ZIPCRC_P_H
#define KELVANE_ZIPCRC_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// CRC-32 (the reflected polynomial 0xEDB88320 that ZIP uses), for the reader,
// the writer and the traditional cipher alike. Bulk sums run on the inflate
// back end's implementation (zlib or ISA-L); the cipher steps one byte at a
// time through the table.

#include <QtCore/QtGlobal>

namespace ZipCrc {

// Running CRC-32 (start with 0), as zlib's crc32 computes it.
quint32 update(quint32 crc, const unsigned char *data, qint64 size);

// The CRC-32 of A followed by B, from the sums of A and B and B's length.
quint32 combine(quint32 crcA, quint32 crcB, qint64 lengthB);

// The 256-entry table of one-byte steps: table()[(crc ^ byte) & 0xff] ^ (crc >> 8).
const quint32 *table();

} // namespace ZipCrc

#endif // KELVANE_ZIPCRC_P_H
