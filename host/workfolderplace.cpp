// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "workfolderplace.h"

#include <kelvanezip/unzip.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QLocale>
#include <QtCore/QStorageInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder only this user can enter, as XDG_RUNTIME_DIR must be.
bool isPrivateFolderOfThisUser(const QString &path)
{
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    return S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() && (status.st_mode & 077) == 0;
}

QString environmentFolder(const char *name)
{
    const QString value = QFile::decodeName(qgetenv(name));
    return value.isEmpty() ? QString() : QDir::cleanPath(QDir(value).absolutePath());
}

QString cacheFolder()
{
    QString cache = environmentFolder("XDG_CACHE_HOME");
    if (cache.isEmpty())
        cache = QDir::cleanPath(QDir::homePath() + QStringLiteral("/.cache"));
    return cache + QStringLiteral("/kelvane");
}

} // namespace

QStringList WorkFolderPlace::candidates()
{
    QStringList places;
    const QString tmpDir = environmentFolder("TMPDIR");
    // QDir::tempPath() answers TMPDIR, which is unset here.
    places << (tmpDir.isEmpty() ? QDir::cleanPath(QDir::tempPath()) : tmpDir);
    const QString runtimeDir = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
    if (!runtimeDir.isEmpty() && QDir::isAbsolutePath(runtimeDir) && isPrivateFolderOfThisUser(runtimeDir))
        places << QDir::cleanPath(runtimeDir);
    places << cacheFolder();
    return places;
}

qint64 WorkFolderPlace::availableBytes(const QString &folder)
{
    QString existing = folder;
    while (!QFileInfo(existing).isDir() && existing != QDir::rootPath() && !existing.isEmpty())
        existing = QFileInfo(existing).absolutePath();
    const QStorageInfo storage(existing);
    return storage.isValid() && storage.isReady() ? storage.bytesAvailable() : -1;
}

WorkFolderPlace::Choice WorkFolderPlace::choose(qint64 needed, const FreeSpace &freeSpace)
{
    Choice choice;
    choice.needed = needed;
    for (const QString &place : candidates()) {
        const qint64 free = freeSpace(place);
        choice.tried.append(qMakePair(place, free));
        if (free >= 0 && free < needed)
            continue;
        if (!QFileInfo(place).isDir() && !QDir().mkpath(place))
            continue;
        choice.folder = place;
        break;
    }
    return choice;
}

QString WorkFolderPlace::Choice::shortageText() const
{
    const QLocale locale;
    QStringList places;
    for (const auto &place : tried)
        places << tr("%1 free in %2").arg(locale.formattedDataSize(qMax<qint64>(0, place.second)), QDir::toNativeSeparators(place.first));
    return tr("There is no room to unpack this lecture: it needs %1, and there is only %2.")
        .arg(locale.formattedDataSize(needed), places.join(QStringLiteral(", ")));
}

qint64 WorkFolderPlace::unpackedSize(const QString &package)
{
    UnZip reader;
    if (reader.openArchive(package) != UnZip::Success)
        return 0;
    quint64 total = 0;
    for (const UnZip::ZipEntry &entry : reader.entryList())
        total += entry.uncompressedSize;
    return qint64(qMin<quint64>(total, quint64(1) << 62));
}
