// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "write/parallelwriter_p.h"

#include "common/zipcrc_p.h"
#include "write/zip_p.h"

#include <cstring>
#include <limits>

using namespace ZipFormat;

namespace {

// Buffers beyond two per thread: the block being read, the one read before
// it (kept until it is known whether it was the last), and one being
// written.
constexpr int ExtraSlots = 3;

// Entries without data (folders) take no buffer; past this many queued
// steps the oldest are written first.
constexpr size_t MaxQueuedItems = 4096;

// The serial writer's diagnostics: a message about a file, or zlib's failure.
const char ZlibFailureMessage[] = "Could not initialize zlib for compression";

void report(ZipDiagnostic &diagnostic, const char *format, const QString &path)
{
    if (strstr(format, "%1"))
        diagnostic.report(QString::fromLatin1(format).arg(path));
    else
        diagnostic.report(format);
}

} // namespace

struct ParallelWriter::Entry
{
    explicit Entry(EntrySpec s)
        : spec(std::move(s))
    {
    }

    EntrySpec spec;
    // The outcome of the latest block done by a worker: (index << 1) | 1 if
    // it shrank; -1 before the first. Workers use it to guess how to code
    // the next block; the writer checks every guess.
    std::atomic<qint64> hint{-1};
    qint64 bound = 0;       // the most the entry adds to the archive
    qint64 bytesQueued = 0; // read so far, for the size limit
    bool hasData = false;   // a file entry, not a folder

    // Output side, on the calling thread only.
    bool headerWritten = false;
    bool headerNeedsSizes = false;
    bool nextSearch = true;
    EntryEncryptor encryptor;
    quint32 crc = 0;
    qint64 bytesRead = 0;
    qint64 bytesWritten = 0;
    qint64 writeLimit = 0;
};

class ParallelWriter::BlockJob : public CompressionPool::Job
{
public:
    Entry *entry = nullptr;
    Slot *slot = nullptr;
    qint64 index = 0;
    BlockDeflater::Input input;
    unsigned char *output = nullptr;

    quint32 crc = 0;
    BlockDeflater::Mode mode = BlockDeflater::Search;
    BlockDeflater::Output result;
    bool failed = false;

    void run(BlockDeflater &deflater) override
    {
        crc = ZipCrc::update(0, input.data, input.length);
        if (entry->spec.level == 0)
            return;
        mode = guessMode();
        failed = !deflater.deflate(input, entry->spec.level, entry->spec.strategy, mode, output, &result);
        if (!failed)
            publishOutcome();
    }

    // The data as it goes into the archive (before encryption).
    unsigned char *data() const { return entry->spec.level == 0 ? const_cast<unsigned char *>(input.data) : output; }
    int length() const { return entry->spec.level == 0 ? input.length : result.length; }

private:
    BlockDeflater::Mode guessMode() const
    {
        const qint64 known = entry->hint.load(std::memory_order_relaxed);
        if (index > 0 && known >= 0 && (known >> 1) < index && (known & 1) == 0)
            return BlockDeflater::Plain;
        return BlockDeflater::Search;
    }

    void publishOutcome()
    {
        const qint64 mine = (index << 1) | (result.shrank ? 1 : 0);
        qint64 known = entry->hint.load(std::memory_order_relaxed);
        while ((known < 0 || (known >> 1) < index)
               && !entry->hint.compare_exchange_weak(known, mine, std::memory_order_relaxed)) {
        }
    }
};

struct ParallelWriter::Slot
{
    explicit Slot(int blockSize)
        : input(new unsigned char[size_t(BlockDeflater::DictionarySize + blockSize)])
        , output(new unsigned char[size_t(BlockDeflater::outputCapacity(blockSize))])
    {
        job.slot = this;
        job.output = output.get();
    }

    unsigned char *data() const { return input.get() + BlockDeflater::DictionarySize; }

    std::unique_ptr<unsigned char[]> input; // 32 KiB of history, then the block
    std::unique_ptr<unsigned char[]> output;
    int length = 0;
    BlockJob job;
};

ParallelWriter::ParallelWriter(ZipPrivate &zip, int threads, int blockSize)
    : m_zip(zip)
    , m_blockSize(blockSize)
    , m_maxSlots(2 * qMax(threads, 1) + ExtraSlots)
    , m_pool(threads)
{
}

ParallelWriter::~ParallelWriter()
{
    discard();
}

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------

Zip::ErrorCode ParallelWriter::addEntry(EntrySpec spec)
{
    // Data of unknown length may take any size: the next entry then waits
    // for the exact position.
    const qint64 listedSize = !spec.source ? 0
        : spec.source->expectedSize() >= 0 ? spec.source->expectedSize()
                                           : std::numeric_limits<qint64>::max();
    m_entries.push_back(std::make_unique<Entry>(std::move(spec)));
    Entry *entry = m_entries.back().get();
    entry->hasData = entry->spec.source != nullptr;
    const bool deflated = entry->spec.level != 0;
    entry->bound = ZipPrivate::entryBytesBound(listedSize, entry->spec.nameBytes.size(),
                                               ZipPrivate::cipherOverhead(*entry->spec.record), deflated);
    if (addOverflows(m_pendingBound, entry->bound, &m_pendingBound))
        m_pendingBound = std::numeric_limits<qint64>::max();

    if (entry->spec.source) {
        const Zip::ErrorCode ec = queueEntryData(entry, deflated);
        if (ec != Zip::Success)
            return ec;
        // Everything is read: the caller's device is not touched again.
        entry->spec.source.reset();
    }

    m_items.push_back({entry, nullptr});
    while (m_items.size() > MaxQueuedItems) {
        const Zip::ErrorCode ec = writeHead();
        if (ec != Zip::Success)
            return ec;
    }
    return Zip::Success;
}

// Reads the entry's source to its end into blocks handed to the workers.
Zip::ErrorCode ParallelWriter::queueEntryData(Entry *entry, bool deflated)
{
    EntrySource &source = *entry->spec.source;
    if (!source.open())
        return failEntry(entry, Zip::FileOpenFailed, "An error occurred while opening %1");
    if (deflated && (entry->spec.level < Z_BEST_SPEED || entry->spec.level > Z_BEST_COMPRESSION))
        return failEntry(entry, Zip::ZlibFailure, ZlibFailureMessage);

    Slot *previous = nullptr;
    qint64 index = 0;
    forever
    {
        Zip::ErrorCode ec = Zip::Success;
        Slot *current = acquireSlot(&ec);
        if (!current)
            return ec;
        const int read = fillSlot(source, current, deflated ? previous : nullptr);
        const bool tooLarge = !entry->spec.record->zip64LocalSizes && entry->bytesQueued + read >= qint64(MaxUInt);
        if (read < 0 || tooLarge) {
            // What was read before is written, then the entry stops.
            if (previous)
                submitBlock(entry, previous, index, previous->length, false);
            releaseSlot(current);
            if (read < 0)
                return failEntry(entry, Zip::FileReadError, "Error while reading %1");
            // The file grew while being written.
            return failEntry(entry, Zip::FileWriteError, "File too large for a ZIP archive: %1");
        }
        entry->bytesQueued += read;
        if (previous) {
            // The block before is the last one when nothing followed it.
            submitBlock(entry, previous, index++, previous->length, read == 0);
            if (read == 0) {
                releaseSlot(current);
                return Zip::Success;
            }
        }
        if (read < m_blockSize) {
            submitBlock(entry, current, index, read, true);
            return Zip::Success;
        }
        previous = current;
    }
}

// Copies the end of the block before as the history, then reads up to a
// block's length: less only at the end of the file. -1 on a read error.
int ParallelWriter::fillSlot(EntrySource &source, Slot *slot, const Slot *previous)
{
    slot->job.input.dictionaryLength = 0;
    if (previous) {
        const int history = qMin(previous->length, int(BlockDeflater::DictionarySize));
        memcpy(slot->data() - history, previous->data() + previous->length - history, size_t(history));
        slot->job.input.dictionaryLength = history;
    }
    slot->job.input.dictionary = slot->data() - slot->job.input.dictionaryLength;

    int filled = 0;
    while (filled < m_blockSize) {
        const qint64 read = source.read(reinterpret_cast<char *>(slot->data()) + filled, m_blockSize - filled);
        if (read < 0)
            return -1;
        if (read == 0)
            break;
        filled += int(read);
    }
    slot->length = filled;
    return filled;
}

void ParallelWriter::submitBlock(Entry *entry, Slot *slot, qint64 index, int length, bool last)
{
    BlockJob &job = slot->job;
    job.entry = entry;
    job.index = index;
    job.input.data = slot->data();
    job.input.length = length;
    job.input.last = last;
    job.failed = false;
    m_items.push_back({entry, &job});
    m_pool.submit(&job);
}

ParallelWriter::Slot *ParallelWriter::acquireSlot(Zip::ErrorCode *ec)
{
    while (m_freeSlots.empty()) {
        if (m_slotCount < m_maxSlots) {
            m_slots.push_back(std::make_unique<Slot>(m_blockSize));
            ++m_slotCount;
            return m_slots.back().get();
        }
        Q_ASSERT(!m_items.empty());
        *ec = writeHead();
        if (*ec != Zip::Success)
            return nullptr;
    }
    Slot *slot = m_freeSlots.back();
    m_freeSlots.pop_back();
    return slot;
}

void ParallelWriter::releaseSlot(Slot *slot)
{
    m_freeSlots.push_back(slot);
}

// ---------------------------------------------------------------------------
// Writing, in the order of reading
// ---------------------------------------------------------------------------

Zip::ErrorCode ParallelWriter::flush()
{
    while (!m_items.empty()) {
        const Zip::ErrorCode ec = writeHead();
        if (ec != Zip::Success)
            return ec;
    }
    return Zip::Success;
}

void ParallelWriter::discard()
{
    m_pool.discardAll();
    m_items.clear();
    m_entries.clear();
    m_freeSlots.clear();
    for (const auto &slot : m_slots)
        m_freeSlots.push_back(slot.get());
    m_pendingBound = 0;
}

Zip::ErrorCode ParallelWriter::writeHead()
{
    const Item item = m_items.front();
    m_items.pop_front();
    Zip::ErrorCode ec;
    if (item.job) {
        m_pool.waitFor(item.job, m_deflater);
        ec = writeBlock(*item.entry, *item.job);
        releaseSlot(item.job->slot);
    } else {
        ec = endEntry(*item.entry);
        Q_ASSERT(m_entries.front().get() == item.entry);
        m_entries.pop_front();
    }
    if (ec != Zip::Success)
        discard();
    return ec;
}

Zip::ErrorCode ParallelWriter::writeBlock(Entry &entry, BlockJob &job)
{
    if (job.failed) {
        if (!entry.headerWritten)
            beginEntryOutput(entry, nullptr);
        report(m_zip.diagnostic, ZlibFailureMessage, entry.spec.path);
        return Zip::ZlibFailure;
    }
    if (entry.spec.level != 0) {
        // The block is coded as the one before it decides, whatever the
        // worker guessed.
        const BlockDeflater::Mode wanted = entry.nextSearch ? BlockDeflater::Search : BlockDeflater::Plain;
        if (job.mode != wanted) {
            job.mode = wanted;
            if (!m_deflater.deflate(job.input, entry.spec.level, entry.spec.strategy, wanted, job.output,
                                    &job.result)) {
                if (!entry.headerWritten)
                    beginEntryOutput(entry, nullptr);
                report(m_zip.diagnostic, ZlibFailureMessage, entry.spec.path);
                return Zip::ZlibFailure;
            }
        }
        entry.nextSearch = job.result.shrank;
    }

    entry.crc = job.index == 0 ? job.crc : ZipCrc::combine(entry.crc, job.crc, job.input.length);
    entry.bytesRead += job.input.length;
    if (job.index == 0) {
        const Zip::ErrorCode ec = beginEntryOutput(entry, job.input.last ? &job : nullptr);
        if (ec != Zip::Success)
            return ec;
    }

    const int length = job.length();
    if (entry.bytesWritten + length > entry.writeLimit) {
        report(m_zip.diagnostic, "File too large for a ZIP archive: %1", entry.spec.path);
        return Zip::FileWriteError;
    }
    unsigned char *data = job.data();
    if (entry.spec.encrypted)
        entry.encryptor.encrypt(data, length, m_zip.crcTable);
    if (length > 0 && m_zip.writeBytes(reinterpret_cast<const char *>(data), length) != Zip::Success) {
        // The system's reason, reported by writeBytes(), stays the detail.
        if (entry.spec.level != 0)
            m_zip.diagnostic.log(QString::fromLatin1("Error while writing %1").arg(entry.spec.path));
        return Zip::FileWriteError;
    }
    entry.bytesWritten += length;
    return Zip::Success;
}

// The local header, with its sizes and CRC when the only block is known
// (or there is no data), else to be completed after the data; then the
// encryption header.
Zip::ErrorCode ParallelWriter::beginEntryOutput(Entry &entry, const BlockJob *onlyBlock)
{
    ZipEntryP &record = *entry.spec.record;
    record.localHeaderOffset = quint64(m_zip.position());
    const bool complete = onlyBlock || !entry.hasData;
    if (onlyBlock) {
        record.crc = ZipPrivate::storedCrc(record, onlyBlock->crc);
        record.compressedSize = quint64(ZipPrivate::cipherOverhead(record) + onlyBlock->length());
        record.uncompressedSize = quint64(onlyBlock->input.length);
    }
    Zip::ErrorCode ec = m_zip.writeLocalHeader(record, entry.spec.nameBytes, complete);
    if (ec == Zip::Success && entry.spec.encrypted)
        ec = m_zip.writeEncryptionHeader(record, entry.encryptor, entry.spec.path);
    if (ec != Zip::Success)
        return ec;
    entry.headerWritten = true;
    entry.headerNeedsSizes = !complete;
    entry.writeLimit = ZipPrivate::dataLimit(record);
    return Zip::Success;
}

Zip::ErrorCode ParallelWriter::endEntry(Entry &entry)
{
    if (!entry.headerWritten) {
        const Zip::ErrorCode ec = beginEntryOutput(entry, nullptr);
        if (ec != Zip::Success)
            return ec;
    }
    ZipEntryP &record = *entry.spec.record;
    if (entry.spec.encrypted) {
        const Zip::ErrorCode ec = m_zip.writeEncryptionTrailer(record, entry.encryptor);
        if (ec != Zip::Success)
            return ec;
    }
    record.crc = ZipPrivate::storedCrc(record, entry.crc);
    record.compressedSize = quint64(ZipPrivate::cipherOverhead(record) + entry.bytesWritten);
    record.uncompressedSize = quint64(entry.bytesRead);
    if (entry.headerNeedsSizes) {
        const Zip::ErrorCode ec = m_zip.completeLocalHeader(record, entry.spec.nameBytes.size());
        if (ec != Zip::Success)
            return ec;
    }
    if (record.hasDataDescriptor()) {
        const Zip::ErrorCode ec = m_zip.writeDataDescriptor(record);
        if (ec != Zip::Success)
            return ec;
    }
    m_zip.recordEntry(entry.spec.name, entry.spec.record.release());
    m_pendingBound -= entry.bound;
    return Zip::Success;
}

// Writes everything before the failing entry and what was read of it, as
// the serial writer would have, then reports the failure.
Zip::ErrorCode ParallelWriter::failEntry(Entry *entry, Zip::ErrorCode ec, const char *message)
{
    const Zip::ErrorCode earlier = flush();
    if (earlier != Zip::Success)
        return earlier;
    if (!entry->headerWritten) {
        const Zip::ErrorCode header = beginEntryOutput(*entry, nullptr);
        if (header != Zip::Success) {
            discard();
            return header;
        }
    }
    report(m_zip.diagnostic, message, entry->spec.path);
    discard();
    return ec;
}
