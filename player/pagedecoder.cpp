// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "pagedecoder.h"

#include <QTextCodec> // Core5Compat in Qt 6

#include <cctype>

namespace {

const char utf8Mark[] = "\xEF\xBB\xBF";
const int utf8MarkSize = 3;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The position after the tag that starts at `from` ('<'), or -1 when the
// tag does not end. Quoted attribute values may hold '>'.
int tagEnd(const QByteArray &lower, int from)
{
    char quote = 0;
    const int size = int(lower.size());
    for (int i = from + 1; i < size; ++i) {
        const char c = lower.at(i);
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return -1;
}

// True when the tag text names "utf-8" (or "utf8") after a "charset=".
bool tagNamesUtf8(const QByteArray &tag)
{
    const int size = int(tag.size());
    int at = 0;
    while ((at = int(tag.indexOf("charset", at))) >= 0) {
        int i = at + 7;
        while (i < size && isSpace(tag.at(i)))
            ++i;
        at = i;
        if (i >= size || tag.at(i) != '=')
            continue;
        ++i;
        while (i < size && (isSpace(tag.at(i)) || tag.at(i) == '"' || tag.at(i) == '\''))
            ++i;
        const QByteArray value = tag.mid(i, 5);
        if (value == "utf-8" || value.startsWith("utf8"))
            return true;
    }
    return false;
}

} // namespace

bool PageDecoder::startsWithUtf8Mark(const QByteArray &bytes)
{
    return bytes.startsWith(utf8Mark);
}

bool PageDecoder::startsWithWideMark(const QByteArray &bytes)
{
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") || bytes.startsWith(QByteArray("\0\0\xFE\xFF", 4));
}

// Qt's UTF-8 decoder counts overlong forms, surrogates, values past Unicode
// and cut sequences as invalid.
bool PageDecoder::isValidUtf8(const QByteArray &bytes)
{
    static QTextCodec *const utf8 = QTextCodec::codecForName("UTF-8");
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    utf8->toUnicode(bytes.constData(), int(bytes.size()), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

bool PageDecoder::declaresUtf8(const QByteArray &bytes)
{
    const QByteArray lower = bytes.toLower();
    int i = 0;
    while ((i = int(lower.indexOf('<', i))) >= 0) {
        if (lower.mid(i, 4) == "<!--") {
            const int close = int(lower.indexOf("-->", i + 4));
            if (close < 0)
                return false;
            i = close + 3;
            continue;
        }
        const int end = tagEnd(lower, i);
        if (end < 0)
            return false;
        const QByteArray tag = lower.mid(i, end - i);
        // Declarations belong to the head; the body's text is never read
        // for them.
        if (tag.startsWith("<body") && !std::isalnum(uchar(tag.at(5))))
            return false;
        if (tag.startsWith("<meta") && (isSpace(tag.at(5)) || tag.at(5) == '/')
            && tagNamesUtf8(tag))
            return true;
        i = end;
    }
    return false;
}

PageDecoder::Encoding PageDecoder::pageEncoding(const QByteArray &bytes)
{
    if (startsWithUtf8Mark(bytes))
        return Utf8;
    if (startsWithWideMark(bytes))
        return MarkedUnicode;
    if (declaresUtf8(bytes) && isValidUtf8(bytes))
        return Utf8;
    return Windows1251;
}

PageDecoder::Encoding PageDecoder::textEncoding(const QByteArray &bytes)
{
    if (startsWithWideMark(bytes))
        return MarkedUnicode;
    return startsWithUtf8Mark(bytes) || isValidUtf8(bytes) ? Utf8 : Windows1251;
}

QString PageDecoder::decodePage(const QByteArray &bytes)
{
    return decode(bytes, pageEncoding(bytes));
}

QString PageDecoder::decodeText(const QByteArray &bytes)
{
    return decode(bytes, textEncoding(bytes));
}

QString PageDecoder::decode(const QByteArray &bytes, Encoding encoding)
{
    if (encoding == Utf8) {
        const int skip = startsWithUtf8Mark(bytes) ? utf8MarkSize : 0;
        return QString::fromUtf8(bytes.constData() + skip, int(bytes.size()) - skip);
    }
    static QTextCodec *const windows1251 = QTextCodec::codecForName("Windows-1251");
    if (encoding == MarkedUnicode) {
        // The codec is chosen by the mark and skips it.
        return QTextCodec::codecForUtfText(bytes, windows1251)->toUnicode(bytes);
    }
    return windows1251->toUnicode(bytes);
}
