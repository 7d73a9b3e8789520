// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_READINGPLACES_H
#define KELVANE_HOST_READINGPLACES_H

#include "viewersettings.h"

#include <QtCore/QObject>
#include <QtCore/QVector>

class IKelvaneNavigator;

// Where the reader is in each lecture: the page and scroll position left,
// brought back when the lecture is opened again, and the bookmarks. A
// lecture is known by a digest of its bytes, so a renamed or moved copy is
// the same lecture and a changed package is another one.
class ReadingPlaces : public QObject
{
    Q_OBJECT
public:
    ReadingPlaces(ViewerSettings &settings, IKelvaneNavigator *navigator, QObject *parent);

    // The digest of the package at `path`; empty when it cannot be read.
    static QString lectureKey(const QString &path);

    // A package was opened: goes back to where it was left.
    void lectureOpened(const QString &path);
    // The lecture is about to be left: remembers the place.
    void lectureLeaving();

    QVector<ViewerSettings::Place> bookmarks() const;
    bool hasLecture() const { return !m_key.isEmpty(); }

public slots:
    // Adds the page and position shown, with the page's title.
    void addBookmark();
    void openBookmark(int index);
    void removeBookmarks();

signals:
    void bookmarksChanged();

private:
    ViewerSettings::Place currentPlace() const;

    ViewerSettings &m_settings;
    IKelvaneNavigator *m_navigator;
    QString m_key;
};

#endif // KELVANE_HOST_READINGPLACES_H
