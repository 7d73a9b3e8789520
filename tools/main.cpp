// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// kelvane-zip: the ZIP component on the command line.
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "editcommands.h"

#include <kelvanezip/kelvanezip_version.h>
#include <kelvanezip/unzip.h>

#include <QtCore/QCommandLineParser>
#include <QtCore/QCoreApplication>
#include <QTextCodec>

#include <cstdio>

#include <malloc.h>

namespace {

const char usageText[] =
    "Usage:\n"
    "  kelvane-zip list ARCHIVE [PATTERN...] [-x PATTERN]... [-v] [-O CODEPAGE]\n"
    "                   [-t [-P PASSWORD] [-j THREADS]]\n"
    "  kelvane-zip test ARCHIVE [PATTERN...] [-x PATTERN]... [-P PASSWORD] [-j THREADS] [-q]\n"
    "  kelvane-zip extract ARCHIVE [PATTERN...] [-x PATTERN]... [-d DIR | -p] [-o | -n]\n"
    "                      [-P PASSWORD] [--junk-paths] [-y] [--no-attributes]\n"
    "                      [-O CODEPAGE] [-j THREADS] [-q]\n"
    "  kelvane-zip create ARCHIVE PATH... [-P PASSWORD [--aes]] [-0 ... -9 | --by-type]\n"
    "                     [--contents-only | --absolute] [--root PREFIX] [--comment TEXT]\n"
    "                     [-y] [-j THREADS] [--overwrite] [-q]\n"
    "  kelvane-zip add ARCHIVE PATH... [-P PASSWORD [--aes]] [-0 ... -9] [-y] [-j THREADS]\n"
    "                  [-q]\n"
    "  kelvane-zip delete ARCHIVE NAME... [-q]\n"
    "  kelvane-zip --version\n"
    "\n"
    "Commands:\n"
    "  list      print the entry names; with -v also sizes, compression ratio,\n"
    "            method, CRC-32, date and time, encryption and comments, and the\n"
    "            archive comment at the end; with -t also whether each entry\n"
    "            passes the checks of test\n"
    "  test      inflate and decrypt the entries without writing them, checking\n"
    "            CRC-32 and size\n"
    "  extract   write the entries below DIR (default: the current folder, created\n"
    "            when missing)\n"
    "  create    write a new archive with each file PATH, and the files and empty\n"
    "            folders of each folder PATH; ARCHIVE - writes it to standard output\n"
    "            (as on any pipe or device that cannot seek, a streamed archive whose\n"
    "            entries have data descriptors; messages then go to standard error)\n"
    "  add       add each file and folder PATH to an existing archive, replacing\n"
    "            entries of the same name; the archive changes only when all of\n"
    "            it was written\n"
    "  delete    remove the entries NAME (a folder: everything below it)\n"
    "\n"
    "list, test and extract work on every entry, or on those a PATTERN selects:\n"
    "an entry's name; a pattern of the whole name with * (any characters, / too),\n"
    "? (one character) and [...] (one of a set: [abc], [a-z], [!a-z]); or a\n"
    "folder, meaning everything below it. Quote patterns from the shell.\n"
    "ARCHIVE - reads the archive from standard input.\n"
    "\n"
    "Options:\n"
    "  -x PATTERN       leave out the entries PATTERN selects (repeatable)\n"
    "  -v               verbose listing\n"
    "  -t               list: test each entry as test does, and show OK or FAILED\n"
    "                   before its name (folders: OK); exit status as for test;\n"
    "                   -P and -j apply to list only with it\n"
    "  -P PASSWORD      password of encrypted entries; for create, encrypt every file\n"
    "  --aes            with -P, encrypt with AES-256 instead of the traditional ZIP\n"
    "                   cipher, which every ZIP tool reads but attacks break\n"
    "  -d DIR           folder to extract into\n"
    "  -p               write the data of the entries to standard output, one after\n"
    "                   the other, and nothing else\n"
    "  -o               replace existing files without asking\n"
    "  -n               never replace an existing file (and do not ask)\n"
    "                   Without -o and -n, extract asks on a terminal; elsewhere it\n"
    "                   keeps the file and reports the entry as failed.\n"
    "  --junk-paths     extract every file straight into DIR, without its folders\n"
    "  -y, --symlinks   create and add: store symbolic links as links, not the files\n"
    "                   they point to (without it links inside folders are left\n"
    "                   out); extract: create the links of entries made on Unix,\n"
    "                   when they point below DIR (without it they fail, named)\n"
    "  --no-attributes  extract: do not give files and folders the times and the\n"
    "                   permissions (less the umask's) that the archive records\n"
    "  -O CODEPAGE      code page of names stored without the UTF-8 flag that are not\n"
    "                   valid UTF-8 (CP866 for archives from Russian Windows, say)\n"
    "  -0 ... -9        store (0) or deflate with that level; default: by file type\n"
    "  --by-type        store pictures, sound, video and archives, deflate the rest\n"
    "  --contents-only  name the files of every depth straight below the prefix, no\n"
    "                   folder entries\n"
    "  --absolute       entry names hold the absolute path of each PATH\n"
    "  --root PREFIX    put PREFIX/ in front of every entry name\n"
    "  --comment TEXT   archive comment\n"
    "  -j THREADS       compress, test (list -t too) or extract on that many threads\n"
    "                   (default: one per core); the archive and the results are the\n"
    "                   same for any number; 0: the serial writer or reader\n"
    "  --overwrite      replace an existing ARCHIVE\n"
    "  -q               quiet: no progress line and no summary\n"
    "  -h, --help       this text\n"
    "  --version        the version and the inflate back end\n"
    "\n"
    "A progress line is shown on standard error while it is a terminal.\n"
    "Every failing entry is reported on standard error as NAME: REASON.\n"
    "\n"
    "Exit status:\n"
    "   0  success\n"
    "   1  some entry failed or was skipped (damaged data, a wrong password, a\n"
    "      method or cipher not supported, an existing file not replaced), or a\n"
    "      PATH to add failed\n"
    "   2  usage error, or the archive cannot be opened or created\n"
    "  11  a NAME or PATTERN selects no entry (and nothing else failed)\n"
    "  50  a write failed (a full disk, a closed pipe: files, the archive or\n"
    "      standard output); the reason is on standard error and no incomplete\n"
    "      file is left behind\n"
    "1, 11 and 50 mean what they mean for unzip; unzip splits 2 into 9 (archive\n"
    "not found) and 10 (usage), and gives 2, 3 or 82 for some entry failures.\n";

void printUsage(FILE *stream)
{
    std::fputs(toolText(usageText).toUtf8().constData(), stream);
}

enum class Command { List,
                     Test,
                     Extract,
                     Create };

bool commandNamed(const QString &name, Command *command)
{
    static const struct
    {
        const char *name;
        Command command;
    } commands[] = {{"list", Command::List}, {"test", Command::Test}, {"extract", Command::Extract}, {"create", Command::Create}};
    for (const auto &c : commands) {
        if (name == QLatin1String(c.name)) {
            *command = c.command;
            return true;
        }
    }
    return false;
}

bool readsArchive(Command command)
{
    return command != Command::Create;
}

// The options each command accepts; any other is a usage error.
void addOptions(QCommandLineParser &parser, Command command)
{
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QString()});
    if (command == Command::List) {
        for (const char *name : {"v", "t"})
            parser.addOption({QLatin1String(name), QString()});
    } else {
        parser.addOption({QStringLiteral("q"), QString()});
    }
    CommandLine::addPasswordOptions(parser, command == Command::Create);
    CommandLine::addThreadsOption(parser);
    if (readsArchive(command))
        parser.addOption({QStringLiteral("x"), QString(), QStringLiteral("PATTERN")});
    if (command == Command::List || command == Command::Extract)
        parser.addOption({QStringLiteral("O"), QString(), QStringLiteral("CODEPAGE")});
    if (command == Command::Extract) {
        for (const char *name : {"junk-paths", "p", "o", "n", "no-attributes"})
            parser.addOption({QLatin1String(name), QString()});
        parser.addOption({QStringLiteral("d"), QString(), QStringLiteral("DIR")});
    }
    if (command == Command::Extract || command == Command::Create)
        parser.addOption({{QStringLiteral("y"), QStringLiteral("symlinks")}, QString()});
    if (command == Command::Create) {
        CommandLine::addLevelOptions(parser, true);
        for (const char *name : {"contents-only", "absolute", "overwrite"})
            parser.addOption({QLatin1String(name), QString()});
        parser.addOption({QStringLiteral("root"), QString(), QStringLiteral("PREFIX")});
        parser.addOption({QStringLiteral("comment"), QString(), QStringLiteral("TEXT")});
    }
}

bool takeOperands(const QCommandLineParser &parser, Command command, ToolOptions *options)
{
    if (!CommandLine::takeArchive(parser, &options->archive, &options->operands))
        return false;
    if (command == Command::Create && options->operands.isEmpty()) {
        CommandLine::usageError(toolText("no PATH given"));
        return false;
    }
    return true;
}

bool takeCodePage(const QCommandLineParser &parser, ToolOptions *options)
{
    if (!parser.isSet(QStringLiteral("O")))
        return true;
    const QString name = parser.value(QStringLiteral("O"));
    options->nameCodec = QTextCodec::codecForName(name.toLatin1());
    if (options->nameCodec)
        return true;
    CommandLine::usageError(toolText("unknown code page '%1'").arg(name));
    return false;
}

bool takeExtractOptions(const QCommandLineParser &parser, ToolOptions *options)
{
    if (parser.isSet(QStringLiteral("d")))
        options->directory = parser.value(QStringLiteral("d"));
    options->junkPaths = parser.isSet(QStringLiteral("junk-paths"));
    options->symlinks = parser.isSet(QStringLiteral("y"));
    options->noAttributes = parser.isSet(QStringLiteral("no-attributes"));
    options->toStandardOutput = parser.isSet(QStringLiteral("p"));
    const bool replace = parser.isSet(QStringLiteral("o"));
    const bool keep = parser.isSet(QStringLiteral("n"));
    if (replace && keep) {
        CommandLine::usageError(toolText("give only one of -o and -n"));
        return false;
    }
    if (options->toStandardOutput && (replace || keep || parser.isSet(QStringLiteral("d")) || options->junkPaths)) {
        CommandLine::usageError(toolText("-p writes no files: it takes none of -d, -o, -n and --junk-paths"));
        return false;
    }
    options->existing = replace ? ToolOptions::Existing::Replace
        : keep                  ? ToolOptions::Existing::Keep
                                : ToolOptions::Existing::Ask;
    return true;
}

bool takeCreateOptions(const QCommandLineParser &parser, ToolOptions *options)
{
    if (!CommandLine::takeLevel(parser, true, &options->level))
        return false;
    options->contentsOnly = parser.isSet(QStringLiteral("contents-only"));
    options->absolute = parser.isSet(QStringLiteral("absolute"));
    if (options->contentsOnly && options->absolute) {
        CommandLine::usageError(toolText("give only one of --contents-only and --absolute"));
        return false;
    }
    options->root = parser.value(QStringLiteral("root"));
    options->hasComment = parser.isSet(QStringLiteral("comment"));
    options->comment = parser.value(QStringLiteral("comment"));
    options->overwrite = parser.isSet(QStringLiteral("overwrite"));
    options->symlinks = parser.isSet(QStringLiteral("y"));
    return true;
}

bool takePasswordAndThreads(const QCommandLineParser &parser, Command command, ToolOptions *options)
{
    CommandLine::Password password;
    if (!CommandLine::takePassword(parser, command == Command::Create, &password))
        return false;
    options->hasPassword = password.given;
    options->password = password.text;
    options->aes = password.aes;
    return CommandLine::takeThreads(parser, &options->threads);
}

// list: -v, and -t, which tests the entries as test does, with -P and -j;
// without -t those two do not apply and are a usage error, as -d, -o and -n
// are with extract -p.
bool takeListOptions(const QCommandLineParser &parser, ToolOptions *options)
{
    options->verbose = parser.isSet(QStringLiteral("v"));
    options->testEntries = parser.isSet(QStringLiteral("t"));
    if (!options->testEntries && (parser.isSet(QStringLiteral("P")) || parser.isSet(QStringLiteral("j")))) {
        CommandLine::usageError(toolText("list takes -P and -j only with -t"));
        return false;
    }
    return takePasswordAndThreads(parser, Command::List, options);
}

// Options of test, extract and create: quiet, password, threads.
bool takeCommonOptions(const QCommandLineParser &parser, Command command, ToolOptions *options)
{
    options->quiet = parser.isSet(QStringLiteral("q"));
    return takePasswordAndThreads(parser, command, options);
}

// Fills options from a parsed command line; returns false (after reporting)
// on a usage error.
bool takeOptions(const QCommandLineParser &parser, Command command, ToolOptions *options)
{
    if (!takeOperands(parser, command, options))
        return false;
    if (readsArchive(command))
        options->excludes = parser.values(QStringLiteral("x"));
    if ((command == Command::List || command == Command::Extract) && !takeCodePage(parser, options))
        return false;
    if (command == Command::List)
        return takeListOptions(parser, options);
    if (!takeCommonOptions(parser, command, options))
        return false;
    if (command == Command::Extract)
        return takeExtractOptions(parser, options);
    if (command == Command::Create)
        return takeCreateOptions(parser, options);
    return true;
}

int runCommand(Command command, const ToolOptions &options)
{
    switch (command) {
    case Command::List:
        return runList(options);
    case Command::Test:
        return runTest(options);
    case Command::Extract:
        return runExtract(options);
    case Command::Create:
        return runCreate(options);
    }
    return ExitUsage;
}

// Parses the arguments after the command's name and runs it.
int parseAndRun(Command command, QStringList arguments)
{
    QCommandLineParser parser;
    addOptions(parser, command);
    arguments.prepend(QStringLiteral("kelvane-zip"));
    if (!parser.parse(arguments))
        return CommandLine::usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        printUsage(stdout);
        return ExitSuccess;
    }
    ToolOptions options;
    if (!takeOptions(parser, command, &options))
        return ExitUsage;
    return runCommand(command, options);
}

void printVersion()
{
    std::printf("kelvane-zip %s\n", KELVANEZIP_VERSION_STRING);
    std::printf("%s\n", toolText("inflate back end: %1").arg(UnZip::inflateBackend()).toUtf8().constData());
}

// The first argument: a command, or --help or --version.
int dispatch(QStringList args)
{
    if (args.isEmpty()) {
        printUsage(stderr);
        return ExitUsage;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("-h") || name == QLatin1String("--help") || name == QLatin1String("help")) {
        printUsage(stdout);
        return ExitSuccess;
    }
    if (name == QLatin1String("--version")) {
        printVersion();
        return ExitSuccess;
    }
    if (isEditCommand(name))
        return runEditCommand(name, args);
    Command command;
    if (!commandNamed(name, &command))
        return CommandLine::usageError(toolText("unknown command '%1'").arg(name));
    return parseAndRun(command, args);
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
    int status = dispatch(args);
    // A listing or a summary that did not arrive is a failure as well.
    if (!Console::finishOutput())
        status = ExitWriteFailed;
    return status;
}
