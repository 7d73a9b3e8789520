// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "common/zipcrc_p.h"

#include <zlib.h>

#ifdef KELVANE_CRC_ISAL
#include <isa-l/crc.h>
#endif

#include <array>
#include <climits>

namespace {

constexpr std::array<quint32, 256> makeTable()
{
    std::array<quint32, 256> t{};
    for (quint32 n = 0; n < 256; ++n) {
        quint32 c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[n] = c;
    }
    return t;
}

constexpr std::array<quint32, 256> crcTable = makeTable();

} // namespace

quint32 ZipCrc::update(quint32 crc, const unsigned char *data, qint64 size)
{
    while (size > 0) {
        const unsigned int n = size > qint64(UINT_MAX) ? UINT_MAX : unsigned(size);
#ifdef KELVANE_CRC_ISAL
        crc = crc32_gzip_refl(crc, data, n);
#else
        crc = quint32(crc32(crc, data, n));
#endif
        data += n;
        size -= n;
    }
    return crc;
}

quint32 ZipCrc::combine(quint32 crcA, quint32 crcB, qint64 lengthB)
{
    return quint32(crc32_combine64(crcA, crcB, z_off64_t(lengthB)));
}

const quint32 *ZipCrc::table()
{
    return crcTable.data();
}
