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

// Qt's UTF-8 decoder counts overlong forms, surrogates, values past Unicode
// and cut sequences as invalid.
bool isValidUtf8(const char *data, int size)
{
    static QTextCodec *const utf8 = QTextCodec::codecForName("UTF-8");
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    utf8->toUnicode(data, size, &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
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
