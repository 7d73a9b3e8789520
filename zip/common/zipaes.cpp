// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "common/zipaes_p.h"

#include "common/zipformat_p.h"

#if KELVANE_HAVE_AES
// The SHA-1 block functions are deprecated in OpenSSL 3 in favour of the
// EVP interface, whose per-call overhead is what the key derivation here
// avoids.
#define OPENSSL_SUPPRESS_DEPRECATED

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rand.h>
#include <openssl/sha.h>
#endif

#include <climits>
#include <cstring>

namespace ZipAes {

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

#if KELVANE_HAVE_AES

namespace {

constexpr int BlockSize = 16;
// Counter blocks encrypted with one call: a keystream buffer of 4 KiB.
constexpr int BlocksPerBatch = 256;
constexpr int MaxKeySize = 32;

} // namespace

bool randomBytes(unsigned char *buffer, int size)
{
    return RAND_bytes(buffer, size) == 1;
}

namespace {

constexpr int HashBlock = 64;

// The HMAC-SHA1 hash states after the padded key, inner and outer, computed
// once and copied for each iteration, so an iteration costs two hash blocks
// and no allocation: the library's general routine spends several times as
// long per entry, which shows on archives of many small AES entries.
class HmacSha1Key
{
public:
    explicit HmacSha1Key(const QByteArray &password)
    {
        unsigned char key[HashBlock] = {};
        if (password.size() > HashBlock)
            SHA1(reinterpret_cast<const unsigned char *>(password.constData()), size_t(password.size()), key);
        else
            std::memcpy(key, password.constData(), size_t(password.size()));
        startWithPad(m_inner, key, 0x36);
        startWithPad(m_outer, key, 0x5c);
        OPENSSL_cleanse(key, sizeof key);
    }
    ~HmacSha1Key()
    {
        OPENSSL_cleanse(&m_inner, sizeof m_inner);
        OPENSSL_cleanse(&m_outer, sizeof m_outer);
    }
    Q_DISABLE_COPY(HmacSha1Key)

    const SHA_CTX &inner() const { return m_inner; }
    const SHA_CTX &outer() const { return m_outer; }

private:
    static void startWithPad(SHA_CTX &context, const unsigned char *key, unsigned char mask)
    {
        unsigned char pad[HashBlock];
        for (int i = 0; i < HashBlock; ++i)
            pad[i] = key[i] ^ mask;
        SHA1_Init(&context);
        SHA1_Update(&context, pad, HashBlock);
        OPENSSL_cleanse(pad, sizeof pad);
    }

    SHA_CTX m_inner;
    SHA_CTX m_outer;
};

// Every hash input after the first of a block is one digest: a single hash
// block, padded once here (0x80, zeros, then the bit length of pad and
// digest, 672).
class DigestBlock
{
public:
    DigestBlock()
    {
        bytes[SHA_DIGEST_LENGTH] = 0x80;
        bytes[HashBlock - 2] = 0x02;
        bytes[HashBlock - 1] = 0xa0;
    }
    ~DigestBlock() { OPENSSL_cleanse(bytes, sizeof bytes); }
    Q_DISABLE_COPY(DigestBlock)

    // Replaces the digest with its hash continued from start.
    void hashFrom(const SHA_CTX &start)
    {
        SHA_CTX c = start;
        SHA1_Transform(&c, bytes);
        const SHA_LONG h[5] = {c.h0, c.h1, c.h2, c.h3, c.h4};
        for (int i = 0; i < 5; ++i) {
            bytes[4 * i] = uchar(h[i] >> 24);
            bytes[4 * i + 1] = uchar(h[i] >> 16);
            bytes[4 * i + 2] = uchar(h[i] >> 8);
            bytes[4 * i + 3] = uchar(h[i]);
        }
    }

    unsigned char bytes[HashBlock] = {};
};

// One output block of PBKDF2: the XOR of the iterated HMACs of salt and
// block index.
void pbkdf2Block(const HmacSha1Key &key, const unsigned char *salt, int saltLength, quint32 block, int iterations,
                 unsigned char *t)
{
    DigestBlock message;
    const unsigned char index[4] = {uchar(block >> 24), uchar(block >> 16), uchar(block >> 8), uchar(block)};
    SHA_CTX c = key.inner();
    SHA1_Update(&c, salt, size_t(saltLength));
    SHA1_Update(&c, index, sizeof index);
    SHA1_Final(message.bytes, &c);
    message.hashFrom(key.outer());
    std::memcpy(t, message.bytes, SHA_DIGEST_LENGTH);
    for (int i = 1; i < iterations; ++i) {
        message.hashFrom(key.inner());
        message.hashFrom(key.outer());
        for (int j = 0; j < SHA_DIGEST_LENGTH; ++j)
            t[j] ^= message.bytes[j];
    }
}

// PBKDF2-HMAC-SHA1.
void pbkdf2HmacSha1(const QByteArray &password, const unsigned char *salt, int saltLength, int iterations,
                    unsigned char *out, int outLength)
{
    const HmacSha1Key key(password);
    unsigned char t[SHA_DIGEST_LENGTH];
    for (quint32 block = 1; outLength > 0; ++block) {
        pbkdf2Block(key, salt, saltLength, block, iterations, t);
        const int n = qMin(outLength, SHA_DIGEST_LENGTH);
        std::memcpy(out, t, size_t(n));
        out += n;
        outLength -= n;
    }
    OPENSSL_cleanse(t, sizeof t);
}

} // namespace

struct Cipher::State
{
    // Fetched and allocated once, set up again for every entry.
    EVP_CIPHER *algorithms[3] = {nullptr, nullptr, nullptr};
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
    bool macOpen = false;

    ~State()
    {
        EVP_CIPHER_CTX_free(aes);
        EVP_MAC_CTX_free(mac);
        EVP_MAC_free(macAlgorithm);
        for (EVP_CIPHER *algorithm : algorithms)
            EVP_CIPHER_free(algorithm);
    }

    const EVP_CIPHER *algorithm(int strength)
    {
        static const char *const names[] = {"AES-128-ECB", "AES-192-ECB", "AES-256-ECB"};
        EVP_CIPHER *&fetched = algorithms[strength - Aes128];
        if (!fetched)
            fetched = EVP_CIPHER_fetch(nullptr, names[strength - Aes128], nullptr);
        return fetched;
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
    delete d;
}

bool Cipher::begin(const QByteArray &password, const unsigned char *salt, int strength,
                   unsigned char verifier[VerifierSize])
{
    d->ready = false;
    d->macOpen = false;
    const int keyLength = keySize(strength);
    if (keyLength == 0)
        return false;
    const EVP_CIPHER *algorithm = d->algorithm(strength);
    if (!algorithm)
        return false;

    // Encryption key, authentication key, verifier.
    unsigned char derived[2 * MaxKeySize + VerifierSize];
    pbkdf2HmacSha1(password, salt, saltSize(strength), KeyDerivationIterations, derived,
                   2 * keyLength + VerifierSize);
    std::memcpy(verifier, derived + 2 * keyLength, VerifierSize);

    if (!d->aes)
        d->aes = EVP_CIPHER_CTX_new();
    if (!d->aes || EVP_EncryptInit_ex(d->aes, algorithm, nullptr, derived, nullptr) != 1) {
        OPENSSL_cleanse(derived, sizeof derived);
        return false;
    }
    EVP_CIPHER_CTX_set_padding(d->aes, 0);

    if (!d->macAlgorithm)
        d->macAlgorithm = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    if (d->macAlgorithm && !d->mac)
        d->mac = EVP_MAC_CTX_new(d->macAlgorithm);
    char digest[] = "SHA1";
    const OSSL_PARAM parameters[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_end()};
    const bool macReady = d->mac && EVP_MAC_init(d->mac, derived + keyLength, size_t(keyLength), parameters) == 1;
    OPENSSL_cleanse(derived, sizeof derived);
    if (!macReady)
        return false;

    std::memset(d->counter, 0, BlockSize);
    d->counter[0] = 1;
    d->keystreamUsed = 0;
    d->keystreamSize = 0;
    d->ready = true;
    d->macOpen = true;
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
    Q_ASSERT(d->ready && d->macOpen);
    if (d->macOpen)
        EVP_MAC_update(d->mac, data, size_t(size));
}

void Cipher::encrypt(unsigned char *data, qint64 size)
{
    applyKeystream(data, size);
    authenticate(data, size);
}

bool Cipher::finish(unsigned char mac[MacSize])
{
    if (!d->ready || !d->macOpen)
        return false;
    // The keystream stays usable: the reader authenticates first and
    // decrypts afterwards.
    d->macOpen = false;
    unsigned char full[EVP_MAX_MD_SIZE];
    size_t length = 0;
    const bool ok = EVP_MAC_final(d->mac, full, &length, sizeof full) == 1 && length >= size_t(MacSize);
    if (ok)
        std::memcpy(mac, full, MacSize);
    return ok;
}

#else

// Built without AES (KELVANE_WITH_AES=OFF): no cipher can be set up. The
// reader leaves AES entries out of its listing before it would need one;
// the writer reports that the cipher could not be set up.
struct Cipher::State
{
};

bool randomBytes(unsigned char *, int)
{
    return false;
}

Cipher::Cipher()
    : d(nullptr)
{
}

Cipher::~Cipher() = default;

bool Cipher::begin(const QByteArray &, const unsigned char *, int, unsigned char *)
{
    return false;
}

void Cipher::applyKeystream(unsigned char *, qint64) { }

void Cipher::authenticate(const unsigned char *, qint64) { }

void Cipher::encrypt(unsigned char *, qint64) { }

bool Cipher::finish(unsigned char *)
{
    return false;
}

#endif // KELVANE_HAVE_AES

} // namespace ZipAes
