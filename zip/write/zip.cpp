// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include <kelvanezip/zip.h>
#include "write/zip_p.h"
#include "write/archiveeditor_p.h"
#include "write/entrysource_p.h"
#include "write/parallelwriter_p.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDateTime>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryFile>

namespace {

// Indexed by Zip::ErrorCode: every code has its own text.
const char *const errorMessages[] = {
    QT_TRANSLATE_NOOP("Zip", "ZIP operation completed successfully."),
    QT_TRANSLATE_NOOP("Zip", "Failed to initialize or load zlib library."),
    QT_TRANSLATE_NOOP("Zip", "zlib library error."),
    QT_TRANSLATE_NOOP("Zip", "The archive already exists."),
    QT_TRANSLATE_NOOP("Zip", "Unable to create or open file."),
    QT_TRANSLATE_NOOP("Zip", "No archive has been created yet."),
    QT_TRANSLATE_NOOP("Zip", "File or directory does not exist."),
    QT_TRANSLATE_NOOP("Zip", "File read error."),
    QT_TRANSLATE_NOOP("Zip", "File write error."),
    QT_TRANSLATE_NOOP("Zip", "File seek error.")};
const char *const unknownErrorMessage = QT_TRANSLATE_NOOP("Zip", "Unknown error.");

// The caller's prefix without blanks around it and without trailing slashes
// or backslashes; "/" alone is kept as it is.
QString trimmedPrefix(const QString &root)
{
    const QLatin1Char slash('/');
    QString p = root.trimmed();
    if (p == slash)
        return p;
    while (p.endsWith(slash) || p.endsWith(QLatin1Char('\\')))
        p.chop(1);
    return p;
}

// The absolute path of the folder's parent followed by "/", or "" for a
// folder without one.
QString parentPrefix(const QString &cleanPath)
{
    QDir dir(cleanPath);
    QString a;
    if (dir.exists() && dir.cdUp())
        a = dir.absolutePath();
    if (!a.isEmpty() && a != QLatin1String("/"))
        a += QLatin1Char('/');
    return a;
}

} // namespace

// The walk of one folder, recursive; the parallel mode may still hold some
// of its entries when it returns.
static Zip::ErrorCode addTree(ZipPrivate *d, const QString &path, const QString &root,
                              Zip::CompressionOptions options, Zip::CompressionLevel level);

Zip::Zip()
    : d(new ZipPrivate)
{
}

Zip::~Zip()
{
    closeArchive();
    delete d;
}

bool Zip::isOpen() const
{
    return d->device != nullptr;
}

void Zip::setPassword(const QString &pwd)
{
    d->password = pwd;
}

void Zip::clearPassword()
{
    d->password = QString();
}

QString Zip::password() const
{
    return d->password;
}

void Zip::setEncryptionMethod(EncryptionMethod method)
{
    // A value outside the enumeration leaves the cipher as it was.
    if (method >= TraditionalEncryption && method <= Aes256Encryption)
        d->encryptionMethod = method;
}

Zip::EncryptionMethod Zip::encryptionMethod() const
{
    return d->encryptionMethod;
}

void Zip::setThreadCount(int threads)
{
    threads = qMax(threads, 0);
    if (threads == d->threadCount)
        return;
    d->threadCount = threads;
    // Every call that adds entries writes them all before it returns, so
    // nothing is pending here.
    d->parallel.reset();
}

int Zip::threadCount() const
{
    return d->threadCount;
}

void Zip::setCompressionLevel(CompressionLevel level)
{
    // A value outside the enumeration leaves the level as it was.
    if (level >= StoreOnly && level <= ByFileTypeAlt)
        d->entryLevel = level;
}

Zip::CompressionLevel Zip::compressionLevel() const
{
    return d->entryLevel;
}

Zip::ErrorCode Zip::createArchive(const QString &filename, bool overwrite)
{
    d->diagnostic.clear();
    auto *file = new QFile(filename);
    if (file->exists() && !overwrite) {
        delete file;
        return TargetExists;
    }
    if (!file->open(QIODevice::WriteOnly)) {
        d->diagnostic.report(QString::fromLatin1("Unable to create %1: %2").arg(filename, file->errorString()));
        delete file;
        return FileOpenFailed;
    }
    const ErrorCode ec = createArchive(file);
    // Only a regular file is removed when the archive cannot be completed:
    // never a device such as /dev/stdout.
    if (ec == Success && !file->isSequential() && QFileInfo(filename).isFile())
        d->createdFile = QFileInfo(filename).absoluteFilePath();
    return ec;
}

Zip::ErrorCode Zip::createArchive(QIODevice *device)
{
    d->diagnostic.clear();
    if (!device) {
        d->diagnostic.report(QString::fromLatin1("Invalid device."));
        return FileOpenFailed;
    }
    return d->createArchive(device);
}

Zip::ErrorCode Zip::openArchive(const QString &filename)
{
    d->diagnostic.clear();
    if (d->device) {
        d->closeArchive();
        d->reset();
    }
    auto editor = std::make_unique<ArchiveEditor>();
    ErrorCode ec = editor->open(filename, d->diagnostic);
    if (ec != Success)
        return ec;
    // The new archive goes into a temporary file beside the old one, hidden
    // from the folder walk.
    auto *file = ArchiveEditor::temporaryFileFor(filename);
    auto *named = qobject_cast<QTemporaryFile *>(file);
    if (!file->isOpen() && !(named && named->open())) {
        d->diagnostic.report(QString::fromLatin1("Unable to create a temporary file for %1: %2")
                                 .arg(filename, file->errorString()));
        delete file;
        return FileOpenFailed;
    }
    ec = d->createArchive(file);
    if (ec != Success)
        return ec;
    d->comment = editor->comment();
    d->editor = std::move(editor);
    return Success;
}

Zip::ErrorCode Zip::removeEntry(const QString &name)
{
    d->diagnostic.clear();
    if (!d->device)
        return NoArchiveYet;
    // Queued entries are recorded first, so that they can be removed too.
    const ErrorCode written = d->finishPending();
    if (written != Success)
        return written;
    return d->removeEntry(name) ? Success : FileMissing;
}

QString Zip::archiveComment() const
{
    return d->comment;
}

void Zip::setArchiveComment(const QString &comment)
{
    if (d->device)
        d->comment = comment;
}

Zip::ErrorCode Zip::addDirectoryContents(const QString &path, CompressionLevel level)
{
    d->diagnostic.clear();
    return addDirectory(path, QString(), ContentsOnly, level);
}

Zip::ErrorCode Zip::addDirectoryContents(const QString &path, const QString &root, CompressionLevel level)
{
    d->diagnostic.clear();
    return addDirectory(path, root, ContentsOnly, level);
}

Zip::ErrorCode Zip::addDirectory(const QString &path, CompressionOptions options, CompressionLevel level)
{
    d->diagnostic.clear();
    return addDirectory(path, QString(), options, level);
}

Zip::ErrorCode Zip::addDirectory(const QString &path, const QString &root, CompressionLevel level)
{
    d->diagnostic.clear();
    return addDirectory(path, root, FolderRelative, level);
}

Zip::ErrorCode Zip::addDirectory(const QString &path, const QString &root, CompressionOptions options,
                                 CompressionLevel level)
{
    d->diagnostic.clear();
    if (!d->device)
        return NoArchiveYet;
    const ErrorCode walked = addTree(d, path, root, options, level);
    // An entry that fails stops the walk; those before it are all written.
    const ErrorCode written = d->finishPending();
    return written != Success ? written : walked;
}

static Zip::ErrorCode addTree(ZipPrivate *d, const QString &path, const QString &root,
                              Zip::CompressionOptions options, Zip::CompressionLevel level)
{
    if (!QDir(path).exists())
        return Zip::FileMissing;

    const bool contentsOnly = options.testFlag(Zip::ContentsOnly);
    QString prefix = trimmedPrefix(root);
    const QFileInfo info(QDir::cleanPath(path));
    if (!prefix.isEmpty() && prefix != QLatin1String("/"))
        prefix += QLatin1Char('/');
    if (options.testFlag(Zip::FolderAbsolute) && !contentsOnly)
        prefix += parentPrefix(QDir::cleanPath(path));
    if (!contentsOnly)
        prefix += QDir(info.absoluteFilePath()).dirName() + QLatin1Char('/');

    // Files and folders, no hidden entries, in the folder's default order:
    // by name, ignoring case. Links only when they are stored as links (with
    // the system entries, among which dangling links are listed).
    const bool links = options.testFlag(Zip::StoreSymbolicLinks);
    const QDir::Filters filters = QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot
        | (links ? QDir::System : QDir::NoSymLinks);
    const QFileInfoList items = QDir(path).entryInfoList(filters, QDir::NoSort);

    // The absolute part, if any, is already in the prefix.
    const Zip::CompressionOptions childOptions = (contentsOnly ? Zip::ContentsOnly : Zip::FolderRelative)
        | (options & Zip::StoreSymbolicLinks);
    bool hasFiles = false;
    for (const QFileInfo &item : items) {
        Zip::ErrorCode ec;
        if (item.isSymLink()) {
            ec = d->createLinkEntry(item, prefix + item.fileName(), level);
            hasFiles = true;
        } else if (!item.isDir() && !item.isFile()) {
            continue; // a device, a socket, a pipe
        } else if (item.isDir()) {
            ec = addTree(d, item.absoluteFilePath(), prefix, childOptions, level);
        } else {
            ec = d->createEntry(item, prefix, level);
            hasFiles = true;
        }
        if (ec != Zip::Success)
            return ec;
    }

    // Folders that hold files are implied by their entries' names.
    if (!hasFiles && !contentsOnly)
        return d->createEntry(info, prefix, level);
    return Zip::Success;
}

Zip::ErrorCode Zip::addFile(const QString &path, const QString &entryName)
{
    return addFile(path, entryName, CompressionOptions());
}

Zip::ErrorCode Zip::addFile(const QString &path, const QString &entryName, CompressionOptions options)
{
    d->diagnostic.clear();
    if (!d->device)
        return NoArchiveYet;
    const QFileInfo info(path);
    if (!path.isEmpty() && info.isSymLink() && options.testFlag(StoreSymbolicLinks)) {
        const ErrorCode added = d->createLinkEntry(info, entryName.isEmpty() ? info.fileName() : entryName,
                                                   d->entryLevel);
        const ErrorCode written = d->finishPending();
        return written != Success ? written : added;
    }
    if (path.isEmpty() || !info.exists())
        return FileMissing;
    if (!info.isDir() && d->isArchiveItself(info)) {
        d->diagnostic.report(QString::fromLatin1("The archive cannot be added to itself: %1").arg(info.absoluteFilePath()));
        return FileOpenFailed;
    }
    QString name = entryName.isEmpty() ? info.fileName() : entryName;
    if (info.isDir() && !name.endsWith(QLatin1Char('/')))
        name += QLatin1Char('/');
    const ErrorCode added = d->createFileEntry(info, name, d->entryLevel);
    const ErrorCode written = d->finishPending();
    return written != Success ? written : added;
}

// A file entry needs a name, and one that does not make it a folder.
static bool isFileEntryName(const QString &name)
{
    return !name.isEmpty() && !name.endsWith(QLatin1Char('/'));
}

static Zip::ErrorCode addSource(ZipPrivate *d, const QString &entryName, std::unique_ptr<EntrySource> source)
{
    if (!isFileEntryName(entryName)) {
        d->diagnostic.report(QString::fromLatin1("Invalid entry name: \"%1\"").arg(entryName));
        return Zip::FileWriteError;
    }
    ZipPrivate::EntryInput input;
    input.name = entryName;
    input.modified = QDateTime::currentDateTime();
    input.suffix = QFileInfo(entryName).completeSuffix().toLower();
    input.description = entryName;
    input.source = std::move(source);
    const Zip::ErrorCode added = d->writeEntry(input, d->entryLevel);
    const Zip::ErrorCode written = d->finishPending();
    return written != Zip::Success ? written : added;
}

Zip::ErrorCode Zip::addData(const QString &entryName, const QByteArray &data)
{
    d->diagnostic.clear();
    if (!d->device)
        return NoArchiveYet;
    return addSource(d, entryName, EntrySource::fromData(data));
}

Zip::ErrorCode Zip::addDevice(const QString &entryName, QIODevice *device)
{
    d->diagnostic.clear();
    if (!d->device)
        return NoArchiveYet;
    if (!device || !device->isOpen() || !device->isReadable()) {
        d->diagnostic.report(QString::fromLatin1("An error occurred while opening %1").arg(entryName));
        return FileOpenFailed;
    }
    return addSource(d, entryName, EntrySource::fromDevice(device));
}

Zip::ErrorCode Zip::closeArchive()
{
    d->diagnostic.clear();
    if (!d->device)
        return Success;
    const ErrorCode ec = d->finishDevice(d->closeArchive());
    d->reset();
    return ec;
}

QString Zip::lastErrorDetail() const
{
    return d->diagnostic.detail();
}

QString Zip::formatError(Zip::ErrorCode c) const
{
    const int index = int(c);
    const char *text = index >= 0 && index < int(sizeof errorMessages / sizeof *errorMessages)
        ? errorMessages[index]
        : nullptr;
    return QCoreApplication::translate("Zip", text ? text : unknownErrorMessage);
}
