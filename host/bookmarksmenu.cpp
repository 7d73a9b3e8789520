// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "bookmarksmenu.h"

#include "readingplaces.h"

#include <QAction> // QtWidgets in Qt 5, QtGui in Qt 6

BookmarksMenu::BookmarksMenu(ReadingPlaces *places, QWidget *parent)
    : QMenu(tr("&Bookmarks"), parent)
    , m_places(places)
    , m_add(new QAction(tr("&Add Bookmark"), parent)) // not the menu's: fill() clears the menu
{
    m_add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    connect(m_add, &QAction::triggered, m_places, &ReadingPlaces::addBookmark);
    connect(this, &QMenu::aboutToShow, this, &BookmarksMenu::fill);
    // Later, not while an entry of the menu is still being triggered.
    connect(m_places, &ReadingPlaces::bookmarksChanged, this, &BookmarksMenu::fill, Qt::QueuedConnection);
    fill();
}

void BookmarksMenu::fill()
{
    clear();
    QMenu::addAction(m_add);
    m_add->setEnabled(m_places->hasLecture());
    const QVector<ViewerSettings::Place> marks = m_places->bookmarks();
    if (!marks.isEmpty())
        addSeparator();
    for (int i = 0; i < marks.size(); ++i) {
        QAction *entry = QMenu::addAction(marks.at(i).title);
        entry->setToolTip(marks.at(i).page);
        connect(entry, &QAction::triggered, m_places, [this, i] { m_places->openBookmark(i); });
    }
    addSeparator();
    QAction *remove = QMenu::addAction(tr("&Remove the Bookmarks of This Lecture"));
    remove->setEnabled(!marks.isEmpty());
    connect(remove, &QAction::triggered, m_places, &ReadingPlaces::removeBookmarks);
}
