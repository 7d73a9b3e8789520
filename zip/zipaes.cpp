// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "zipaes_p.h"

#include "zipformat_p.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <climits>
#include <cstring>

namespace ZipAes {

namespace {

constexpr int BlockSize = 16;
// Counter blocks encrypted with one call: a keystream buffer of 4 KiB.
constexpr int BlocksPerBatch = 256;
constexpr int MaxKeySize = 32;

} // namespace

int keySize(int strength)
{
    switch (strength) {
    case Aes128:
        return 16;
    case Aes192:
        return 24;
    case Aes256:
        return 32;
    default:
        return 0;
    }
}

int saltSize(int strength)
{
    return keySize(strength) / 2;
}

int overhead(int strength)
{
    return saltSize(strength) + VerifierSize + MacSize;
}

bool parseExtraField(const unsigned char *data, int size, ExtraField *field)
{
    using namespace ZipFormat::ExtraField;
    if (size < Aes::Size)
        return false;
    const quint16 version = ZipFormat::readUShort(data + Aes::VendorVersion);
    if (version != VersionAe1 && version != VersionAe2)
        return false;
    if (ZipFormat::readUShort(data + Aes::VendorId) != VendorId)
        return false;
    if (keySize(data[Aes::Strength]) == 0)
        return false;
    field->version = version;
    field->strength = data[Aes::Strength];
    field->method = ZipFormat::readUShort(data + Aes::Method);
    return true;
}

QByteArray extraFieldBytes(const ExtraField &field)
{
    using namespace ZipFormat::ExtraField;
    QByteArray bytes(HeaderSize + Aes::Size, '\0');
    auto *p = reinterpret_cast<unsigned char *>(bytes.data());
    ZipFormat::writeUShort(p, WinZipAes);
    ZipFormat::writeUShort(p + 2, Aes::Size);
    unsigned char *data = p + HeaderSize;
    ZipFormat::writeUShort(data + Aes::VendorVersion, field.version);
    ZipFormat::writeUShort(data + Aes::VendorId, VendorId);
    data[Aes::Strength] = field.strength;
    ZipFormat::writeUShort(data + Aes::Method, field.method);
    return bytes;
}

QByteArray passwordBytes(const QString &password)
{
    return password.toUtf8();
}

bool randomBytes(unsigned char *buffer, int size)
{
    return RAND_bytes(buffer, size) == 1;
}

struct Cipher::State
{
    EVP_CIPHER_CTX *aes = nullptr;
    EVP_MAC *macAlgorithm = nullptr;
    EVP_MAC_CTX *mac = nullptr;
    // The counter of the next block, little-endian as a 128-bit number.
    unsigned char counter[BlockSize];
    // Keystream of the current batch and how much of it is used.
    unsigned char keystream[BlockSize * BlocksPerBatch];
    int keystreamUsed = 0;
    int keystreamSize = 0;
    bool ready = false;

    void release()
    {
        EVP_CIPHER_CTX_free(aes);
        aes = nullptr;
        EVP_MAC_CTX_free(mac);
        mac = nullptr;
        ready = false;
    }

    void incrementCounter()
    {
        for (unsigned char &byte : counter) {
            if (++byte != 0)
                break;
        }
    }

    // Encrypts the next batch of counter blocks into keystream.
    bool refill()
    {
        unsigned char blocks[BlockSize * BlocksPerBatch];
        for (int i = 0; i < BlocksPerBatch; ++i) {
            std::memcpy(blocks + i * BlockSize, counter, BlockSize);
            incrementCounter();
        }
        int length = 0;
        if (EVP_EncryptUpdate(aes, keystream, &length, blocks, int(sizeof blocks)) != 1
            || length != int(sizeof blocks)) {
            return false;
        }
        keystreamSize = length;
        keystreamUsed = 0;
        return true;
    }
};

Cipher::Cipher()
    : d(new State)
{
}

Cipher::~Cipher()
{
    d->release();
    EVP_MAC_free(d->macAlgorithm);
    delete d;
}

bool Cipher::begin(const QByteArray &password, const unsigned char *salt, int strength,
                   unsigned char verifier[VerifierSize])
{
    d->release();
    const int keyLength = keySize(strength);
    const EVP_CIPHER *algorithm = strength == Aes128 ? EVP_aes_128_ecb()
        : strength == Aes192                         ? EVP_aes_192_ecb()
        : strength == Aes256                         ? EVP_aes_256_ecb()
                                                     : nullptr;
    if (!algorithm)
        return false;

    // Encryption key, authentication key, verifier.
    unsigned char derived[2 * MaxKeySize + VerifierSize];
    const int derivedLength = 2 * keyLength + VerifierSize;
    if (PKCS5_PBKDF2_HMAC_SHA1(password.constData(), int(password.size()), salt, saltSize(strength),
                               KeyDerivationIterations, derivedLength, derived) != 1) {
        return false;
    }
    std::memcpy(verifier, derived + 2 * keyLength, VerifierSize);

    d->aes = EVP_CIPHER_CTX_new();
    if (!d->aes || EVP_EncryptInit_ex(d->aes, algorithm, nullptr, derived, nullptr) != 1) {
        d->release();
        return false;
    }
    EVP_CIPHER_CTX_set_padding(d->aes, 0);

    if (!d->macAlgorithm)
        d->macAlgorithm = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    if (d->macAlgorithm)
        d->mac = EVP_MAC_CTX_new(d->macAlgorithm);
    char digest[] = "SHA1";
    const OSSL_PARAM parameters[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_end()
    };
    if (!d->mac || EVP_MAC_init(d->mac, derived + keyLength, size_t(keyLength), parameters) != 1) {
        d->release();
        return false;
    }

    std::memset(d->counter, 0, BlockSize);
    d->counter[0] = 1;
    d->keystreamUsed = 0;
    d->keystreamSize = 0;
    d->ready = true;
    std::memset(derived, 0, sizeof derived);
    return true;
}

void Cipher::applyKeystream(unsigned char *data, qint64 size)
{
    Q_ASSERT(d->ready);
    while (size > 0) {
        if (d->keystreamUsed == d->keystreamSize && !d->refill()) {
            // libcrypto failed on a context it accepted: nothing sensible
            // can come out, so the data is wiped rather than half decrypted.
            std::memset(data, 0, size_t(size));
            return;
        }
        const int n = int(qMin<qint64>(size, d->keystreamSize - d->keystreamUsed));
        const unsigned char *k = d->keystream + d->keystreamUsed;
        for (int i = 0; i < n; ++i)
            data[i] ^= k[i];
        d->keystreamUsed += n;
        data += n;
        size -= n;
    }
}

void Cipher::authenticate(const unsigned char *data, qint64 size)
{
    Q_ASSERT(d->ready && d->mac);
    if (d->mac)
        EVP_MAC_update(d->mac, data, size_t(size));
}

void Cipher::encrypt(unsigned char *data, qint64 size)
{
    applyKeystream(data, size);
    authenticate(data, size);
}

bool Cipher::finish(unsigned char mac[MacSize])
{
    if (!d->ready || !d->mac)
        return false;
    unsigned char full[EVP_MAX_MD_SIZE];
    size_t length = 0;
    const bool ok = EVP_MAC_final(d->mac, full, &length, sizeof full) == 1 && length >= size_t(MacSize);
    if (ok)
        std::memcpy(mac, full, MacSize);
    // The keystream stays usable: the reader authenticates first and
    // decrypts afterwards.
    EVP_MAC_CTX_free(d->mac);
    d->mac = nullptr;
    return ok;
}

} // namespace ZipAes
