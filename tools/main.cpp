// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// kelvane-zip: the ZIP component on the command line.
#include "commands.h"
#include "console.h"
#include "editcommands.h"

#include <QtCore/QCommandLineParser>
#include <QtCore/QCoreApplication>
#include <QTextCodec>
#include <QtCore/QThread>

#include <cstdio>

#include <malloc.h>

namespace {

const char usageText[] =
    "Usage:\n"
    "  kelvane-zip list ARCHIVE [-v] [-O CODEPAGE]\n"
    "  kelvane-zip test ARCHIVE [-P PASSWORD] [-j THREADS] [-q]\n"
    "  kelvane-zip extract ARCHIVE [-d DIR] [-P PASSWORD] [--junk-paths] [-O CODEPAGE] [-j THREADS] [-q]\n"
    "                      [ENTRY...]\n"
    "  kelvane-zip create ARCHIVE PATH... [-P PASSWORD [--aes]] [-0 ... -9 | --by-type]\n"
    "                     [--contents-only | --absolute] [--root PREFIX] [--comment TEXT]\n"
    "                     [-j THREADS] [--overwrite] [-q]\n"
    "  kelvane-zip add ARCHIVE PATH... [-P PASSWORD [--aes]] [-0 ... -9] [-j THREADS] [-q]\n"
    "  kelvane-zip delete ARCHIVE NAME... [-q]\n"
    "\n"
    "Commands:\n"
    "  list      print the entry names; with -v also sizes, method, CRC-32, date and\n"
    "            time, encryption and comments, and the archive comment at the end\n"
    "  test      inflate and decrypt every entry without writing it, checking CRC-32\n"
    "            and size\n"
    "  extract   write every entry, or the ENTRY names given, below DIR (default: the\n"
    "            current folder, created when missing)\n"
    "  create    write a new archive with each file PATH, and the files and empty\n"
    "            folders of each folder PATH; ARCHIVE - writes it to standard output\n"
    "            (as on any pipe or device that cannot seek, a streamed archive whose\n"
    "            entries have data descriptors; messages then go to standard error)\n"
    "  add       add each file and folder PATH to an existing archive, replacing\n"
    "            entries of the same name; the archive changes only when all of\n"
    "            it was written\n"
    "  delete    remove the entries NAME (a folder: everything below it)\n"
    "\n"
    "Options:\n"
    "  -v               verbose listing\n"
    "  -P PASSWORD      password of encrypted entries; for create, encrypt every file\n"
    "  --aes            with -P, encrypt with AES-256 instead of the traditional ZIP\n"
    "                   cipher, which every ZIP tool reads but attacks break\n"
    "  -d DIR           folder to extract into\n"
    "  --junk-paths     extract every file straight into DIR, without its folders\n"
    "  -O CODEPAGE      code page of names stored without the UTF-8 flag that are not\n"
    "                   valid UTF-8 (CP866 for archives from Russian Windows, say)\n"
    "  -0 ... -9        store (0) or deflate with that level; default: by file type\n"
    "  --by-type        store pictures, sound, video and archives, deflate the rest\n"
    "  --contents-only  name the files of every depth straight below the prefix, no\n"
    "                   folder entries\n"
    "  --absolute       entry names hold the absolute path of each PATH\n"
    "  --root PREFIX    put PREFIX/ in front of every entry name\n"
    "  --comment TEXT   archive comment\n"
    "  -j THREADS       compress, test or extract on that many threads (default: one\n"
    "                   per core); the archive and the results are the same for any\n"
    "                   number; 0: the serial writer or reader\n"
    "  --overwrite      replace an existing ARCHIVE\n"
    "  -q               quiet: no progress line and no summary\n"
    "  -h, --help       this text\n"
    "\n"
    "A progress line is shown on standard error while it is a terminal.\n"
    "Every failing entry is reported on standard error as NAME: REASON.\n"
    "Exit status: 0 success, 1 some entry failed, 2 usage error or the archive\n"
    "cannot be opened or created, 50 a write failed (a full disk, a closed pipe:\n"
    "files, the archive or standard output); the reason is on standard error and\n"
    "no incomplete file is left behind.\n";

void printUsage(FILE *stream)
{
    std::fputs(toolText(usageText).toUtf8().constData(), stream);
}

int usageError(const QString &message)
{
    Console::error(message);
    Console::error(toolText("Try 'kelvane-zip --help'."));
    return ExitUsage;
}

enum class Command { List, Test, Extract, Create };

// More threads than this only add memory.
constexpr int MaxThreads = 256;

// The options each command accepts; any other is a usage error.
void addOptions(QCommandLineParser &parser, Command command)
{
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QString()});
    if (command != Command::List)
        parser.addOption({QStringLiteral("q"), QString()});
    if (command == Command::List)
        parser.addOption({QStringLiteral("v"), QString()});
    if (command != Command::List)
        parser.addOption({QStringLiteral("P"), QString(), QStringLiteral("PASSWORD")});
    if (command == Command::List || command == Command::Extract)
        parser.addOption({QStringLiteral("O"), QString(), QStringLiteral("CODEPAGE")});
    if (command == Command::Extract) {
        parser.addOption({QStringLiteral("d"), QString(), QStringLiteral("DIR")});
        parser.addOption({QStringLiteral("junk-paths"), QString()});
    }
    if (command == Command::Create) {
        for (char level = '0'; level <= '9'; ++level)
            parser.addOption({QString(QLatin1Char(level)), QString()});
        parser.addOption({QStringLiteral("by-type"), QString()});
        parser.addOption({QStringLiteral("contents-only"), QString()});
        parser.addOption({QStringLiteral("absolute"), QString()});
        parser.addOption({QStringLiteral("root"), QString(), QStringLiteral("PREFIX")});
        parser.addOption({QStringLiteral("comment"), QString(), QStringLiteral("TEXT")});
        parser.addOption({QStringLiteral("overwrite"), QString()});
        parser.addOption({QStringLiteral("aes"), QString()});
    }
    if (command != Command::List)
        parser.addOption({QStringLiteral("j"), QString(), QStringLiteral("THREADS")});
}

// Fills options from a parsed command line; returns false (after reporting)
// on a usage error.
bool takeOptions(const QCommandLineParser &parser, Command command, ToolOptions *options)
{
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        usageError(toolText("no ARCHIVE given"));
        return false;
    }
    options->archive = positional.takeFirst();
    options->operands = positional;
    if (command == Command::List || command == Command::Test) {
        if (!positional.isEmpty()) {
            usageError(toolText("unexpected argument '%1'").arg(positional.first()));
            return false;
        }
    }
    if (command == Command::Create && positional.isEmpty()) {
        usageError(toolText("no PATH given"));
        return false;
    }

    auto isSet = [&parser](const char *name) { return parser.isSet(QLatin1String(name)); };
    auto value = [&parser](const char *name) { return parser.value(QLatin1String(name)); };

    options->quiet = command != Command::List && isSet("q");
    options->verbose = command == Command::List && isSet("v");
    if (command != Command::List && isSet("P")) {
        options->hasPassword = true;
        options->password = value("P");
    }
    if ((command == Command::List || command == Command::Extract) && isSet("O")) {
        options->nameCodec = QTextCodec::codecForName(value("O").toLatin1());
        if (!options->nameCodec) {
            usageError(toolText("unknown code page '%1'").arg(value("O")));
            return false;
        }
    }
    if (command == Command::Extract) {
        if (isSet("d"))
            options->directory = value("d");
        options->junkPaths = isSet("junk-paths");
    }
    if (command == Command::Create) {
        int choices = isSet("by-type") ? 1 : 0;
        for (char level = '0'; level <= '9'; ++level) {
            if (parser.isSet(QString(QLatin1Char(level)))) {
                options->level = level - '0';
                ++choices;
            }
        }
        if (choices > 1) {
            usageError(toolText("give only one of -0 ... -9 and --by-type"));
            return false;
        }
        options->contentsOnly = isSet("contents-only");
        options->absolute = isSet("absolute");
        if (options->contentsOnly && options->absolute) {
            usageError(toolText("give only one of --contents-only and --absolute"));
            return false;
        }
        options->root = value("root");
        options->hasComment = isSet("comment");
        options->comment = value("comment");
        options->overwrite = isSet("overwrite");
        options->aes = isSet("aes");
        if (options->aes && !options->hasPassword) {
            usageError(toolText("--aes needs -P PASSWORD"));
            return false;
        }
    }
    if (command != Command::List) {
        options->threads = QThread::idealThreadCount();
        if (isSet("j")) {
            bool ok = false;
            options->threads = value("j").toInt(&ok);
            if (!ok || options->threads < 0 || options->threads > MaxThreads) {
                usageError(toolText("-j takes a number of threads from 0 to %1").arg(MaxThreads));
                return false;
            }
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    // While TZ is unset, glibc looks at /etc/localtime again for every local
    // time conversion (two per entry in a verbose listing); naming the same
    // file in TZ lets it keep the zone it has read.
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");

    // Each entry sets up and ends its own deflate or inflate stream, a few
    // hundred kilobytes at level 9. With glibc's default trim threshold the
    // freed memory went back to the system after every entry and had to be
    // faulted in again for the next one: four brk calls and some sixty page
    // faults per file. Keeping freed memory in the process avoids that.
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);

    QCoreApplication app(argc, argv);
    Console::setUp();

    QStringList args = app.arguments();
    args.removeFirst();
    if (args.isEmpty()) {
        printUsage(stderr);
        return ExitUsage;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("-h") || name == QLatin1String("--help") || name == QLatin1String("help")) {
        printUsage(stdout);
        return ExitSuccess;
    }

    if (isEditCommand(name))
        return runEditCommand(name, args);

    Command command;
    if (name == QLatin1String("list"))
        command = Command::List;
    else if (name == QLatin1String("test"))
        command = Command::Test;
    else if (name == QLatin1String("extract"))
        command = Command::Extract;
    else if (name == QLatin1String("create"))
        command = Command::Create;
    else
        return usageError(toolText("unknown command '%1'").arg(name));

    QCommandLineParser parser;
    addOptions(parser, command);
    args.prepend(QStringLiteral("kelvane-zip"));
    if (!parser.parse(args))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        printUsage(stdout);
        return ExitSuccess;
    }

    ToolOptions options;
    if (!takeOptions(parser, command, &options))
        return ExitUsage;

    int status = ExitUsage;
    switch (command) {
    case Command::List:
        status = runList(options);
        break;
    case Command::Test:
        status = runTest(options);
        break;
    case Command::Extract:
        status = runExtract(options);
        break;
    case Command::Create:
        status = runCreate(options);
        break;
    }
    // A listing or a summary that did not arrive is a failure as well.
    if (!Console::finishOutput())
        status = ExitWriteFailed;
    return status;
}
