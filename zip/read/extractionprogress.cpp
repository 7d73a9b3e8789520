// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "read/extractionprogress_p.h"

ExtractionProgress::ExtractionProgress(const Handler &handler, qint64 total)
    : m_handler(handler)
    , m_total(total)
    , m_caller(std::this_thread::get_id())
{
}

bool ExtractionProgress::advance(qint64 bytes)
{
    m_done.fetch_add(bytes, std::memory_order_relaxed);
    if (std::this_thread::get_id() == m_caller)
        report();
    return !stopped();
}

void ExtractionProgress::report()
{
    if (stopped())
        return;
    const qint64 done = m_done.load(std::memory_order_relaxed);
    // A call with nothing new (an empty chunk) is not passed on.
    if (done == m_reported)
        return;
    m_reported = done;
    if (!m_handler(done, m_total))
        m_stopped.store(true, std::memory_order_release);
}

void ExtractionProgress::reportWhileWaiting(int workers, std::chrono::milliseconds interval)
{
    std::unique_lock<std::mutex> lock(m_lock);
    while (m_workersDone < workers) {
        m_workerFinished.wait_for(lock, interval);
        lock.unlock();
        report();
        lock.lock();
    }
    // What the last of them wrote.
    lock.unlock();
    report();
}

void ExtractionProgress::workerDone()
{
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        ++m_workersDone;
    }
    m_workerFinished.notify_one();
}
