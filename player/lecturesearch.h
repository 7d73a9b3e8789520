// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_LECTURESEARCH_H
#define KELVANE_LECTURESEARCH_H

#include <QtCore/QString>
#include <QtCore/QVector>

class LectureContents;

// Finds a text in every page of the lecture's contents at once: case
// aside, inside words as the find field does, in the pages' decoded text.
class LectureSearch
{
public:
    // More matches than this are not collected.
    static constexpr int largestMatchCount = 1000;

    struct Match
    {
        int entry = -1;     // index in the contents
        int occurrence = 0; // the how-manieth match on its page, from 0
        QString context;    // the words around it
    };

    static QVector<Match> find(const LectureContents &contents, const QString &text);

    // The words around text[position, position + length), whole words
    // only, on one line.
    static QString context(const QString &text, int position, int length);
};

#endif // KELVANE_LECTURESEARCH_H
