// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_EXTRACTIONPROGRESS_P_H
#define KELVANE_EXTRACTIONPROGRESS_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// The progress of one call that extracts or tests entries: the bytes written
// so far, summed over every thread that writes, and whether the caller's
// handler asked to stop. The handler is only ever called on the thread that
// made the call; worker threads add their bytes and read the stop flag.

#include <QtCore/QtGlobal>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class ExtractionProgress
{
public:
    using Handler = std::function<bool(qint64 done, qint64 total)>;

    // Made on the calling thread, which becomes the one that reports.
    ExtractionProgress(const Handler &handler, qint64 total);

    // From any thread, after `bytes` more bytes of output: adds them and, on
    // the calling thread, reports. False once the run is to stop.
    bool advance(qint64 bytes);
    // True once the handler has asked to stop.
    bool stopped() const { return m_stopped.load(std::memory_order_acquire); }

    // On the calling thread while other threads work: reports every
    // `interval` until workersDone() has been called `workers` times.
    void reportWhileWaiting(int workers, std::chrono::milliseconds interval);
    // From a worker thread that has no more work.
    void workerDone();

private:
    void report();

    const Handler &m_handler;
    const qint64 m_total;
    const std::thread::id m_caller;
    std::atomic<qint64> m_done{0};
    std::atomic<bool> m_stopped{false};
    qint64 m_reported = -1;
    std::mutex m_lock;
    std::condition_variable m_workerFinished;
    int m_workersDone = 0;
};

#endif // KELVANE_EXTRACTIONPROGRESS_P_H
