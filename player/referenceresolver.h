// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_REFERENCERESOLVER_H
#define KELVANE_REFERENCERESOLVER_H

#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QUrl>

// Finds what a reference on a page of an unpacked package stands for, and
// decides what may be done with it.
//
// Relative references resolve against the folder of the page they are on,
// as in a web browser; a reference starting with a slash starts at the
// package's root. References written on Windows work too: backslashes
// separate folders, and a name that matches no file exactly is taken to
// mean the one file that differs from it only in letter case (an exact
// match always wins). Nothing outside the package is ever reached: paths
// climbing out of the root are refused, and absolute paths of the author's
// machine (drive letters, file URLs, network shares) are looked up in the
// package by their file name, then by their last folders, taken only when
// one file matches.
class ReferenceResolver
{
public:
    struct Target
    {
        enum Kind {
            SamePage,  // an anchor on the page itself, or nothing
            InPackage, // a file or folder of the package: path
            External,  // a web address, mail address and the like: url
            Outside,   // a local file outside the package: never followed
            Missing    // inside the package, but no such file: path
        };
        Kind kind = SamePage;
        QString path;
        QString fragment;
        QUrl url;
    };

    // What the pane can show itself; everything else goes to the desktop.
    enum ContentKind {
        Page,
        PlainText,
        Picture,
        OtherContent
    };

    explicit ReferenceResolver(const QString &root = QString());

    QString root() const { return m_root; }
    bool contains(const QString &absolutePath) const;

    Target resolve(const QUrl &reference, const QString &pageFolder) const;

    // The existing file or folder that an absolute path below the root
    // names, matching letter case as described above; empty when none.
    QString locate(const QString &absolutePath) const;

    static ContentKind contentKind(const QString &path);

    // Files were added below the root: folders are listed anew.
    void forgetListings() const;

private:
    QStringList folderEntries(const QString &folder) const;
    QString findByName(const QUrl &reference) const;
    QString uniqueByName(const QStringList &segments) const;

    QString m_root;
    // Unpacked files are only ever added (see forgetListings()), so folder
    // listings are read once.
    mutable QHash<QString, QStringList> m_listings;
    // Paths below the root of the files of each name, in lower case.
    mutable QHash<QString, QStringList> m_filesByName;
};

#endif // KELVANE_REFERENCERESOLVER_H
