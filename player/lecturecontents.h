// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_LECTURECONTENTS_H
#define KELVANE_LECTURECONTENTS_H

#include <QtCore/QString>
#include <QtCore/QVector>

class ReferenceResolver;

// The pages of an unpacked lecture in reading order: the start page, then
// the pages its links reach inside the package, depth first in the order
// the links appear, each at the level at which it was first found; then the
// package's pages that no link reaches. Each page keeps its text for the
// search through the whole lecture.
class LectureContents
{
public:
    // A lecture with more pages than this lists the first ones only.
    static constexpr int largestPageCount = 5000;

    struct Entry
    {
        QString path; // absolute
        QString title;
        int level = 0;
        bool linked = true; // false: a page that no link reaches
        QString text;       // after loadTexts()
    };

    static LectureContents build(const ReferenceResolver &resolver, const QString &startPage);

    const QVector<Entry> &entries() const { return m_entries; }
    // Reads the pages' text for the search, once.
    void loadTexts();
    int indexOf(const QString &path) const;

private:
    void walkLinks(const ReferenceResolver &resolver, const QString &startPage);
    void addUnlinked(const ReferenceResolver &resolver);

    QVector<Entry> m_entries;
    bool m_textsLoaded = false;
};

#endif // KELVANE_LECTURECONTENTS_H
