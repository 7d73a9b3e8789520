// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_STARTPAGE_H
#define KELVANE_STARTPAGE_H

#include <QtCore/QString>

// Finds the first page of an unpacked package: index.html (or index.htm,
// in any letter case) at its root, or else in the one top-level folder that
// holds such a page, since people often pack the folder of a lecture rather
// than its contents.
class StartPage
{
public:
    // The absolute path of the page; empty when the package has none.
    static QString find(const QString &root);

    // The index page directly in `folder`: "index.html" if present, then the
    // same name in another letter case, then "index.htm" likewise; empty
    // when there is none.
    static QString indexIn(const QString &folder);
};

#endif // KELVANE_STARTPAGE_H
