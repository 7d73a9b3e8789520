// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_READINGPLACES_H
#define KELVANE_HOST_READINGPLACES_H

#include "viewersettings.h"

#include <QtCore/QObject>
#include <QtCore/QVector>

#include <atomic>
#include <memory>

class IKelvaneNavigator;
class QThread;

// Where the reader is in each lecture: the page and scroll position left,
// brought back when the lecture is opened again, and the bookmarks. A
// lecture is known by a digest of its bytes, so a renamed or moved copy is
// the same lecture and a changed package is another one. The digest of a
// large package is taken on a thread of its own, so that its first page is
// shown (and can be read) meanwhile; the place left is brought back once
// the digest is known.
class ReadingPlaces : public QObject
{
    Q_OBJECT
public:
    ReadingPlaces(ViewerSettings &settings, IKelvaneNavigator *navigator, QObject *parent);
    ~ReadingPlaces() override;

    // The digest of the package at `path`; empty when it cannot be read or
    // `stop` became true meanwhile.
    static QString lectureKey(const QString &path, const std::atomic<bool> *stop = nullptr);

    // A package was opened: goes back to where it was left, once its
    // digest is known.
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
    void keyKnown(const QString &key);
    void stopDigest();

    ViewerSettings &m_settings;
    IKelvaneNavigator *m_navigator;
    QString m_key;
    QThread *m_digest = nullptr;
    std::shared_ptr<std::atomic<bool>> m_digestStop;
};

#endif // KELVANE_HOST_READINGPLACES_H
