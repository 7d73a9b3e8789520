// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ZIP_P_H
#define KELVANE_ZIP_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.

#include <kelvanezip/zip.h>
#include "common/zipaes_p.h"
#include "common/zipcipher_p.h"
#include "common/zipentry_p.h"
#include "common/zipformat_p.h"
#include "common/ziplog_p.h"

#include "write/entrysource_p.h"

#include <QtCore/QDateTime>
#include <QtCore/QFileInfo>
#include <QtCore/QMap>
#include <QtCore/QString>

#include <memory>

class ArchiveEditor;
class QIODevice;
class ParallelWriter;

// Encrypts one entry's data on its way into the archive: with the
// traditional cipher's keys, or with AES when aes is set.
struct EntryEncryptor
{
    unsigned int keys[3] = {0, 0, 0};
    std::unique_ptr<ZipAes::Cipher> aes;

    void encrypt(unsigned char *data, qint64 size, const quint32 *crcTable)
    {
        if (aes)
            aes->encrypt(data, size);
        else
            ZipCipher::encrypt(keys, data, size, crcTable);
    }
};

class ZipPrivate
{
public:
    ZipPrivate();
    virtual ~ZipPrivate();

    // Every entry written so far, keyed by name; null while no archive is open.
    QMap<QString, ZipEntryP *> *entries = nullptr;
    // The archive's device, owned; null while no archive is open.
    QIODevice *device = nullptr;

    // Every header is assembled in inputBuffer, which is also the chunk
    // buffer for file reads; outputBuffer takes the deflate output.
    char inputBuffer[ZipFormat::BufferSize];
    char outputBuffer[ZipFormat::BufferSize];
    unsigned char *const inputBytes;
    unsigned char *const outputBytes;

    const quint32 *const crcTable;

    QString comment;
    QString password;
    Zip::EncryptionMethod encryptionMethod = Zip::TraditionalEncryption;
    // The level of addFile(), addData() and addDevice().
    Zip::CompressionLevel entryLevel = Zip::ByFileType;

    // Canonical path of the archive when the device is a file, so that the
    // walk does not add the archive to itself.
    QString archivePath;

    // The last diagnostic of the call in progress or last made; the checks
    // of const members report through it as well.
    mutable ZipDiagnostic diagnostic;

    // Set when the device cannot seek: the archive is streamed, and
    // streamPosition counts the bytes written, which pos() does not.
    bool streaming = false;
    qint64 streamPosition = 0;
    // The regular file that createArchive(filename) made or truncated; it is
    // removed when a write to it fails.
    QString createdFile;
    // After a failed write the archive cannot be completed; writeFailure is
    // the diagnostic that every later call repeats.
    bool writeFailed = false;
    QString writeFailure;

    // Worker threads of the parallel mode; 0 for the serial writer.
    int threadCount = 0;
    // Block size of the parallel mode.
    int blockSize;
    // The parallel mode's writer, made for the first entry that needs it.
    std::unique_ptr<ParallelWriter> parallel;
    // The entries kept from the archive opened with Zip::openArchive(),
    // whose device is then a QSaveFile renamed over it on closing; null for
    // a new archive.
    std::unique_ptr<ArchiveEditor> editor;

    Zip::ErrorCode createArchive(QIODevice *device);
    // Writes the central directory and the end record (and for a changed
    // archive puts the new one in the old one's place); releases nothing.
    Zip::ErrorCode closeArchive();
    // Removes an entry written or kept; false when there is none.
    bool removeEntry(const QString &name);
    void reset();

    // What one entry is made of: a folder, or a file's, the caller's or a
    // device's data through source.
    struct EntryInput
    {
        QString name;
        bool isDir = false;
        QFileInfo file; // the file or folder added, if any
        QDateTime modified;
        quint32 mode = ZipFormat::UnixMode::DefaultFileMode; // the Unix mode
        QString suffix;                                      // lower-cased complete suffix, for ByFileType
        QString description;                                 // absolute path or entry name, for the debug lines
        std::unique_ptr<EntrySource> source;                 // null for a folder
    };

    // The entry of a file or folder met by the folder walk, named below root.
    Zip::ErrorCode createEntry(const QFileInfo &file, const QString &root, Zip::CompressionLevel level);
    // The same under the given name.
    Zip::ErrorCode createFileEntry(const QFileInfo &file, const QString &name, Zip::CompressionLevel level);
    // The entry of a symbolic link stored as a link, under the given name.
    Zip::ErrorCode createLinkEntry(const QFileInfo &link, const QString &name, Zip::CompressionLevel level);
    // Writes one entry at the device's position (or queues it in the
    // parallel mode); its source is read to its end.
    Zip::ErrorCode writeEntry(EntryInput &input, Zip::CompressionLevel level);
    bool isArchiveItself(const QFileInfo &file) const;
    // The archive's position: the device's, or the bytes streamed so far.
    qint64 position() const;
    // Writes to the archive; a short or failed write is reported with the
    // device's reason (the system's message) and fails every later one.
    Zip::ErrorCode writeBytes(const char *data, qint64 size);
    // FileWriteError, repeating the first write failure's diagnostic, once a
    // write has failed; else Success.
    Zip::ErrorCode failedEarlier() const;
    // After the records: flushes and closes a file device, checking both;
    // removes the file the writer made when the archive is incomplete.
    Zip::ErrorCode finishDevice(Zip::ErrorCode written);
    // Writes every entry the parallel mode still holds; returns the first
    // error. Nothing is pending in the serial mode.
    Zip::ErrorCode finishPending();
    Zip::CompressionLevel detectCompressionByMime(const QString &suffix) const;

    void initKeys(unsigned int *keys) const;
    void updateKeys(unsigned int *keys, int c) const;

    // Bytes the entry's cipher adds to its data: the traditional header, or
    // the AES salt, verifier and authentication code; 0 when not encrypted.
    static int cipherOverhead(const ZipEntryP &entry);
    // The CRC-32 the entry's records hold: AE-2 stores 0.
    static quint32 storedCrc(const ZipEntryP &entry, quint32 crc);

private:
    Q_DISABLE_COPY(ZipPrivate)
    friend class ParallelWriter;

    // What one entry's data loop needs and produces.
    struct EntryData
    {
        EntrySource *source = nullptr;
        QString path; // absolute path or entry name, for the debug lines
        bool encrypted = false;
        EntryEncryptor encryptor;
        quint32 crc = 0;
        qint64 bytesRead = 0;    // plain bytes taken from the file
        qint64 bytesWritten = 0; // data bytes written after the headers
        qint64 writeLimit = 0;   // data bytes the entry's size fields can hold
        bool zip64 = false;      // sizes in ZIP64 fields
    };

    // Seeks the archive; a failure that is a failed write of the file's
    // buffer counts as one (writeFailed is set then).
    bool seekTo(qint64 offset);
    void failWrite(const QString &reason);
    void removeCreatedFile();

    // Whether the entry fits the archive when it starts at position; the
    // reason in *problem when it does not.
    Zip::ErrorCode checkEntryFits(qint64 size, qint64 nameLength, int cipherBytes, bool deflated,
                                  qint64 position, const char **problem) const;
    // cipherBytes: what cipherOverhead() gives for the entry.
    static qint64 entryBytesBound(qint64 size, qint64 nameLength, int cipherBytes, bool deflated);
    static bool needsZip64Sizes(qint64 size, int cipherBytes, bool deflated);
    // Sets the method, flags and AES fields of a new entry's record.
    void setMethod(ZipEntryP &entry, bool deflated, bool encrypted) const;
    static int localExtraLength(const ZipEntryP &entry);
    static qint64 dataLimit(const ZipEntryP &entry);
    static int centralExtraLength(const ZipEntryP &entry);
    static int centralZip64Length(const ZipEntryP &entry);
    static int aesExtraLength(const ZipEntryP &entry);
    static int timestampExtraLength(const ZipEntryP &entry);
    // The AES field and the extended timestamp field, as far as the entry
    // has them: the extra field's blocks after any ZIP64 one.
    Zip::ErrorCode writeTrailingExtraFields(const ZipEntryP &entry);
    static quint16 versionNeeded(const ZipEntryP &entry, bool zip64);
    static void writeSharedHeaderFields(unsigned char *at, const ZipEntryP &entry, bool zip64);
    Zip::ErrorCode writeAesExtraField(const ZipEntryP &entry);
    Zip::ErrorCode writeAesHeader(const ZipEntryP &entry, EntryEncryptor &encryptor, const QString &path);
    // Before each entry: an earlier write failure, the parallel mode set up,
    // a changed archive's kept entries reserved.
    Zip::ErrorCode prepareForEntry();
    // The deflate level the entry is written with; 0 stores it.
    int levelForEntry(const EntryInput &input, qint64 size, Zip::CompressionLevel level) const;
    // A new entry's record with its method, cipher and descriptor flag.
    std::unique_ptr<ZipEntryP> newRecord(bool isDir, qint64 size, bool deflated, bool encrypted) const;
    // checkEntryFits() at the archive's position, waiting for the parallel
    // mode's queue only when its bound does not fit; reports the problem.
    Zip::ErrorCode ensureEntryFits(const QString &description, qint64 size, qint64 nameLength, int cipherBytes,
                                   bool deflated);
    // Writes the entry's headers, data and descriptor at the position.
    Zip::ErrorCode writeSerialEntry(EntryInput &input, std::unique_ptr<ZipEntryP> entry, const QByteArray &nameBytes,
                                    int level, bool runLengthOnly);
    // Reads the entry's source to its end into the archive; the source is
    // released after.
    Zip::ErrorCode writeEntryData(EntryInput &input, const ZipEntryP &entry, EntryData &data, int level,
                                  bool runLengthOnly);
    Zip::ErrorCode completeSerialEntry(ZipEntryP &entry, const EntryData &data, qint64 nameLength);
    Zip::ErrorCode createParallelEntry(EntryInput &input, std::unique_ptr<ZipEntryP> entry, const QByteArray &nameBytes,
                                       int level, bool runLengthOnly);
    // With `complete`, the entry's CRC and sizes are final; else the CRC and
    // the compressed size are written as 0, to be completed after the data.
    Zip::ErrorCode writeLocalHeader(const ZipEntryP &entry, const QByteArray &name, bool complete = false);
    // What precedes the encrypted data: the traditional 12-byte header, or
    // the AES salt and password verifier; sets up the encryptor. Failing,
    // the entry is reported as path.
    Zip::ErrorCode writeEncryptionHeader(const ZipEntryP &entry, EntryEncryptor &encryptor, const QString &path);
    // What follows it: the AES authentication code; nothing for the
    // traditional cipher.
    Zip::ErrorCode writeEncryptionTrailer(const ZipEntryP &entry, EntryEncryptor &encryptor);
    Zip::ErrorCode writeStoredData(EntryData &data);
    Zip::ErrorCode writeDeflatedData(EntryData &data, int level, bool runLengthOnly);
    Zip::ErrorCode takeChunk(EntryData &data, qint64 read);
    Zip::ErrorCode completeLocalHeader(const ZipEntryP &entry, qint64 nameLength);
    Zip::ErrorCode writeDataDescriptor(const ZipEntryP &entry);
    Zip::ErrorCode writeCentralRecord(const QString &name, const ZipEntryP &entry);
    Zip::ErrorCode writeEndRecord(quint64 directoryOffset, quint64 directorySize, quint64 count);
    Zip::ErrorCode writeDirectory(quint64 *size);
    // Puts the kept entries in front of the new ones.
    Zip::ErrorCode finishKeptEntries();
    Zip::ErrorCode commitChangedArchive(Zip::ErrorCode written);
    void recordEntry(const QString &name, ZipEntryP *entry);
};

#endif // KELVANE_ZIP_P_H
