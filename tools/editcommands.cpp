// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The add and delete commands: an existing archive changed in place, through
// a temporary file that replaces it only when everything was written.
#include "editcommands.h"
#include "console.h"

#include <kelvanezip/unzip.h>
#include <kelvanezip/zip.h>

#include <QtCore/QCommandLineParser>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QThread>

namespace {

const char addName[] = "add";
const char deleteName[] = "delete";
constexpr int MaxThreads = 256;

struct EditOptions
{
    QString archive;
    QStringList operands;
    bool quiet = false;
    bool hasPassword = false;
    QString password;
    bool aes = false;
    int level = -1; // 0..9, or -1 for the choice by file type
    int threads = 0;
};

int usageError(const QString &message)
{
    Console::error(message);
    Console::error(toolText("Try 'kelvane-zip --help'."));
    return ExitUsage;
}

bool parseAddOptions(const QCommandLineParser &parser, EditOptions *options)
{
    int levels = 0;
    for (char level = '0'; level <= '9'; ++level) {
        if (parser.isSet(QString(QLatin1Char(level)))) {
            options->level = level - '0';
            ++levels;
        }
    }
    if (levels > 1) {
        usageError(toolText("give only one of -0 ... -9"));
        return false;
    }
    options->hasPassword = parser.isSet(QStringLiteral("P"));
    options->password = parser.value(QStringLiteral("P"));
    options->aes = parser.isSet(QStringLiteral("aes"));
    if (options->aes && !options->hasPassword) {
        usageError(toolText("--aes needs -P PASSWORD"));
        return false;
    }
    options->threads = QThread::idealThreadCount();
    if (parser.isSet(QStringLiteral("j"))) {
        bool ok = false;
        options->threads = parser.value(QStringLiteral("j")).toInt(&ok);
        if (!ok || options->threads < 0 || options->threads > MaxThreads) {
            usageError(toolText("-j takes a number of threads from 0 to %1").arg(MaxThreads));
            return false;
        }
    }
    return true;
}

// False (after reporting) on a usage error.
bool parseOptions(const QString &command, const QStringList &arguments, EditOptions *options)
{
    const bool add = command == QLatin1String(addName);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("q"), QString()});
    if (add) {
        for (char level = '0'; level <= '9'; ++level)
            parser.addOption({QString(QLatin1Char(level)), QString()});
        parser.addOption({QStringLiteral("P"), QString(), QStringLiteral("PASSWORD")});
        parser.addOption({QStringLiteral("aes"), QString()});
        parser.addOption({QStringLiteral("j"), QString(), QStringLiteral("THREADS")});
    }
    if (!parser.parse(QStringList(QStringLiteral("kelvane-zip")) + arguments)) {
        usageError(parser.errorText());
        return false;
    }
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        usageError(toolText("no ARCHIVE given"));
        return false;
    }
    options->archive = positional.takeFirst();
    options->operands = positional;
    if (options->operands.isEmpty()) {
        usageError(add ? toolText("no PATH given") : toolText("no NAME given"));
        return false;
    }
    options->quiet = parser.isSet(QStringLiteral("q"));
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
    if (options.hasPassword)
        zip.setPassword(options.password);
    if (options.aes)
        zip.setEncryptionMethod(Zip::Aes256Encryption);
    const auto level = options.level < 0 ? Zip::ByFileType : Zip::CompressionLevel(options.level);
    zip.setCompressionLevel(level);
    if (!openForChange(zip, options.archive))
        return ExitUsage;

    // Files under their own names, folders as create adds them; an entry of
    // the same name is replaced.
    int failed = 0;
    for (const QString &path : options.operands) {
        const QFileInfo info(path);
        const Zip::ErrorCode ec = info.isDir() ? zip.addDirectory(path, QString(), Zip::FolderRelative, level)
                                               : zip.addFile(path);
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
