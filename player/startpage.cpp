// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "startpage.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QStringList>

QString StartPage::indexIn(const QString &folder)
{
    const QDir dir(folder);
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &wanted : {QStringLiteral("index.html"), QStringLiteral("index.htm")}) {
        if (files.contains(wanted))
            return dir.filePath(wanted);
        for (const QString &name : files) {
            if (name.compare(wanted, Qt::CaseInsensitive) == 0)
                return dir.filePath(name);
        }
    }
    return QString();
}

QString StartPage::find(const QString &root)
{
    const QString atRoot = indexIn(root);
    if (!atRoot.isEmpty())
        return atRoot;

    // Archivers on the Mac add a folder of resource forks beside the real
    // one; it never holds the lecture.
    QString found;
    const QDir dir(root);
    for (const QString &name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (name == QLatin1String("__MACOSX"))
            continue;
        const QString page = indexIn(dir.filePath(name));
        if (page.isEmpty())
            continue;
        if (!found.isEmpty())
            return QString(); // two candidates: which lecture is meant is unknown
        found = page;
    }
    return found;
}
