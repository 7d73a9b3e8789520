// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ENTRYEXTRACTOR_P_H
#define KELVANE_ENTRYEXTRACTOR_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// The reader's data path for one entry at a time: the password check of the
// traditional cipher or of AES, the AES authentication code, decryption, and
// one decoding loop for every method. The loop reads no byte beyond the
// entry's compressed size, writes no byte beyond its recorded uncompressed
// size, and checks the CRC-32 (AE-2 entries record none: their
// authentication code stands in for it).

#include "read/decoder_p.h"
#include <kelvanezip/unzip.h>
#include "common/zipaes_p.h"

#include <QtCore/QString>

#include <map>
#include <memory>

class ExtractionProgress;
class QIODevice;
class ZipDiagnostic;
class ZipEntryP;

class EntryExtractor
{
public:
    // The two chunk buffers (ZipFormat::BufferSize bytes each) and the
    // diagnostic are the reader's and stay its own.
    EntryExtractor(unsigned char *inputBuffer, unsigned char *outputBuffer, ZipDiagnostic *diagnostic);
    ~EntryExtractor();
    EntryExtractor(const EntryExtractor &) = delete;
    EntryExtractor &operator=(const EntryExtractor &) = delete;

    // Makes the entry ready to be extracted: checks the password and, for
    // AES, the authentication code over the whole encrypted data. Nothing is
    // written anywhere. path names the entry in debug lines.
    UnZip::ErrorCode open(QIODevice *archive, const ZipEntryP &entry, const QString &password,
                          const QString &path);

    // Decodes the entry opened last into out (open for writing). A write
    // that fails is reported with outputName (the entry's name when empty)
    // and the device's error string, and gives FileWriteError.
    UnZip::ErrorCode extractTo(QIODevice *out, const QString &outputName = QString());

    // Where the bytes written are counted, and whether to stop (null: no
    // one asks); taken for every entry opened after the call.
    void setProgress(ExtractionProgress *progress) { m_progress = progress; }

    // The diagnostic of a write to out that failed: "Unable to write NAME:
    // REASON", the reason being the system's message ("No space left on
    // device") that the device holds.
    static QString writeFailure(const QString &outputName, const QIODevice *out);

private:
    enum class Cipher { None,
                        Traditional,
                        Aes };

    UnZip::ErrorCode checkTraditionalPassword(const QString &password);
    UnZip::ErrorCode checkAesPassword(const QString &password);
    UnZip::ErrorCode authenticate();
    Decoder *decoderFor(quint16 method);
    void decrypt(unsigned char *data, qint64 size);
    UnZip::ErrorCode decode(Decoder *decoder, QIODevice *out, quint32 *crc, quint64 *written);
    // Where decoded data go, and what is counted of them.
    struct Output
    {
        QIODevice *device;
        quint32 *crc;
        quint64 *written;
    };
    // Reads and decrypts the next chunk of the entry's data into the input
    // buffer; *n bytes of the *remaining.
    UnZip::ErrorCode readChunk(quint64 *remaining, qint64 *n);
    // Decodes the chunk in the input buffer; *ended at the stream's end.
    UnZip::ErrorCode decodeChunk(Decoder *decoder, const Output &output, unsigned int length, bool *ended);
    UnZip::ErrorCode takeOutput(const Output &output, const unsigned char *data, unsigned int size);

    unsigned char *const m_input;
    unsigned char *const m_output;
    ZipDiagnostic *const m_diagnostic;
    ExtractionProgress *m_progress = nullptr;
    QIODevice *m_archive = nullptr;
    const ZipEntryP *m_entry = nullptr;
    QString m_path;
    QString m_outputName;
    Cipher m_cipher = Cipher::None;
    quint64 m_dataOffset = 0; // first byte of the compressed stream
    quint64 m_dataLength = 0; // bytes of the compressed stream
    unsigned int m_keys[3] = {0, 0, 0};
    ZipAes::Cipher m_aes;
    std::map<quint16, std::unique_ptr<Decoder>> m_decoders;
};

#endif // KELVANE_ENTRYEXTRACTOR_P_H
