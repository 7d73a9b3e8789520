// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "windowshortcuts.h"

#include <QtGui/QKeySequence>
#include <QShortcut> // QtGui in Qt 6, QtWidgets in Qt 5
#include <QtWidgets/QWidget>

namespace {

void addShortcut(QWidget *window, const QKeySequence &keys, const std::function<void()> &action)
{
    auto *shortcut = new QShortcut(keys, window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window, action);
}

} // namespace

void WindowShortcuts::install(QWidget *window, const Actions &actions)
{
    addShortcut(window, QKeySequence(QStringLiteral("Ctrl+F")), actions.focusFind);
    addShortcut(window, QKeySequence(QStringLiteral("F3")), actions.findNext);
    // Ctrl+Plus is Ctrl+Shift+= on most keyboards; Ctrl+= is what people
    // press for it, as in web browsers.
    addShortcut(window, QKeySequence(QStringLiteral("Ctrl++")), actions.zoomIn);
    addShortcut(window, QKeySequence(QStringLiteral("Ctrl+=")), actions.zoomIn);
    addShortcut(window, QKeySequence(QStringLiteral("Ctrl+-")), actions.zoomOut);
    addShortcut(window, QKeySequence(QStringLiteral("Alt+Left")), actions.goBack);
    addShortcut(window, QKeySequence(QStringLiteral("Backspace")), actions.goBack);
    if (actions.goForward)
        addShortcut(window, QKeySequence(QStringLiteral("Alt+Right")), actions.goForward);
    if (actions.goHome)
        addShortcut(window, QKeySequence(QStringLiteral("Alt+Home")), actions.goHome);
}
