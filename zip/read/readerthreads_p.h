// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_READERTHREADS_P_H
#define KELVANE_READERTHREADS_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// Helper threads that extract and test entries, started when the reader's
// thread count is set and parked between calls. A thread started at the
// moment the work begins shares its creator's core for several
// milliseconds before the scheduler moves it; a parked one runs at once.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class ReaderThreads
{
public:
    explicit ReaderThreads(int helpers);
    ~ReaderThreads();
    ReaderThreads(const ReaderThreads &) = delete;
    ReaderThreads &operator=(const ReaderThreads &) = delete;

    int count() const { return int(m_threads.size()); }
    // False in a child forked from the process that started them: the
    // threads did not come along.
    bool belongToThisProcess() const;

    // Runs the job once on every helper; wait() returns when all are done.
    void start(std::function<void()> job);
    void wait();

private:
    void park();

    std::vector<std::thread> m_threads;
    const long long m_process; // the process that started them
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_finished;
    std::function<void()> m_job;
    unsigned long m_round = 0; // counts start() calls
    int m_running = 0;
    bool m_quit = false;
};

#endif // KELVANE_READERTHREADS_P_H
