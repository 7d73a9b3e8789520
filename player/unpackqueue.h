// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_UNPACKQUEUE_H
#define KELVANE_UNPACKQUEUE_H

#include "packageparts.h"

#include <QtCore/QHash>
#include <QtCore/QMutex>
#include <QtCore/QObject>
#include <QtCore/QSet>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <atomic>
#include <functional>
#include <memory>

class PackageUnpacker;
class QThread;
class QWidget;

// The entries of a package left after its start page was shown, unpacked
// on a worker thread behind the page, in name order, a few at a time. A
// page asked for meanwhile (see bringIn()) goes to the front with its
// parts: the entry being written is given up (its partial file removed, it
// comes again later) unless it is one of them.
//
// The queue stops (at the next chunk of the entry being written) as
// UnpackRun does: the window hidden by the program, the last window
// closed, the application leaving its event loops; and by stopAndWait().
// A queue that was stopped tells nothing; one that ran to its end says so
// with finished().
class UnpackQueue : public QObject
{
    Q_OBJECT

public:
    // Starts at once on the unpacker's pending entries, written below
    // `root`. The queue is a child of `window` while it lives.
    UnpackQueue(QWidget *window, std::unique_ptr<PackageUnpacker> unpacker, const QString &root);
    ~UnpackQueue() override;

    // Stops the worker and waits for it: afterwards nothing writes into the
    // working folder any more.
    void stopAndWait();
    bool isRunning() const;

    // Moves the entry at `absolutePath` and its parts (see PackageParts),
    // those of them still pending, to the front and waits, handling
    // events, until they are on disk. False when the queue was stopped
    // meanwhile.
    bool bringIn(const QString &absolutePath);
    // Waits, handling events, until every entry is done; false when the
    // queue was stopped first.
    bool waitForEnd();

    // The object name of the queue, by which hosts and tests find it.
    static const char *objectNameText() { return "kelvane-unpack-queue"; }

signals:
    // Bytes written of those the queue began with.
    void progress(qint64 done, qint64 total);
    // Entries are on disk (or failed for good): pictures may now be drawn.
    void entriesLanded();
    // Every entry is done: the write failure that ended it early (a full
    // disk), if any, and every entry of the package that failed.
    void finished(const QString &writeFailure, const QStringList &failedEntries);
    // The queue was stopped before its end.
    void stopped();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void work();
    QStringList nextBatch();
    void settle(const QStringList &batch);
    bool fetch(const QStringList &names);
    bool wait(const std::function<bool()> &done);
    bool settled(const QStringList &names) const;
    void requestStop();
    void workerEnded();
    void tellStopped();

    QWidget *m_window;
    std::unique_ptr<PackageUnpacker> m_unpacker;
    QString m_root;
    PackageParts m_parts;
    QHash<QString, qint64> m_sizes;
    QThread *m_thread = nullptr;

    mutable QMutex m_mutex;    // guards the four below
    QStringList m_urgent;      // asked for by a page: next
    QStringList m_queue;       // the others not begun yet, in order
    QSet<QString> m_unsettled; // queued or being written
    QSet<QString> m_current;   // being written
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_preempt{false};
    std::atomic<bool> m_ended{false};
    std::atomic<qint64> m_settledBytes{0};
    std::atomic<qint64> m_done{0};
    qint64 m_total = 0;
    bool m_stoppedTold = false;
};

#endif // KELVANE_UNPACKQUEUE_H
