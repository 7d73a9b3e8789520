// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_LECTUREREPORT_H
#define KELVANE_HOST_LECTUREREPORT_H

#include <ikelvanenavigator.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QStringList>

// The lecture's contents and search results as lines for standard output
// (--contents, --find): fields separated by a tab, one item a line.
class LectureReport
{
    Q_DECLARE_TR_FUNCTIONS(LectureReport)

public:
    // "title<TAB>path", the title indented by two spaces a level; the
    // pages that no link reaches follow a line "Other pages", one level in.
    static QStringList contentsLines(const QVector<KelvaneLecturePage> &pages);
    // "path<TAB>words around the match".
    static QStringList matchLines(const QVector<KelvaneLectureMatch> &matches);
    // Writes the lines to standard output; false when that failed.
    static bool print(const QStringList &lines);

    // The player writes progress lines to standard output; while a report is
    // made they go to the null device instead, so that the output holds the
    // report alone. release() brings standard output back.
    static void holdPlayerOutput();
    static void releasePlayerOutput();
};

#endif // KELVANE_HOST_LECTUREREPORT_H
