// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "unpackqueue.h"

#include "packageunpacker.h"

#include <QtCore/QEvent>
#include <QtCore/QEventLoop>
#include <QtCore/QMutexLocker>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

namespace {

// A batch ends after this many bytes or entries: a page asked for waits at
// most for the entry being written, and the queue's bookkeeping stays small.
const qint64 batchBytes = qint64(4) * 1024 * 1024;
const int batchEntries = 64;
const int refreshMs = 100;
// How often a wait looks again, besides the queue's signals.
const int waitCheckMs = 50;

} // namespace

UnpackQueue::UnpackQueue(QWidget *window, std::unique_ptr<PackageUnpacker> unpacker, const QString &root)
    : QObject(window)
    , m_window(window)
    , m_unpacker(std::move(unpacker))
    , m_root(root)
    , m_parts(m_unpacker->entryNames(), root)
    , m_sizes(m_unpacker->entrySizes())
{
    setObjectName(QLatin1String(objectNameText()));
    m_queue = m_unpacker->pendingEntries();
    m_unsettled = QSet<QString>(m_queue.cbegin(), m_queue.cend());
    for (const QString &name : qAsConst(m_queue))
        m_total += m_sizes.value(name);

    m_window->installEventFilter(this);
    connect(qApp, &QGuiApplication::lastWindowClosed, this, &UnpackQueue::requestStop);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &UnpackQueue::requestStop);
    auto *refresh = new QTimer(this);
    connect(refresh, &QTimer::timeout, this, [this] { emit progress(m_done.load(), m_total); });
    refresh->start(refreshMs);
    m_thread = QThread::create([this] { work(); });
    connect(m_thread, &QThread::finished, this, &UnpackQueue::workerEnded);
    m_thread->start();
}

UnpackQueue::~UnpackQueue()
{
    // Nothing is told: what would hear it is going too.
    m_stop = true;
    m_thread->wait();
    delete m_thread;
}

void UnpackQueue::stopAndWait()
{
    const bool wasRunning = !m_ended.load();
    m_stop = true;
    m_thread->wait();
    if (wasRunning)
        tellStopped();
}

void UnpackQueue::tellStopped()
{
    if (m_stoppedTold)
        return;
    m_stoppedTold = true;
    emit stopped();
}

bool UnpackQueue::isRunning() const
{
    return !m_ended.load() && !m_stop.load();
}

void UnpackQueue::requestStop()
{
    m_stop = true;
}

bool UnpackQueue::eventFilter(QObject *watched, QEvent *event)
{
    // As UnpackRun: the program hiding the window (closed, Ctrl+Q) stops
    // the queue, the window system minimising it does not.
    if (watched == m_window && event->type() == QEvent::Hide && !event->spontaneous())
        requestStop();
    return QObject::eventFilter(watched, event);
}

void UnpackQueue::work()
{
    while (!m_stop.load()) {
        const QStringList batch = nextBatch();
        if (batch.isEmpty())
            return;
        const qint64 before = m_settledBytes.load();
        m_unpacker->unpackSome(batch, m_root, QString(), [this, before](qint64 done, qint64) {
            m_done = before + done;
            return !m_stop.load() && !m_preempt.load();
        });
        settle(batch);
        emit entriesLanded();
        // A full disk takes nothing more.
        if (!m_unpacker->writeFailure().isEmpty())
            return;
    }
}

QStringList UnpackQueue::nextBatch()
{
    QMutexLocker lock(&m_mutex);
    m_preempt = false;
    QStringList batch;
    if (!m_urgent.isEmpty()) {
        batch.swap(m_urgent);
    } else {
        qint64 bytes = 0;
        while (!m_queue.isEmpty() && (batch.isEmpty() || (bytes < batchBytes && batch.size() < batchEntries))) {
            batch.append(m_queue.takeFirst());
            bytes += m_sizes.value(batch.constLast());
        }
    }
    m_current = QSet<QString>(batch.cbegin(), batch.cend());
    return batch;
}

void UnpackQueue::settle(const QStringList &batch)
{
    const QStringList pending = m_unpacker->pendingEntries();
    const QSet<QString> stillPending(pending.cbegin(), pending.cend());
    QMutexLocker lock(&m_mutex);
    QStringList again;
    for (const QString &name : batch) {
        if (stillPending.contains(name)) {
            again.append(name);
        } else {
            m_unsettled.remove(name);
            m_settledBytes += m_sizes.value(name);
        }
    }
    // Given up for a page asked for: right after it.
    m_queue = again + m_queue;
    m_current.clear();
    m_done = m_settledBytes.load();
}

void UnpackQueue::workerEnded()
{
    m_ended = true;
    emit entriesLanded();
    if (m_stop.load())
        tellStopped(); // by the window or the application going
    else
        emit finished(m_unpacker->writeFailure(), m_unpacker->failedEntries());
}

bool UnpackQueue::bringIn(const QString &absolutePath)
{
    const QString entry = m_parts.entryAt(absolutePath);
    if (!isRunning() || entry.isEmpty())
        return true;
    return !m_parts.bringIn(entry, [this](const QStringList &names) { return fetch(names); }).isEmpty();
}

bool UnpackQueue::fetch(const QStringList &names)
{
    {
        QMutexLocker lock(&m_mutex);
        bool oneBeingWritten = false;
        for (const QString &name : names) {
            if (!m_unsettled.contains(name) || m_urgent.contains(name))
                continue;
            if (m_current.contains(name)) {
                oneBeingWritten = true;
                continue;
            }
            m_queue.removeOne(name);
            m_urgent.append(name);
        }
        if (!oneBeingWritten && !m_urgent.isEmpty() && !m_current.isEmpty())
            m_preempt = true;
    }
    return wait([this, names] { return settled(names); });
}

bool UnpackQueue::settled(const QStringList &names) const
{
    QMutexLocker lock(&m_mutex);
    for (const QString &name : names) {
        if (m_unsettled.contains(name))
            return false;
    }
    return true;
}

bool UnpackQueue::waitForEnd()
{
    return wait([this] { return m_ended.load(); });
}

bool UnpackQueue::wait(const std::function<bool()> &done)
{
    if (done())
        return true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QEventLoop loop;
    // The end is known once the worker's end has been handled here
    // (workerEnded()), so that what follows it has been told first.
    auto check = [&] {
        if (done() || m_stop.load() || m_ended.load())
            loop.quit();
    };
    connect(this, &UnpackQueue::entriesLanded, &loop, check);
    connect(this, &UnpackQueue::stopped, &loop, &QEventLoop::quit);
    QTimer again;
    connect(&again, &QTimer::timeout, &loop, check);
    again.start(waitCheckMs);
    if (!m_stop.load() && !m_ended.load())
        loop.exec();
    QApplication::restoreOverrideCursor();
    return done() && !m_stop.load();
}
