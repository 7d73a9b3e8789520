// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "navigationbar.h"

#include <ikelvanenavigator.h>

#include <QAction> // QtWidgets in Qt 5, QtGui in Qt 6
#include <QtGui/QIcon>
#include <QtWidgets/QStyle>

NavigationBar::NavigationBar(IKelvaneNavigator *navigator, QWidget *parent)
    : QToolBar(tr("Navigation"), parent)
    , m_navigator(navigator)
{
    setObjectName(QStringLiteral("navigationBar"));
    setMovable(false);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_back = addStep(QStringLiteral("go-previous"), QStyle::SP_ArrowBack, tr("Back"), QStringLiteral("Alt+Left"));
    m_forward =
        addStep(QStringLiteral("go-next"), QStyle::SP_ArrowForward, tr("Forward"), QStringLiteral("Alt+Right"));
    m_home = addStep(QStringLiteral("go-home"), QStyle::SP_DirHomeIcon, tr("Start page"), QStringLiteral("Alt+Home"));
    connect(m_back, &QAction::triggered, this, [this] { m_navigator->goBack(); });
    connect(m_forward, &QAction::triggered, this, [this] { m_navigator->goForward(); });
    connect(m_home, &QAction::triggered, this, [this] { m_navigator->goHome(); });
    addSeparator();
    if (QObject *events = m_navigator->navigationSignals())
        connect(events, SIGNAL(locationChanged()), this, SLOT(updateStates()));
    updateStates();
}

void NavigationBar::addPanelAction(QAction *action)
{
    addAction(action);
}

void NavigationBar::updateStates()
{
    const QString current = m_navigator->currentPage();
    m_back->setEnabled(m_navigator->canGoBack());
    m_forward->setEnabled(m_navigator->canGoForward());
    m_home->setEnabled(!current.isEmpty() && current != m_navigator->startPage());
}

QAction *NavigationBar::addStep(const QString &iconName, QStyle::StandardPixmap fallback, const QString &text,
                                const QString &keys)
{
    QAction *action = addAction(QIcon::fromTheme(iconName, style()->standardIcon(fallback)), text);
    action->setToolTip(tr("%1 (%2)").arg(text, QKeySequence(keys).toString(QKeySequence::NativeText)));
    return action;
}
