// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_UNPACKRUN_H
#define KELVANE_UNPACKRUN_H

#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QString>

#include <atomic>
#include <functional>

class QEventLoop;
class QProgressDialog;
class QThread;
class QWidget;

// One unpacking of a package, run on a worker thread while the GUI thread
// goes on handling events, so that the window repaints, the keys work and
// closing it or a termination signal is seen at once. After half a second
// a progress dialog shows the bytes unpacked of the total, with Cancel.
//
// The run stops (the job is told through its progress handler, at its next
// chunk) when the user cancels, when the window it belongs to is closed or
// hidden by the program, when the last window of the application closes,
// and when the application leaves its event loops (QCoreApplication::exit(),
// which is how the viewer answers SIGINT, SIGTERM and SIGHUP).
class UnpackRun : public QObject
{
    Q_OBJECT

public:
    // The progress handler the job passes to UnZip: bytes done and total;
    // false once the run is to stop. Safe to call from the worker thread.
    using Handler = std::function<bool(qint64 done, qint64 total)>;
    using Job = std::function<void(const Handler &progress)>;

    // `window` is the player's window: the dialog's parent, and closing it
    // stops the run. The run object is a child of it while it lives, so
    // that the window can find a run in progress (findChild).
    UnpackRun(QWidget *window, const QString &packageName);
    ~UnpackRun() override;

    // Runs the job to its end or until the run is stopped; true when it
    // ran to its end. The job must return soon after its handler said stop.
    bool run(const Job &job);

    // Stops the run and waits until the job has returned: afterwards
    // nothing writes into the working folder any more.
    void stopAndWait();

    bool stopRequested() const { return m_stop.load(); }

    // How long the run goes on before the progress dialog appears.
    static int dialogDelayMs() { return 500; }
    // The object name of the dialog, by which hosts and tests find it.
    static const char *dialogName();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void requestStop();
    void showDialog();
    void updateDialog();
    QString progressText() const;

    QWidget *m_window;
    QString m_packageName;
    QThread *m_thread = nullptr;
    QEventLoop *m_loop = nullptr;
    QPointer<QProgressDialog> m_dialog;
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_done{0};
    std::atomic<qint64> m_total{0};
};

#endif // KELVANE_UNPACKRUN_H
