// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "lecturesearch.h"

#include "lecturecontents.h"

namespace {

// Characters of context on each side of a match, before rounding to words.
const int contextReach = 40;

} // namespace

QVector<LectureSearch::Match> LectureSearch::find(const LectureContents &contents, const QString &text)
{
    QVector<Match> matches;
    const QString wanted = text.simplified();
    if (wanted.isEmpty())
        return matches;
    const QVector<LectureContents::Entry> &entries = contents.entries();
    for (int entry = 0; entry < entries.size(); ++entry) {
        const QString &page = entries.at(entry).text;
        int occurrence = 0;
        for (auto at = page.indexOf(wanted, 0, Qt::CaseInsensitive); at >= 0;
             at = page.indexOf(wanted, at + wanted.size(), Qt::CaseInsensitive)) {
            if (matches.size() >= largestMatchCount)
                return matches;
            matches.append(Match{entry, occurrence++, context(page, int(at), int(wanted.size()))});
        }
    }
    return matches;
}

QString LectureSearch::context(const QString &text, int position, int length)
{
    int begin = qMax(0, position - contextReach);
    int end = qMin(int(text.size()), position + length + contextReach);
    // Whole words: a cut word at either edge is left out.
    if (begin > 0) {
        while (begin < position && !text.at(begin - 1).isSpace())
            ++begin;
    }
    if (end < text.size()) {
        while (end > position + length && !text.at(end).isSpace())
            --end;
    }
    QString words = text.mid(begin, end - begin).simplified();
    if (begin > 0)
        words.prepend(QStringLiteral("… "));
    if (end < text.size())
        words.append(QStringLiteral(" …"));
    return words;
}
