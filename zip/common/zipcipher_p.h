// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ZIPCIPHER_P_H
#define KELVANE_ZIPCIPHER_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// The traditional ZIP encryption, shared by the reader and the writer: three
// 32-bit keys set up from the password and advanced by every plain byte with
// CRC-32 steps and a linear congruential step; each byte is XORed with a
// keystream byte taken from the third key.

#include <QtCore/QByteArray>
#include <QtCore/QString>

namespace ZipCipher {

constexpr unsigned int InitialKey0 = 0x12345678;
constexpr unsigned int InitialKey1 = 0x23456789;
constexpr unsigned int InitialKey2 = 0x34567890;
constexpr unsigned int Multiplier = 134775813; // 0x08088405

// The bytes that key the cipher for a password. A password that Latin-1 can
// hold uses its Latin-1 bytes; any other password uses UTF-8, since Latin-1
// would turn each of its other characters into the same '?'.
QByteArray passwordBytes(const QString &password);

inline unsigned int crcStep(unsigned int value, unsigned char byte, const quint32 *crcTable)
{
    return (value >> 8) ^ crcTable[(value ^ byte) & 0xff];
}

// One key update with the plain byte c (only its low 8 bits count).
inline void updateKeys(unsigned int *keys, int c, const quint32 *crcTable)
{
    keys[0] = crcStep(keys[0], uchar(c), crcTable);
    keys[1] = (keys[1] + (keys[0] & 0xff)) * Multiplier + 1;
    keys[2] = crcStep(keys[2], uchar(keys[1] >> 24), crcTable);
}

// Initial values, then one update per password byte.
inline void initKeys(unsigned int *keys, const QByteArray &password, const quint32 *crcTable)
{
    keys[0] = InitialKey0;
    keys[1] = InitialKey1;
    keys[2] = InitialKey2;
    for (const char c : password)
        updateKeys(keys, uchar(c), crcTable);
}

inline unsigned char keystreamByte(const unsigned int *keys)
{
    const unsigned int t = keys[2] | 2;
    return uchar(((t * (t ^ 1)) >> 8) & 0xff);
}

// The same as keystreamByte and updateKeys for each byte, rearranged for
// speed: every byte waits for the keys of the byte before, so the work on
// that chain is kept short. The CRC table is linear over XOR, table[x ^ y] =
// table[x] ^ table[y], so each CRC step splits into a part known early (from
// the old key and the stored byte) and one table look-up that must wait;
// key 1 times the multiplier is likewise taken apart from the new byte's
// share.
inline void decrypt(unsigned int *keys, unsigned char *data, qint64 size, const quint32 *crcTable)
{
    unsigned int k0 = keys[0];
    unsigned int k1 = keys[1];
    unsigned int k2 = keys[2];
    for (qint64 i = 0; i < size; ++i) {
        const unsigned char stored = data[i];
        const unsigned int early0 = (k0 >> 8) ^ crcTable[(k0 ^ stored) & 0xff];
        const unsigned int early2 = (k2 >> 8) ^ crcTable[k2 & 0xff];
        const unsigned int early1 = k1 * Multiplier + 1;
        const unsigned int t = k2 | 2;
        const unsigned char stream = uchar((t * (t ^ 1)) >> 8);
        // Key 0 stepped with the plain byte stored ^ stream.
        k0 = early0 ^ crcTable[stream];
        k1 = early1 + (k0 & 0xff) * Multiplier;
        k2 = early2 ^ crcTable[k1 >> 24];
        data[i] = stored ^ stream;
    }
    keys[0] = k0;
    keys[1] = k1;
    keys[2] = k2;
}

inline void encrypt(unsigned int *keys, unsigned char *data, qint64 size, const quint32 *crcTable)
{
    for (qint64 i = 0; i < size; ++i) {
        const unsigned char k = keystreamByte(keys);
        updateKeys(keys, data[i], crcTable);
        data[i] ^= k;
    }
}

} // namespace ZipCipher

#endif // KELVANE_ZIPCIPHER_P_H
