// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "unpackrun.h"

#include <QtCore/QEvent>
#include <QtCore/QEventLoop>
#include <QtCore/QLocale>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QProgressDialog>
#include <QtWidgets/QWidget>

namespace {

// The dialog counts in thousandths: byte counts do not fit its int range.
const int dialogSteps = 1000;
const int refreshMs = 100;

} // namespace

UnpackRun::UnpackRun(QWidget *window, const QString &packageName)
    : QObject(window)
    , m_window(window)
    , m_packageName(packageName)
{
    m_window->installEventFilter(this);
    connect(qApp, &QGuiApplication::lastWindowClosed, this, &UnpackRun::requestStop);
}

UnpackRun::~UnpackRun()
{
    stopAndWait();
    delete m_dialog;
}

const char *UnpackRun::dialogName()
{
    return "kelvane-unpack-progress";
}

bool UnpackRun::run(const Job &job)
{
    m_done = 0;
    m_total = 0;
    const Handler handler = [this](qint64 done, qint64 total) {
        m_done = done;
        m_total = total;
        return !m_stop.load();
    };
    QEventLoop loop;
    m_loop = &loop;
    m_thread = QThread::create([job, handler] { job(handler); });
    connect(m_thread, &QThread::finished, &loop, &QEventLoop::quit);
    QTimer dialogTimer;
    dialogTimer.setSingleShot(true);
    connect(&dialogTimer, &QTimer::timeout, this, &UnpackRun::showDialog);
    QTimer refresh;
    connect(&refresh, &QTimer::timeout, this, &UnpackRun::updateDialog);
    dialogTimer.start(dialogDelayMs());
    refresh.start(refreshMs);
    m_thread->start();

    // Returns when the job is done, when the run is stopped, and at once
    // when the application is leaving its event loops.
    if (!m_stop.load())
        loop.exec();
    m_loop = nullptr;
    if (m_thread && !m_thread->isFinished())
        m_stop = true;
    stopAndWait();
    delete m_dialog;
    return !m_stop.load();
}

void UnpackRun::stopAndWait()
{
    if (!m_thread)
        return;
    if (!m_thread->isFinished())
        m_stop = true;
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    if (m_loop)
        m_loop->quit();
}

void UnpackRun::requestStop()
{
    if (!m_thread)
        return;
    m_stop = true;
    if (m_loop)
        m_loop->quit();
}

bool UnpackRun::eventFilter(QObject *watched, QEvent *event)
{
    // A window the program hides (closed, Ctrl+Q) ends the run; one the
    // window system hides (minimised) does not.
    if (watched == m_window && event->type() == QEvent::Hide && !event->spontaneous())
        requestStop();
    return QObject::eventFilter(watched, event);
}

void UnpackRun::showDialog()
{
    // Runs without a window on the screen (a PDF, a screenshot) show none.
    QWidget *top = m_window->window();
    if (!top->isVisible() || top->testAttribute(Qt::WA_DontShowOnScreen) || m_stop.load())
        return;
    m_dialog = new QProgressDialog(top);
    m_dialog->setObjectName(QLatin1String(dialogName()));
    m_dialog->setWindowTitle(tr("Opening the lecture"));
    m_dialog->setWindowModality(Qt::NonModal); // the window's close button must work
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setMinimumDuration(0);
    m_dialog->setRange(0, dialogSteps);
    m_dialog->setCancelButtonText(tr("Cancel"));
    connect(m_dialog, &QProgressDialog::canceled, this, &UnpackRun::requestStop);
    updateDialog();
    m_dialog->show();
}

void UnpackRun::updateDialog()
{
    if (!m_dialog)
        return;
    const qint64 total = m_total.load();
    const qint64 done = m_done.load();
    m_dialog->setValue(total > 0 ? int(double(done) / double(total) * dialogSteps) : 0);
    m_dialog->setLabelText(progressText());
}

QString UnpackRun::progressText() const
{
    const QLocale locale;
    return tr("Unpacking %1\n%2 of %3")
        .arg(m_packageName, locale.formattedDataSize(m_done.load()), locale.formattedDataSize(m_total.load()));
}
