// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_UNZIP_H
#define KELVANE_UNZIP_H

#include <kelvanezip/kelvanezip_export.h>

#include <QtCore/QDateTime>
#include <QtCore/QFlags>
#include <QtCore/QIODevice>
#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>
#include <memory>

class QDir;
class QTextCodec;
class UnzipPrivate;

/// @file unzip.h
/// The ZIP reader UnZip.

/// Reads ZIP archives: opens a file or device, lists the central directory,
/// and extracts entries (stored, deflated, bzip2, LZMA, Zstandard or xz,
/// optionally encrypted with the traditional cipher or WinZip AES) to devices
/// or below a folder, checking each entry's CRC-32 (and the authentication
/// code of AES entries, before any byte of them is written).
/// Every outcome is reported as an ErrorCode; formatError() gives its text
/// and lastErrorDetail() the detail of the last diagnostic.
///
/// Entries are never written outside the target folder: names that climb
/// out of it, through ".." or through links that exist there, are refused.
///
/// Threads: an UnZip, together with its archive device and the devices of
/// openEntry(), belongs to one thread at a time. No two threads may call it
/// (or read one of its entry devices) at once; handing it to another thread
/// between calls is fine. Separate UnZip objects may work on different
/// threads at the same time, also on the same archive file. The parallel
/// mode (setThreadCount()) runs worker threads inside a call, all finished
/// with its work when it returns; they wait, idle, for the next call until
/// the count changes or the UnZip is destroyed. The static functions may be
/// called from any thread.
class KELVANEZIP_EXPORT UnZip
{
public:
    /// The result of an operation.
    enum ErrorCode {
        Success = 0,                   ///< The operation succeeded.
        ZlibInitFailed = 1,            ///< The decompressor could not be set up.
        ZlibFailure = 2,               ///< The compressed data are invalid.
        FileOpenFailed = 3,            ///< A file could not be opened or created (or an entry was refused).
        PartiallyCorruptedArchive = 4, ///< The central directory ends early; some entries can still be read.
        CorruptedArchive = 5,          ///< The archive or the entry's data are damaged (CRC-32, sizes).
        BadPassword = 6,               ///< The password is wrong.
        NoArchiveYet = 7,              ///< No archive is open.
        FileMissing = 8,               ///< The file or the entry does not exist.
        FileReadError = 9,             ///< Reading the archive failed.
        FileWriteError = 10,           ///< Writing the output failed.
        FileSeekError = 11,            ///< Seeking in the archive failed.
        DirectoryCreationFailed = 12,  ///< A folder could not be created (or a folder entry was refused).
        BadDevice = 13,                ///< The device is null or unusable.
        IncompatibleArchive = 14,      ///< The archive is not a ZIP archive this reader can read.
        InconsistentHeaders = 15,      ///< The local header disagrees with the central directory.
        PasswordMismatch = 16,         ///< The password (or its absence) does not fit the encrypted entry.
        FileExists = 17,               ///< The output file exists and KeepExisting was given: it is left as it is.
        Cancelled = 18                 ///< The progress handler stopped the extraction (see setProgressHandler()).
    };

    /// How entries are placed below the target folder.
    enum ExtractionOption {
        /// Entries keep their folder path below the target folder, and folder
        /// entries create folders (also the behaviour without DropFolders).
        KeepFolders = 0x01,
        /// Files go straight into the target folder under the last component
        /// of their name; folder entries are passed over.
        DropFolders = 0x02,
        /// An existing file (or link, or anything else of that name) is
        /// never replaced: the entry gives FileExists and the file is left
        /// as it was. The file is created only if absent, in one step, so
        /// that nothing appearing meanwhile is overwritten either. Without
        /// this option an existing file is replaced.
        KeepExisting = 0x04,
        /// The files and folders get the extraction's time and the
        /// permissions the process's umask gives, as the first releases
        /// did. Without this option each one gets the entry's modification
        /// time (that of its extended timestamp field, else its MS-DOS time)
        /// and, for an entry made on Unix that records a mode, the mode's
        /// read, write and execute bits (never set-user-ID, set-group-ID or
        /// sticky) less those of the umask. A file gets them once it is
        /// written and closed; a folder at the end of the call, after
        /// everything below it, so that a folder without write permission
        /// still receives its files.
        IgnoreAttributes = 0x08,
        /// An entry made on Unix whose mode is that of a symbolic link is
        /// created as a link holding the entry's data, when that target is
        /// relative and stays below the target folder: lexically, from the
        /// link's own folder, no ".." after a part that is a link or does
        /// not exist yet, and not through a link that leads out. Other link
        /// entries are refused with FileOpenFailed and named in
        /// lastErrorDetail(), as they are without this option (their data
        /// still go to a device with extractFile() and openEntry()).
        CreateSymbolicLinks = 0x10
    };
    Q_DECLARE_FLAGS(ExtractionOptions, ExtractionOption)

    /// The compression method of an entry's data (below any encryption).
    enum EntryCompression {
        Stored = 0,        ///< Not compressed.
        Deflated = 1,      ///< Deflate.
        UnknownMethod = 2, ///< Any other method.
        Bzip2 = 3,         ///< bzip2 (method 12).
        Lzma = 4,          ///< LZMA (method 14).
        Zstd = 5,          ///< Zstandard (method 93).
        Xz = 6             ///< xz (method 95).
    };

    /// What an entry is.
    enum EntryType {
        File = 0,     ///< A file.
        Directory = 1 ///< A folder (its name ends with "/").
    };

    /// How an entry's data is encrypted.
    enum EntryEncryption {
        NotEncrypted = 0,          ///< Not encrypted.
        TraditionalEncryption = 1, ///< The traditional ZIP cipher.
        Aes128 = 2,                ///< WinZip AES with a 128-bit key.
        Aes192 = 3,                ///< WinZip AES with a 192-bit key.
        Aes256 = 4                 ///< WinZip AES with a 256-bit key.
    };

    /// Public information about one entry, as returned by entryList().
    /// Sizes are 64-bit: ZIP64 archives hold entries past 4 GiB.
    struct ZipEntry
    {
        QString filename;                          ///< Name in the archive, folders with a trailing "/".
        QString comment;                           ///< The entry's comment.
        quint64 compressedSize = 0;                ///< Size of the stored data (encryption header included).
        quint64 uncompressedSize = 0;              ///< Size of the content.
        quint32 crc = 0;                           ///< CRC-32 of the content, as recorded.
        QDateTime lastModified;                    ///< Modification time (local time), of the extended timestamp if any, else MS-DOS; invalid if unreadable.
        EntryCompression compression = Stored;     ///< Compression method.
        EntryType type = File;                     ///< File or folder.
        bool encrypted = false;                    ///< Whether the entry is encrypted.
        EntryEncryption encryption = NotEncrypted; ///< How the entry is encrypted.
        /// False for AES entries of the AE-2 kind: they record no CRC-32
        /// (crc is 0), their authentication code covers the data instead.
        bool hasCrc = true;
    };

    /// Why the reader left an entry of the central directory out of its
    /// listing (see skippedEntries()).
    enum SkipReason {
        UnsupportedMethod = 1,     ///< A compression method the reader does not decode.
        UnsupportedVersion = 2,    ///< "Version needed to extract" above what the reader supports.
        UnsupportedEncryption = 3, ///< An encryption other than those the reader knows.
        NamelessEntry = 4          ///< The record has an empty name.
    };

    /// An entry of the central directory that the reader cannot read: it is
    /// not in fileList() or entryList(), and cannot be extracted.
    struct SkippedEntry
    {
        QString filename;                      ///< The name as a listing would show it; empty for NamelessEntry.
        SkipReason reason = UnsupportedMethod; ///< Why the entry was left out.
        quint16 method = 0;                    ///< Compression method, as stored.
        quint16 versionNeeded = 0;             ///< "Version needed to extract", as stored (low byte: version times ten).
        quint16 flags = 0;                     ///< General purpose bit flag, as stored.
        QString description;                   ///< Translated reason, such as "method 9 (Deflate64) not supported".
    };

    /// The outcome of one entry of extractEntries() or testEntries().
    struct EntryResult
    {
        QString filename;           ///< The name as it was asked for.
        ErrorCode result = Success; ///< What extracting or testing it gave.
        QString detail;             ///< Its last diagnostic, as lastErrorDetail() would give it; often empty.
    };

    /// A reader without an archive.
    UnZip();
    /// Closes the archive, if any.
    virtual ~UnZip();

    /// Whether an archive is open.
    bool isOpen() const;

    /// Opens the archive file and reads its central directory.
    ErrorCode openArchive(const QString &filename);
    /// Opens the archive on the device (opened for reading if it is not yet)
    /// and reads its central directory. The reader owns a non-null device
    /// from this call on, whatever the result: on failure (also when the
    /// device cannot be opened, or it is the device of the open archive
    /// handed in again) it is deleted before the call returns; otherwise
    /// when the archive is closed, another one is opened, or the reader is
    /// destroyed. Nobody else may read or seek it meanwhile.
    ErrorCode openArchive(QIODevice *device);
    /// Closes the archive and releases its device.
    void closeArchive();

    /// The archive's comment; empty without an archive.
    QString archiveComment() const;

    /// The text of an error code, one sentence of its own for each code
    /// (such as "Wrong or missing password." for PasswordMismatch),
    /// translated (context "UnZip"); "Unknown error." for other values.
    QString formatError(UnZip::ErrorCode c) const;

    /// The detail of the last diagnostic given by the most recent call that
    /// returns an ErrorCode, say "Entry data overlaps the next entry: a.txt";
    /// empty when that call gave none. Each such call clears it when it
    /// starts. The same lines go to the logging category "kelvane.zip".
    QString lastErrorDetail() const;

    /// Whether the archive has an entry of that name.
    bool contains(const QString &file) const;

    /// The names of the entries, sorted.
    QStringList fileList() const;
    /// The entries, sorted by name.
    QList<ZipEntry> entryList() const;

    /// The entries of the open archive's central directory that the reader
    /// left out of its listing, in directory order, each with its reason.
    /// Empty when no archive is open. Entries that the listing holds but that
    /// fail to extract are not included.
    QList<SkippedEntry> skippedEntries() const;

    /// Extracts every entry below the folder. Entries that fail are passed
    /// over, and corrupted ones are dropped from the list; the result is
    /// NoArchiveYet without an archive, Cancelled when the progress handler
    /// stopped it (see setProgressHandler()), and Success otherwise.
    ErrorCode extractAll(const QString &dirname, ExtractionOptions options = ExtractionOptions());
    /// The same, below the folder dir.
    ErrorCode extractAll(const QDir &dir, ExtractionOptions options = ExtractionOptions());

    /// Extracts one entry below the folder.
    ErrorCode extractFile(const QString &filename, const QString &dirname,
                          ExtractionOptions options = ExtractionOptions());
    /// The same, below the folder dir.
    ErrorCode extractFile(const QString &filename, const QDir &dir,
                          ExtractionOptions options = ExtractionOptions());
    /// Writes the entry's content to a device that is already open for
    /// writing; the device is not owned.
    ErrorCode extractFile(const QString &filename, QIODevice *device,
                          ExtractionOptions options = ExtractionOptions());

    /// Opens the entry as a read-only device that decrypts and decodes the
    /// entry as it is read, in buffers of its own (some hundred kilobytes at
    /// most besides what the method itself needs), whatever the entry's size.
    ///
    /// The password is checked here: a wrong one gives null and
    /// PasswordMismatch in *ec (when ec is not null), as does every other
    /// failure (FileMissing, NoArchiveYet, InconsistentHeaders, ...);
    /// *ec is Success otherwise.
    ///
    /// The device withholds the entry's last bytes until the CRC-32 and, for
    /// WinZip AES, the authentication code are found right; when either does
    /// not match, that read returns -1 and errorString() names the reason
    /// (also when the data are invalid, shorter or longer than recorded, or
    /// the archive cannot be read). Bytes handed out before the end are not
    /// yet checked: keep them until the device has reached its end without
    /// an error. size() is the recorded size. Stored entries without
    /// encryption are random access (seek() works, and the CRC-32 is checked
    /// once the bytes from the start to the end have been read); all others
    /// are sequential.
    ///
    /// Several devices may be open at once, and the reader's other calls
    /// stay usable meanwhile: each device reads the archive at its own
    /// position. A device must not outlive the UnZip nor be used after the
    /// archive is closed or another one opened: from then on its reads fail.
    /// The device and the UnZip belong to one thread at a time.
    std::unique_ptr<QIODevice> openEntry(const QString &name, ErrorCode *ec = nullptr);

    /// The content of the entry, checked as testEntries() checks it (the
    /// authentication code of AES entries before any byte is decoded). On
    /// failure the result is empty and *ec (when ec is not null) tells why;
    /// *ec is Success otherwise.
    QByteArray readEntry(const QString &name, ErrorCode *ec = nullptr);

    /// Extracts the named entries below the folder, passing over names that
    /// are not in the archive; stops at the first other failure.
    ErrorCode extractFiles(const QStringList &filenames, const QString &dirname,
                           ExtractionOptions options = ExtractionOptions());
    /// The same, below the folder dir.
    ErrorCode extractFiles(const QStringList &filenames, const QDir &dir,
                           ExtractionOptions options = ExtractionOptions());

    /// Extracts each named entry below the folder, going on past failures
    /// (unlike extractFiles()); the directory keeps every entry. Returns one
    /// result per name, in the order of the list: FileMissing for a name the
    /// archive does not hold, NoArchiveYet for every name without an archive.
    QList<EntryResult> extractEntries(const QStringList &filenames, const QDir &dir,
                                      ExtractionOptions options = ExtractionOptions());

    /// Tests each named entry: checks its local header, password,
    /// authentication code, data, sizes and CRC-32 by decoding it, writing
    /// nothing anywhere; unlike extraction, also data that match their
    /// CRC-32 but end before the recorded size fail (CorruptedArchive).
    /// Folder entries pass without being read. Returns one
    /// result per name, in the order of the list, as extractEntries() does.
    QList<EntryResult> testEntries(const QStringList &filenames);

    /// Several entries at once: with a thread count above 0, extractAll(),
    /// extractFiles(), extractEntries() and testEntries() decode entries on
    /// that many threads (the calling thread among them), the largest first,
    /// each thread with buffers of its own, all reading the one open archive.
    /// The results, the diagnostics (logged in the same order) and the
    /// entries dropped from the directory are those of the serial reader,
    /// which 0 (the default) keeps; a negative count is taken as 0. Entries
    /// whose output paths meet (the same file, or a file where another entry
    /// needs a folder) are extracted one after the other in list order.
    /// extractFiles() starts no entry listed after a failed one, and removes
    /// again the files of such entries that were already written.
    /// The threads besides the calling one are started here and kept for
    /// later calls, so that each call's work begins on every core at once;
    /// set the count before openArchive() to start them while the directory
    /// is read. A process forked after this call uses threads of its own.
    void setThreadCount(int threads);
    /// The thread count set with setThreadCount(); 0 for the serial reader.
    int threadCount() const;

    /// Reports progress and offers a way to stop. While extractAll(),
    /// extractFile(), extractFiles(), extractEntries() or testEntries() runs,
    /// the handler is called after each chunk of output (at most 256 KiB)
    /// with the bytes written so far and the total the call will write (the
    /// sum of the recorded uncompressed sizes of its entries), both counted
    /// over every thread of setThreadCount(). It is always called on the
    /// thread that made the call, never two calls at once, and must not use
    /// this reader. Entries that fail leave done below total; done never
    /// passes it.
    ///
    /// Returning false stops the call: the entry being written fails with
    /// Cancelled and its partial file is removed, as for any failed entry;
    /// entries not begun yet are not touched and give Cancelled; entries
    /// finished before stay. extractAll() and extractFiles() then return
    /// Cancelled. An empty handler (the default) removes it.
    void setProgressHandler(std::function<bool(qint64 done, qint64 total)> handler);

    /// The password for encrypted entries.
    void setPassword(const QString &pwd);

    /// Code page for names and comments that are neither flagged nor valid
    /// UTF-8 (CP866 for archives made by Windows Explorer on Russian systems,
    /// for instance). Null, the default, reads such bytes as Latin-1. Takes
    /// effect at the next openArchive(); the codec is not owned.
    void setFileNameCodec(QTextCodec *codec);
    /// The code page set with setFileNameCodec(), or null.
    QTextCodec *fileNameCodec() const;

    /// The CRC-32 that entries are checked with (start with 0), from the same
    /// back end as the inflater: for callers that check extracted data.
    static quint32 updateCrc32(quint32 crc, const char *data, qint64 size);
    /// The inflate and CRC-32 back end the library was built with: "zlib" or
    /// "isal".
    static QString inflateBackend();

private:
    Q_DISABLE_COPY(UnZip)
    UnzipPrivate *d;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(UnZip::ExtractionOptions)

#endif // KELVANE_UNZIP_H
