// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "write/compressionpool_p.h"

CompressionPool::CompressionPool(int threads)
{
    m_threads.reserve(size_t(qMax(threads, 1)));
    for (int i = 0; i < qMax(threads, 1); ++i)
        m_threads.emplace_back([this] { work(); });
}

CompressionPool::~CompressionPool()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.clear();
        m_stopping = true;
    }
    m_workAvailable.notify_all();
    for (std::thread &t : m_threads)
        t.join();
}

void CompressionPool::submit(Job *job)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        job->m_done = false;
        m_queue.push_back(job);
    }
    m_workAvailable.notify_one();
}

void CompressionPool::waitFor(const Job *job, BlockDeflater &deflater)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!job->m_done && !m_queue.empty()) {
        Job *next = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        next->run(deflater);
        lock.lock();
        next->m_done = true;
    }
    m_jobDone.wait(lock, [job] { return job->m_done; });
}

void CompressionPool::discardAll()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_queue.clear();
    m_jobDone.wait(lock, [this] { return m_running == 0; });
}

void CompressionPool::work()
{
    BlockDeflater deflater;
    std::unique_lock<std::mutex> lock(m_mutex);
    forever
    {
        m_workAvailable.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping)
            return;
        Job *job = m_queue.front();
        m_queue.pop_front();
        ++m_running;
        lock.unlock();
        job->run(deflater);
        lock.lock();
        job->m_done = true;
        --m_running;
        m_jobDone.notify_all();
    }
}
