// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PACKAGECHECK_H
#define KELVANE_PACKAGECHECK_H

#include <QtCore/QCoreApplication>
#include <QtCore/QString>
#include <QtCore/QStringList>

// Why a path cannot be opened as a lecture package, in one sentence for the
// reader: a path too long for the file system, a folder, something that is
// not a regular file (a pipe, a device), a file that cannot be read, a file
// that is no ZIP archive, a damaged archive, a start page whose path in the
// working folder would be too long. Each check returns an empty text when
// it finds nothing wrong.
class PackageCheck
{
    Q_DECLARE_TR_FUNCTIONS(PackageCheck)

public:
    // Checked before anything else: such a path names nothing the system
    // can look up.
    static QString pathProblem(const QString &path);
    // What kind of file sits at the path, and whether it can be read.
    // Nothing is opened that could block (a pipe) or never end (a device).
    static QString fileProblem(const QString &path);
    // After the reader failed to open the file as an archive.
    static QString archiveProblem(const QString &path, const QString &reason);
    // After no start page was found in the working folder: the entries the
    // package holds as start pages, when their path there would be too long.
    static QString startPageProblem(const QString &workPath, const QStringList &entryNames);

    // True when the file system refuses the path for its length: the whole
    // path, or one of its components.
    static bool tooLong(const QString &path);
};

#endif // KELVANE_PACKAGECHECK_H
