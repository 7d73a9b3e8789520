// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ZIPNAMES_P_H
#define KELVANE_ZIPNAMES_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// How entry names and comments turn from stored bytes into text and back.

#include <QtCore/QByteArray>
#include <QtCore/QString>

class QTextCodec;

namespace ZipNames {

bool isAscii(const char *data, int size);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(const char *data, int size);

// Text of stored name or comment bytes: UTF-8 when the entry's UTF-8 flag is
// set, or when the bytes are valid UTF-8 and not pure ASCII (tools on Linux
// and macOS store UTF-8 without the flag); otherwise the fallback codec, or
// Latin-1 when there is none.
QString decode(const char *data, int size, bool utf8Flag, QTextCodec *fallback = nullptr);

// Stored bytes of a name or comment: the Latin-1 bytes of pure ASCII text;
// UTF-8 for anything else, with *needsUtf8Flag set so that the caller marks
// the entry with the UTF-8 flag.
QByteArray encode(const QString &text, bool *needsUtf8Flag);

} // namespace ZipNames

#endif // KELVANE_ZIPNAMES_P_H
