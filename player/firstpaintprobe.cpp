// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "firstpaintprobe.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QEvent>
#include <QtCore/QLoggingCategory>
#include <QtCore/QTimer>
#include <QtWidgets/QWidget>

namespace {

Q_LOGGING_CATEGORY(lcTiming, "kelvane.viewer.timing", QtWarningMsg)

// Started when the library is loaded, before any window exists.
const QElapsedTimer &sinceLoad()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock;
}
const QElapsedTimer &loaded = sinceLoad();

} // namespace

FirstPaintProbe::FirstPaintProbe(QWidget *pane, QObject *parent)
    : QObject(parent)
    , m_pane(pane)
{
    m_pane->installEventFilter(this);
}

void FirstPaintProbe::arm()
{
    m_armed = lcTiming().isInfoEnabled() && !m_reported;
}

bool FirstPaintProbe::eventFilter(QObject *watched, QEvent *event)
{
    // Told once the paint is over, which the filter sees before it is made.
    if (m_armed && watched == m_pane && event->type() == QEvent::Paint) {
        m_armed = false;
        m_reported = true;
        QTimer::singleShot(0, this, &FirstPaintProbe::report);
    }
    return QObject::eventFilter(watched, event);
}

void FirstPaintProbe::report()
{
    qCInfo(lcTiming, "first paint: %lld ms after start", static_cast<long long>(loaded.elapsed()));
}
