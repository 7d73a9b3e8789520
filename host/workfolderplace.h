// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_WORKFOLDERPLACE_H
#define KELVANE_HOST_WORKFOLDERPLACE_H

#include <QtCore/QCoreApplication>
#include <QtCore/QList>
#include <QtCore/QPair>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>

// Where the viewer's private working folder goes: the first of these places
// with room for the package unpacked,
//  1. $TMPDIR when it is set, else the system temporary folder;
//  2. $XDG_RUNTIME_DIR, when it is a folder of this user alone: on most
//     desktops a small file system in memory, meant for sockets, so only
//     when the package fits;
//  3. "kelvane" in $XDG_CACHE_HOME (else ~/.cache), made when needed.
// A place whose free space the system does not tell counts as having room.
class WorkFolderPlace
{
    Q_DECLARE_TR_FUNCTIONS(WorkFolderPlace)

public:
    // Bytes free for this user in the folder, or in its nearest existing
    // parent; -1 when the system does not tell.
    using FreeSpace = std::function<qint64(const QString &folder)>;

    struct Choice
    {
        QString folder; // empty: no place has room
        qint64 needed = 0;
        QList<QPair<QString, qint64>> tried; // each place with its free bytes
        bool ok() const { return !folder.isEmpty(); }
        // The one message when no place has room: needed and free.
        QString shortageText() const;
    };

    static QStringList candidates();
    // The first candidate with room for `needed` bytes; the cache folder is
    // made when it is the one.
    static Choice choose(qint64 needed, const FreeSpace &freeSpace = availableBytes);
    static qint64 availableBytes(const QString &folder);
    // The bytes the package unpacks to (its entries' recorded sizes); 0 when
    // it cannot be read as an archive (the player then says why).
    static qint64 unpackedSize(const QString &package);
};

#endif // KELVANE_HOST_WORKFOLDERPLACE_H
