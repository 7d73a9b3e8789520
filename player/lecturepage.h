// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_LECTUREPAGE_H
#define KELVANE_LECTUREPAGE_H

#include <QtCore/QString>
#include <QtCore/QStringList>

class ReferenceResolver;

// What the lecture's contents and search need of one page of an unpacked
// package: its title, its text as a reader sees it, and the pages of the
// package its links (and frames) lead to, in the order they appear.
class LecturePage
{
public:
    QString title;     // the <title>, else the first heading, else the file name
    QString text;      // the decoded page as plain text
    QStringList links; // absolute paths of pages of the package, no repeats

    // Reads the page at `path`; a page that cannot be read gives its file
    // name as title and nothing else. The text, which takes the most time,
    // only when asked for.
    enum Part { TitleAndLinks,
                TextToo };
    static LecturePage read(const QString &path, const ReferenceResolver &resolver, Part part = TitleAndLinks);
    // The decoded page as plain text; empty when it cannot be read.
    static QString textOf(const QString &path);

    // The references of links and frames in `html`, in order, as written.
    static QStringList references(const QString &html);
    // The title by the rule above, from decoded markup.
    static QString titleOf(const QString &html, const QString &fileName);
};

#endif // KELVANE_LECTUREPAGE_H
