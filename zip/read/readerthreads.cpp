// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "read/readerthreads_p.h"

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

namespace {

long long currentProcess()
{
#if defined(__unix__) || defined(__APPLE__)
    return static_cast<long long>(getpid());
#else
    return 0; // no fork() to tell apart
#endif
}

#if defined(__linux__)
// The kernel puts a new thread on its creator's core and moves it only when
// the load balancer next looks. The creator allows the new thread every
// core but its own, which moves it at once; the thread takes back the full
// set when it starts.
class CoreSpread
{
public:
    CoreSpread()
    {
        m_valid = sched_getaffinity(0, sizeof(m_full), &m_full) == 0;
        const int own = sched_getcpu();
        if (!m_valid || own < 0 || !CPU_ISSET(own, &m_full) || CPU_COUNT(&m_full) < 2) {
            m_valid = false;
            return;
        }
        m_others = m_full;
        CPU_CLR(own, &m_others);
    }
    void moveAway(std::thread &thread) const
    {
        if (m_valid)
            pthread_setaffinity_np(thread.native_handle(), sizeof(m_others), &m_others);
    }
    void restore() const
    {
        if (m_valid)
            pthread_setaffinity_np(pthread_self(), sizeof(m_full), &m_full);
    }

private:
    cpu_set_t m_full;
    cpu_set_t m_others;
    bool m_valid = false;
};
#endif

} // namespace

ReaderThreads::ReaderThreads(int helpers)
    : m_process(currentProcess())
{
    const unsigned wanted = unsigned(helpers > 0 ? helpers : 0);
    m_threads.reserve(wanted);
#if defined(__linux__)
    const CoreSpread spread;
    // Under the mutex: a new thread restores its cores only after its
    // creator has moved it.
    std::lock_guard<std::mutex> lock(m_mutex);
    for (unsigned i = 0; i < wanted; ++i) {
        m_threads.emplace_back([this, spread] {
            {
                std::lock_guard<std::mutex> started(m_mutex);
                spread.restore();
            }
            park();
        });
        spread.moveAway(m_threads.back());
    }
#else
    for (unsigned i = 0; i < wanted; ++i)
        m_threads.emplace_back([this] { park(); });
#endif
}

ReaderThreads::~ReaderThreads()
{
    if (!belongToThisProcess()) {
        // A forked child holds handles of threads it does not have, and the
        // condition variables count waiters that are not there: neither is
        // touched, the handles are left behind.
        static auto *const abandoned = new std::vector<std::thread>;
        for (std::thread &thread : m_threads)
            abandoned->push_back(std::move(thread));
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

bool ReaderThreads::belongToThisProcess() const
{
    return currentProcess() == m_process;
}

void ReaderThreads::start(std::function<void()> job)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_job = std::move(job);
        m_running = count();
        ++m_round;
    }
    m_wake.notify_all();
}

void ReaderThreads::wait()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_finished.wait(lock, [this] { return m_running == 0; });
    m_job = nullptr;
}

void ReaderThreads::park()
{
    unsigned long seen = 0;
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_quit || m_round != seen; });
            if (m_quit)
                return;
            seen = m_round;
            job = m_job;
        }
        job();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (--m_running == 0)
                m_finished.notify_all();
        }
    }
}
