// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ZIP_P_H
#define KELVANE_ZIP_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.

#include "zip.h"
#include "zipentry_p.h"
#include "zipformat_p.h"
#include "ziplog_p.h"

#include <QtCore/QMap>
#include <QtCore/QString>

#include <memory>

#include <zlib.h>

class QFile;
class QFileInfo;
class QIODevice;
class ParallelWriter;

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

    const z_crc_t *const crcTable;

    QString comment;
    QString password;

    // Canonical path of the archive when the device is a file, so that the
    // walk does not add the archive to itself.
    QString archivePath;

    // The last diagnostic of the call in progress or last made; the checks
    // of const members report through it as well.
    mutable ZipDiagnostic diagnostic;

    // Worker threads of the parallel mode; 0 for the serial writer.
    int threadCount = 0;
    // Block size of the parallel mode.
    int blockSize;
    // The parallel mode's writer, made for the first entry that needs it.
    std::unique_ptr<ParallelWriter> parallel;

    Zip::ErrorCode createArchive(QIODevice *device);
    // Writes the central directory and the end record; releases nothing.
    Zip::ErrorCode closeArchive();
    void reset();

    Zip::ErrorCode createEntry(const QFileInfo &file, const QString &root, Zip::CompressionLevel level);
    // Writes every entry the parallel mode still holds; returns the first
    // error. Nothing is pending in the serial mode.
    Zip::ErrorCode finishPending();
    Zip::CompressionLevel detectCompressionByMime(const QString &suffix) const;

    void initKeys(unsigned int *keys) const;
    void updateKeys(unsigned int *keys, int c) const;

private:
    Q_DISABLE_COPY(ZipPrivate)
    friend class ParallelWriter;

    // What one entry's data loop needs and produces.
    struct EntryData
    {
        QFile *file = nullptr;
        QString path;            // absolute path, for the debug lines
        bool encrypted = false;
        unsigned int keys[3] = {0, 0, 0};
        quint32 crc = 0;
        qint64 bytesRead = 0;    // plain bytes taken from the file
        qint64 bytesWritten = 0; // data bytes written after the headers
        qint64 writeLimit = 0;   // data bytes the entry's size fields can hold
        bool zip64 = false;      // sizes in ZIP64 fields
    };

    // Whether the entry fits the archive when it starts at position; the
    // reason in *problem when it does not.
    Zip::ErrorCode checkEntryFits(const QFileInfo &file, qint64 nameLength, bool encrypted, bool deflated,
                                  qint64 position, const char **problem) const;
    static qint64 entryBytesBound(qint64 size, qint64 nameLength, bool encrypted, bool deflated);
    static bool needsZip64Sizes(qint64 size, bool encrypted, bool deflated);
    static qint64 dataLimit(const ZipEntryP &entry);
    static int centralExtraLength(const ZipEntryP &entry);
    Zip::ErrorCode createParallelEntry(const QFileInfo &file, std::unique_ptr<ZipEntryP> entry, const QString &name,
                                       const QByteArray &nameBytes, int level, bool runLengthOnly, bool encrypted);
    // With `complete`, the entry's CRC and sizes are final; else the CRC and
    // the compressed size are written as 0, to be completed after the data.
    Zip::ErrorCode writeLocalHeader(const ZipEntryP &entry, const QByteArray &name, bool complete = false);
    Zip::ErrorCode writeEncryptionHeader(const ZipEntryP &entry, unsigned int *keys);
    Zip::ErrorCode writeStoredData(EntryData &data);
    Zip::ErrorCode writeDeflatedData(EntryData &data, int level, bool runLengthOnly);
    Zip::ErrorCode takeChunk(EntryData &data, qint64 read);
    Zip::ErrorCode completeLocalHeader(const ZipEntryP &entry, qint64 nameLength);
    Zip::ErrorCode writeDataDescriptor(const ZipEntryP &entry);
    Zip::ErrorCode writeCentralRecord(const QString &name, const ZipEntryP &entry);
    Zip::ErrorCode writeEndRecord(quint64 directoryOffset, quint64 directorySize);
    void recordEntry(const QString &name, ZipEntryP *entry);
};

#endif // KELVANE_ZIP_P_H
