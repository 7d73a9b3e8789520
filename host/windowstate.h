// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_WINDOWSTATE_H
#define KELVANE_HOST_WINDOWSTATE_H

#include <QtCore/QMargins>
#include <QtCore/QRect>
#include <QtCore/QSize>

class IKelvanePlayer;
class QTextBrowser;
class QWidget;
class ViewerSettings;

// Brings back the window's geometry and the page's zoom of the last
// session, keeps the window within the available screen area, and saves
// both at the end.
class WindowState
{
public:
    WindowState(ViewerSettings &settings, QWidget *window, QTextBrowser *page, IKelvanePlayer *player);

    // Before the window is shown: the saved geometry (or `requestedSize`
    // when one was given, else `defaultSize`), fitted to the screen, and the
    // saved zoom, reached through the player's own zoom slots.
    void restore(const QSize &requestedSize, const QSize &defaultSize);
    // Fits the window, frame included, into the available area of its
    // screen; call again once the window is shown and its frame is known.
    void fitToScreen();
    void save();

    // The largest part of `geometry` (the window without its frame) that
    // fits with `frame` around it into `available`, moved inside it.
    static QRect fitted(const QRect &geometry, const QMargins &frame, const QRect &available);

private:
    qreal zoomDelta() const;
    void restoreZoom(qreal delta);

    ViewerSettings &m_settings;
    QWidget *m_window;
    QTextBrowser *m_page;
    IKelvanePlayer *m_player;
    qreal m_baseFontSize = 0;
};

#endif // KELVANE_HOST_WINDOWSTATE_H
