// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "windowstate.h"

#include "viewersettings.h"

#include <ikelvaneplayer.h>

#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtWidgets/QTextBrowser>
#include <QtWidgets/QWidget>

#include <cmath>

namespace {

// Each zoom slot changes the point size by a step of its own choosing; no
// more calls than this are made to reach a saved zoom.
const int maxZoomCalls = 64;

QScreen *screenOf(const QWidget *window)
{
    QScreen *screen = window->screen();
    return screen ? screen : QGuiApplication::primaryScreen();
}

} // namespace

WindowState::WindowState(ViewerSettings &settings, QWidget *window, QTextBrowser *page, IKelvanePlayer *player)
    : m_settings(settings)
    , m_window(window)
    , m_page(page)
    , m_player(player)
{
    if (m_page)
        m_baseFontSize = m_page->font().pointSizeF();
}

void WindowState::restore(const QSize &requestedSize, const QSize &defaultSize)
{
    const QByteArray geometry = m_settings.windowGeometry();
    if (requestedSize.isValid())
        m_window->resize(requestedSize);
    else if (geometry.isEmpty() || !m_window->restoreGeometry(geometry))
        m_window->resize(defaultSize);
    fitToScreen();
    restoreZoom(m_settings.zoomDelta());
}

void WindowState::fitToScreen()
{
    const QScreen *screen = screenOf(m_window);
    if (!screen)
        return;
    const QRect frame = m_window->frameGeometry();
    const QRect inner = m_window->geometry();
    const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                           frame.bottom() - inner.bottom());
    const QRect target = fitted(inner, margins, screen->availableGeometry());
    if (target.size() != inner.size())
        m_window->resize(target.size());
    if (target.topLeft() != inner.topLeft())
        m_window->move(target.topLeft() - QPoint(margins.left(), margins.top()));
}

void WindowState::save()
{
    m_settings.setWindowGeometry(m_window->saveGeometry());
    if (m_page)
        m_settings.setZoomDelta(zoomDelta());
    m_settings.sync();
}

QRect WindowState::fitted(const QRect &geometry, const QMargins &frame, const QRect &available)
{
    const QRect room = available.marginsRemoved(frame);
    QRect result(geometry.topLeft(), geometry.size().boundedTo(room.size()));
    if (result.right() > room.right())
        result.moveRight(room.right());
    if (result.bottom() > room.bottom())
        result.moveBottom(room.bottom());
    if (result.left() < room.left())
        result.moveLeft(room.left());
    if (result.top() < room.top())
        result.moveTop(room.top());
    return result;
}

qreal WindowState::zoomDelta() const
{
    return m_page->font().pointSizeF() - m_baseFontSize;
}

void WindowState::restoreZoom(qreal delta)
{
    if (!m_page || !m_player)
        return;
    const qreal target = m_baseFontSize + delta;
    for (int i = 0; i < maxZoomCalls; ++i) {
        const qreal current = m_page->font().pointSizeF();
        if (std::abs(current - target) < 0.01)
            return;
        if (current < target)
            m_player->slFontUp();
        else
            m_player->slFontDown();
        const qreal reached = m_page->font().pointSizeF();
        // Stop when a step leads past the target or changes nothing.
        if (reached == current || (current < target) != (reached < target + 0.01))
            return;
    }
}
