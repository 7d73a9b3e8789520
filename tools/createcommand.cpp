// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The create command: a new archive from folder trees.
#include "commands.h"
#include "console.h"

#include <kelvanezip/zip.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <unistd.h>

namespace {

// The archive file while a progress line is shown: it watches what the writer
// writes. The writer puts every 30-byte local header down with one write, so
// such a write that begins with the local header signature starts an entry.
class ObservedArchiveFile : public QFile
{
public:
    ObservedArchiveFile(const QString &name, Progress *observer)
        : QFile(name)
        , progress(observer)
    {
    }

protected:
    qint64 writeData(const char *data, qint64 size) override
    {
        const qint64 written = QFile::writeData(data, size);
        if (written > 0) {
            if (size == LocalHeaderSize && QByteArray::fromRawData(data, 4) == "PK\x03\x04")
                progress->entryDone();
            progress->addBytes(written);
        }
        return written;
    }

private:
    static constexpr qint64 LocalHeaderSize = 30;
    Progress *progress;
};

// Whether the archive would be written inside one of the folders to add: the
// walk would then meet the archive while it grows.
QString folderHoldingArchive(const QString &archive, const QStringList &folders)
{
    const QFileInfo info(archive);
    const QString parent = info.absoluteDir().canonicalPath();
    if (parent.isEmpty())
        return QString();
    const QString archivePath = parent + QLatin1Char('/') + info.fileName();
    for (const QString &folder : folders) {
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        if (canonical.isEmpty())
            continue;
        if (canonical == QLatin1String("/") || archivePath.startsWith(canonical + QLatin1Char('/')))
            return folder;
    }
    return QString();
}

// Whether ARCHIVE names standard output: "-", or a name for the same file.
bool archiveIsStandardOutput(const QString &archive)
{
    return archive == QLatin1String("-") || Console::isSameFileAs(archive, STDOUT_FILENO);
}

Zip::ErrorCode openArchive(Zip &zip, const ToolOptions &options, Progress *progress)
{
    if (options.archive == QLatin1String("-")) {
        auto *out = new QFile;
        if (!out->open(STDOUT_FILENO, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
            delete out;
            return Zip::FileOpenFailed;
        }
        return zip.createArchive(out);
    }
    // Only a regular file is "replaced"; a device or a pipe (/dev/stdout) is
    // written to as it is.
    const QFileInfo existing(options.archive);
    const bool overwrite = options.overwrite || (existing.exists() && !existing.isFile() && !existing.isDir());
    if (!progress->isEnabled())
        return zip.createArchive(options.archive, overwrite);
    // The same rules as createArchive(filename, overwrite), on the observed file.
    if (existing.exists() && !overwrite)
        return Zip::TargetExists;
    auto *file = new ObservedArchiveFile(options.archive, progress);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        delete file;
        return Zip::FileOpenFailed;
    }
    return zip.createArchive(file);
}

// The entry name of a file given by itself: its name (or, with --absolute,
// its absolute path) below the prefix, formed as for a folder's files.
QString fileEntryName(const QString &path, const ToolOptions &options)
{
    const QFileInfo info(path);
    QString prefix = options.root.trimmed();
    while (prefix.endsWith(QLatin1Char('/')) || prefix.endsWith(QLatin1Char('\\')))
        prefix.chop(1);
    if (!prefix.isEmpty())
        prefix += QLatin1Char('/');
    return prefix + (options.absolute ? info.absoluteFilePath() : info.fileName());
}

Zip::ErrorCode addPath(Zip &zip, const QString &path, const ToolOptions &options)
{
    const auto level = options.level < 0 ? Zip::ByFileType : Zip::CompressionLevel(options.level);
    const QFileInfo info(path);
    const Zip::CompressionOptions links = options.symlinks ? Zip::StoreSymbolicLinks : Zip::CompressionOptions();
    if ((info.exists() && !info.isDir()) || (info.isSymLink() && options.symlinks)) {
        zip.setCompressionLevel(level);
        return zip.addFile(path, fileEntryName(path, options), links);
    }
    const QString &folder = path;
    const Zip::CompressionOptions naming = options.contentsOnly ? Zip::ContentsOnly
        : options.absolute                                      ? Zip::FolderAbsolute
                                                                : Zip::FolderRelative;
    return zip.addDirectory(folder, options.root, naming | links, level);
}

// Whether the writer failed because bytes did not reach the archive (and not,
// say, because a comment was too long for the format).
bool lostBytes(const Zip &zip, Zip::ErrorCode ec)
{
    return ec == Zip::FileWriteError && zip.lastErrorDetail().startsWith(QLatin1String("Unable to write"));
}

// Adds every path, naming those that fail; true when a write of the archive
// failed, which ends the walk: the other paths would fail the same way.
bool addPaths(Zip &zip, const ToolOptions &options, int *failed)
{
    for (const QString &path : options.operands) {
        const Zip::ErrorCode ec = addPath(zip, path, options);
        if (lostBytes(zip, ec))
            return true;
        if (ec != Zip::Success) {
            Console::entryFailed(path, zip.formatError(ec), zip.lastErrorDetail());
            ++*failed;
        }
    }
    return false;
}

void removeIncompleteArchive(const QString &archive, bool toStandardOutput)
{
    if (toStandardOutput || !QFileInfo(archive).isFile())
        return;
    if (!QFile::remove(archive))
        Console::error(toolText("%1: the incomplete archive could not be removed").arg(archive));
}

} // namespace

int runCreate(const ToolOptions &options)
{
    const bool toStandardOutput = archiveIsStandardOutput(options.archive);
    if (options.archive == QLatin1String("-") && ::isatty(STDOUT_FILENO)) {
        Console::error(toolText("-: standard output is a terminal; not writing an archive to it"));
        return ExitUsage;
    }
    // The archive's stream holds nothing else.
    if (toStandardOutput)
        Console::moveOutputToStderr();
    const QString holder = folderHoldingArchive(options.archive, options.operands);
    if (!holder.isEmpty()) {
        Console::error(toolText("%1: the archive would lie inside the folder %2 and be added to itself")
                           .arg(options.archive, holder));
        return ExitUsage;
    }

    Zip zip;
    zip.setThreadCount(options.threads);
    if (options.hasPassword)
        zip.setPassword(options.password);
    if (options.aes)
        zip.setEncryptionMethod(Zip::Aes256Encryption);
    Progress progress(toolText("create"), Console::progressWanted(options.quiet) && !toStandardOutput && !Console::isSameFileAs(options.archive, STDERR_FILENO));

    const Zip::ErrorCode opened = openArchive(zip, options, &progress);
    if (opened == Zip::TargetExists) {
        Console::error(toolText("%1: the file exists; --overwrite replaces it").arg(options.archive));
        return ExitUsage;
    }
    if (opened != Zip::Success) {
        Console::entryFailed(options.archive, zip.formatError(opened), zip.lastErrorDetail());
        return ExitUsage;
    }
    if (options.hasComment)
        zip.setArchiveComment(options.comment);

    int failed = 0;
    bool writeFailed = addPaths(zip, options, &failed);

    const Zip::ErrorCode closed = zip.closeArchive();
    progress.finish();
    if (closed != Zip::Success) {
        Console::entryFailed(options.archive, zip.formatError(closed), zip.lastErrorDetail());
        ++failed;
        writeFailed = writeFailed || lostBytes(zip, closed);
    }
    if (writeFailed) {
        // The writer removes an archive file it made itself; the one the
        // progress line watches was made here.
        removeIncompleteArchive(options.archive, toStandardOutput);
        return ExitWriteFailed;
    }
    if (!options.quiet && failed == 0)
        Console::out(toolText("Archive written: %1.")
                         .arg(options.archive == QLatin1String("-") ? toolText("standard output")
                                                                    : QDir::toNativeSeparators(options.archive)));
    return failed == 0 ? ExitSuccess : ExitEntryFailed;
}
