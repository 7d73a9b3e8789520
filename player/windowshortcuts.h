// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_WINDOWSHORTCUTS_H
#define KELVANE_WINDOWSHORTCUTS_H

#include <functional>

class QWidget;

// The player's keys, active anywhere in its window: Ctrl+F to the find
// field, F3 finds again, Ctrl+Plus and Ctrl+Minus zoom, Alt+Left and
// Backspace go back to the previous page (Backspace in the find field still
// deletes a character).
class WindowShortcuts
{
public:
    struct Actions
    {
        std::function<void()> focusFind;
        std::function<void()> findNext;
        std::function<void()> zoomIn;
        std::function<void()> zoomOut;
        std::function<void()> goBack;
        std::function<void()> goForward;
        std::function<void()> goHome;
    };

    static void install(QWidget *window, const Actions &actions);
};

#endif // KELVANE_WINDOWSHORTCUTS_H
