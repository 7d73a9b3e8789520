// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The password checks at the start of an encrypted entry's data, shared by
// the extractor and the entry device; each reads the header its own way.
#ifndef KELVANE_ENTRYPASSWORD_P_H
#define KELVANE_ENTRYPASSWORD_P_H

#include <kelvanezip/unzip.h>
#include "common/zipaes_p.h"
#include "common/zipentry_p.h"

namespace EntryPassword {

// The traditional cipher's 12-byte header, already read into header:
// decrypts it with keys set up from the password; PasswordMismatch when
// its check byte is not the entry's.
UnZip::ErrorCode checkTraditional(const ZipEntryP &entry, const QString &password, unsigned char *header,
                                  unsigned int *keys);

// The AES salt and password verifier, already read into header
// (saltSize(strength) + VerifierSize bytes): sets up the cipher;
// PasswordMismatch when the verifier differs.
UnZip::ErrorCode beginAes(ZipAes::Cipher &cipher, const QString &password, const unsigned char *header, int strength);

} // namespace EntryPassword

#endif // KELVANE_ENTRYPASSWORD_P_H
