// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_UNZIP_P_H
#define KELVANE_UNZIP_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.

#include "unzip.h"
#include "inflater_p.h"
#include "zipentry_p.h"
#include "zipformat_p.h"
#include "ziplog_p.h"

#include <QtCore/QMap>
#include <QtCore/QString>
#include <QtCore/QVector>

#include <zlib.h>

class QDir;
class QIODevice;
class QTextCodec;

class UnzipPrivate
{
public:
    UnzipPrivate();
    ~UnzipPrivate();

    QString password;
    QMap<QString, ZipEntryP *> *entries = nullptr;
    QIODevice *device = nullptr;

    unsigned char inputBuffer[ZipFormat::BufferSize];
    unsigned char outputBuffer[ZipFormat::BufferSize];

    const z_crc_t *crcTable;

    quint32 directoryOffset = 0;
    quint16 directoryEntryCount = 0;

    QString comment;

    // Code page for names that are neither flagged nor valid UTF-8, as set by
    // the caller, and as taken for the open archive when it was opened.
    QTextCodec *fileNameCodec = nullptr;
    QTextCodec *directoryCodec = nullptr;

    // Start of every local header named by the central directory, sorted:
    // an entry's data must end before the next local header begins.
    QVector<quint32> localHeaderOffsets;

    Inflater inflater;

    // The last diagnostic of the call in progress or last made.
    ZipDiagnostic diagnostic;

    UnZip::ErrorCode openArchive(QIODevice *device);
    UnZip::ErrorCode seekToCentralDirectory();
    UnZip::ErrorCode parseCentralDirectoryRecord();
    void closeArchive();

    UnZip::ErrorCode parseLocalHeaderRecord(const QString &path, ZipEntryP &entry);

    UnZip::ErrorCode extractFile(const QString &path, ZipEntryP &entry, QIODevice *outDev,
                                 UnZip::ExtractionOptions options);
    UnZip::ErrorCode extractFile(const QString &path, ZipEntryP &entry, const QDir &dir,
                                 UnZip::ExtractionOptions options);

    bool createDirectory(const QString &path);

    UnZip::ErrorCode testPassword(unsigned int *keys, const QString &file, const ZipEntryP &header);
    bool testKeys(const ZipEntryP &header, unsigned int *keys);

private:
    void releaseDirectory();
    UnZip::ErrorCode findEndRecordBackwards(qint64 size, qint64 *position);
    QString decodeText(const char *data, int size, bool utf8Flag) const;
    quint32 nextLocalHeaderAfter(quint32 offset) const;
    UnZip::ErrorCode checkDataDescriptor(const ZipEntryP &entry);
    UnZip::ErrorCode extractStored(ZipEntryP &entry, QIODevice *outDev, quint32 dataLength,
                                   unsigned int *keys, quint32 *crc);
    UnZip::ErrorCode extractDeflated(const QString &path, ZipEntryP &entry, QIODevice *outDev,
                                     quint32 dataLength, unsigned int *keys, quint32 *crc);
};

#endif // KELVANE_UNZIP_P_H
