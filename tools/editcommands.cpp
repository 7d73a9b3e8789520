// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The add and delete commands: an existing archive changed in place, through
// a temporary file that replaces it only when everything was written.
#include "editcommands.h"
#include "commandline.h"
#include "console.h"

#include <kelvanezip/unzip.h>
#include <kelvanezip/zip.h>

#include <QtCore/QCommandLineParser>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>

namespace {

const char addName[] = "add";
const char deleteName[] = "delete";

struct EditOptions
{
    QString archive;
    QStringList operands;
    bool quiet = false;
    CommandLine::Password password;
    int level = -1; // 0..9, or -1 for the choice by file type
    int threads = 0;
    bool symlinks = false; // links stored as links
};

bool parseAddOptions(const QCommandLineParser &parser, EditOptions *options)
{
    return CommandLine::takeLevel(parser, false, &options->level)
        && CommandLine::takePassword(parser, true, &options->password)
        && CommandLine::takeThreads(parser, &options->threads);
}

// False (after reporting) on a usage error.
bool parseOptions(const QString &command, const QStringList &arguments, EditOptions *options)
{
    const bool add = command == QLatin1String(addName);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("q"), QString()});
    if (add) {
        CommandLine::addLevelOptions(parser, false);
        CommandLine::addPasswordOptions(parser, true);
        CommandLine::addThreadsOption(parser);
        parser.addOption({{QStringLiteral("y"), QStringLiteral("symlinks")}, QString()});
    }
    if (!parser.parse(QStringList(QStringLiteral("kelvane-zip")) + arguments)) {
        CommandLine::usageError(parser.errorText());
        return false;
    }
    if (!CommandLine::takeArchive(parser, &options->archive, &options->operands))
        return false;
    if (options->operands.isEmpty()) {
        CommandLine::usageError(add ? toolText("no PATH given") : toolText("no NAME given"));
        return false;
    }
    options->quiet = parser.isSet(QStringLiteral("q"));
    options->symlinks = add && parser.isSet(QStringLiteral("y"));
    return !add || parseAddOptions(parser, options);
}

// Opens the archive for changing; false (after reporting) when it cannot be.
bool openForChange(Zip &zip, const QString &archive)
{
    const Zip::ErrorCode ec = zip.openArchive(archive);
    if (ec == Zip::Success)
        return true;
    if (ec == Zip::FileMissing)
        Console::error(toolText("%1: no such archive; create makes a new one").arg(archive));
    else
        Console::entryFailed(archive, zip.formatError(ec), zip.lastErrorDetail());
    return false;
}

// Writes the changed archive; the count of failures it adds (0 or 1).
int finish(Zip &zip, const EditOptions &options, const char *doneText)
{
    const Zip::ErrorCode closed = zip.closeArchive();
    if (closed != Zip::Success) {
        Console::entryFailed(options.archive, zip.formatError(closed), zip.lastErrorDetail());
        Console::error(toolText("%1 is left as it was").arg(options.archive));
        return 1;
    }
    if (!options.quiet)
        Console::out(toolText(doneText).arg(QDir::toNativeSeparators(options.archive)));
    return 0;
}

int runAdd(const EditOptions &options)
{
    Zip zip;
    zip.setThreadCount(options.threads);
    if (options.password.given)
        zip.setPassword(options.password.text);
    if (options.password.aes)
        zip.setEncryptionMethod(Zip::Aes256Encryption);
    const auto level = options.level < 0 ? Zip::ByFileType : Zip::CompressionLevel(options.level);
    zip.setCompressionLevel(level);
    if (!openForChange(zip, options.archive))
        return ExitUsage;

    // Files under their own names, folders as create adds them; an entry of
    // the same name is replaced.
    int failed = 0;
    const Zip::CompressionOptions links = options.symlinks ? Zip::StoreSymbolicLinks : Zip::CompressionOptions();
    for (const QString &path : options.operands) {
        const QFileInfo info(path);
        const bool folder = info.isDir() && !(info.isSymLink() && options.symlinks);
        const Zip::ErrorCode ec = folder ? zip.addDirectory(path, QString(), Zip::FolderRelative | links, level)
                                         : zip.addFile(path, QString(), links);
        if (ec != Zip::Success) {
            Console::entryFailed(path, zip.formatError(ec), zip.lastErrorDetail());
            ++failed;
        }
    }
    failed += finish(zip, options, "Archive updated: %1.");
    return failed == 0 ? ExitSuccess : ExitEntryFailed;
}

// The entries a NAME stands for: the entry of that name, or, for a folder,
// the folder's entry and everything below it.
QStringList entriesNamed(const QString &name, const QStringList &all)
{
    if (all.contains(name))
        return {name};
    const QString folder = name.endsWith(QLatin1Char('/')) ? name : name + QLatin1Char('/');
    QStringList below;
    for (const QString &entry : all) {
        if (entry.startsWith(folder))
            below << entry;
    }
    return below;
}

int runDelete(const EditOptions &options)
{
    QStringList all;
    {
        UnZip unzip;
        if (unzip.openArchive(options.archive) == UnZip::Success) {
            for (const UnZip::ZipEntry &entry : unzip.entryList())
                all << entry.filename;
        }
    }
    Zip zip;
    if (!openForChange(zip, options.archive))
        return ExitUsage;
    int failed = 0;
    for (const QString &name : options.operands) {
        const QStringList names = entriesNamed(name, all);
        if (names.isEmpty()) {
            Console::error(toolText("%1: no such entry").arg(name));
            ++failed;
        }
        for (const QString &entry : names)
            zip.removeEntry(entry);
    }
    failed += finish(zip, options, "Archive updated: %1.");
    return failed == 0 ? ExitSuccess : ExitEntryFailed;
}

} // namespace

bool isEditCommand(const QString &command)
{
    return command == QLatin1String(addName) || command == QLatin1String(deleteName);
}

int runEditCommand(const QString &command, const QStringList &arguments)
{
    EditOptions options;
    if (!parseOptions(command, arguments, &options))
        return ExitUsage;
    const int status = command == QLatin1String(addName) ? runAdd(options) : runDelete(options);
    Console::flush();
    return status;
}
