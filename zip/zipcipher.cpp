// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "zipcipher_p.h"

namespace ZipCipher {

QByteArray passwordBytes(const QString &password)
{
    for (const QChar c : password) {
        if (c.unicode() > 0xff)
            return password.toUtf8();
    }
    return password.toLatin1();
}

void initKeys(unsigned int *keys, const QByteArray &password, const z_crc_t *crcTable)
{
    keys[0] = InitialKey0;
    keys[1] = InitialKey1;
    keys[2] = InitialKey2;
    for (const char c : password)
        updateKeys(keys, uchar(c), crcTable);
}

} // namespace ZipCipher
