// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_UNZIP_P_H
#define KELVANE_UNZIP_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.

#include <kelvanezip/unzip.h>
#include "read/entrydevice_p.h"
#include "read/entryextractor_p.h"
#include "read/extractionprogress_p.h"
#include "read/readerthreads_p.h"
#include "common/zipentry_p.h"
#include "common/zipformat_p.h"
#include "common/ziplog_p.h"

#include <QtCore/QMap>
#include <QtCore/QString>
#include <QtCore/QVector>

#include <memory>

class ZipExtraField;

class QDir;
class QFile;
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

    // Where the central directory starts (corrected for data in front of the
    // archive), how many records the end record announces, and the amount
    // added to every offset the archive stores.
    quint64 directoryOffset = 0;
    quint64 directoryEntryCount = 0;
    qint64 offsetCorrection = 0;
    qint64 deviceSize = 0;

    // A central record the reader cannot read, with its reason.
    struct Skipped
    {
        QString name;
        UnZip::SkipReason reason;
        quint16 method;
        quint16 versionNeeded;
        quint16 flags;
    };
    QVector<Skipped> skipped;

    QString comment;

    // Code page for names that are neither flagged nor valid UTF-8, as set by
    // the caller, and as taken for the open archive when it was opened.
    QTextCodec *fileNameCodec = nullptr;
    QTextCodec *directoryCodec = nullptr;

    // Start of every local header named by the central directory, sorted:
    // an entry's data must end before the next local header begins.
    QVector<quint64> localHeaderOffsets;

    // The last diagnostic of the call in progress or last made.
    ZipDiagnostic diagnostic;

    // Threads that extract and test entries; 0: the serial reader.
    int threadCount = 0;
    // threadCount - 1 helpers, parked between calls (this thread is one of
    // the threadCount).
    std::unique_ptr<ReaderThreads> helpers;
    // When set, every folder that createDirectory() made sure of.
    QStringList *foldersMade = nullptr;

    // What an extracted file or folder gets of its entry (entryattributes.cpp):
    // permission bits (-1: none) and modification time.
    struct Stamp
    {
        QString path;
        int permissions = -1;
        bool hasTime = false;
        qint64 time = 0;
    };
    Stamp stampFor(const QString &path, const ZipEntryP &entry) const;
    // The stamp of a file just created, without the permissions it was
    // created with (0666 less the umask): one system call fewer a file.
    Stamp withoutCreationMode(Stamp stamp) const;
    // The umask, as read when the call that extracts began.
    quint32 creationMask = 022;
    // Gives the path its stamp; a failure is logged, not an entry's failure.
    void applyStamp(const Stamp &stamp);
    void logStampFailure(const QString &path);
    // When set, folder entries' stamps wait here for the end of the call.
    QVector<Stamp> *deferredFolders = nullptr;
    // The folder stamps of one public call, applied when it ends (deepest
    // folders first); a call made inside another adds to the outer one's.
    // The umask is read when the outermost one begins.
    class FolderStampScope
    {
    public:
        explicit FolderStampScope(UnzipPrivate &reader);
        ~FolderStampScope();
        FolderStampScope(const FolderStampScope &) = delete;
        FolderStampScope &operator=(const FolderStampScope &) = delete;

    private:
        UnzipPrivate &m_reader;
        QVector<Stamp> m_stamps;
        bool m_outermost;
    };

    // The handler set with setProgressHandler(), and the progress of the
    // call in progress (null when there is no handler or no such call).
    ExtractionProgress::Handler progressHandler;
    ExtractionProgress *progress = nullptr;

    // The progress of one public call over entries of that total size, for
    // as long as it lives; a call made inside another keeps the outer one's.
    class ProgressScope
    {
    public:
        ProgressScope(UnzipPrivate &reader, qint64 total);
        ~ProgressScope();
        ProgressScope(const ProgressScope &) = delete;
        ProgressScope &operator=(const ProgressScope &) = delete;

    private:
        UnzipPrivate &m_reader;
        std::unique_ptr<ExtractionProgress> m_progress;
    };
    // The recorded uncompressed sizes of the named entries (or of all).
    qint64 totalSize(const QStringList &names) const;
    qint64 totalSize() const;
    bool stopped() const { return progress && progress->stopped(); }

    // The data path: passwords, decryption, decoding, checks.
    EntryExtractor extractor{inputBuffer, outputBuffer, &diagnostic};

    UnZip::ErrorCode openArchive(QIODevice *device);
    UnZip::ErrorCode seekToCentralDirectory();
    UnZip::ErrorCode parseCentralDirectoryRecord();
    void closeArchive();

    UnZip::ErrorCode parseLocalHeaderRecord(const QString &path, ZipEntryP &entry);

    UnZip::ErrorCode extractFile(const QString &path, ZipEntryP &entry, QIODevice *outDev);
    UnZip::ErrorCode extractFile(const QString &path, ZipEntryP &entry, const QDir &dir,
                                 UnZip::ExtractionOptions options);

    // Makes the folder and those above it; one known to exist is only noted.
    bool createDirectory(const QString &path, bool exists = false);
    // Flushes and closes an output file after its extraction, checking
    // both; removes it unless everything succeeded, else gives it the stamp
    // when there is one. Returns the outcome.
    UnZip::ErrorCode finishOutputFile(QFile &file, UnZip::ErrorCode extracted, const Stamp *stamp = nullptr);
    bool stampOpenFile(QFile &file, const Stamp &stamp);

    // The same on threadCount threads (parallelunzip.cpp).
    bool extractsInParallel() const { return threadCount > 0 && device && entries; }
    // True when the progress handler stopped it before every entry was done.
    bool extractAllInParallel(const QDir &dir, UnZip::ExtractionOptions options);
    UnZip::ErrorCode extractFilesInParallel(const QStringList &names, const QDir &dir,
                                            UnZip::ExtractionOptions options);

    // The open archive's entry of that name, or null.
    ZipEntryP *findEntry(const QString &name) const;

    // The devices of openEntry() (entrydevice.cpp), told when the archive
    // device goes away.
    EntryDeviceRegistry entryDevices;
    std::unique_ptr<QIODevice> openEntryDevice(const QString &name, UnZip::ErrorCode *ec);

private:
    void releaseDirectory();
    bool seekTo(quint64 position);
    bool readAt(quint64 position, int length);
    bool hasSignatureAt(quint64 position, quint32 signature);
    UnZip::ErrorCode findEndRecordBackwards(qint64 size, qint64 *position);
    UnZip::ErrorCode readZip64EndRecord(qint64 locatorPosition, qint64 *position);
    void locateCentralDirectory(quint64 directoryEnd, quint64 directorySize, bool placeholder);
    quint64 correctedOffset(quint64 stored) const;
    QString decodeText(const char *data, int size, bool utf8Flag) const;
    void addEntry(const QString &name, ZipEntryP *entry);
    quint64 nextLocalHeaderAfter(quint64 offset) const;
    UnZip::ErrorCode checkDataDescriptor(const QString &path, const ZipEntryP &entry, bool zip64, quint64 limit);
    UnZip::ErrorCode openEntry(const QString &path, ZipEntryP &entry);
    // The central record in inputBuffer: its entry listed as skipped.
    void skipUnreadable(const QString &name, UnZip::SkipReason reason, const ZipExtraField &extra);
    // A new entry with the fixed fields of the central record h.
    static ZipEntryP *newDirectoryEntry(const unsigned char *h, const ZipExtraField &extra);
    // Folder or file, and how its name separates folders.
    static void classifyName(ZipEntryP &entry, const QString &name, quint8 host, quint32 attributes);
    bool readFixedPart(qint64 size);
    UnZip::ErrorCode lacksZip64Value(const QString &name);
    // Whether the local header h (without a data descriptor) gives the
    // central record's CRC-32 and sizes.
    static bool localSizesAgree(const unsigned char *h, const ZipExtraField &extra, const ZipEntryP &entry);
    // The end record's comment, of commentLength bytes at the device's position.
    UnZip::ErrorCode readArchiveComment(qint64 commentLength);
    // Whether the local header h repeats the central record's fields.
    static bool localHeaderAgrees(const unsigned char *h, const ZipEntryP &entry);
    UnZip::ErrorCode replaceExistingFile(const QString &outputPath, const Stamp *stamp);
    static bool renameOver(const QString &from, const QString &to);
    UnZip::ErrorCode extractFolderEntry(const QString &path, const ZipEntryP &entry, const QString &name,
                                        const QString &target, UnZip::ExtractionOptions options);
    // Writes the file entry opened last to outputPath, replacing or keeping
    // what is there as the options say, and gives it its stamp.
    UnZip::ErrorCode writeFileEntry(const ZipEntryP &entry, const QString &outputPath, UnZip::ExtractionOptions options);
    // The link entry opened last, made at outputPath in the folder base
    // below target (linkextraction.cpp).
    UnZip::ErrorCode extractLinkEntry(const QString &path, const ZipEntryP &entry, const QString &target,
                                      const QString &base, const QString &outputPath, UnZip::ExtractionOptions options);
    // Whether a link in the folder base below target may hold linkTarget.
    static bool linkTargetStaysInside(const QString &target, const QString &base, const QString &linkTarget);
    // Where a file entry goes below target; false, reported, when it may not.
    // *baseIsFolder tells whether the folder base was found to exist already.
    bool placeFileEntry(const QString &path, const QString &name, const QString &target,
                        UnZip::ExtractionOptions options, QString *base, QString *outputPath, bool *baseIsFolder);
};

#endif // KELVANE_UNZIP_P_H
