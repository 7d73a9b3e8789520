// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The commands that read an archive: list, test and extract.
#include "commands.h"
#include "console.h"
#include "nulldevice.h"

#include <kelvanezip/unzip.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>

#include <cstdio>

namespace {

// Opens the archive with the name codec and password asked for; reports a
// failure on standard error.
bool openArchive(UnZip &unzip, const ToolOptions &options)
{
    if (options.nameCodec)
        unzip.setFileNameCodec(options.nameCodec);
    if (options.hasPassword)
        unzip.setPassword(options.password);
    const UnZip::ErrorCode ec = unzip.openArchive(options.archive);
    if (ec != UnZip::Success) {
        Console::entryFailed(options.archive, unzip.formatError(ec), unzip.lastErrorDetail());
        return false;
    }
    return true;
}

// The reader's text says all about a password that does not fit.
// detail is the reader's lastErrorDetail() when the failure is its own.
void reportFailure(const UnZip &unzip, const QString &name, UnZip::ErrorCode ec, const QString &detail)
{
    if (ec == UnZip::PasswordMismatch)
        Console::error(QStringLiteral("%1: %2").arg(name, unzip.formatError(ec)));
    else
        Console::entryFailed(name, unzip.formatError(ec), detail);
}

// Names each entry the reader left out, with its reason, on standard error;
// only those among `wanted` when it is not empty. Returns their number.
int reportSkipped(const UnZip &unzip, const QStringList &wanted = QStringList())
{
    int count = 0;
    for (const UnZip::SkippedEntry &s : unzip.skippedEntries()) {
        if (!wanted.isEmpty() && !wanted.contains(s.filename))
            continue;
        const QString name = s.filename.isEmpty() ? toolText("(no name)") : s.filename;
        Console::error(toolText("%1: skipped: %2").arg(name, s.description));
        ++count;
    }
    return count;
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

void listVerbose(const UnZip &unzip)
{
    Console::out(QByteArrayLiteral(
        "    Length  Compressed  Method   CRC-32    Date        Time      Encrypted  Name"));
    Console::out(QByteArrayLiteral(
        "----------  ----------  -------  --------  ----------  --------  ---------  ----"));
    qint64 totalLength = 0;
    qint64 totalCompressed = 0;
    const QList<UnZip::ZipEntry> entries = unzip.entryList();
    for (const UnZip::ZipEntry &e : entries) {
        char columns[128];
        std::snprintf(columns, sizeof columns, "%10llu  %10llu  %-7s  %08x  %s  %-9s  ",
                      static_cast<unsigned long long>(e.uncompressedSize),
                      static_cast<unsigned long long>(e.compressedSize), methodName(e.compression), e.crc,
                      formatDateTime(e.lastModified).constData(), encryptionName(e.encryption));
        Console::out(QByteArray(columns) + Console::printable(e.filename).toUtf8());
        if (!e.comment.isEmpty())
            Console::out(toolText("%1Comment: %2").arg(QString(71, QLatin1Char(' ')), e.comment));
        totalLength += qint64(e.uncompressedSize);
        totalCompressed += qint64(e.compressedSize);
    }
    Console::out(QByteArrayLiteral("----------  ----------"));
    char totals[64];
    std::snprintf(totals, sizeof totals, "%10lld  %10lld  ", static_cast<long long>(totalLength),
                  static_cast<long long>(totalCompressed));
    Console::out(QByteArray(totals) + toolText("entries: %n", int(entries.size())).toUtf8());
    const QString comment = unzip.archiveComment();
    if (!comment.isEmpty())
        Console::out(toolText("Archive comment: %1").arg(comment));
}

// Every entry goes to a device that only computes the CRC-32 and counts
// the bytes: the reader checks the CRC of what it writes against the
// entry's record, and the device checks both once more from its side.
// Returns the number of entries that failed.
int testSerially(UnZip &unzip, const QList<UnZip::ZipEntry> &entries, Progress &progress)
{
    CrcNullDevice device(progress.isEnabled() ? &progress : nullptr);
    int failed = 0;
    for (const UnZip::ZipEntry &e : entries) {
        if (e.type == UnZip::Directory) {
            progress.entryDone();
            continue;
        }
        device.restart();
        const UnZip::ErrorCode ec = unzip.extractFile(e.filename, &device);
        if (ec != UnZip::Success) {
            reportFailure(unzip, e.filename, ec, unzip.lastErrorDetail());
            ++failed;
        } else if ((e.hasCrc && device.crc() != e.crc) || device.bytesWritten() != qint64(e.uncompressedSize)) {
            Console::error(QStringLiteral("%1: %2 (%3)").arg(
                e.filename, unzip.formatError(UnZip::CorruptedArchive),
                toolText("%1 bytes with CRC-32 %2, the directory records %3 bytes with CRC-32 %4")
                    .arg(device.bytesWritten())
                    .arg(device.crc(), 8, 16, QLatin1Char('0'))
                    .arg(e.uncompressedSize)
                    .arg(e.crc, 8, 16, QLatin1Char('0'))));
            ++failed;
        }
        progress.entryDone();
    }
    return failed;
}

// The reader tests the entries on several threads and checks each one's
// CRC-32 and sizes itself; failures are reported in the listing's order.
int testInParallel(UnZip &unzip, const QList<UnZip::ZipEntry> &entries, int threads, Progress &progress)
{
    QStringList names;
    names.reserve(entries.size());
    for (const UnZip::ZipEntry &e : entries)
        names.append(e.filename);
    unzip.setThreadCount(threads);
    int failed = 0;
    for (const UnZip::EntryResult &r : unzip.testEntries(names)) {
        if (r.result != UnZip::Success) {
            reportFailure(unzip, r.filename, r.result, r.detail);
            ++failed;
        }
    }
    if (progress.isEnabled()) {
        for (const UnZip::ZipEntry &e : entries) {
            progress.addBytes(qint64(e.uncompressedSize));
            progress.entryDone();
        }
    }
    return failed;
}

// Extracts the entries, serially or on that many threads; failures are
// reported in the list's order. Returns their number.
int extractNames(UnZip &unzip, const QStringList &names, const QDir &target, UnZip::ExtractionOptions extraction,
                 int threads, Progress &progress, const QHash<QString, qint64> &sizes, bool *writeFailed)
{
    int failed = 0;
    if (threads > 0) {
        unzip.setThreadCount(threads);
        for (const UnZip::EntryResult &r : unzip.extractEntries(names, target, extraction)) {
            if (r.result != UnZip::Success) {
                reportFailure(unzip, r.filename, r.result, r.detail);
                ++failed;
                *writeFailed = *writeFailed || r.result == UnZip::FileWriteError;
            }
        }
    }
    for (const QString &name : names) {
        if (threads == 0) {
            const bool listed = unzip.contains(name);
            const UnZip::ErrorCode ec = listed ? unzip.extractFile(name, target, extraction) : UnZip::FileMissing;
            if (ec != UnZip::Success) {
                reportFailure(unzip, name, ec, listed ? unzip.lastErrorDetail() : QString());
                ++failed;
                *writeFailed = *writeFailed || ec == UnZip::FileWriteError;
            }
        }
        if (progress.isEnabled()) {
            progress.addBytes(sizes.value(name));
            progress.entryDone();
        }
    }
    return failed;
}

} // namespace

int runList(const ToolOptions &options)
{
    UnZip unzip;
    if (!openArchive(unzip, options))
        return ExitUsage;
    if (options.verbose) {
        listVerbose(unzip);
    } else {
        const QStringList names = unzip.fileList();
        for (const QString &name : names)
            Console::out(Console::printable(name).toUtf8());
    }
    Console::flush();
    reportSkipped(unzip);
    return ExitSuccess;
}

int runTest(const ToolOptions &options)
{
    UnZip unzip;
    if (!openArchive(unzip, options))
        return ExitUsage;

    const int skipped = reportSkipped(unzip);
    const QList<UnZip::ZipEntry> entries = unzip.entryList();
    Progress progress(toolText("test"), Console::progressWanted(options.quiet));
    if (progress.isEnabled()) {
        qint64 bytes = 0;
        for (const UnZip::ZipEntry &e : entries)
            bytes += qint64(e.uncompressedSize);
        progress.setTotals(entries.size(), bytes);
    }

    const int failed = options.threads > 0 ? testInParallel(unzip, entries, options.threads, progress)
                                           : testSerially(unzip, entries, progress);
    progress.finish();

    if (!options.quiet) {
        const int count = int(entries.size());
        if (failed == 0 && skipped == 0)
            Console::out(toolText("Entries tested: %n, no errors.", count));
        else if (skipped == 0)
            Console::out(toolText("Entries tested: %n, failed: %1.", count).arg(failed));
        else
            Console::out(toolText("Entries tested: %n, failed: %1, skipped: %2.", count).arg(failed).arg(skipped));
    }
    return failed == 0 && skipped == 0 ? ExitSuccess : ExitEntryFailed;
}

int runExtract(const ToolOptions &options)
{
    UnZip unzip;
    if (!openArchive(unzip, options))
        return ExitUsage;

    // Entries without a folder part need the target folder to exist. An
    // absolute QDir also spares the reader a look-up of the current folder
    // for every entry.
    const QString targetPath = QFileInfo(options.directory).absoluteFilePath();
    if (!QDir().mkpath(targetPath)) {
        Console::error(toolText("%1: cannot create the folder").arg(options.directory));
        return ExitUsage;
    }
    const QDir target(targetPath);
    const UnZip::ExtractionOptions extraction = options.junkPaths ? UnZip::DropFolders : UnZip::KeepFolders;

    // Entries left out of the listing are named; asked for by name, they
    // are not "missing" but skipped.
    const int skipped = reportSkipped(unzip, options.operands);
    QStringList names = options.operands.isEmpty() ? unzip.fileList() : options.operands;
    if (skipped != 0 && !options.operands.isEmpty()) {
        for (const UnZip::SkippedEntry &s : unzip.skippedEntries())
            names.removeAll(s.filename);
    }
    Progress progress(toolText("extract"), Console::progressWanted(options.quiet));
    QHash<QString, qint64> sizes;
    if (progress.isEnabled()) {
        qint64 bytes = 0;
        for (const UnZip::ZipEntry &e : unzip.entryList())
            sizes.insert(e.filename, qint64(e.uncompressedSize));
        for (const QString &name : names)
            bytes += sizes.value(name);
        progress.setTotals(names.size(), bytes);
    }

    bool writeFailed = false;
    const int failed = extractNames(unzip, names, target, extraction, options.threads, progress, sizes, &writeFailed);
    progress.finish();

    if (!options.quiet) {
        const int count = int(names.size());
        if (failed == 0 && skipped == 0)
            Console::out(toolText("Entries extracted: %n, into %1.", count)
                             .arg(QDir::toNativeSeparators(options.directory)));
        else if (skipped == 0)
            Console::out(toolText("Entries: %n, failed: %1.", count).arg(failed));
        else
            Console::out(toolText("Entries: %n, failed: %1, skipped: %2.", count).arg(failed).arg(skipped));
    }
    if (writeFailed)
        return ExitWriteFailed;
    return failed == 0 && skipped == 0 ? ExitSuccess : ExitEntryFailed;
}
