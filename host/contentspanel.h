// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_CONTENTSPANEL_H
#define KELVANE_HOST_CONTENTSPANEL_H

#include <QtWidgets/QDockWidget>

class IKelvaneNavigator;
class QTreeWidget;
class QTreeWidgetItem;

// The side panel that lists the lecture's pages as the player finds them:
// the start page and the pages its links reach, indented by the level at
// which they were found, then under "Other pages" those no link reaches.
// A click opens the page; the page shown is highlighted.
class ContentsPanel : public QDockWidget
{
    Q_OBJECT
public:
    ContentsPanel(IKelvaneNavigator *navigator, QWidget *parent);

    QTreeWidget *tree() const { return m_tree; }
    // The item of a page (a path inside the package); null when not listed.
    QTreeWidgetItem *itemOf(const QString &path) const;

public slots:
    // Lists the pages of the package now open.
    void reload();
    void clear();
    // Highlights the page shown.
    void showCurrent();

private:
    void open(QTreeWidgetItem *item);

    IKelvaneNavigator *m_navigator;
    QTreeWidget *m_tree;
};

#endif // KELVANE_HOST_CONTENTSPANEL_H
