// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "readingplaces.h"

#include <ikelvanenavigator.h>

#include <QtCore/QCryptographicHash>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

ReadingPlaces::ReadingPlaces(ViewerSettings &settings, IKelvaneNavigator *navigator, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_navigator(navigator)
{
}

QString ReadingPlaces::lectureKey(const QString &path)
{
    QFile file(path);
    QCryptographicHash digest(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !digest.addData(&file))
        return QString();
    return QString::fromLatin1(digest.result().toHex());
}

void ReadingPlaces::lectureOpened(const QString &path)
{
    m_key = lectureKey(path);
    emit bookmarksChanged();
    if (m_key.isEmpty())
        return;
    const ViewerSettings::Place place = m_settings.readingPlace(m_key);
    if (place.page.isEmpty() || (place.page == m_navigator->currentPage() && place.scrollPosition == 0))
        return;
    m_navigator->openPage(place.page, place.scrollPosition);
}

void ReadingPlaces::lectureLeaving()
{
    if (m_key.isEmpty() || m_navigator->currentPage().isEmpty())
        return;
    m_settings.setReadingPlace(m_key, currentPlace());
    m_key.clear();
}

QVector<ViewerSettings::Place> ReadingPlaces::bookmarks() const
{
    return m_key.isEmpty() ? QVector<ViewerSettings::Place>() : m_settings.bookmarks(m_key);
}

void ReadingPlaces::addBookmark()
{
    if (m_key.isEmpty() || m_navigator->currentPage().isEmpty())
        return;
    QVector<ViewerSettings::Place> marks = m_settings.bookmarks(m_key);
    marks.append(currentPlace());
    m_settings.setBookmarks(m_key, marks);
    emit bookmarksChanged();
}

void ReadingPlaces::openBookmark(int index)
{
    const QVector<ViewerSettings::Place> marks = bookmarks();
    if (index >= 0 && index < marks.size())
        m_navigator->openPage(marks.at(index).page, marks.at(index).scrollPosition);
}

void ReadingPlaces::removeBookmarks()
{
    if (m_key.isEmpty())
        return;
    m_settings.setBookmarks(m_key, {});
    emit bookmarksChanged();
}

ViewerSettings::Place ReadingPlaces::currentPlace() const
{
    ViewerSettings::Place place;
    place.page = m_navigator->currentPage();
    place.scrollPosition = m_navigator->scrollPosition();
    place.title = QFileInfo(place.page).fileName();
    for (const KelvaneLecturePage &page : m_navigator->lecturePages()) {
        if (page.path == place.page) {
            place.title = page.title;
            break;
        }
    }
    return place;
}
