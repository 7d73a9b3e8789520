// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The create command: a new archive from folder trees.
#include "commands.h"
#include "console.h"

#include <kelvanezip/zip.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

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

Zip::ErrorCode openArchive(Zip &zip, const ToolOptions &options, Progress *progress)
{
    if (!progress->isEnabled())
        return zip.createArchive(options.archive, options.overwrite);
    // The same rules as createArchive(filename, overwrite), on the observed file.
    if (QFile::exists(options.archive) && !options.overwrite)
        return Zip::TargetExists;
    auto *file = new ObservedArchiveFile(options.archive, progress);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        delete file;
        return Zip::FileOpenFailed;
    }
    return zip.createArchive(file);
}

Zip::ErrorCode addFolder(Zip &zip, const QString &folder, const ToolOptions &options)
{
    const auto level = options.level < 0 ? Zip::ByFileType : Zip::CompressionLevel(options.level);
    if (options.contentsOnly)
        return zip.addDirectoryContents(folder, options.root, level);
    const Zip::CompressionOptions naming = options.absolute ? Zip::FolderAbsolute : Zip::FolderRelative;
    return zip.addDirectory(folder, options.root, naming, level);
}

} // namespace

int runCreate(const ToolOptions &options)
{
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
    Progress progress(toolText("create"), Console::progressWanted(options.quiet));

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
    for (const QString &folder : options.operands) {
            const Zip::ErrorCode ec = addFolder(zip, folder, options);
        if (ec != Zip::Success) {
            Console::entryFailed(folder, zip.formatError(ec), zip.lastErrorDetail());
            ++failed;
        }
    }

    const Zip::ErrorCode closed = zip.closeArchive();
    progress.finish();
    if (closed != Zip::Success) {
        Console::entryFailed(options.archive, zip.formatError(closed), zip.lastErrorDetail());
        ++failed;
    }
    if (!options.quiet && failed == 0)
        Console::out(toolText("Archive written: %1.").arg(QDir::toNativeSeparators(options.archive)));
    return failed == 0 ? ExitSuccess : ExitEntryFailed;
}
