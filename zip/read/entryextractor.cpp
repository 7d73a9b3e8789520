// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "read/entryextractor_p.h"

#include "read/entrypassword_p.h"
#include "read/extractionprogress_p.h"

#include "common/zipcrc_p.h"
#include "common/zipdevicewrite_p.h"
#include "common/zipcipher_p.h"
#include "common/zipentry_p.h"
#include "common/zipformat_p.h"
#include "common/ziplog_p.h"

#include <QtCore/QIODevice>

#include <cstring>

using namespace ZipFormat;

namespace {

QString debugLine(const char *format, const QString &path)
{
    return QString::fromLatin1(format).arg(path);
}

// Whether the authentication codes are equal, in a time that does not
// depend on where they differ.
bool sameCode(const unsigned char *a, const unsigned char *b, int size)
{
    unsigned char difference = 0;
    for (int i = 0; i < size; ++i)
        difference |= a[i] ^ b[i];
    return difference == 0;
}

} // namespace

QString EntryExtractor::writeFailure(const QString &outputName, const QIODevice *out)
{
    return QString::fromLatin1("Unable to write %1: %2").arg(outputName, out->errorString());
}

EntryExtractor::EntryExtractor(unsigned char *inputBuffer, unsigned char *outputBuffer, ZipDiagnostic *diagnostic)
    : m_input(inputBuffer)
    , m_output(outputBuffer)
    , m_diagnostic(diagnostic)
{
}

EntryExtractor::~EntryExtractor() = default;

UnZip::ErrorCode EntryExtractor::open(QIODevice *archive, const ZipEntryP &entry, const QString &password,
                                      const QString &path)
{
    m_archive = archive;
    m_entry = &entry;
    m_path = path;
    m_dataOffset = entry.dataOffset;
    m_dataLength = entry.compressedSize;
    m_cipher = entry.isAesEncrypted() ? Cipher::Aes : entry.isEncrypted() ? Cipher::Traditional
                                                                          : Cipher::None;
    if (!m_archive->seek(qint64(m_dataOffset)))
        return UnZip::FileSeekError;

    UnZip::ErrorCode ec = UnZip::Success;
    if (m_cipher == Cipher::Traditional)
        ec = checkTraditionalPassword(password);
    else if (m_cipher == Cipher::Aes)
        ec = checkAesPassword(password);
    if (ec != UnZip::Success) {
        m_diagnostic->report(debugLine("Unable to decrypt %1", path));
        return ec;
    }
    if (m_cipher == Cipher::Aes)
        return authenticate();
    return UnZip::Success;
}

UnZip::ErrorCode EntryExtractor::checkTraditionalPassword(const QString &password)
{
    if (m_dataLength < quint64(EncryptionHeaderSize))
        return UnZip::CorruptedArchive;
    unsigned char header[EncryptionHeaderSize];
    if (m_archive->read(reinterpret_cast<char *>(header), EncryptionHeaderSize) != EncryptionHeaderSize)
        return UnZip::CorruptedArchive;
    const UnZip::ErrorCode ec = EntryPassword::checkTraditional(*m_entry, password, header, m_keys);
    if (ec != UnZip::Success)
        return ec;
    m_dataOffset += EncryptionHeaderSize;
    m_dataLength -= EncryptionHeaderSize;
    return UnZip::Success;
}

UnZip::ErrorCode EntryExtractor::checkAesPassword(const QString &password)
{
    const int strength = m_entry->aesStrength;
    const int saltSize = ZipAes::saltSize(strength);
    if (saltSize == 0 || m_dataLength < quint64(ZipAes::overhead(strength)))
        return UnZip::CorruptedArchive;
    unsigned char header[32 + ZipAes::VerifierSize];
    const qint64 headerSize = saltSize + ZipAes::VerifierSize;
    if (m_archive->read(reinterpret_cast<char *>(header), headerSize) != headerSize)
        return UnZip::CorruptedArchive;
    const UnZip::ErrorCode ec = EntryPassword::beginAes(m_aes, password, header, strength);
    if (ec != UnZip::Success)
        return ec;
    m_dataOffset += quint64(headerSize);
    m_dataLength -= quint64(ZipAes::overhead(strength));
    return UnZip::Success;
}

// Reads the whole encrypted data once and compares its authentication code
// with the one stored after it, so that no byte is decrypted, decoded or
// written before the data is known to be the one encrypted with this key.
UnZip::ErrorCode EntryExtractor::authenticate()
{
    quint64 remaining = m_dataLength;
    while (remaining > 0) {
        if (m_progress && m_progress->stopped())
            return UnZip::Cancelled;
        const qint64 request = qint64(qMin<quint64>(BufferSize, remaining));
        const qint64 n = m_archive->read(reinterpret_cast<char *>(m_input), request);
        if (n < 0)
            return UnZip::FileReadError;
        if (n != request)
            return UnZip::CorruptedArchive;
        m_aes.authenticate(m_input, n);
        remaining -= quint64(n);
    }
    unsigned char stored[ZipAes::MacSize];
    unsigned char computed[ZipAes::MacSize];
    if (m_archive->read(reinterpret_cast<char *>(stored), ZipAes::MacSize) != ZipAes::MacSize)
        return UnZip::CorruptedArchive;
    if (!m_aes.finish(computed))
        return UnZip::ZlibFailure;
    if (!sameCode(stored, computed, ZipAes::MacSize)) {
        m_diagnostic->report(debugLine("Authentication code mismatch: %1", m_path));
        return UnZip::CorruptedArchive;
    }
    return UnZip::Success;
}

Decoder *EntryExtractor::decoderFor(quint16 method)
{
    auto it = m_decoders.find(method);
    if (it == m_decoders.end())
        it = m_decoders.emplace(method, Decoder::create(method)).first;
    return it->second.get();
}

void EntryExtractor::decrypt(unsigned char *data, qint64 size)
{
    if (m_cipher == Cipher::Traditional)
        ZipCipher::decrypt(m_keys, data, size, ZipCrc::table());
    else if (m_cipher == Cipher::Aes)
        m_aes.applyKeystream(data, size);
}

UnZip::ErrorCode EntryExtractor::extractTo(QIODevice *out, const QString &outputName)
{
    Q_ASSERT(m_entry);
    m_outputName = outputName.isEmpty() ? m_path : outputName;
    const ZipEntryP &entry = *m_entry;
    // AE-2 entries record no CRC-32; the authentication code covered them.
    const bool checkCrc = !(entry.isAesEncrypted() && entry.aesVersion == ZipAes::VersionAe2);

    // The recorded size bounds the output; the data and their CRC-32 decide
    // whether it is complete.
    if (m_dataLength == 0)
        return !checkCrc || entry.crc == 0 ? UnZip::Success : UnZip::CorruptedArchive;

    Decoder *decoder = decoderFor(entry.dataMethod());
    if (!decoder)
        return UnZip::ZlibFailure;
    if (!m_archive->seek(qint64(m_dataOffset)))
        return UnZip::FileSeekError;
    quint32 crc = 0;
    quint64 written = 0;
    const UnZip::ErrorCode ec = decode(decoder, out, &crc, &written);
    decoder->end();
    if (ec != UnZip::Success)
        return ec;
    return !checkCrc || crc == entry.crc ? UnZip::Success : UnZip::CorruptedArchive;
}

UnZip::ErrorCode EntryExtractor::decode(Decoder *decoder, QIODevice *out, quint32 *crc, quint64 *written)
{
    const ZipEntryP &entry = *m_entry;
    Decoder::Stream stream;
    stream.compressedSize = m_dataLength;
    stream.uncompressedSize = entry.uncompressedSize;
    stream.flags = quint16(entry.generalFlags[0] | (entry.generalFlags[1] << 8));
    if (!decoder->begin(stream))
        return UnZip::ZlibFailure;
    Output output{out, crc, written};
    const bool passThrough = decoder->passesInputThrough();

    quint64 remaining = m_dataLength;
    for (;;) {
        qint64 n = 0;
        UnZip::ErrorCode ec = readChunk(&remaining, &n);
        if (ec != UnZip::Success)
            return ec;
        bool ended = false;
        if (passThrough) {
            // Stored data: the chunk is the output, without a copy.
            ec = takeOutput(output, m_input, unsigned(n));
            ended = remaining == 0;
        } else {
            ec = decodeChunk(decoder, output, unsigned(n), &ended);
        }
        if (ec != UnZip::Success || ended)
            return ec;
    }
}

UnZip::ErrorCode EntryExtractor::readChunk(quint64 *remaining, qint64 *n)
{
    if (*remaining == 0) {
        m_diagnostic->report(debugLine("Compressed data runs past the entry's size: %1", m_path));
        return UnZip::CorruptedArchive;
    }
    *n = m_archive->read(reinterpret_cast<char *>(m_input), qint64(qMin<quint64>(BufferSize, *remaining)));
    if (*n < 0)
        return UnZip::FileReadError;
    if (*n == 0) {
        // The device ended inside the entry's data.
        return UnZip::CorruptedArchive;
    }
    *remaining -= quint64(*n);
    decrypt(m_input, *n);
    return UnZip::Success;
}

UnZip::ErrorCode EntryExtractor::decodeChunk(Decoder *decoder, const Output &output, unsigned int length,
                                             bool *ended)
{
    // Deflate keeps its historical error code; the other decoders report
    // a broken stream as what it is.
    const UnZip::ErrorCode streamError = m_entry->dataMethod() == MethodDeflated ? UnZip::ZlibFailure
                                                                                 : UnZip::CorruptedArchive;
    decoder->setInput(m_input, length);
    Decoder::Status status;
    unsigned int produced;
    do {
        status = decoder->decode(m_output, BufferSize, &produced);
        if (status == Decoder::DataError)
            return streamError;
        const UnZip::ErrorCode ec = takeOutput(output, m_output, produced);
        if (ec != UnZip::Success)
            return ec;
    } while (produced == unsigned(BufferSize) && status != Decoder::StreamEnd);
    *ended = status == Decoder::StreamEnd;
    return UnZip::Success;
}

// One piece of output: bounded by the recorded size, written, and added to
// the CRC-32.
UnZip::ErrorCode EntryExtractor::takeOutput(const Output &output, const unsigned char *data, unsigned int size)
{
    if (*output.written + size > m_entry->uncompressedSize) {
        // More data than the entry records: stop before writing it.
        m_diagnostic->report(debugLine("Entry inflates beyond its recorded size: %1", m_path));
        return UnZip::CorruptedArchive;
    }
    if (size != 0 && !ZipDeviceWrite::writeFully(output.device, reinterpret_cast<const char *>(data), size)) {
        m_diagnostic->report(writeFailure(m_outputName, output.device));
        return UnZip::FileWriteError;
    }
    *output.crc = ZipCrc::update(*output.crc, data, size);
    *output.written += size;
    if (m_progress && !m_progress->advance(size)) {
        m_diagnostic->report(debugLine("Extraction cancelled: %1", m_path));
        return UnZip::Cancelled;
    }
    return UnZip::Success;
}
