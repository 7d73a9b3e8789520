// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "read/entrydevice_p.h"

#include "read/entrypassword_p.h"
#include "common/zipcipher_p.h"
#include "common/zipcrc_p.h"
#include "common/zipformat_p.h"

#include <QtCore/QCoreApplication>

#include <algorithm>
#include <cstring>

using namespace ZipFormat;

namespace {

// Each device's own buffers: small, since several may be open at once.
constexpr unsigned int InputSize = 65536;
constexpr unsigned int OutputSize = 65536;
// Where decoding goes once the recorded size is reached: any byte there is
// one too many.
constexpr unsigned int SpareSize = 256;

// Whether the authentication codes are equal, in a time that does not
// depend on where they differ.
bool sameCode(const unsigned char *a, const unsigned char *b, int size)
{
    unsigned char difference = 0;
    for (int i = 0; i < size; ++i)
        difference |= a[i] ^ b[i];
    return difference == 0;
}

QString text(const char *sentence, const QString &name)
{
    return QCoreApplication::translate("UnZip", sentence).arg(name);
}

} // namespace

void EntryDeviceRegistry::remove(EntryDevice *device)
{
    m_devices.erase(std::remove(m_devices.begin(), m_devices.end(), device), m_devices.end());
}

void EntryDeviceRegistry::detachAll()
{
    std::vector<EntryDevice *> devices;
    devices.swap(m_devices);
    for (EntryDevice *device : devices)
        device->detach();
}

EntryDevice::EntryDevice(EntryDeviceRegistry *registry, QIODevice *archive, const ZipEntryP &entry,
                         const QString &name)
    : m_registry(registry)
    , m_archive(archive)
    , m_entry(entry)
    , m_name(name)
{
    m_registry->add(this);
}

EntryDevice::~EntryDevice()
{
    if (m_registry)
        m_registry->remove(this);
}

void EntryDevice::detach()
{
    m_registry = nullptr;
    m_archive = nullptr;
}

UnZip::ErrorCode EntryDevice::start(const QString &password)
{
    m_archivePosition = m_entry.dataOffset;
    m_dataLength = m_entry.compressedSize;
    m_cipher = m_entry.isAesEncrypted() ? Cipher::Aes : m_entry.isEncrypted() ? Cipher::Traditional
                                                                              : Cipher::None;
    // AE-2 entries record no CRC-32; their authentication code covers them.
    m_checkCrc = !(m_entry.isAesEncrypted() && m_entry.aesVersion == ZipAes::VersionAe2);

    UnZip::ErrorCode ec = UnZip::Success;
    if (m_cipher == Cipher::Traditional)
        ec = checkTraditionalPassword(password);
    else if (m_cipher == Cipher::Aes)
        ec = checkAesPassword(password);
    if (ec != UnZip::Success)
        return ec;
    m_inputLeft = m_dataLength;

    const quint16 method = m_entry.dataMethod();
    m_randomAccess = m_cipher == Cipher::None && method == MethodStored
        && m_entry.compressedSize == m_entry.uncompressedSize;
    if (m_randomAccess && m_entry.uncompressedSize == 0 && m_entry.crc != 0)
        return UnZip::CorruptedArchive;
    if (!m_randomAccess) {
        m_decoder = Decoder::create(method);
        Decoder::Stream stream;
        stream.compressedSize = m_dataLength;
        stream.uncompressedSize = m_entry.uncompressedSize;
        stream.flags = quint16(m_entry.generalFlags[0] | (m_entry.generalFlags[1] << 8));
        if (!m_decoder || !m_decoder->begin(stream))
            return UnZip::ZlibInitFailed;
        m_input.reset(new unsigned char[InputSize]);
        m_output.reset(new unsigned char[OutputSize]);
    }
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    return UnZip::Success;
}

bool EntryDevice::readArchive(unsigned char *data, qint64 length)
{
    if (!m_archive)
        return fail(text(QT_TRANSLATE_NOOP("UnZip", "The archive of %1 has been closed."), m_name));
    if (m_archive->pos() != qint64(m_archivePosition) && !m_archive->seek(qint64(m_archivePosition)))
        return fail(text(QT_TRANSLATE_NOOP("UnZip", "Seeking to the data of %1 failed."), m_name));
    const qint64 n = m_archive->read(reinterpret_cast<char *>(data), length);
    if (n < 0)
        return fail(text(QT_TRANSLATE_NOOP("UnZip", "Reading the data of %1 failed."), m_name));
    if (n != length)
        return fail(text(QT_TRANSLATE_NOOP("UnZip", "The archive ends inside the data of %1."), m_name));
    m_archivePosition += quint64(n);
    return true;
}

UnZip::ErrorCode EntryDevice::checkTraditionalPassword(const QString &password)
{
    if (m_dataLength < quint64(EncryptionHeaderSize))
        return UnZip::CorruptedArchive;
    unsigned char header[EncryptionHeaderSize];
    if (!readArchive(header, EncryptionHeaderSize))
        return UnZip::CorruptedArchive;
    const UnZip::ErrorCode ec = EntryPassword::checkTraditional(m_entry, password, header, m_keys);
    if (ec != UnZip::Success)
        return ec;
    m_dataLength -= EncryptionHeaderSize;
    return UnZip::Success;
}

UnZip::ErrorCode EntryDevice::checkAesPassword(const QString &password)
{
    const int strength = m_entry.aesStrength;
    const int saltSize = ZipAes::saltSize(strength);
    if (saltSize == 0 || m_dataLength < quint64(ZipAes::overhead(strength)))
        return UnZip::CorruptedArchive;
    unsigned char header[32 + ZipAes::VerifierSize];
    const qint64 headerSize = saltSize + ZipAes::VerifierSize;
    if (!readArchive(header, headerSize))
        return UnZip::CorruptedArchive;
    const UnZip::ErrorCode ec = EntryPassword::beginAes(m_aes, password, header, strength);
    if (ec != UnZip::Success)
        return ec;
    m_dataLength -= quint64(ZipAes::overhead(strength));
    return UnZip::Success;
}

qint64 EntryDevice::bytesAvailable() const
{
    if (m_randomAccess || m_failed)
        return QIODevice::bytesAvailable();
    return qint64(m_outputEnd - m_outputBegin) + qint64(m_entry.uncompressedSize - m_produced)
        + QIODevice::bytesAvailable();
}

bool EntryDevice::seek(qint64 pos)
{
    if (!m_randomAccess || pos < 0 || pos > size())
        return false;
    return QIODevice::seek(pos);
}

qint64 EntryDevice::writeData(const char *, qint64)
{
    return -1;
}

bool EntryDevice::fail(const QString &reason)
{
    if (!m_failed) {
        m_failed = true;
        setErrorString(reason);
    }
    return false;
}

qint64 EntryDevice::readData(char *data, qint64 maxSize)
{
    if (m_failed)
        return -1;
    if (!m_archive) {
        fail(text(QT_TRANSLATE_NOOP("UnZip", "The archive of %1 has been closed."), m_name));
        return -1;
    }
    if (m_randomAccess)
        return readRandomAccess(data, maxSize);
    qint64 copied = 0;
    while (copied < maxSize) {
        if (m_outputBegin == m_outputEnd) {
            if (m_finished)
                break;
            if (!produceOutput())
                return -1;
            continue;
        }
        const unsigned int n = unsigned(qMin<qint64>(maxSize - copied, m_outputEnd - m_outputBegin));
        std::memcpy(data + copied, m_output.get() + m_outputBegin, n);
        m_outputBegin += n;
        copied += n;
    }
    return copied;
}

// Stored data: read straight from the archive at the position asked for. The
// CRC-32 follows the bytes read in order from the start, whatever the seeks,
// and is checked when they reach the end.
qint64 EntryDevice::readRandomAccess(char *data, qint64 maxSize)
{
    const qint64 at = pos();
    const qint64 n = qMin(maxSize, size() - at);
    if (n > 0) {
        m_archivePosition = m_entry.dataOffset + quint64(at);
        if (!readArchive(reinterpret_cast<unsigned char *>(data), n))
            return -1;
        addToCrc(data, at, n);
    }
    if (m_crcCovered == quint64(size()) && !m_finished) {
        if (m_crc != m_entry.crc) {
            fail(text(QT_TRANSLATE_NOOP("UnZip", "The data of %1 do not match their CRC-32."), m_name));
            return -1;
        }
        m_finished = true;
    }
    return qMax<qint64>(n, 0);
}

void EntryDevice::addToCrc(const char *data, qint64 at, qint64 length)
{
    const quint64 covered = m_crcCovered;
    if (quint64(at) > covered || quint64(at + length) <= covered)
        return;
    const qint64 skip = qint64(covered) - at;
    m_crc = ZipCrc::update(m_crc, reinterpret_cast<const unsigned char *>(data) + skip, length - skip);
    m_crcCovered = quint64(at + length);
}

// Decodes the next piece of output into the output buffer. When the output
// reaches the recorded size, decoding goes on to the end of the stream (where
// any further byte is an error) and the entry is checked before its last
// piece is handed out.
bool EntryDevice::produceOutput()
{
    m_outputBegin = m_outputEnd = 0;
    if (m_dataLength == 0)
        return finishEntry();
    unsigned char spare[SpareSize];
    for (;;) {
        const bool complete = m_produced == m_entry.uncompressedSize;
        unsigned char *out = complete ? spare : m_output.get();
        const unsigned int room = complete ? SpareSize : OutputSize;
        unsigned int produced = 0;
        bool ended = false;
        if (!decodeStep(out, room, &produced, &ended))
            return false;
        if (produced > m_entry.uncompressedSize - m_produced)
            return fail(text(QT_TRANSLATE_NOOP("UnZip", "The data of %1 run beyond their recorded size."), m_name));
        m_crc = ZipCrc::update(m_crc, out, produced);
        m_produced += produced;
        if (!complete)
            m_outputEnd = produced;
        if (ended)
            return finishEntry();
        if (produced > 0 && m_produced < m_entry.uncompressedSize)
            return true;
    }
}

// One call of the decoder, with the next chunk of input first when the last
// call left room in its output (it then took all the input it had).
bool EntryDevice::decodeStep(unsigned char *out, unsigned int room, unsigned int *produced, bool *ended)
{
    if (!m_outputWasFull && !readInput())
        return false;
    const Decoder::Status status = m_decoder->decode(out, room, produced);
    if (status == Decoder::DataError) {
        if (authenticationFails())
            return false;
        return fail(text(QT_TRANSLATE_NOOP("UnZip", "The compressed data of %1 are invalid."), m_name));
    }
    m_outputWasFull = *produced == room;
    *ended = status == Decoder::StreamEnd;
    return true;
}

bool EntryDevice::readInput()
{
    if (m_inputLeft == 0) {
        if (authenticationFails())
            return false;
        return fail(text(QT_TRANSLATE_NOOP("UnZip", "The compressed data of %1 are invalid."), m_name));
    }
    const unsigned int n = unsigned(qMin<quint64>(InputSize, m_inputLeft));
    if (!readArchive(m_input.get(), n))
        return false;
    m_inputLeft -= n;
    if (m_cipher == Cipher::Traditional) {
        ZipCipher::decrypt(m_keys, m_input.get(), n, ZipCrc::table());
    } else if (m_cipher == Cipher::Aes) {
        m_aes.authenticate(m_input.get(), n);
        m_aes.applyKeystream(m_input.get(), n);
    }
    m_decoder->setInput(m_input.get(), n);
    return true;
}

bool EntryDevice::finishEntry()
{
    if (authenticationFails())
        return false;
    if (m_produced != m_entry.uncompressedSize)
        return fail(text(QT_TRANSLATE_NOOP("UnZip", "The data of %1 end before their recorded size."), m_name));
    if (m_checkCrc && m_crc != m_entry.crc)
        return fail(text(QT_TRANSLATE_NOOP("UnZip", "The data of %1 do not match their CRC-32."), m_name));
    m_finished = true;
    m_decoder->end();
    return true;
}

// AES entries: authenticates what the decoder left unread, then compares the
// stored authentication code (once). True when it does not match, or cannot
// be read; the failure is then set.
bool EntryDevice::authenticationFails()
{
    if (m_cipher != Cipher::Aes || m_macChecked)
        return m_failed;
    m_macChecked = true;
    while (m_inputLeft > 0) {
        const unsigned int n = unsigned(qMin<quint64>(InputSize, m_inputLeft));
        if (!readArchive(m_input.get(), n))
            return true;
        m_aes.authenticate(m_input.get(), n);
        m_inputLeft -= n;
    }
    unsigned char stored[ZipAes::MacSize];
    unsigned char computed[ZipAes::MacSize];
    if (!readArchive(stored, ZipAes::MacSize))
        return true;
    if (!m_aes.finish(computed) || !sameCode(stored, computed, ZipAes::MacSize)) {
        fail(text(QT_TRANSLATE_NOOP("UnZip",
                                    "The authentication code of %1 does not match: wrong password or damaged data."),
                  m_name));
        return true;
    }
    return false;
}
