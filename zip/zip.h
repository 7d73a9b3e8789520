// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ZIP_H
#define KELVANE_ZIP_H

#include "kelvanezip_export.h"

#include <QtCore/QFlags>
#include <QtCore/QString>

class QIODevice;
class ZipPrivate;

// Writes ZIP archives to a file or device: folder trees are added one entry
// per file (stored or deflated, by level or by file type, optionally with the
// traditional encryption) plus one entry per folder without files; closing
// writes the central directory, sorted by name, and the end record.
// Every outcome is reported as an ErrorCode; formatError() gives its text.
class KELVANEZIP_EXPORT Zip
{
public:
    enum ErrorCode {
        Success = 0,
        ZlibInitFailed = 1,
        ZlibFailure = 2,
        TargetExists = 3,
        FileOpenFailed = 4,
        NoArchiveYet = 5,
        FileMissing = 6,
        FileReadError = 7,
        FileWriteError = 8,
        FileSeekError = 9
    };

    // Files under 60 bytes and folders are always stored.
    enum CompressionLevel {
        StoreOnly = 0,
        Level1 = 1,
        Level2 = 2,
        Level3 = 3,
        Level4 = 4,
        Level5 = 5,
        Level6 = 6,
        Level7 = 7,
        Level8 = 8,
        Level9 = 9,
        LevelDefault = 10, // deflate level 5
        ByFileType = 11,   // stored, level 2 or level 9 by the file's suffix
        ByFileTypeAlt = 12 // the same as ByFileType
    };

    enum CompressionOption {
        // Entry names hold the added folder's own name below the prefix.
        FolderRelative = 0x01,
        // Entry names also hold the absolute path of the folder's parent.
        FolderAbsolute = 0x02,
        // Only the files, from every depth, are named straight below the
        // prefix; no folder entries are written.
        ContentsOnly = 0x04
    };
    Q_DECLARE_FLAGS(CompressionOptions, CompressionOption)

    Zip();
    virtual ~Zip();

    bool isOpen() const;

    // A non-empty password encrypts every file entry written from then on;
    // it survives closing and applies to the next archive as well.
    void setPassword(const QString &pwd);
    void clearPassword();
    QString password() const;

    // Creates (or, with overwrite, truncates) the file. TargetExists when it
    // exists and overwrite is false; nothing is touched then.
    ErrorCode createArchive(const QString &filename, bool overwrite = true);
    // The writer owns a non-null device from this call on, whatever the
    // result. A device that is already open is written from its position.
    ErrorCode createArchive(QIODevice *device);

    // The comment is kept only while an archive is open.
    QString archiveComment() const;
    void setArchiveComment(const QString &comment);

    ErrorCode addDirectoryContents(const QString &path, CompressionLevel level = ByFileType);
    ErrorCode addDirectoryContents(const QString &path, const QString &root,
                                   CompressionLevel level = ByFileType);
    ErrorCode addDirectory(const QString &path, CompressionOptions options,
                           CompressionLevel level = ByFileType);
    ErrorCode addDirectory(const QString &path, const QString &root,
                           CompressionLevel level = ByFileType);
    ErrorCode addDirectory(const QString &path, const QString &root, CompressionOptions options,
                           CompressionLevel level = ByFileType);

    // Writes the central directory and the end record, then releases the
    // archive and its device whatever the result.
    ErrorCode closeArchive();

    QString formatError(Zip::ErrorCode c) const;

    // The detail of the last diagnostic given by the most recent call that
    // returns an ErrorCode, say "Error while reading /path/file"; empty when
    // that call gave none. Each such call clears it when it starts. The same
    // lines go to the logging category "kelvane.zip".
    QString lastErrorDetail() const;

private:
    Q_DISABLE_COPY(Zip)
    ZipPrivate *d;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Zip::CompressionOptions)

#endif // KELVANE_ZIP_H
