// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PAGEDECODER_H
#define KELVANE_PAGEDECODER_H

#include <QtCore/QByteArray>
#include <QtCore/QString>

// Turns the bytes of a package's pages and text files into text.
//
// Lecture packages are written on Russian Windows, so Windows-1251 is the
// rule. A page is read as UTF-8 only when it says so in a way that cannot be
// mistaken: a byte-order mark, or a meta tag declaring UTF-8 on bytes that
// are valid UTF-8. A Windows-1251 page whose editor wrote a wrong
// declaration stays Windows-1251, since its Cyrillic bytes are never valid
// UTF-8. A UTF-16 or UTF-32 byte-order mark (Notepad's "Unicode") is just as
// unmistakable, and is followed too.
class PageDecoder
{
public:
    enum Encoding {
        Utf8,
        MarkedUnicode, // UTF-16 or UTF-32 with its byte-order mark
        Windows1251
    };

    static Encoding pageEncoding(const QByteArray &bytes);
    static QString decodePage(const QByteArray &bytes);

    // Plain text and style sheets carry no declaration: a byte-order mark or
    // valid UTF-8 means UTF-8, anything else Windows-1251.
    static Encoding textEncoding(const QByteArray &bytes);
    static QString decodeText(const QByteArray &bytes);

    static bool startsWithUtf8Mark(const QByteArray &bytes);
    static bool startsWithWideMark(const QByteArray &bytes);
    static bool isValidUtf8(const QByteArray &bytes);
    // True when a meta tag in the head (comments left out) names UTF-8 as
    // the character set, in either the charset or the http-equiv form.
    static bool declaresUtf8(const QByteArray &bytes);

private:
    static QString decode(const QByteArray &bytes, Encoding encoding);
};

#endif // KELVANE_PAGEDECODER_H
