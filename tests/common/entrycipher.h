// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The ciphers a RawZip entry can be written with, for tests that run every
// method under every cipher, all with the password "pw".
#ifndef KELVANE_TEST_ENTRYCIPHER_H
#define KELVANE_TEST_ENTRYCIPHER_H

#include "rawzip.h"

enum class Cipher { None,
                    Traditional,
                    Aes128Ae1,
                    Aes192Ae2,
                    Aes256Ae1,
                    Aes256Ae2 };

inline void protect(RawZip::Entry &e, Cipher cipher)
{
    switch (cipher) {
    case Cipher::None:
        break;
    case Cipher::Traditional:
        e.encrypted("pw");
        break;
    case Cipher::Aes128Ae1:
        e.aes("pw", RawZip::Aes128, 1);
        break;
    case Cipher::Aes192Ae2:
        e.aes("pw", RawZip::Aes192, 2);
        break;
    case Cipher::Aes256Ae1:
        e.aes("pw", RawZip::Aes256, 1);
        break;
    case Cipher::Aes256Ae2:
        e.aes("pw", RawZip::Aes256, 2);
        break;
    }
}

#endif // KELVANE_TEST_ENTRYCIPHER_H
