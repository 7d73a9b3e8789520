// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "readingplaces.h"

#include <ikelvanenavigator.h>

#include <QtCore/QCryptographicHash>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QSharedPointer>
#include <QtCore/QThread>

ReadingPlaces::ReadingPlaces(ViewerSettings &settings, IKelvaneNavigator *navigator, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_navigator(navigator)
{
}

ReadingPlaces::~ReadingPlaces()
{
    stopDigest();
}

QString ReadingPlaces::lectureKey(const QString &path, const std::atomic<bool> *stop)
{
    QFile file(path);
    QCryptographicHash digest(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const qint64 blockSize = 1024 * 1024;
    while (!file.atEnd()) {
        const QByteArray block = file.read(blockSize);
        if (block.isEmpty() || (stop && stop->load()))
            return QString();
        digest.addData(block);
    }
    return QString::fromLatin1(digest.result().toHex());
}

void ReadingPlaces::stopDigest()
{
    if (!m_digest)
        return;
    m_digestStop->store(true);
    m_digest->wait();
    delete m_digest;
    m_digest = nullptr;
}

void ReadingPlaces::lectureOpened(const QString &path)
{
    stopDigest();
    // A small package's digest takes less time than its page takes to be
    // drawn: its place is back at once.
    const qint64 largestAtOnce = qint64(16) * 1024 * 1024;
    if (QFileInfo(path).size() <= largestAtOnce) {
        keyKnown(lectureKey(path));
        return;
    }
    m_key.clear();
    emit bookmarksChanged();
    auto stop = std::make_shared<std::atomic<bool>>(false);
    auto key = QSharedPointer<QString>::create();
    m_digestStop = stop;
    m_digest = QThread::create([path, stop, key] { *key = lectureKey(path, stop.get()); });
    connect(m_digest, &QThread::finished, this, [this, stop, key] {
        if (!stop->load())
            keyKnown(*key);
    });
    m_digest->start();
}

void ReadingPlaces::keyKnown(const QString &key)
{
    m_key = key;
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
    stopDigest();
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
