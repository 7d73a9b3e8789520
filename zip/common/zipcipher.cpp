// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "common/zipcipher_p.h"

namespace ZipCipher {

QByteArray passwordBytes(const QString &password)
{
    for (const QChar c : password) {
        if (c.unicode() > 0xff)
            return password.toUtf8();
    }
    return password.toLatin1();
}

} // namespace ZipCipher
