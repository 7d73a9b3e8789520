// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_VIEWERSETTINGS_H
#define KELVANE_HOST_VIEWERSETTINGS_H

#include <QtCore/QByteArray>
#include <QtCore/QDateTime>
#include <QtCore/QSettings>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVector>

// What the viewer remembers for the user between sessions: the recent
// packages and the folder they came from, the window's geometry and the
// page's zoom. Kept with QSettings in the user's configuration
// ("kelvane/kelvane-viewer").
class ViewerSettings
{
public:
    // A place in a lecture: a page (path inside the package) scrolled to a
    // position, and the page's title.
    struct Place
    {
        QString page;
        int scrollPosition = 0;
        QString title;
    };

    static constexpr int maxRecentPackages = 10;

    ViewerSettings();

    // Most recent first, at most maxRecentPackages absolute paths.
    QStringList recentPackages() const;
    // Puts the package at the head of the list and remembers its folder.
    void rememberPackage(const QString &path);
    void forgetPackage(const QString &path);
    void clearRecentPackages();
    // What the start screen shows of a recent package: the lecture's title
    // and when it was last opened (now, by noteOpened).
    void noteOpened(const QString &path, const QString &title);
    QString packageTitle(const QString &path) const;
    QDateTime lastOpened(const QString &path) const;
    // The folder of the last package opened; empty when none was.
    QString lastFolder() const;

    QByteArray windowGeometry() const;
    void setWindowGeometry(const QByteArray &geometry);
    // The page's zoom as a change of the text's point size against the
    // player's own default.
    qreal zoomDelta() const;
    void setZoomDelta(qreal delta);

    // Whether the contents panel is shown (it is at first).
    bool contentsShown() const;
    void setContentsShown(bool shown);

    // Where each lecture (by the digest of its bytes) was left, and its
    // bookmarks.
    Place readingPlace(const QString &lecture) const;
    void setReadingPlace(const QString &lecture, const Place &place);
    QVector<Place> bookmarks(const QString &lecture) const;
    void setBookmarks(const QString &lecture, const QVector<Place> &places);

    void sync() { m_settings.sync(); }

private:
    static QString packageKey(const QString &path, const char *what);

    QSettings m_settings;
};

#endif // KELVANE_HOST_VIEWERSETTINGS_H
