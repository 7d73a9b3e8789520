// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "rawzip.h"

#include "common/zipcipher_p.h"
#include "common/zipformat_p.h"

#include <bzlib.h>
#include <lzma.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <zlib.h>
#include <zstd.h>

#include <QtCore/QtGlobal>

using namespace ZipFormat;

namespace {

// The entry's stored bytes and CRC, before any override.
struct Payload
{
    QByteArray data;
    quint32 crc = 0;         // CRC-32 of the content
    quint32 recordedCrc = 0; // what the headers hold by default (0 for AE-2)
    quint16 method = 0;      // method field of the headers
    QByteArray extra;        // the AES extra field, in both records
};

Payload payloadOf(const RawZip::Entry &e)
{
    Payload p;
    p.crc = RawZip::crc32(e.content);
    p.recordedCrc = p.crc;
    p.method = e.method;
    const bool aes = !e.aesPassword.isNull();
    if (aes) {
        p.method = MethodAes;
        p.extra = RawZip::aesExtraField(e.aesVersion, RawZip::AesStrength(e.aesStrength), e.method);
        if (e.aesVersion == 2)
            p.recordedCrc = 0;
    }
    if (e.rawData) {
        p.data = *e.rawData;
        return p;
    }
    QByteArray stored = e.method == MethodDeflated ? RawZip::deflate(e.content, e.level)
        : e.method == MethodStored                 ? e.content
                                                   : RawZip::compress(RawZip::Method(e.method), e.content);
    if (aes) {
        const int saltSize = 4 + 4 * e.aesStrength;
        QByteArray salt = e.aesSalt;
        if (salt.isNull()) {
            for (int i = 0; i < saltSize; ++i)
                salt.append(char(0x51 + 7 * i));
        }
        stored = RawZip::encryptAes(e.aesPassword, RawZip::AesStrength(e.aesStrength), salt, stored);
    } else if (!e.password.isNull()) {
        QByteArray header = e.encryptionFiller.left(10).leftJustified(10, '\0');
        header.append(char(e.headerByte10.value_or(uchar(e.dosTime & 0xff))));
        const uchar check = (e.flags & FlagDataDescriptor) ? uchar(e.dosTime >> 8) : uchar(p.crc >> 24);
        header.append(char(e.checkByte.value_or(check)));
        stored = RawZip::encrypt(e.password, header, stored);
    }
    p.data = stored;
    return p;
}

template<typename T>
T pick(const std::optional<T> &first, const std::optional<T> &second, T fallback)
{
    return first ? *first : second ? *second
                                   : fallback;
}

} // namespace

RawZip::Entry &RawZip::add(const QByteArray &name, const QByteArray &content)
{
    Entry e;
    e.name = name;
    e.content = content;
    m_entries.push_back(e);
    return m_entries.back();
}

RawZip::Archive RawZip::build() const
{
    Archive a;
    a.bytes = prefix;
    QVector<QByteArray> storedData;
    QVector<quint32> crcs;
    QVector<quint16> methods;
    QVector<QByteArray> extras;

    for (int i = 0; i < count(); ++i) {
        const Entry &e = m_entries.at(size_t(i));
        const Payload p = payloadOf(e);
        storedData.append(p.data);
        crcs.append(p.recordedCrc);
        methods.append(p.method);
        extras.append(p.extra);
        const Fields &l = e.local;
        const QByteArray name = l.name.value_or(e.name);

        QByteArray h(LocalHeader::Size, '\0');
        putUInt(h, LocalHeader::Signature, LocalHeaderSignature);
        putUShort(h, LocalHeader::VersionNeeded, l.versionNeeded.value_or(e.versionNeeded));
        putUShort(h, LocalHeader::Flags, l.flags.value_or(e.flags));
        putUShort(h, LocalHeader::Method, l.method.value_or(p.method));
        putUShort(h, LocalHeader::Time, l.dosTime.value_or(e.dosTime));
        putUShort(h, LocalHeader::Date, l.dosDate.value_or(e.dosDate));
        const bool localZip64 = e.zip64Records & Zip64Local;
        const quint32 localSizeDefault32 = localZip64 ? quint32(MaxUInt) : 0;
        QByteArray localExtra = p.extra + e.localExtra;
        if (localZip64) {
            localExtra.prepend(zip64Block({l.uncompressedSize64.value_or(quint64(e.content.size())),
                                           l.compressedSize64.value_or(quint64(p.data.size()))}));
        }
        putUInt(h, LocalHeader::Crc, l.crc.value_or(p.recordedCrc));
        putUInt(h, LocalHeader::CompressedSize,
                l.compressedSize.value_or(localZip64 ? localSizeDefault32 : quint32(p.data.size())));
        putUInt(h, LocalHeader::UncompressedSize,
                l.uncompressedSize.value_or(localZip64 ? localSizeDefault32 : quint32(e.content.size())));
        putUShort(h, LocalHeader::NameLength, l.nameLength.value_or(quint16(name.size())));
        putUShort(h, LocalHeader::ExtraLength, quint16(localExtra.size()));
        h += name;
        h += localExtra;
        if (localHeaderHook)
            localHeaderHook(i, h);

        EntryLayout layout;
        layout.localHeader = a.bytes.size();
        a.bytes += h;
        layout.dataOffset = a.bytes.size();
        layout.dataSize = p.data.size();
        layout.crc = p.crc;
        layout.storedData = p.data;
        a.bytes += p.data;
        a.bytes += e.trailingData;
        if (e.descriptorKind != NoDescriptor) {
            const Fields &dd = e.dataDescriptor;
            QByteArray d;
            if (e.descriptorKind == WithSignature) {
                d = QByteArray(4, '\0');
                putUInt(d, 0, DataDescriptorSignature);
            }
            const int base = int(d.size());
            if (e.descriptor64) {
                d.append(QByteArray(20, '\0'));
                putUInt(d, base, dd.crc.value_or(p.recordedCrc));
                putULongLong(d, base + 4, dd.compressedSize64.value_or(quint64(p.data.size())));
                putULongLong(d, base + 12, dd.uncompressedSize64.value_or(quint64(e.content.size())));
            } else {
                d.append(QByteArray(12, '\0'));
                putUInt(d, base, dd.crc.value_or(p.recordedCrc));
                putUInt(d, base + 4, dd.compressedSize.value_or(quint32(p.data.size())));
                putUInt(d, base + 8, dd.uncompressedSize.value_or(quint32(e.content.size())));
            }
            layout.descriptor = a.bytes.size();
            a.bytes += d;
        }
        layout.end = a.bytes.size();
        a.entries.append(layout);
    }
    a.bytes += beforeCentral;

    a.centralDirectory = a.bytes.size();
    QVector<int> order = centralOrder;
    if (order.isEmpty()) {
        for (int i = 0; i < count(); ++i)
            order.append(i);
    }
    int recorded = 0;
    for (const int i : order) {
        const Entry &e = m_entries.at(size_t(i));
        if (!e.inCentralDirectory)
            continue;
        const Fields &c = e.central;
        const QByteArray name = c.name.value_or(e.name);
        QByteArray r(CentralHeader::Size, '\0');
        putUInt(r, CentralHeader::Signature, CentralHeaderSignature);
        putUShort(r, CentralHeader::VersionMadeBy, e.versionMadeBy);
        putUShort(r, CentralHeader::VersionNeeded, c.versionNeeded.value_or(e.versionNeeded));
        putUShort(r, CentralHeader::Flags, c.flags.value_or(e.flags));
        putUShort(r, CentralHeader::Method, c.method.value_or(methods.at(i)));
        putUShort(r, CentralHeader::Time, c.dosTime.value_or(e.dosTime));
        putUShort(r, CentralHeader::Date, c.dosDate.value_or(e.dosDate));
        const bool centralZip64 = e.zip64Records & Zip64Central;
        QByteArray centralExtra = extras.at(i) + e.centralExtra;
        if (centralZip64) {
            centralExtra.prepend(zip64Block(
                {c.uncompressedSize64.value_or(quint64(e.content.size())),
                 c.compressedSize64.value_or(quint64(storedData.at(i).size())),
                 c.localHeaderOffset64.value_or(quint64(a.entries.at(i).localHeader))}));
        }
        const quint32 placeholder = quint32(MaxUInt);
        putUInt(r, CentralHeader::Crc, c.crc.value_or(crcs.at(i)));
        putUInt(r, CentralHeader::CompressedSize,
                c.compressedSize.value_or(centralZip64 ? placeholder : quint32(storedData.at(i).size())));
        putUInt(r, CentralHeader::UncompressedSize,
                c.uncompressedSize.value_or(centralZip64 ? placeholder : quint32(e.content.size())));
        putUShort(r, CentralHeader::NameLength, c.nameLength.value_or(quint16(name.size())));
        putUShort(r, CentralHeader::ExtraLength, quint16(centralExtra.size()));
        putUShort(r, CentralHeader::CommentLength, quint16(e.comment.size()));
        putUInt(r, CentralHeader::ExternalAttributes, e.externalAttributes);
        putUInt(r, CentralHeader::LocalHeaderOffset,
                e.localHeaderOffset.value_or(centralZip64 ? placeholder
                                                          : quint32(a.entries.at(i).localHeader)));
        r += name;
        r += centralExtra;
        r += e.comment;
        if (centralRecordHook)
            centralRecordHook(i, r);
        a.entries[i].central = a.bytes.size();
        a.bytes += r;
        ++recorded;
    }
    const qint64 directorySize = a.bytes.size() - a.centralDirectory;
    a.bytes += afterCentral;

    const Zip64End &z = zip64End;
    if (z.present) {
        QByteArray r(Zip64EndRecord::Size, '\0');
        putUInt(r, Zip64EndRecord::Signature, Zip64EndRecordSignature);
        putULongLong(r, Zip64EndRecord::RecordSize,
                     quint64(Zip64EndRecord::Size - 12 + z.extensibleData.size()));
        putUShort(r, Zip64EndRecord::VersionMadeBy, 45);
        putUShort(r, Zip64EndRecord::VersionNeeded, 45);
        putULongLong(r, Zip64EndRecord::DiskEntries, z.diskEntries.value_or(quint64(recorded)));
        putULongLong(r, Zip64EndRecord::TotalEntries, z.totalEntries.value_or(quint64(recorded)));
        putULongLong(r, Zip64EndRecord::DirectorySize, z.directorySize.value_or(quint64(directorySize)));
        putULongLong(r, Zip64EndRecord::DirectoryOffset,
                     z.directoryOffset.value_or(quint64(a.centralDirectory)));
        r += z.extensibleData;
        a.zip64EndRecord = a.bytes.size();
        a.bytes += r;

        QByteArray l(Zip64Locator::Size, '\0');
        putUInt(l, Zip64Locator::Signature, Zip64LocatorSignature);
        putULongLong(l, Zip64Locator::EndRecordOffset, z.locatorOffset.value_or(quint64(a.zip64EndRecord)));
        putUInt(l, Zip64Locator::TotalDisks, z.totalDisks.value_or(1));
        a.zip64Locator = a.bytes.size();
        a.bytes += l;
    }

    if (end.present) {
        const quint16 count16 = z.present ? quint16(MaxUShort) : quint16(recorded);
        QByteArray r(EndRecord::Size, '\0');
        putUInt(r, EndRecord::Signature, EndRecordSignature);
        putUShort(r, EndRecord::DiskNumber, end.diskNumber.value_or(0));
        putUShort(r, EndRecord::DirectoryDisk, end.directoryDisk.value_or(0));
        putUShort(r, EndRecord::DiskEntries, end.diskEntries.value_or(count16));
        putUShort(r, EndRecord::TotalEntries, end.totalEntries.value_or(count16));
        putUInt(r, EndRecord::DirectorySize,
                end.directorySize.value_or(z.present ? quint32(MaxUInt) : quint32(directorySize)));
        putUInt(r, EndRecord::DirectoryOffset,
                end.directoryOffset.value_or(z.present ? quint32(MaxUInt) : quint32(a.centralDirectory)));
        putUShort(r, EndRecord::CommentLength, end.commentLength.value_or(quint16(end.comment.size())));
        r += end.comment;
        if (endRecordHook)
            endRecordHook(r);
        a.endRecord = a.bytes.size();
        a.bytes += r;
    }
    a.bytes += trailer;
    if (!prepended.isEmpty()) {
        a.bytes.prepend(prepended);
        const qint64 shift = prepended.size();
        for (EntryLayout &e : a.entries) {
            for (qint64 *at : {&e.localHeader, &e.dataOffset, &e.descriptor, &e.end, &e.central}) {
                if (*at >= 0)
                    *at += shift;
            }
        }
        for (qint64 *at : {&a.centralDirectory, &a.zip64EndRecord, &a.zip64Locator, &a.endRecord}) {
            if (*at >= 0)
                *at += shift;
        }
    }
    return a;
}

quint32 RawZip::crc32(const QByteArray &data)
{
    return quint32(::crc32(::crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(data.constData()),
                           uInt(data.size())));
}

QByteArray RawZip::deflate(const QByteArray &data, int level)
{
    z_stream s = {};
    if (deflateInit2(&s, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        qFatal("RawZip: deflateInit2 failed");
    QByteArray out(int(deflateBound(&s, uLong(data.size()))), '\0');
    s.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    s.avail_in = uInt(data.size());
    s.next_out = reinterpret_cast<Bytef *>(out.data());
    s.avail_out = uInt(out.size());
    const int rc = ::deflate(&s, Z_FINISH);
    deflateEnd(&s);
    if (rc != Z_STREAM_END)
        qFatal("RawZip: deflate did not finish");
    out.resize(int(s.total_out));
    return out;
}

QByteArray RawZip::compress(Method method, const QByteArray &data)
{
    const auto *in = reinterpret_cast<const uint8_t *>(data.constData());
    const size_t inSize = size_t(data.size());
    switch (method) {
    case Stored:
        return data;
    case Deflated:
        return deflate(data);
    case Bzip2: {
        QByteArray out(int(inSize + inSize / 100 + 600), '\0');
        unsigned int outSize = unsigned(out.size());
        if (BZ2_bzBuffToBuffCompress(out.data(), &outSize, const_cast<char *>(data.constData()),
                                     unsigned(inSize), 9, 0, 0)
            != BZ_OK)
            qFatal("RawZip: bzip2 compression failed");
        out.resize(int(outSize));
        return out;
    }
    case Lzma: {
        lzma_options_lzma options;
        lzma_lzma_preset(&options, 1);
        options.dict_size = 1 << 20;
        lzma_filter filters[] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
        uint32_t propertiesSize = 0;
        if (lzma_properties_size(&propertiesSize, filters) != LZMA_OK || propertiesSize != 5)
            qFatal("RawZip: LZMA properties");
        QByteArray out(9 + int(inSize + inSize / 2 + 1024), '\0');
        auto *o = reinterpret_cast<uint8_t *>(out.data());
        o[0] = 16; // encoder version 16.4, as a writer would put it
        o[1] = 4;
        o[2] = 5;
        o[3] = 0;
        if (lzma_properties_encode(filters, o + 4) != LZMA_OK)
            qFatal("RawZip: LZMA properties");
        size_t outPos = 9;
        if (lzma_raw_buffer_encode(filters, nullptr, in, inSize, o, &outPos, size_t(out.size())) != LZMA_OK)
            qFatal("RawZip: LZMA compression failed");
        out.resize(int(outPos));
        return out;
    }
    case Zstd: {
        QByteArray out(int(ZSTD_compressBound(inSize)), '\0');
        const size_t n = ZSTD_compress(out.data(), size_t(out.size()), data.constData(), inSize, 3);
        if (ZSTD_isError(n))
            qFatal("RawZip: Zstandard compression failed");
        out.resize(int(n));
        return out;
    }
    case Xz: {
        QByteArray out(int(lzma_stream_buffer_bound(inSize)), '\0');
        size_t outPos = 0;
        if (lzma_easy_buffer_encode(1, LZMA_CHECK_CRC64, nullptr, in, inSize,
                                    reinterpret_cast<uint8_t *>(out.data()), &outPos, size_t(out.size()))
            != LZMA_OK)
            qFatal("RawZip: xz compression failed");
        out.resize(int(outPos));
        return out;
    }
    }
    qFatal("RawZip: unknown method");
    return QByteArray();
}

// WinZip AES written here with libcrypto's primitives directly, apart from
// the component's own module, so that the tests compare two implementations:
// PBKDF2-HMAC-SHA1 (1000 iterations) gives the AES key, the HMAC key and the
// 2-byte verifier; the keystream is AES of a 16-byte little-endian counter
// from 1; the code is the first 10 bytes of HMAC-SHA1 over the encrypted data.
QByteArray RawZip::encryptAes(const QByteArray &password, AesStrength strength, const QByteArray &salt,
                              const QByteArray &data)
{
    const int keySize = 8 + 8 * strength;
    const int saltSize = keySize / 2;
    if (salt.size() < saltSize)
        qFatal("RawZip: AES salt too short");
    QByteArray keys(2 * keySize + 2, '\0');
    auto *k = reinterpret_cast<unsigned char *>(keys.data());
    if (PKCS5_PBKDF2_HMAC_SHA1(password.constData(), int(password.size()),
                               reinterpret_cast<const unsigned char *>(salt.constData()), saltSize, 1000,
                               int(keys.size()), k)
        != 1)
        qFatal("RawZip: PBKDF2 failed");
    const EVP_CIPHER *cipher = strength == Aes128 ? EVP_aes_128_ecb()
        : strength == Aes192                      ? EVP_aes_192_ecb()
                                                  : EVP_aes_256_ecb();
    EVP_CIPHER_CTX *context = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(context, cipher, nullptr, k, nullptr);
    EVP_CIPHER_CTX_set_padding(context, 0);
    QByteArray encrypted = data;
    unsigned char counter[16] = {};
    for (int offset = 0; offset < encrypted.size(); offset += 16) {
        for (unsigned char &byte : counter) {
            if (++byte != 0)
                break;
        }
        unsigned char block[16];
        int length = 0;
        EVP_EncryptUpdate(context, block, &length, counter, 16);
        for (int i = 0; i < 16 && offset + i < encrypted.size(); ++i)
            encrypted[offset + i] = char(encrypted[offset + i] ^ char(block[i]));
    }
    EVP_CIPHER_CTX_free(context);
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int macLength = 0;
    HMAC(EVP_sha1(), k + keySize, keySize, reinterpret_cast<const unsigned char *>(encrypted.constData()),
         size_t(encrypted.size()), mac, &macLength);
    return salt.left(saltSize) + keys.right(2) + encrypted + QByteArray(reinterpret_cast<const char *>(mac), 10);
}

QByteArray RawZip::aesExtraField(quint16 version, AesStrength strength, quint16 method)
{
    QByteArray field(11, '\0');
    putUShort(field, 0, 0x9901);
    putUShort(field, 2, 7);
    putUShort(field, 4, version);
    field[6] = 'A';
    field[7] = 'E';
    field[8] = char(strength);
    putUShort(field, 9, method);
    return field;
}

QByteArray RawZip::encrypt(const QByteArray &password, const QByteArray &plainHeader, const QByteArray &data)
{
    const z_crc_t *table = get_crc_table();
    unsigned int keys[3];
    ZipCipher::initKeys(keys, password, table);
    QByteArray out = plainHeader + data;
    ZipCipher::encrypt(keys, reinterpret_cast<unsigned char *>(out.data()), out.size(), table);
    return out;
}

quint16 RawZip::dosTime(int hour, int minute, int second)
{
    return quint16((hour << 11) | (minute << 5) | (second / 2));
}

quint16 RawZip::dosDate(int year, int month, int day)
{
    return quint16(((year - 1980) << 9) | (month << 5) | day);
}

void RawZip::putUShort(QByteArray &bytes, qint64 offset, quint16 value)
{
    writeUShort(reinterpret_cast<unsigned char *>(bytes.data()) + offset, value);
}

void RawZip::putUInt(QByteArray &bytes, qint64 offset, quint32 value)
{
    writeUInt(reinterpret_cast<unsigned char *>(bytes.data()) + offset, value);
}

void RawZip::putULongLong(QByteArray &bytes, qint64 offset, quint64 value)
{
    writeULongLong(reinterpret_cast<unsigned char *>(bytes.data()) + offset, value);
}

QByteArray RawZip::extraBlock(quint16 id, const QByteArray &data)
{
    QByteArray block(4, '\0');
    putUShort(block, 0, id);
    putUShort(block, 2, quint16(data.size()));
    return block + data;
}

QByteArray RawZip::zip64Block(std::initializer_list<quint64> values)
{
    QByteArray data(int(values.size()) * 8, '\0');
    int offset = 0;
    for (const quint64 v : values) {
        putULongLong(data, offset, v);
        offset += 8;
    }
    return extraBlock(ExtraField::Zip64, data);
}

QByteArray RawZip::unicodeBlock(quint16 id, const QByteArray &stored, const QByteArray &utf8,
                                std::optional<quint32> crc)
{
    QByteArray data(5, '\0');
    data[0] = 1;
    putUInt(data, 1, crc.value_or(crc32(stored)));
    return extraBlock(id, data + utf8);
}
