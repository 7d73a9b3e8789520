// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "common/zipnames_p.h"

#include <QTextCodec>

#include <cstring>

namespace ZipNames {

bool isAscii(const char *data, int size)
{
    for (int i = 0; i < size; ++i) {
        if (uchar(data[i]) >= 0x80)
            return false;
    }
    return true;
}

bool isValidUtf8(const char *data, int size)
{
    const auto *p = reinterpret_cast<const uchar *>(data);
    const uchar *end = p + size;
    while (p < end) {
        const uchar c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra;
        uint min;
        uint cp;
        if ((c & 0xe0) == 0xc0) {
            extra = 1; min = 0x80; cp = c & 0x1f;
        } else if ((c & 0xf0) == 0xe0) {
            extra = 2; min = 0x800; cp = c & 0x0f;
        } else if ((c & 0xf8) == 0xf0) {
            extra = 3; min = 0x10000; cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xc0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3f);
        }
        if (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff))
            return false;
        p += extra + 1;
    }
    return true;
}

QString decode(const char *data, int size, bool utf8Flag, QTextCodec *fallback)
{
    if (utf8Flag)
        return QString::fromUtf8(data, size);
    if (isAscii(data, size))
        return QString::fromLatin1(data, size);
    if (isValidUtf8(data, size))
        return QString::fromUtf8(data, size);
    if (fallback)
        return fallback->toUnicode(data, size);
    return QString::fromLatin1(data, size);
}

QByteArray encode(const QString &text, bool *needsUtf8Flag)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            *needsUtf8Flag = true;
            return text.toUtf8();
        }
    }
    *needsUtf8Flag = false;
    return text.toLatin1();
}

} // namespace ZipNames
