// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_COMPRESSIONPOOL_P_H
#define KELVANE_COMPRESSIONPOOL_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// Worker threads that run compression jobs in the order they were submitted.
// The submitting thread waits for the jobs one by one, oldest first, and
// owns them: a job is handed back (done) before its buffers are touched
// again. Every worker keeps its own deflate state between jobs. A waiting
// submitter runs queued jobs itself instead of sleeping, so that small jobs
// do not cost a sleep and a wake-up each.

#include "write/blockdeflater_p.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class CompressionPool
{
public:
    class Job
    {
    public:
        virtual ~Job() = default;
        // Runs on a worker thread, with that worker's deflater.
        virtual void run(BlockDeflater &deflater) = 0;

    private:
        friend class CompressionPool;
        bool m_done = false;
    };

    explicit CompressionPool(int threads);
    ~CompressionPool();
    CompressionPool(const CompressionPool &) = delete;
    CompressionPool &operator=(const CompressionPool &) = delete;

    int threadCount() const { return int(m_threads.size()); }

    // Queues the job; it must not be queued or running already.
    void submit(Job *job);
    // Returns once the job has run. While it has not, the calling thread
    // runs the oldest queued job (this one, if no worker has taken it yet)
    // with its own deflater, and sleeps only when nothing is queued.
    void waitFor(const Job *job, BlockDeflater &deflater);
    // Drops the jobs not yet started and waits for the running ones: no
    // worker touches any job afterwards.
    void discardAll();

private:
    void work();

    std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_jobDone;
    std::deque<Job *> m_queue;
    int m_running = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

#endif // KELVANE_COMPRESSIONPOOL_P_H
