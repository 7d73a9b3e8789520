// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "folderutils.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

bool util_deleteDir(QString path)
{
    // "link/" would name the folder behind a link, so trailing slashes go
    // before the link test.
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);

    // A link in place of the folder is removed itself; its target is
    // somebody else's business.
    if (QFileInfo(path).isSymLink())
        return util_deleteFile(path);

    QDir dir(path);
    // Everything is listed, hidden and special entries too, before anything
    // is removed; links are sorted with the files so they are never entered.
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    QStringList folders;
    QStringList files;
    for (const QFileInfo &entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            folders.append(entry.fileName());
        else
            files.append(entry.fileName());
    }

    int failures = 0;
    for (const QString &name : qAsConst(folders)) {
        if (!util_deleteDir(path + QLatin1Char('/') + name))
            ++failures;
    }
    for (const QString &name : qAsConst(files)) {
        if (!util_deleteFile(path + QLatin1Char('/') + name))
            ++failures;
    }
    if (!dir.rmdir(path))
        ++failures;
    return failures == 0;
}

bool util_deleteFile(QString path)
{
    return QFile::remove(path);
}
