// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The commands that read an archive: list, test and extract.
#include "archiveinput.h"
#include "commands.h"
#include "console.h"
#include "entryselection.h"
#include "existingfiles.h"
#include "nulldevice.h"

#include <kelvanezip/unzip.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>

#include <cmath>
#include <cstdio>

#include <unistd.h>

namespace {

// Opens the archive with the name codec and password asked for; reports a
// failure on standard error. Returns the exit status.
int openArchive(UnZip &unzip, const ToolOptions &options)
{
    if (options.nameCodec)
        unzip.setFileNameCodec(options.nameCodec);
    if (options.hasPassword)
        unzip.setPassword(options.password);
    return openArchiveInput(unzip, options.archive);
}

// detail is the reader's lastErrorDetail() when the failure is its own.
void reportFailure(const UnZip &unzip, const QString &name, UnZip::ErrorCode ec, const QString &detail)
{
    Console::entryFailed(name, unzip.formatError(ec), detail);
}

// What testing gave for each entry, in the order of the entries: the
// reader's result and the detail of a failure.
using TestResults = QList<UnZip::EntryResult>;

// The entries the command line selects, those of them the reader left out
// (with their reasons), and the patterns that select nothing.
struct Selected
{
    QStringList names;
    QList<UnZip::SkippedEntry> skipped;
    QStringList unmatched;
};

Selected selectEntries(const UnZip &unzip, const ToolOptions &options)
{
    const EntrySelection selection(options.operands, options.excludes);
    Selected selected;
    const QStringList listed = unzip.fileList();
    selected.names = selection.select(listed);
    QStringList all = listed;
    for (const UnZip::SkippedEntry &s : unzip.skippedEntries()) {
        all.append(s.filename);
        if (selection.selects(s.filename))
            selected.skipped.append(s);
    }
    selected.unmatched = selection.unmatched(all);
    return selected;
}

// Names the skipped entries and the patterns that select nothing on
// standard error.
void reportSelection(const Selected &selected)
{
    for (const UnZip::SkippedEntry &s : selected.skipped) {
        const QString name = s.filename.isEmpty() ? toolText("(no name)") : s.filename;
        Console::error(toolText("%1: skipped: %2").arg(name, s.description));
    }
    for (const QString &pattern : selected.unmatched)
        Console::error(toolText("%1: no entry matches").arg(pattern));
}

// Failures come first, then the patterns that select nothing.
int exitStatus(int failed, const Selected &selected, bool writeFailed = false)
{
    if (writeFailed)
        return ExitWriteFailed;
    if (failed != 0 || !selected.skipped.isEmpty())
        return ExitEntryFailed;
    return selected.unmatched.isEmpty() ? ExitSuccess : ExitNoMatch;
}

QList<UnZip::ZipEntry> selectedEntries(const UnZip &unzip, const QStringList &names)
{
    QList<UnZip::ZipEntry> entries;
    int next = 0;
    // Both lists are sorted by name.
    for (const UnZip::ZipEntry &e : unzip.entryList()) {
        if (next < names.size() && e.filename == names.at(next)) {
            entries.append(e);
            ++next;
        }
    }
    return entries;
}

const char *methodName(UnZip::EntryCompression compression)
{
    switch (compression) {
    case UnZip::Stored:
        return "Stored";
    case UnZip::Deflated:
        return "Deflate";
    case UnZip::Bzip2:
        return "BZip2";
    case UnZip::Lzma:
        return "LZMA";
    case UnZip::Zstd:
        return "Zstd";
    case UnZip::Xz:
        return "XZ";
    default:
        return "Unknown";
    }
}

const char *encryptionName(UnZip::EntryEncryption encryption)
{
    switch (encryption) {
    case UnZip::NotEncrypted:
        return "no";
    case UnZip::TraditionalEncryption:
        return "yes";
    case UnZip::Aes128:
        return "AES-128";
    case UnZip::Aes192:
        return "AES-192";
    case UnZip::Aes256:
        return "AES-256";
    }
    return "yes";
}

QByteArray formatDateTime(const QDateTime &dateTime)
{
    char text[32];
    if (!dateTime.isValid())
        return QByteArrayLiteral("----------  --:--:--");
    const QDate d = dateTime.date();
    const QTime t = dateTime.time();
    std::snprintf(text, sizeof text, "%04d-%02d-%02d  %02d:%02d:%02d",
                  d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
    return QByteArray(text);
}

// The share of the length that compression saved, in whole percent, as
// unzip -v shows it: rounded to tenths first, then to a whole percent (98.497
// gives 98.5, then 99); negative when the data grew, 0 for an empty entry.
int savedPercent(qint64 length, qint64 compressed)
{
    if (length <= 0)
        return 0;
    const long permille = std::lround(1000.0 * double(length - compressed) / double(length));
    return int((permille + (permille >= 0 ? 5 : -5)) / 10);
}

// The column of list -t before the names: OK or FAILED, as wide as the
// longer word (or the heading) and two spaces.
class TestColumn
{
public:
    explicit TestColumn(const QString &heading = QString())
        : passed(toolText("OK"))
        , failed(toolText("FAILED"))
        , width(int(qMax(heading.size(), qMax(passed.size(), failed.size()))))
    {
    }

    QByteArray cell(const UnZip::EntryResult &r) const { return pad(r.result == UnZip::Success ? passed : failed); }
    QByteArray pad(const QString &text) const { return text.leftJustified(width).toUtf8() + "  "; }
    int cellWidth() const { return width + 2; }

private:
    QString passed;
    QString failed;
    int width;
};

// The names, each after its test result when there are results (one per
// name, in the same order).
void listNames(const QStringList &names, const TestResults *results)
{
    if (!results) {
        for (const QString &name : names)
            Console::out(Console::printable(name).toUtf8());
        return;
    }
    const TestColumn column;
    for (const UnZip::EntryResult &r : *results)
        Console::out(column.cell(r) + Console::printable(r.filename).toUtf8());
}

QByteArray verboseColumns(const UnZip::ZipEntry &e)
{
    char columns[160];
    std::snprintf(columns, sizeof columns, "%10llu  %10llu  %4d%%  %-7s  %08x  %s  %-9s  ",
                  static_cast<unsigned long long>(e.uncompressedSize),
                  static_cast<unsigned long long>(e.compressedSize),
                  savedPercent(qint64(e.uncompressedSize), qint64(e.compressedSize)), methodName(e.compression),
                  e.crc, formatDateTime(e.lastModified).constData(), encryptionName(e.encryption));
    return QByteArray(columns);
}

// The listing of -v; with results (one per entry, in the same order) a
// column Test before the names.
void listVerbose(const UnZip &unzip, const QList<UnZip::ZipEntry> &entries, const TestResults *results)
{
    // Headings stay untranslated, as the others of the listing.
    const QString testHeading = QStringLiteral("Test");
    const TestColumn column(testHeading);
    const QByteArray heading = results ? column.pad(testHeading) : QByteArray();
    const QByteArray rule = results ? column.pad(QString(column.cellWidth() - 2, QLatin1Char('-'))) : QByteArray();
    Console::out(QByteArrayLiteral(
                     "    Length  Compressed  Ratio  Method   CRC-32    Date        Time      Encrypted  ")
                 + heading + "Name");
    Console::out(QByteArrayLiteral(
                     "----------  ----------  -----  -------  --------  ----------  --------  ---------  ")
                 + rule + "----");
    // Comments start a little before the names, wherever those are.
    const int commentIndent = 78 + (results ? column.cellWidth() : 0);
    qint64 totalLength = 0;
    qint64 totalCompressed = 0;
    for (int i = 0; i < entries.size(); ++i) {
        const UnZip::ZipEntry &e = entries.at(i);
        const QByteArray result = results ? column.cell(results->at(i)) : QByteArray();
        Console::out(verboseColumns(e) + result + Console::printable(e.filename).toUtf8());
        if (!e.comment.isEmpty())
            Console::out(toolText("%1Comment: %2").arg(QString(commentIndent, QLatin1Char(' ')), e.comment));
        totalLength += qint64(e.uncompressedSize);
        totalCompressed += qint64(e.compressedSize);
    }
    Console::out(QByteArrayLiteral("----------  ----------  -----"));
    char totals[80];
    std::snprintf(totals, sizeof totals, "%10lld  %10lld  %4d%%  ", static_cast<long long>(totalLength),
                  static_cast<long long>(totalCompressed), savedPercent(totalLength, totalCompressed));
    Console::out(QByteArray(totals) + toolText("entries: %n", int(entries.size())).toUtf8());
    const QString comment = unzip.archiveComment();
    if (!comment.isEmpty())
        Console::out(toolText("Archive comment: %1").arg(comment));
}

// The entry goes to a device that only computes the CRC-32 and counts the
// bytes: the reader checks the CRC of what it writes against the entry's
// record, and the device checks both once more from its side.
UnZip::EntryResult testOneSerially(UnZip &unzip, const UnZip::ZipEntry &e, CrcNullDevice &device)
{
    device.restart();
    const UnZip::ErrorCode ec = unzip.extractFile(e.filename, &device);
    if (ec != UnZip::Success)
        return {e.filename, ec, unzip.lastErrorDetail()};
    if ((e.hasCrc && device.crc() != e.crc) || device.bytesWritten() != qint64(e.uncompressedSize)) {
        return {e.filename, UnZip::CorruptedArchive,
                toolText("%1 bytes with CRC-32 %2, the directory records %3 bytes with CRC-32 %4")
                    .arg(device.bytesWritten())
                    .arg(device.crc(), 8, 16, QLatin1Char('0'))
                    .arg(e.uncompressedSize)
                    .arg(e.crc, 8, 16, QLatin1Char('0'))};
    }
    return {e.filename, UnZip::Success, QString()};
}

// One entry after the other; folders pass without being read.
TestResults testSerially(UnZip &unzip, const QList<UnZip::ZipEntry> &entries, Progress &progress)
{
    CrcNullDevice device(progress.isEnabled() ? &progress : nullptr);
    TestResults results;
    results.reserve(entries.size());
    for (const UnZip::ZipEntry &e : entries) {
        if (e.type == UnZip::Directory)
            results.append({e.filename, UnZip::Success, QString()});
        else
            results.append(testOneSerially(unzip, e, device));
        progress.entryDone();
    }
    return results;
}

// The reader tests the entries on several threads and checks each one's
// CRC-32 and sizes itself; its results come in the order of the entries.
TestResults testInParallel(UnZip &unzip, const QList<UnZip::ZipEntry> &entries, int threads, Progress &progress)
{
    QStringList names;
    names.reserve(entries.size());
    for (const UnZip::ZipEntry &e : entries)
        names.append(e.filename);
    unzip.setThreadCount(threads);
    const TestResults results = unzip.testEntries(names);
    if (progress.isEnabled()) {
        for (const UnZip::ZipEntry &e : entries) {
            progress.addBytes(qint64(e.uncompressedSize));
            progress.entryDone();
        }
    }
    return results;
}

// test and list -t: the entries on that many threads, or through the
// serial reader with 0.
TestResults testSelected(UnZip &unzip, const QList<UnZip::ZipEntry> &entries, int threads, Progress &progress)
{
    if (progress.isEnabled()) {
        qint64 bytes = 0;
        for (const UnZip::ZipEntry &e : entries)
            bytes += qint64(e.uncompressedSize);
        progress.setTotals(entries.size(), bytes);
    }
    return threads > 0 ? testInParallel(unzip, entries, threads, progress) : testSerially(unzip, entries, progress);
}

// Names every entry that failed on standard error, in the results' order.
// Returns how many failed.
int reportFailures(const UnZip &unzip, const TestResults &results)
{
    int failed = 0;
    for (const UnZip::EntryResult &r : results) {
        if (r.result != UnZip::Success) {
            reportFailure(unzip, r.filename, r.result, r.detail);
            ++failed;
        }
    }
    return failed;
}

// What extracting gave: failures, files kept as asked for, and whether a
// write failed.
struct Tally
{
    int failed = 0;
    int kept = 0;
    bool writeFailed = false;

    void fail(const UnZip &unzip, const QString &name, UnZip::ErrorCode ec, const QString &detail)
    {
        reportFailure(unzip, name, ec, detail);
        ++failed;
        writeFailed = writeFailed || ec == UnZip::FileWriteError;
    }
};

// Extracts the entries, serially or on that many threads; failures are
// reported in the list's order. The entries whose file exists are passed
// over and returned, in order.
QStringList extractNames(UnZip &unzip, const QStringList &names, const QDir &target,
                         UnZip::ExtractionOptions extraction, int threads, Progress &progress,
                         const QHash<QString, qint64> &sizes, Tally *tally)
{
    QStringList existing;
    auto take = [&](const QString &name, UnZip::ErrorCode ec, const QString &detail) {
        if (ec == UnZip::FileExists)
            existing.append(name);
        else if (ec != UnZip::Success)
            tally->fail(unzip, name, ec, detail);
    };
    // One call for all, also for the serial reader: folders get their
    // permissions and times once everything below them is written.
    unzip.setThreadCount(threads);
    for (const UnZip::EntryResult &r : unzip.extractEntries(names, target, extraction))
        take(r.filename, r.result, r.detail);
    for (const QString &name : names) {
        if (progress.isEnabled()) {
            progress.addBytes(sizes.value(name));
            progress.entryDone();
        }
    }
    return existing;
}

// Where the entry's file is, as the user named it.
QString shownPath(const QString &name, const ToolOptions &options)
{
    const QString relative = options.junkPaths ? name.mid(name.lastIndexOf(QLatin1Char('/')) + 1) : name;
    if (options.directory == QLatin1String("."))
        return relative;
    return QDir::toNativeSeparators(QDir(options.directory).filePath(relative));
}

// The entries whose file exists: replaced, kept or refused, as -o, -n or
// the user decide.
void resolveExisting(UnZip &unzip, const QStringList &existing, const QDir &target,
                     UnZip::ExtractionOptions extraction, const ToolOptions &options, Tally *tally)
{
    ExistingFiles files(options.existing);
    bool refused = false;
    for (const QString &name : existing) {
        const QString path = shownPath(name, options);
        switch (files.decide(path)) {
        case ExistingFiles::Replace: {
            const UnZip::ErrorCode ec = unzip.extractFile(name, target, extraction);
            if (ec != UnZip::Success)
                tally->fail(unzip, name, ec, unzip.lastErrorDetail());
            break;
        }
        case ExistingFiles::Keep:
            ++tally->kept;
            break;
        case ExistingFiles::Refuse:
            tally->fail(unzip, name, UnZip::FileExists, path);
            refused = true;
            break;
        }
    }
    if (refused)
        Console::error(toolText("-o replaces existing files, -n keeps them without a word"));
}

// -p: the entries' data, one after the other, on standard output. Returns
// the exit status.
int writeToStandardOutput(UnZip &unzip, const Selected &selected)
{
    Console::flush();
    QFile out;
    if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        Console::error(toolText("standard output: %1").arg(out.errorString()));
        return ExitWriteFailed;
    }
    Tally tally;
    for (const QString &name : selected.names) {
        if (name.endsWith(QLatin1Char('/')))
            continue;
        const UnZip::ErrorCode ec = unzip.extractFile(name, &out);
        if (ec != UnZip::Success)
            tally.fail(unzip, name, ec, unzip.lastErrorDetail());
        if (tally.writeFailed)
            break;
    }
    return exitStatus(tally.failed, selected, tally.writeFailed);
}

void printExtractSummary(const ToolOptions &options, const Selected &selected, const Tally &tally)
{
    const int count = int(selected.names.size());
    const int skipped = int(selected.skipped.size());
    if (tally.failed == 0 && skipped == 0 && tally.kept == 0)
        Console::out(toolText("Entries extracted: %n, into %1.", count)
                         .arg(QDir::toNativeSeparators(options.directory)));
    else if (tally.failed == 0 && skipped == 0)
        Console::out(toolText("Entries extracted: %n, into %1; existing files kept: %2.", count - tally.kept)
                         .arg(QDir::toNativeSeparators(options.directory))
                         .arg(tally.kept));
    else if (skipped == 0)
        Console::out(toolText("Entries: %n, failed: %1.", count).arg(tally.failed));
    else
        Console::out(toolText("Entries: %n, failed: %1, skipped: %2.", count).arg(tally.failed).arg(skipped));
}

void startProgress(Progress &progress, const UnZip &unzip, const QStringList &names, QHash<QString, qint64> *sizes)
{
    if (!progress.isEnabled())
        return;
    qint64 bytes = 0;
    for (const UnZip::ZipEntry &e : unzip.entryList())
        sizes->insert(e.filename, qint64(e.uncompressedSize));
    for (const QString &name : names)
        bytes += sizes->value(name);
    progress.setTotals(names.size(), bytes);
}

} // namespace

int runList(const ToolOptions &options)
{
    UnZip unzip;
    // The reader's threads start while the archive's directory is read.
    if (options.testEntries)
        unzip.setThreadCount(options.threads);
    const int opened = openArchive(unzip, options);
    if (opened != ExitSuccess)
        return opened;
    const Selected selected = selectEntries(unzip, options);
    const bool needEntries = options.verbose || options.testEntries;
    const QList<UnZip::ZipEntry> entries = needEntries ? selectedEntries(unzip, selected.names) : QList<UnZip::ZipEntry>();
    TestResults results;
    if (options.testEntries) {
        // The listing follows once every entry is tested; the progress line
        // is gone by then.
        Progress progress(toolText("test"), Console::progressWanted(false));
        results = testSelected(unzip, entries, options.threads, progress);
        progress.clear();
    }
    const TestResults *tested = options.testEntries ? &results : nullptr;
    if (options.verbose)
        listVerbose(unzip, entries, tested);
    else
        listNames(selected.names, tested);
    Console::flush();
    const int failed = reportFailures(unzip, results);
    reportSelection(selected);
    if (options.testEntries)
        return exitStatus(failed, selected);
    // Entries left out of the listing are named, but listing them failed not.
    return selected.unmatched.isEmpty() ? ExitSuccess : ExitNoMatch;
}

int runTest(const ToolOptions &options)
{
    UnZip unzip;
    unzip.setThreadCount(options.threads);
    const int opened = openArchive(unzip, options);
    if (opened != ExitSuccess)
        return opened;

    const Selected selected = selectEntries(unzip, options);
    reportSelection(selected);
    const QList<UnZip::ZipEntry> entries = selectedEntries(unzip, selected.names);
    Progress progress(toolText("test"), Console::progressWanted(options.quiet));
    const int failed = reportFailures(unzip, testSelected(unzip, entries, options.threads, progress));
    progress.finish();

    if (!options.quiet) {
        const int count = int(entries.size());
        const int skipped = int(selected.skipped.size());
        if (failed == 0 && skipped == 0)
            Console::out(toolText("Entries tested: %n, no errors.", count));
        else if (skipped == 0)
            Console::out(toolText("Entries tested: %n, failed: %1.", count).arg(failed));
        else
            Console::out(toolText("Entries tested: %n, failed: %1, skipped: %2.", count).arg(failed).arg(skipped));
    }
    return exitStatus(failed, selected);
}

int runExtract(const ToolOptions &options)
{
    UnZip unzip;
    if (!options.toStandardOutput)
        unzip.setThreadCount(options.threads);
    const int opened = openArchive(unzip, options);
    if (opened != ExitSuccess)
        return opened;
    const Selected selected = selectEntries(unzip, options);
    reportSelection(selected);
    if (options.toStandardOutput)
        return writeToStandardOutput(unzip, selected);

    // Entries without a folder part need the target folder to exist. An
    // absolute QDir also spares the reader a look-up of the current folder
    // for every entry.
    const QString targetPath = QFileInfo(options.directory).absoluteFilePath();
    if (!QDir().mkpath(targetPath)) {
        Console::error(toolText("%1: cannot create the folder").arg(options.directory));
        return ExitUsage;
    }
    const QDir target(targetPath);
    UnZip::ExtractionOptions extraction = options.junkPaths ? UnZip::DropFolders : UnZip::KeepFolders;
    if (options.symlinks)
        extraction |= UnZip::CreateSymbolicLinks;
    if (options.noAttributes)
        extraction |= UnZip::IgnoreAttributes;
    Progress progress(toolText("extract"), Console::progressWanted(options.quiet));
    QHash<QString, qint64> sizes;
    startProgress(progress, unzip, selected.names, &sizes);

    Tally tally;
    const QStringList existing = extractNames(unzip, selected.names, target, ExistingFiles(options.existing).readerOptions(extraction),
                                              options.threads, progress, sizes, &tally);
    progress.finish();
    resolveExisting(unzip, existing, target, extraction, options, &tally);

    if (!options.quiet)
        printExtractSummary(options, selected, tally);
    return exitStatus(tally.failed, selected, tally.writeFailed);
}
