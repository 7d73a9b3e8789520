// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ZIP_H
#define KELVANE_ZIP_H

#include <kelvanezip/kelvanezip_export.h>

#include <QtCore/QFlags>
#include <QtCore/QString>

class QIODevice;
class ZipPrivate;

/// @file zip.h
/// The ZIP writer Zip.

/// Writes ZIP archives to a file or device: folder trees are added one entry
/// per file (stored or deflated, by level or by file type, optionally encrypted
/// with the traditional cipher or AES) plus one entry per folder without files,
/// and single files, bytes in memory and devices one entry each; closing
/// writes the central directory, sorted by name, and the end record.
/// Every entry is marked as made on Unix and records the Unix mode of its
/// file or folder (0644 for bytes and devices) with the MS-DOS folder and
/// read-only bits; besides the MS-DOS date and time (2-second steps, local
/// time, 1980 to 2107) it has the modification time in seconds (UTC) in an
/// extended timestamp field, or, for times before 1970 or after January 2038,
/// which readers do not all take alike from that field, in an NTFS field.
/// ZIP64 records are written exactly where a size, an offset or the entry
/// count passes the classic fields (an entry whose file may pass 4 GiB has
/// its sizes in a ZIP64 field of its local header); every other archive is
/// the classic format. Every outcome is reported as an ErrorCode; formatError() gives its text
/// and lastErrorDetail() the detail of the last diagnostic.
///
/// Threads: a Zip, together with its archive device, belongs to one thread
/// at a time. No two threads may call it at once; handing it to another
/// thread between calls is fine. Separate Zip objects may work on different
/// threads at the same time (on different archives). The parallel mode
/// (setThreadCount()) runs worker threads inside a call, all finished when
/// it returns. Devices handed to addDevice() are read on the calling thread.
class KELVANEZIP_EXPORT Zip
{
public:
    /// The result of an operation.
    enum ErrorCode {
        Success = 0,        ///< The operation succeeded.
        ZlibInitFailed = 1, ///< The compressor or the cipher could not be set up.
        ZlibFailure = 2,    ///< Compression failed.
        TargetExists = 3,   ///< The archive file exists and may not be overwritten.
        FileOpenFailed = 4, ///< A file or the device could not be opened.
        NoArchiveYet = 5,   ///< No archive is open.
        FileMissing = 6,    ///< The folder to add does not exist.
        FileReadError = 7,  ///< Reading a file failed.
        FileWriteError = 8, ///< Writing the archive failed, or it would exceed the format's limits.
        FileSeekError = 9   ///< Seeking in the archive failed.
    };

    /// How files are compressed. Files under 60 bytes and folders are always stored.
    enum CompressionLevel {
        StoreOnly = 0,     ///< Stored, not compressed.
        Level1 = 1,        ///< Deflate level 1 (fastest).
        Level2 = 2,        ///< Deflate level 2.
        Level3 = 3,        ///< Deflate level 3.
        Level4 = 4,        ///< Deflate level 4.
        Level5 = 5,        ///< Deflate level 5.
        Level6 = 6,        ///< Deflate level 6.
        Level7 = 7,        ///< Deflate level 7.
        Level8 = 8,        ///< Deflate level 8.
        Level9 = 9,        ///< Deflate level 9 (smallest).
        LevelDefault = 10, ///< Deflate level 5.
        ByFileType = 11,   ///< Stored, level 2 or level 9 by the file's suffix.
        ByFileTypeAlt = 12 ///< The same as ByFileType.
    };

    /// How the names of added entries are formed.
    enum CompressionOption {
        /// Entry names hold the added folder's own name below the prefix.
        FolderRelative = 0x01,
        /// Entry names also hold the absolute path of the folder's parent.
        FolderAbsolute = 0x02,
        /// Only the files, from every depth, are named straight below the
        /// prefix; no folder entries are written.
        ContentsOnly = 0x04,
        /// Symbolic links are stored as links: an entry whose data are the
        /// link's target as written in it, with the link's own time and the
        /// Unix mode of a link, which readers on Unix create as a link again.
        /// Without it the folder walk leaves links out and addFile() adds
        /// the file a link points to.
        StoreSymbolicLinks = 0x08
    };
    Q_DECLARE_FLAGS(CompressionOptions, CompressionOption)

    /// How entries are encrypted when a password is set.
    enum EncryptionMethod {
        /// The traditional ZIP cipher: every ZIP tool, Windows Explorer
        /// included, can open it, but known-plaintext attacks break it.
        TraditionalEncryption = 0,
        Aes128Encryption = 1, ///< WinZip AES with a 128-bit key.
        Aes192Encryption = 2, ///< WinZip AES with a 192-bit key.
        Aes256Encryption = 3  ///< WinZip AES with a 256-bit key.
    };

    /// A writer without an archive.
    Zip();
    /// Closes the archive, if any, writing its central directory.
    virtual ~Zip();

    /// Whether an archive is open.
    bool isOpen() const;

    /// A non-empty password encrypts every file entry written from then on;
    /// it survives closing and applies to the next archive as well.
    void setPassword(const QString &pwd);
    /// Entries written from now on are not encrypted.
    void clearPassword();
    /// The password set with setPassword().
    QString password() const;

    /// The cipher of the entries encrypted from then on; like the password
    /// it survives closing. TraditionalEncryption (the default) is the one
    /// every ZIP tool reads. An AES entry (method 99 with a 0x9901 extra
    /// field, the compression method inside it) holds a random salt, a
    /// password verifier, the data encrypted in counter mode and an
    /// HMAC-SHA1 authentication code; its keys come from the password's
    /// UTF-8 bytes. Entries of 20 bytes and more are written as AE-1 (the
    /// CRC-32 kept), shorter ones as AE-2 (CRC-32 0), whose CRC would give
    /// their content away. In a library built without AES
    /// (KELVANEZIP_HAS_AES 0), adding entries with an AES method and a
    /// password fails with ZlibInitFailed before anything of them is written.
    void setEncryptionMethod(EncryptionMethod method);
    /// The cipher set with setEncryptionMethod().
    EncryptionMethod encryptionMethod() const;

    /// The parallel mode: with a thread count above 0, entries are compressed
    /// on that many worker threads (a big file in blocks of its own, joined
    /// into one deflate stream) and written in the same order, with the same
    /// names, headers and directory as by the serial writer, which 0 (the
    /// default) keeps; a negative count is taken as 0. The archive does not
    /// depend on the thread count. Every call that adds entries has written
    /// them all when it returns.
    void setThreadCount(int threads);
    /// The thread count set with setThreadCount(); 0 for the serial writer.
    int threadCount() const;

    /// The compression of the entries added with addFile(), addData() and
    /// addDevice() from then on; ByFileType (the default) chooses by the
    /// suffix of the file's or the entry's name. Like the password it
    /// survives closing. The folder calls take their level as an argument.
    void setCompressionLevel(CompressionLevel level);
    /// The level set with setCompressionLevel().
    CompressionLevel compressionLevel() const;

    /// Creates (or, with overwrite, truncates) the file. TargetExists when it
    /// exists and overwrite is false; nothing is touched then. When a write
    /// to this file fails (a full disk), the incomplete archive is removed at
    /// once and every later call gives FileWriteError.
    /// A device that cannot seek (a pipe, standard output) gets a streamed
    /// archive: every file entry has the data descriptor flag, zeros in its
    /// local header's CRC-32 and sizes, and the real values in a data
    /// descriptor after its data.
    ErrorCode createArchive(const QString &filename, bool overwrite = true);
    /// Writes the archive to the device (opened for writing if it is not
    /// yet). The writer owns a non-null device from this call on, whatever
    /// the result. A device that is already open is written from its position.
    ErrorCode createArchive(QIODevice *device);

    /// Opens the existing archive to change it: its entries and its comment
    /// are kept (archiveComment() gives the comment, setArchiveComment()
    /// replaces it), entries added afterwards are written after them, and
    /// removeEntry() takes entries out; closeArchive() writes the directory
    /// anew. The kept entries are copied byte for byte, whatever their
    /// method or cipher. Everything is written to a temporary file beside
    /// the archive, which closeArchive() renames over it only when all of it
    /// was written: an interruption, a full disk or any failure leaves the
    /// archive as it was. FileMissing when there is no such file,
    /// FileOpenFailed when it cannot be read or the temporary file cannot be
    /// created, FileReadError when it is not a sound ZIP archive
    /// (lastErrorDetail() says why). An archive open before is closed first.
    ErrorCode openArchive(const QString &filename);
    /// Takes the entry out of the archive being written. An entry kept from
    /// the archive given to openArchive() leaves no trace; one added since
    /// is left out of the directory, its bytes staying unlisted in the
    /// archive. An entry added under the name of a kept one replaces it the
    /// same way. FileMissing when there is no entry of that name.
    ErrorCode removeEntry(const QString &name);

    /// The archive's comment. It is kept only while an archive is open.
    QString archiveComment() const;
    /// Sets the archive's comment, written on closing; ignored without an archive.
    void setArchiveComment(const QString &comment);

    /// Adds the files of the folder and its subfolders, named straight
    /// below the archive's root (ContentsOnly).
    ErrorCode addDirectoryContents(const QString &path, CompressionLevel level = ByFileType);
    /// The same, named below the prefix root.
    ErrorCode addDirectoryContents(const QString &path, const QString &root,
                                   CompressionLevel level = ByFileType);
    /// Adds the folder tree with names formed as the options say. Hidden
    /// files are left out, and so are links unless StoreSymbolicLinks is given.
    ErrorCode addDirectory(const QString &path, CompressionOptions options,
                           CompressionLevel level = ByFileType);
    /// Adds the folder tree under its own name below the prefix root (FolderRelative).
    ErrorCode addDirectory(const QString &path, const QString &root,
                           CompressionLevel level = ByFileType);
    /// Adds the folder tree below the prefix root, with names formed as the options say.
    ErrorCode addDirectory(const QString &path, const QString &root, CompressionOptions options,
                           CompressionLevel level = ByFileType);

    /// Adds one file (or, for a folder, one folder entry) under entryName,
    /// or under its own file name when entryName is empty. Its time is the
    /// file's; level, password, cipher and thread count are the writer's.
    /// FileMissing when the path names nothing, FileOpenFailed when the file
    /// cannot be read or is the archive itself.
    ErrorCode addFile(const QString &path, const QString &entryName = QString());
    /// The same; with StoreSymbolicLinks a link is added as a link (the
    /// other options do not apply to one file).
    ErrorCode addFile(const QString &path, const QString &entryName, CompressionOptions options);
    /// Adds the bytes as one file entry named entryName, dated now; level,
    /// password, cipher and thread count are the writer's. A name that is
    /// empty or ends with "/" is refused with FileWriteError.
    ErrorCode addData(const QString &entryName, const QByteArray &data);
    /// Adds what the device gives from its position to its end as one file
    /// entry named entryName, dated now; a sequential device (a pipe, a
    /// socket, a process) is waited for until it ends. The device must be
    /// open for reading; the caller keeps owning it, and the writer has read
    /// it to its end when the call returns. An entry whose length is not
    /// known beforehand (a sequential device) is compressed whatever its
    /// size, carries a data descriptor and has its sizes in a ZIP64 field of
    /// its local header, so that it may pass 4 GiB. FileOpenFailed for a null
    /// or unreadable device, FileReadError when a read fails; names as for
    /// addData().
    ErrorCode addDevice(const QString &entryName, QIODevice *device);

    /// Writes the central directory and the end record, flushes and closes a
    /// file device checking both, then releases the archive and its device
    /// whatever the result. FileWriteError when any write of the archive
    /// failed, with the system's reason in lastErrorDetail().
    ErrorCode closeArchive();

    /// The text of an error code, one sentence of its own for each code,
    /// translated (context "Zip"); "Unknown error." for other values.
    QString formatError(Zip::ErrorCode c) const;

    /// The detail of the last diagnostic given by the most recent call that
    /// returns an ErrorCode, say "Error while reading /path/file"; empty when
    /// that call gave none. Each such call clears it when it starts. The same
    /// lines go to the logging category "kelvane.zip".
    QString lastErrorDetail() const;

private:
    Q_DISABLE_COPY(Zip)
    ZipPrivate *d;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Zip::CompressionOptions)

#endif // KELVANE_ZIP_H
