// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_NAVIGATIONBAR_H
#define KELVANE_HOST_NAVIGATIONBAR_H

#include <QtWidgets/QStyle>
#include <QtWidgets/QToolBar>

class IKelvaneNavigator;
class QAction;

// The row above the page: Back, Forward, Home (the start page), the
// contents and the search through the whole lecture. Back, Forward and Home
// are enabled only when there is somewhere to go, jumps inside a page
// counted.
// The keys (Alt+Left, Alt+Right, Alt+Home) are the player's own; the
// buttons name them in their tool tips.
class NavigationBar : public QToolBar
{
    Q_OBJECT
public:
    NavigationBar(IKelvaneNavigator *navigator, QWidget *parent);

    QAction *backAction() const { return m_back; }
    QAction *forwardAction() const { return m_forward; }
    QAction *homeAction() const { return m_home; }
    // Adds a button for an action of another part of the window.
    void addPanelAction(QAction *action);

public slots:
    // Brings the buttons' states up to date with the player's history.
    void updateStates();

private:
    QAction *addStep(const QString &iconName, QStyle::StandardPixmap fallback, const QString &text,
                     const QString &keys);

    IKelvaneNavigator *m_navigator;
    QAction *m_back = nullptr;
    QAction *m_forward = nullptr;
    QAction *m_home = nullptr;
};

#endif // KELVANE_HOST_NAVIGATIONBAR_H
