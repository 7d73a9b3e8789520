// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PACKAGEPARTS_H
#define KELVANE_PACKAGEPARTS_H

#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>

// What a page of a package needs to be shown, told by the names of the
// package's entries before they are unpacked: the pictures, style sheets
// and frames' pages the page references, the pictures and style sheets of
// those frames' pages, and the pictures the style sheets name. Links to
// other pages are not parts of a page. References resolve as on the page
// (see ReferenceResolver): against the page's folder, a leading slash at
// the root, backslashes as slashes, another letter case when no name
// matches exactly and one does so; references leaving the package, and
// those naming the author's machine, are no parts.
class PackageParts
{
public:
    // Makes the named entries present on disk; false when that was stopped.
    using Fetch = std::function<bool(const QStringList &names)>;

    PackageParts(const QStringList &entryNames, const QString &root);

    // The entry of the start page as StartPage::find() would find it once
    // every entry is unpacked; empty when there is none or two candidates.
    QString startPage() const;
    // The entry unpacked at `absolutePath` below the root, matching letter
    // case as references do (a folder's index page for a folder); empty
    // when the package has none.
    QString entryAt(const QString &absolutePath) const;

    // Fetches `page` and then, a level at a time, its parts (read from the
    // files fetched). Returns the entries fetched, or an empty list when a
    // fetch was stopped.
    QStringList bringIn(const QString &page, const Fetch &fetch) const;

    // The references of pictures, style sheets and frames in markup, or of
    // pictures and imported sheets in a style sheet, as written.
    static QStringList references(const QString &text, bool styleSheet);

private:
    QString entryFor(const QString &reference, const QString &pageEntry) const;
    QString match(const QString &name) const;
    QString indexIn(const QString &folder) const;
    QStringList partsOf(const QString &entry) const;

    QString m_root;
    QHash<QString, QString> m_exact;       // file entries by name
    QHash<QString, QStringList> m_byLower; // the same by their name in lower case
};

#endif // KELVANE_PACKAGEPARTS_H
