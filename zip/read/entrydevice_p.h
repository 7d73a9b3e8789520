// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ENTRYDEVICE_P_H
#define KELVANE_ENTRYDEVICE_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// One entry of the open archive as a read-only device (UnZip::openEntry()).
// It decrypts and decodes as it is read, in buffers of its own, and reads the
// archive at its own position, so that several devices and the reader's own
// calls take turns on the one archive device. The last bytes of the entry are
// handed out only once the CRC-32 and the AES authentication code are found
// right; otherwise that read fails with the reason in errorString(). Stored,
// unencrypted entries are random access; every other entry is sequential.

#include "read/decoder_p.h"
#include <kelvanezip/unzip.h>
#include "common/zipaes_p.h"
#include "common/zipentry_p.h"

#include <QtCore/QIODevice>

#include <memory>
#include <vector>

class EntryDevice;

// The devices open on one archive: they are told when the archive device goes
// away, after which their reads fail instead of touching it.
class EntryDeviceRegistry
{
public:
    EntryDeviceRegistry() = default;
    EntryDeviceRegistry(const EntryDeviceRegistry &) = delete;
    EntryDeviceRegistry &operator=(const EntryDeviceRegistry &) = delete;
    ~EntryDeviceRegistry() { detachAll(); }

    void add(EntryDevice *device) { m_devices.push_back(device); }
    void remove(EntryDevice *device);
    void detachAll();

private:
    std::vector<EntryDevice *> m_devices;
};

class EntryDevice : public QIODevice
{
public:
    // The archive device and the registry stay the reader's. name is the
    // entry's name, for error texts.
    EntryDevice(EntryDeviceRegistry *registry, QIODevice *archive, const ZipEntryP &entry, const QString &name);
    ~EntryDevice() override;

    // Checks the password, sets up the decoder and opens the device for
    // reading; nothing is decoded yet.
    UnZip::ErrorCode start(const QString &password);
    // The archive device is going away: every later read fails.
    void detach();

    bool isSequential() const override { return !m_randomAccess; }
    qint64 size() const override { return qint64(m_entry.uncompressedSize); }
    qint64 bytesAvailable() const override;
    bool seek(qint64 pos) override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    enum class Cipher { None,
                        Traditional,
                        Aes };

    UnZip::ErrorCode checkTraditionalPassword(const QString &password);
    UnZip::ErrorCode checkAesPassword(const QString &password);
    bool readArchive(unsigned char *data, qint64 length);
    qint64 readRandomAccess(char *data, qint64 maxSize);
    void addToCrc(const char *data, qint64 at, qint64 length);
    bool produceOutput();
    bool decodeStep(unsigned char *out, unsigned int room, unsigned int *produced, bool *ended);
    bool readInput();
    bool finishEntry();
    bool authenticationFails();
    bool fail(const QString &reason);

    EntryDeviceRegistry *m_registry;
    QIODevice *m_archive;
    const ZipEntryP m_entry;
    const QString m_name;
    Cipher m_cipher = Cipher::None;
    bool m_randomAccess = false;
    bool m_checkCrc = true;
    bool m_failed = false;
    bool m_finished = false;

    quint64 m_archivePosition = 0; // next byte of the archive to read
    quint64 m_dataLength = 0;      // bytes of the compressed stream
    quint64 m_inputLeft = 0;       // bytes of it not read yet
    unsigned int m_keys[3] = {0, 0, 0};
    ZipAes::Cipher m_aes;
    bool m_macChecked = false;

    std::unique_ptr<Decoder> m_decoder;
    std::unique_ptr<unsigned char[]> m_input;
    std::unique_ptr<unsigned char[]> m_output;
    unsigned int m_outputBegin = 0; // decoded bytes not handed out yet
    unsigned int m_outputEnd = 0;
    bool m_outputWasFull = false;
    quint64 m_produced = 0;
    quint32 m_crc = 0;
    quint64 m_crcCovered = 0; // random access: bytes from the start in m_crc
};

#endif // KELVANE_ENTRYDEVICE_P_H
