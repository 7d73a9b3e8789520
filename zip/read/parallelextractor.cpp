// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "read/parallelextractor_p.h"

#include "read/archiveview_p.h"
#include "common/zipaes_p.h"
#include "read/extractionpath_p.h"
#include "read/filesystem_p.h"
#include "read/unzip_p.h"

#include <QtCore/QDir>
#include <QtCore/QHash>

#include <algorithm>
#include <atomic>
#include <climits>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// The same file or folder gives the same key, however it is spelled; case
// is folded for file systems that ignore it (grouping more never hurts).
QString pathKey(const QString &relative)
{
    QString key = QDir::cleanPath(relative).toCaseFolded();
    while (key.startsWith(QLatin1Char('/')))
        key.remove(0, 1);
    return key;
}

// What a key names: whether an entry writes it as a file, and the task of
// the entries that write it.
struct KeyUse
{
    bool file = false;
    int task = -1;
};
using KeyUses = QHash<QString, KeyUse>;

bool namesFile(const KeyUses &uses, const QString &key)
{
    const auto it = uses.constFind(key);
    return it != uses.constEnd() && it->file;
}

// True when some key names a folder (or a folder above it) that another
// entry writes as a file: the order of the two decides which one fails.
bool pathsCross(const QVector<QString> &keys, const QVector<bool> &isFile, const KeyUses &uses)
{
    // Keys of one folder follow each other in a sorted list: their folders
    // above are looked up once.
    QStringView checkedParent;
    for (int i = 0; i < keys.size(); ++i) {
        const QString &key = keys[i];
        if (!isFile[i] && namesFile(uses, key))
            return true;
        const QStringView parent = QStringView(key).left(qMax(0, int(key.lastIndexOf(QLatin1Char('/')))));
        if (!parent.isEmpty() && parent == checkedParent)
            continue;
        checkedParent = parent;
        for (int slash = int(key.indexOf(QLatin1Char('/'))); slash > 0;
             slash = int(key.indexOf(QLatin1Char('/'), slash + 1))) {
            if (namesFile(uses, key.left(slash)))
                return true;
        }
    }
    return false;
}

quint64 weightOf(const ZipEntryP &entry)
{
    return entry.uncompressedSize + entry.compressedSize + 1;
}

// A reader context for one thread: the open archive's directory facts and
// password, its own buffers, decoders and view of the archive; diagnostics
// are kept for the caller instead of being logged.
std::unique_ptr<UnzipPrivate> workerReader(const UnzipPrivate &source, std::mutex *lock, int fd)
{
    auto worker = std::make_unique<UnzipPrivate>();
    worker->password = source.password;
    worker->directoryOffset = source.directoryOffset;
    worker->directoryEntryCount = source.directoryEntryCount;
    worker->offsetCorrection = source.offsetCorrection;
    worker->deviceSize = source.deviceSize;
    worker->fileNameCodec = source.fileNameCodec;
    worker->directoryCodec = source.directoryCodec;
    worker->localHeaderOffsets = source.localHeaderOffsets;
    worker->device = new ArchiveView(source.device, lock, source.deviceSize, fd);
    worker->progress = source.progress;
    worker->creationMask = source.creationMask;
    worker->diagnostic.setDeferred(true);
    return worker;
}

void lowerTo(std::atomic<int> &value, int candidate)
{
    int current = value.load();
    while (candidate < current && !value.compare_exchange_weak(current, candidate)) {
    }
}

} // namespace

QString ParallelExtractor::outputRelativePath(const QString &key, const ZipEntryP &entry, UnZip::ExtractionOptions options)
{
    const QString name = entry.backslashSeparators ? QString(key).replace(QLatin1Char('\\'), QLatin1Char('/'))
                                                   : key;
    const bool dropFolders = options.testFlag(UnZip::DropFolders);
    if (ExtractionPath::hasControlCharacter(key))
        return QString(); // refused by its name alone
    if (entry.isFolder)
        return dropFolders ? QString() : QDir::cleanPath(name);
    const int slash = int(name.lastIndexOf(QLatin1Char('/')));
    if (ExtractionPath::isSpecialComponent(name.mid(slash + 1)))
        return QString();
    if (slash <= 0 || dropFolders)
        return slash > 0 ? name.mid(slash + 1) : name;
    return QDir::cleanPath(name.left(slash)) + QLatin1Char('/') + name.mid(slash + 1);
}

UnZip::ErrorCode ParallelExtractor::testEntry(UnzipPrivate &reader, const QString &name, ZipEntryP &entry,
                                              DiscardDevice &device)
{
    device.restart();
    const UnZip::ErrorCode ec = reader.extractFile(name, entry, &device);
    if (ec != UnZip::Success)
        return ec;
    const bool hasCrc = !(entry.isAesEncrypted() && entry.aesVersion == ZipAes::VersionAe2);
    if (device.bytes() == entry.uncompressedSize && (!hasCrc || device.crc() == entry.crc))
        return UnZip::Success;
    reader.diagnostic.report(QString::fromLatin1("%1 bytes with CRC-32 %2, the directory records %3 bytes with CRC-32 %4")
                                 .arg(device.bytes())
                                 .arg(device.crc(), 8, 16, QLatin1Char('0'))
                                 .arg(entry.uncompressedSize)
                                 .arg(entry.crc, 8, 16, QLatin1Char('0')));
    return UnZip::CorruptedArchive;
}

ParallelExtractor::ParallelExtractor(UnzipPrivate &reader, int threads)
    : m_reader(reader)
    , m_threads(qMax(1, threads))
{
}

void ParallelExtractor::extract(QVector<Item> &items, const QDir &dir, UnZip::ExtractionOptions options,
                                bool stopAtFailure)
{
    const QString target = dir.absolutePath();
    // Only a run that stops at a failure removes files again.
    run(items, extractionTasks(items, stopAtFailure ? target : QString(), options), Mode::Extract, &dir, options,
        stopAtFailure);
    // The folders' stamps wait for the end of the caller's call, as in the
    // serial reader; under stopAtFailure only those the serial reader made.
    if (!m_reader.deferredFolders)
        return;
    for (const Item &item : qAsConst(items)) {
        if (item.ran && item.result == UnZip::Success)
            *m_reader.deferredFolders += item.stamps;
        else if (stopAtFailure && item.ran)
            break;
    }
}

void ParallelExtractor::test(QVector<Item> &items)
{
    run(items, testTasks(items), Mode::Test, nullptr, UnZip::ExtractionOptions(), false);
}

QVector<ParallelExtractor::Task> ParallelExtractor::extractionTasks(QVector<Item> &items, const QString &target,
                                                                    UnZip::ExtractionOptions options) const
{
    QVector<QString> keys(items.size());
    QVector<bool> isFile(items.size(), false);
    KeyUses uses;
    uses.reserve(items.size());
    for (int i = 0; i < items.size(); ++i) {
        Item &item = items[i];
        if (!item.entry)
            continue;
        const QString relative = outputRelativePath(item.name, *item.entry, options);
        keys[i] = pathKey(relative);
        isFile[i] = !item.entry->isFolder;
        if (isFile[i] && !relative.isEmpty() && !target.isEmpty())
            item.outputPath = target + QLatin1Char('/') + relative;
        if (!keys[i].isEmpty())
            uses[keys[i]].file |= isFile[i];
    }
    const bool oneGroup = pathsCross(keys, isFile, uses);

    QVector<Task> tasks;
    for (int i = 0; i < items.size(); ++i) {
        if (!items[i].entry)
            continue;
        KeyUse *use = oneGroup || keys[i].isEmpty() ? nullptr : &uses[keys[i]];
        int t = -1;
        if (oneGroup)
            t = tasks.isEmpty() ? -1 : 0;
        else if (use)
            t = use->task;
        if (t < 0) {
            t = int(tasks.size());
            tasks.append(Task());
            if (use)
                use->task = t;
        }
        tasks[t].items.append(i);
        tasks[t].weight += weightOf(*items[i].entry);
    }
    return tasks;
}

QVector<ParallelExtractor::Task> ParallelExtractor::testTasks(const QVector<Item> &items) const
{
    // The same entry asked for twice is tested twice, one after the other:
    // its record is updated by its first test.
    QVector<Task> tasks;
    QHash<const ZipEntryP *, int> taskOfEntry;
    for (int i = 0; i < items.size(); ++i) {
        if (!items[i].entry)
            continue;
        int t = taskOfEntry.value(items[i].entry, -1);
        if (t < 0) {
            t = int(tasks.size());
            tasks.append(Task());
            taskOfEntry.insert(items[i].entry, t);
        }
        tasks[t].items.append(i);
        tasks[t].weight += weightOf(*items[i].entry);
    }
    return tasks;
}

void ParallelExtractor::handOutOrder(const QVector<Item> &items, QVector<Task> &tasks) const
{
    // A task of more than an eighth of one thread's share goes first, largest
    // first, so that it cannot end the run alone; the others follow in the
    // archive's order, so that the reads go forward through the file
    // (handed out by size, the reads of 20,000 small entries went back and
    // forth through the file and took three times as long).
    quint64 total = 0;
    for (const Task &task : qAsConst(tasks))
        total += task.weight;
    const quint64 large = total / quint64(8 * m_threads);
    auto offsetOf = [&items](const Task &task) { return items[task.items.first()].entry->localHeaderOffset; };
    std::stable_sort(tasks.begin(), tasks.end(), [&](const Task &a, const Task &b) {
        const bool aLarge = a.weight > large;
        const bool bLarge = b.weight > large;
        if (aLarge != bLarge)
            return aLarge;
        return aLarge ? a.weight > b.weight : offsetOf(a) < offsetOf(b);
    });
}

void ParallelExtractor::run(QVector<Item> &items, QVector<Task> tasks, Mode mode, const QDir *dir,
                            UnZip::ExtractionOptions options, bool stopAtFailure)
{
    handOutOrder(items, tasks);
    const QString target = dir ? dir->absolutePath() : QString();
    std::mutex archiveLock;
    const int fd = FileSystem::descriptorForReadAt(m_reader.device);
    std::atomic<int> nextTask{0};
    std::atomic<int> firstFailure{INT_MAX};

    auto work = [&]() {
        // The context is made once there is something to do: helpers of the
        // pool may find nothing left.
        std::unique_ptr<UnzipPrivate> reader;
        DiscardDevice discard;
        const QDir folder(target); // a QDir of its own: QDir caches lazily
        for (int t = nextTask++; t < tasks.size(); t = nextTask++) {
            if (!reader)
                reader = workerReader(m_reader, &archiveLock, fd);
            for (const int index : qAsConst(tasks[t].items)) {
                if (stopAtFailure && index > firstFailure.load())
                    continue;
                Item &item = items[index];
                reader->diagnostic.clear();
                reader->foldersMade = &item.folders;
                reader->deferredFolders = &item.stamps;
                item.result = mode == Mode::Extract ? reader->extractFile(item.name, *item.entry, folder, options)
                                                    : testEntry(*reader, item.name, *item.entry, discard);
                reader->foldersMade = nullptr;
                reader->deferredFolders = nullptr;
                item.lines = reader->diagnostic.takeLines();
                item.ran = true;
                if (stopAtFailure && item.result != UnZip::Success)
                    lowerTo(firstFailure, index);
            }
        }
    };

    ExtractionProgress *progress = m_reader.progress;
    auto helperWork = [&work, progress] {
        work();
        if (progress)
            progress->workerDone();
    };
    const int helpers = int(qMin<qsizetype>(m_threads, tasks.size())) - 1;
    // The reader's parked helpers when it has as many as this run needs
    // (they came along unless the process was forked since), else threads
    // of the run's own.
    ReaderThreads *pool = m_reader.helpers.get();
    const bool usePool = helpers > 0 && pool && pool->count() == m_threads - 1 && pool->belongToThisProcess();
    std::vector<std::thread> threads;
    int workers = 0;
    if (usePool) {
        pool->start(helperWork);
        workers = pool->count();
    } else if (helpers > 0) {
        threads.reserve(size_t(helpers));
        for (int i = 0; i < helpers; ++i)
            threads.emplace_back(helperWork);
        workers = helpers;
    }
    work();
    // The handler is called on this thread only: it goes on reporting what
    // the others write until they are done.
    if (progress)
        progress->reportWhileWaiting(workers, std::chrono::milliseconds(50));
    if (usePool)
        pool->wait();
    for (std::thread &thread : threads)
        thread.join();
}
