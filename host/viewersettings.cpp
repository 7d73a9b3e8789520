// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "viewersettings.h"

#include <QtCore/QCryptographicHash>
#include <QtCore/QFileInfo>

namespace {

const QString recentKey = QStringLiteral("recent/packages");
const QString folderKey = QStringLiteral("recent/folder");
const QString geometryKey = QStringLiteral("window/geometry");
const QString zoomKey = QStringLiteral("window/zoomDelta");
const QString contentsKey = QStringLiteral("window/contentsShown");

// Zoom steps beyond these make the page useless and are not brought back.
const qreal largestZoomDelta = 48;

} // namespace

ViewerSettings::ViewerSettings()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("kelvane"),
                 QStringLiteral("kelvane-viewer"))
{
}

QStringList ViewerSettings::recentPackages() const
{
    QStringList list = m_settings.value(recentKey).toStringList();
    list.removeAll(QString());
    return list.mid(0, maxRecentPackages);
}

void ViewerSettings::rememberPackage(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList list = recentPackages();
    list.removeAll(absolute);
    list.prepend(absolute);
    m_settings.setValue(recentKey, QStringList(list.mid(0, maxRecentPackages)));
    m_settings.setValue(folderKey, QFileInfo(absolute).absolutePath());
}

void ViewerSettings::forgetPackage(const QString &path)
{
    QStringList list = recentPackages();
    list.removeAll(path);
    m_settings.setValue(recentKey, list);
}

void ViewerSettings::clearRecentPackages()
{
    m_settings.remove(recentKey);
    m_settings.remove(QStringLiteral("recent/about"));
}

QString ViewerSettings::lastFolder() const
{
    return m_settings.value(folderKey).toString();
}

QByteArray ViewerSettings::windowGeometry() const
{
    return m_settings.value(geometryKey).toByteArray();
}

void ViewerSettings::setWindowGeometry(const QByteArray &geometry)
{
    m_settings.setValue(geometryKey, geometry);
}

qreal ViewerSettings::zoomDelta() const
{
    bool ok = false;
    const qreal delta = m_settings.value(zoomKey, 0).toDouble(&ok);
    return ok ? qBound(-largestZoomDelta, delta, largestZoomDelta) : 0;
}

void ViewerSettings::setZoomDelta(qreal delta)
{
    m_settings.setValue(zoomKey, delta);
}

bool ViewerSettings::contentsShown() const
{
    return m_settings.value(contentsKey, true).toBool();
}

void ViewerSettings::setContentsShown(bool shown)
{
    m_settings.setValue(contentsKey, shown);
}

QString ViewerSettings::packageKey(const QString &path, const char *what)
{
    // Paths hold the separator of QSettings' groups: keyed by a digest.
    const QByteArray digest =
        QCryptographicHash::hash(QFileInfo(path).absoluteFilePath().toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("recent/about/%1/%2").arg(QString::fromLatin1(digest), QLatin1String(what));
}

void ViewerSettings::noteOpened(const QString &path, const QString &title)
{
    m_settings.setValue(packageKey(path, "title"), title);
    m_settings.setValue(packageKey(path, "opened"), QDateTime::currentDateTimeUtc());
}

QString ViewerSettings::packageTitle(const QString &path) const
{
    return m_settings.value(packageKey(path, "title")).toString();
}

QDateTime ViewerSettings::lastOpened(const QString &path) const
{
    return m_settings.value(packageKey(path, "opened")).toDateTime();
}

namespace {

// Lecture keys are hexadecimal digests: nothing in them means a group.
QString lectureGroup(const char *what, const QString &lecture)
{
    return QStringLiteral("lectures/%1/%2").arg(lecture, QLatin1String(what));
}

} // namespace

ViewerSettings::Place ViewerSettings::readingPlace(const QString &lecture) const
{
    Place place;
    place.page = m_settings.value(lectureGroup("place", lecture) + QStringLiteral("/page")).toString();
    place.scrollPosition = qMax(0, m_settings.value(lectureGroup("place", lecture) + QStringLiteral("/scroll")).toInt());
    return place;
}

void ViewerSettings::setReadingPlace(const QString &lecture, const Place &place)
{
    m_settings.setValue(lectureGroup("place", lecture) + QStringLiteral("/page"), place.page);
    m_settings.setValue(lectureGroup("place", lecture) + QStringLiteral("/scroll"), place.scrollPosition);
}

QVector<ViewerSettings::Place> ViewerSettings::bookmarks(const QString &lecture) const
{
    QVector<Place> places;
    auto &settings = const_cast<QSettings &>(m_settings);
    const int count = settings.beginReadArray(lectureGroup("bookmarks", lecture));
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        Place place;
        place.page = settings.value(QStringLiteral("page")).toString();
        place.scrollPosition = qMax(0, settings.value(QStringLiteral("scroll")).toInt());
        place.title = settings.value(QStringLiteral("title")).toString();
        if (!place.page.isEmpty())
            places.append(place);
    }
    settings.endArray();
    return places;
}

void ViewerSettings::setBookmarks(const QString &lecture, const QVector<Place> &places)
{
    m_settings.remove(lectureGroup("bookmarks", lecture));
    m_settings.beginWriteArray(lectureGroup("bookmarks", lecture), int(places.size()));
    for (int i = 0; i < places.size(); ++i) {
        m_settings.setArrayIndex(i);
        m_settings.setValue(QStringLiteral("page"), places.at(i).page);
        m_settings.setValue(QStringLiteral("scroll"), places.at(i).scrollPosition);
        m_settings.setValue(QStringLiteral("title"), places.at(i).title);
    }
    m_settings.endArray();
}
