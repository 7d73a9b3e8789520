// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "read/entrypassword_p.h"

#include "common/zipcipher_p.h"
#include "common/zipcrc_p.h"
#include "common/zipformat_p.h"

#include <cstring>

namespace EntryPassword {

UnZip::ErrorCode checkTraditional(const ZipEntryP &entry, const QString &password, unsigned char *header,
                                  unsigned int *keys)
{
    const quint32 *crcTable = ZipCrc::table();
    ZipCipher::initKeys(keys, ZipCipher::passwordBytes(password), crcTable);
    ZipCipher::decrypt(keys, header, ZipFormat::EncryptionHeaderSize, crcTable);
    // The last header byte repeats the high byte of the CRC-32, or of the
    // time when the CRC-32 follows the data.
    const unsigned char check = entry.hasDataDescriptor() ? entry.dosTime[1] : uchar(entry.crc >> 24);
    return header[ZipFormat::EncryptionHeaderSize - 1] == check ? UnZip::Success : UnZip::PasswordMismatch;
}

UnZip::ErrorCode beginAes(ZipAes::Cipher &cipher, const QString &password, const unsigned char *header, int strength)
{
    unsigned char verifier[ZipAes::VerifierSize];
    if (!cipher.begin(ZipAes::passwordBytes(password), header, strength, verifier))
        return UnZip::ZlibInitFailed;
    const int saltSize = ZipAes::saltSize(strength);
    return std::memcmp(verifier, header + saltSize, ZipAes::VerifierSize) == 0 ? UnZip::Success
                                                                               : UnZip::PasswordMismatch;
}

} // namespace EntryPassword
