// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ZIPAES_P_H
#define KELVANE_ZIPAES_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// WinZip's AES encryption, shared by the reader and the writer. An entry
// encrypted this way has method 99 and a 0x9901 extra field naming the real
// method, the key strength and the variant (AE-1 keeps the CRC-32, AE-2
// stores 0 instead). Its data is: a random salt, a 2-byte password verifier,
// the compressed data encrypted with AES in counter mode, and the first 10
// bytes of an HMAC-SHA1 over the encrypted data. Keys and verifier come from
// PBKDF2-HMAC-SHA1 (1000 iterations) over the password and the salt. The
// counter is a 16-byte little-endian number starting at 1.
//
// The primitives are OpenSSL's libcrypto.

#include <QtCore/QByteArray>
#include <QtCore/QString>

namespace ZipAes {

constexpr quint16 VendorId = 0x4541; // "AE", low byte first
constexpr quint16 VersionAe1 = 1;
constexpr quint16 VersionAe2 = 2;
constexpr int VerifierSize = 2;
constexpr int MacSize = 10;
constexpr int KeyDerivationIterations = 1000;
// Entries shorter than this are written as AE-2: their CRC-32 would let a
// brute-force search recognise the content without the password.
constexpr quint64 Ae1MinimumSize = 20;

enum Strength : quint8 {
    Aes128 = 1,
    Aes192 = 2,
    Aes256 = 3
};

// Key and salt length in bytes for a strength; 0 for an unknown strength.
int keySize(int strength);
int saltSize(int strength);
// Salt, verifier and authentication code: what the data holds besides the
// compressed stream.
int overhead(int strength);

// The 0x9901 extra field's data.
struct ExtraField
{
    quint16 version = VersionAe2;
    quint8 strength = Aes256;
    quint16 method = 0; // the real compression method
};

// Reads the field's 7 data bytes; false when they are not a valid field.
bool parseExtraField(const unsigned char *data, int size, ExtraField *field);
// The whole field (id and size included), 11 bytes.
QByteArray extraFieldBytes(const ExtraField &field);

// The bytes that key the cipher for a password: UTF-8, as other AES writers
// use.
QByteArray passwordBytes(const QString &password);

// Fills buffer with random bytes from the system's generator.
bool randomBytes(unsigned char *buffer, int size);

// One entry's cipher: counter-mode encryption and the authentication code,
// in both directions.
class Cipher
{
public:
    Cipher();
    ~Cipher();
    Cipher(const Cipher &) = delete;
    Cipher &operator=(const Cipher &) = delete;

    // Derives the keys from password and salt (saltSize(strength) bytes)
    // and stores the password verifier in verifier; false when libcrypto
    // fails or the strength is unknown.
    bool begin(const QByteArray &password, const unsigned char *salt, int strength,
               unsigned char verifier[VerifierSize]);

    // Encrypts in place and adds the encrypted bytes to the authentication code.
    void encrypt(unsigned char *data, qint64 size);
    // Adds the encrypted bytes to the authentication code, leaving them as they are.
    void authenticate(const unsigned char *data, qint64 size);
    // Applies the keystream in place (decryption), without authenticating.
    void applyKeystream(unsigned char *data, qint64 size);

    // The authentication code of everything authenticated since begin();
    // the keystream goes on where it was.
    bool finish(unsigned char mac[MacSize]);

private:
    struct State;
    State *d;
};

} // namespace ZipAes

#endif // KELVANE_ZIPAES_P_H
