// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_LECTUREPRINTER_H
#define KELVANE_HOST_LECTUREPRINTER_H

#include <QtCore/QList>
#include <QtCore/QString>

class IKelvaneNavigator;
class QObject;
class QPrinter;
class QTextDocument;

// Puts several pages on paper in one run, each page of the lecture starting
// on a new sheet, laid out for the printer as QTextDocument::print does for
// one (2 cm margins, the pictures of each page from its own folder).
class LecturePrinter
{
public:
    // The documents of every page of the lecture's contents, in order, or
    // of the one page `onlyPage` (a path inside the package), owned by
    // `owner`; empty when there is no such page.
    static QList<const QTextDocument *> lectureDocuments(IKelvaneNavigator *navigator, QObject *owner,
                                                         const QString &onlyPage = QString());

    // False when the printer could not be started.
    static bool print(const QList<const QTextDocument *> &pages, QPrinter *printer);

private:
    static void printOne(const QTextDocument &page, QPrinter *printer, bool *firstSheet, class QPainter *painter);
};

#endif // KELVANE_HOST_LECTUREPRINTER_H
