// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// UnZip's calls that extract or test many entries, serially or on several
// threads: the parallel forms log the diagnostics of every entry in list
// order once all are done, so that their outcome reads as the serial one.
#include <kelvanezip/unzip.h>
#include "read/unzip_p.h"

#include "read/archiveview_p.h"
#include "read/parallelextractor_p.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QSet>

#include <algorithm>

namespace {

using Item = ParallelExtractor::Item;

QVector<Item> itemsFor(const QStringList &names, QMap<QString, ZipEntryP *> *entries)
{
    QVector<Item> items(names.size());
    for (int i = 0; i < names.size(); ++i) {
        const auto it = entries->find(names[i]);
        if (it == entries->end()) {
            items[i].name = names[i];
            items[i].result = UnZip::FileMissing;
        } else {
            items[i].name = it.key();
            items[i].entry = it.value();
        }
    }
    return items;
}

void replay(ZipDiagnostic &diagnostic, const Item &item)
{
    for (const ZipDiagnostic::Line &line : item.lines)
        diagnostic.replay(line);
}

// Every item's diagnostics in list order, and its result.
QList<UnZip::EntryResult> resultsOf(ZipDiagnostic &diagnostic, const QVector<Item> &items)
{
    QList<UnZip::EntryResult> results;
    results.reserve(items.size());
    for (const Item &item : items) {
        diagnostic.clear();
        replay(diagnostic, item);
        results.append({item.name, item.result, diagnostic.detail()});
    }
    return results;
}

// The folder and those above it, up to the target folder (left out).
void addWithParents(QSet<QString> *folders, const QString &target, const QString &folder)
{
    QString path = QDir::cleanPath(folder);
    const QString prefix = target + QLatin1Char('/');
    while (path.startsWith(prefix) && !folders->contains(path)) {
        folders->insert(path);
        path.truncate(path.lastIndexOf(QLatin1Char('/')));
    }
}

// The folders below the target that extracting the items may create, and of
// those the ones that exist already.
QSet<QString> existingFolders(const QVector<Item> &items, const QString &target, UnZip::ExtractionOptions options)
{
    QSet<QString> candidates;
    for (const Item &item : items) {
        if (!item.entry)
            continue;
        const QString relative = ParallelExtractor::outputRelativePath(item.name, *item.entry, options);
        const int slash = int(relative.lastIndexOf(QLatin1Char('/')));
        const QString folder = item.entry->isFolder ? relative : relative.left(qMax(0, slash));
        addWithParents(&candidates, target, target + QLatin1Char('/') + folder);
    }
    QSet<QString> existing;
    for (const QString &path : qAsConst(candidates)) {
        if (QFileInfo(path).exists())
            existing.insert(path);
    }
    return existing;
}

// The serial reader stops at the item failed: files written for items after
// it go again, and so do the folders that only those items made.
void undoItemsAfter(const QVector<Item> &items, int failed, const QString &target, const QSet<QString> &existing)
{
    QSet<QString> kept;
    QSet<QString> made;
    for (int i = 0; i < items.size(); ++i) {
        for (const QString &folder : items[i].folders)
            addWithParents(i <= failed ? &kept : &made, target, folder);
        if (i > failed && items[i].ran && items[i].result == UnZip::Success && !items[i].outputPath.isEmpty())
            QFile::remove(items[i].outputPath);
    }
    QStringList removable;
    for (const QString &path : qAsConst(made)) {
        if (!kept.contains(path) && !existing.contains(path))
            removable.append(path);
    }
    // Deepest first, so that each folder is empty when its turn comes.
    std::sort(removable.begin(), removable.end(),
              [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &path : qAsConst(removable))
        QDir().rmdir(path);
}

} // namespace

bool UnzipPrivate::extractAllInParallel(const QDir &dir, UnZip::ExtractionOptions options)
{
    QVector<Item> items = itemsFor(entries->keys(), entries);
    ParallelExtractor(*this, threadCount).extract(items, dir, options, false);
    bool cancelled = false;
    for (const Item &item : qAsConst(items)) {
        replay(diagnostic, item);
        cancelled = cancelled || item.result == UnZip::Cancelled;
        if (item.result == UnZip::CorruptedArchive) {
            diagnostic.report("Removing corrupted entry", item.name);
            delete entries->take(item.name);
        }
    }
    return cancelled;
}

UnZip::ErrorCode UnzipPrivate::extractFilesInParallel(const QStringList &names, const QDir &dir,
                                                      UnZip::ExtractionOptions options)
{
    QVector<Item> items = itemsFor(names, entries);
    const QString target = QDir::cleanPath(dir.absolutePath());
    const QSet<QString> existing = existingFolders(items, target, options);
    ParallelExtractor(*this, threadCount).extract(items, dir, options, true);
    for (int i = 0; i < items.size(); ++i) {
        diagnostic.clear();
        replay(diagnostic, items[i]);
        if (items[i].result != UnZip::Success && items[i].result != UnZip::FileMissing) {
            undoItemsAfter(items, i, target, existing);
            return items[i].result;
        }
    }
    return UnZip::Success;
}

QList<UnZip::EntryResult> UnZip::extractEntries(const QStringList &filenames, const QDir &dir,
                                                ExtractionOptions options)
{
    d->diagnostic.clear();
    const UnzipPrivate::ProgressScope progress(*d, d->totalSize(filenames));
    const UnzipPrivate::FolderStampScope folders(*d);
    if (d->extractsInParallel()) {
        QVector<Item> items = itemsFor(filenames, d->entries);
        ParallelExtractor(*d, d->threadCount).extract(items, dir, options, false);
        return resultsOf(d->diagnostic, items);
    }
    QList<EntryResult> results;
    results.reserve(filenames.size());
    for (const QString &name : filenames) {
        const ErrorCode ec = extractFile(name, dir, options);
        results.append({name, ec, d->diagnostic.detail()});
    }
    return results;
}

QList<UnZip::EntryResult> UnZip::testEntries(const QStringList &filenames)
{
    d->diagnostic.clear();
    if (!d->device || !d->entries) {
        QList<EntryResult> results;
        for (const QString &name : filenames)
            results.append({name, d->device ? FileMissing : NoArchiveYet, QString()});
        return results;
    }
    const UnzipPrivate::ProgressScope progress(*d, d->totalSize(filenames));
    QVector<Item> items = itemsFor(filenames, d->entries);
    for (Item &item : items) {
        if (item.entry && item.entry->isFolder)
            item.entry = nullptr; // passes, result Success, without being read
    }
    if (d->threadCount > 0) {
        ParallelExtractor(*d, d->threadCount).test(items);
        return resultsOf(d->diagnostic, items);
    }
    QList<EntryResult> results;
    results.reserve(items.size());
    DiscardDevice discard;
    for (Item &item : items) {
        d->diagnostic.clear();
        if (item.entry)
            item.result = ParallelExtractor::testEntry(*d, item.name, *item.entry, discard);
        results.append({item.name, item.result, d->diagnostic.detail()});
    }
    return results;
}

void UnZip::setThreadCount(int threads)
{
    d->threadCount = qMax(0, threads);
    const int helpers = d->threadCount - 1;
    if (helpers <= 0)
        d->helpers.reset();
    else if (!d->helpers || d->helpers->count() != helpers || !d->helpers->belongToThisProcess())
        d->helpers = std::make_unique<ReaderThreads>(helpers);
}

int UnZip::threadCount() const
{
    return d->threadCount;
}
