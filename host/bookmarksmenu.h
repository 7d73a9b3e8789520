// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_BOOKMARKSMENU_H
#define KELVANE_HOST_BOOKMARKSMENU_H

#include <QtWidgets/QMenu>

class ReadingPlaces;

// The Bookmarks menu: Add Bookmark (Ctrl+D), the bookmarks of the lecture
// shown, and their removal.
class BookmarksMenu : public QMenu
{
    Q_OBJECT
public:
    BookmarksMenu(ReadingPlaces *places, QWidget *parent);

    QAction *addAction() const { return m_add; }

public slots:
    void fill();

private:
    ReadingPlaces *m_places;
    QAction *m_add;
};

#endif // KELVANE_HOST_BOOKMARKSMENU_H
