// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_UNZIP_H
#define KELVANE_UNZIP_H

#include "kelvanezip_export.h"

#include <QtCore/QDateTime>
#include <QtCore/QFlags>
#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

class QDir;
class QIODevice;
class QTextCodec;
class UnzipPrivate;

// Reads ZIP archives: opens a file or device, lists the central directory,
// and extracts entries (stored or deflated, optionally with the traditional
// encryption) to devices or below a folder, checking each entry's CRC-32.
// Every outcome is reported as an ErrorCode; formatError() gives its text.
class KELVANEZIP_EXPORT UnZip
{
public:
    enum ErrorCode {
        Success = 0,
        ZlibInitFailed = 1,
        ZlibFailure = 2,
        FileOpenFailed = 3,
        PartiallyCorruptedArchive = 4,
        CorruptedArchive = 5,
        BadPassword = 6,
        NoArchiveYet = 7,
        FileMissing = 8,
        FileReadError = 9,
        FileWriteError = 10,
        FileSeekError = 11,
        DirectoryCreationFailed = 12,
        BadDevice = 13,
        IncompatibleArchive = 14,
        InconsistentHeaders = 15,
        PasswordMismatch = 16
    };

    enum ExtractionOption {
        // Entries keep their folder path below the target folder, and folder
        // entries create folders (also the behaviour without DropFolders).
        KeepFolders = 0x01,
        // Files go straight into the target folder under the last component
        // of their name; folder entries are passed over.
        DropFolders = 0x02
    };
    Q_DECLARE_FLAGS(ExtractionOptions, ExtractionOption)

    enum EntryCompression {
        Stored = 0,
        Deflated = 1,
        UnknownMethod = 2
    };

    enum EntryType {
        File = 0,
        Directory = 1
    };

    // Public information about one entry, as returned by entryList().
    struct ZipEntry
    {
        QString filename;
        QString comment;
        quint32 compressedSize = 0;
        quint32 uncompressedSize = 0;
        quint32 crc = 0;
        QDateTime lastModified;
        EntryCompression compression = Stored;
        EntryType type = File;
        bool encrypted = false;
    };

    UnZip();
    virtual ~UnZip();

    bool isOpen() const;

    ErrorCode openArchive(const QString &filename);
    // The reader owns a non-null device from this call on, whatever the result.
    ErrorCode openArchive(QIODevice *device);
    void closeArchive();

    QString archiveComment() const;

    QString formatError(UnZip::ErrorCode c) const;

    // The detail of the last diagnostic given by the most recent call that
    // returns an ErrorCode, say "Entry data overlaps the next entry: a.txt";
    // empty when that call gave none. Each such call clears it when it
    // starts. The same lines go to the logging category "kelvane.zip".
    QString lastErrorDetail() const;

    bool contains(const QString &file) const;

    QStringList fileList() const;
    QList<ZipEntry> entryList() const;

    ErrorCode extractAll(const QString &dirname, ExtractionOptions options = ExtractionOptions());
    ErrorCode extractAll(const QDir &dir, ExtractionOptions options = ExtractionOptions());

    ErrorCode extractFile(const QString &filename, const QString &dirname,
                          ExtractionOptions options = ExtractionOptions());
    ErrorCode extractFile(const QString &filename, const QDir &dir,
                          ExtractionOptions options = ExtractionOptions());
    // Writes the entry's content to a device that is already open for writing.
    ErrorCode extractFile(const QString &filename, QIODevice *device,
                          ExtractionOptions options = ExtractionOptions());

    ErrorCode extractFiles(const QStringList &filenames, const QString &dirname,
                           ExtractionOptions options = ExtractionOptions());
    ErrorCode extractFiles(const QStringList &filenames, const QDir &dir,
                           ExtractionOptions options = ExtractionOptions());

    void setPassword(const QString &pwd);

    // Code page for names and comments that are neither flagged nor valid
    // UTF-8 (CP866 for archives made by Windows Explorer on Russian systems,
    // for instance). Null, the default, reads such bytes as Latin-1. Takes
    // effect at the next openArchive(); the codec is not owned.
    void setFileNameCodec(QTextCodec *codec);
    QTextCodec *fileNameCodec() const;

    // The CRC-32 that entries are checked with (start with 0), from the same
    // back end as the inflater: for callers that check extracted data.
    static quint32 updateCrc32(quint32 crc, const char *data, qint64 size);
    // The inflate and CRC-32 back end the library was built with: "zlib" or
    // "isal".
    static QString inflateBackend();

private:
    Q_DISABLE_COPY(UnZip)
    UnzipPrivate *d;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(UnZip::ExtractionOptions)

#endif // KELVANE_UNZIP_H
