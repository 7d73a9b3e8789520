// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TESTS_BUILTMETHODS_H
#define KELVANE_TESTS_BUILTMETHODS_H

// Which of the optional methods and the AES cipher the component was built
// with (KELVANE_WITH_BZIP2, _LZMA, _ZSTD, _AES); tests of one it lacks skip
// with a message.

#include <QtCore/QtGlobal>

// Whether entries of the compression method (its number in the archive)
// are read.
inline bool methodBuiltIn(quint16 method)
{
    switch (method) {
    case 12:
        return KELVANE_HAVE_BZIP2;
    case 14:
    case 95:
        return KELVANE_HAVE_LZMA;
    case 93:
        return KELVANE_HAVE_ZSTD;
    case 99:
        return KELVANE_HAVE_AES;
    default:
        return true;
    }
}

constexpr bool aesBuiltIn = KELVANE_HAVE_AES;
// Every optional method and the cipher.
constexpr bool allMethodsBuiltIn = KELVANE_HAVE_BZIP2 && KELVANE_HAVE_LZMA && KELVANE_HAVE_ZSTD && KELVANE_HAVE_AES;

// In a test function: skips it when the method's library was left out.
#define KELVANE_REQUIRE_METHOD(method)                                                                 \
    do {                                                                                               \
        if (!methodBuiltIn(method))                                                                    \
            QSKIP(qPrintable(QStringLiteral("the component is built without method %1").arg(method))); \
    } while (false)

#define KELVANE_REQUIRE_AES()                                                   \
    do {                                                                        \
        if (!aesBuiltIn)                                                        \
            QSKIP("the component is built without AES (KELVANE_WITH_AES=OFF)"); \
    } while (false)

#define KELVANE_REQUIRE_ALL_METHODS()                                                       \
    do {                                                                                    \
        if (!allMethodsBuiltIn)                                                             \
            QSKIP("the component is built without some of bzip2, LZMA, Zstandard and AES"); \
    } while (false)

#endif // KELVANE_TESTS_BUILTMETHODS_H
