// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_PAGEEXPORT_H
#define KELVANE_HOST_PAGEEXPORT_H

#include <QtCore/QCoreApplication>
#include <QtCore/QList>
#include <QtCore/QString>

class QPrinter;
class QTextDocument;

// Puts the page shown on paper or into a PDF file, pictures included, laid
// out for the printer's page size.
class PageExport
{
    Q_DECLARE_TR_FUNCTIONS(PageExport)

public:
    // Prints on a printer set up by the caller (a print dialog, typically).
    static void print(const QTextDocument &page, QPrinter *printer);
    // Writes a PDF file named `fileName` with `title` as its document name;
    // false with *error when the file could not be written.
    static bool toPdf(const QTextDocument &page, const QString &fileName, const QString &title, QString *error);
    // The same for several pages, each starting on a new sheet.
    static bool toPdf(const QList<const QTextDocument *> &pages, const QString &fileName, const QString &title,
                      QString *error);
};

#endif // KELVANE_HOST_PAGEEXPORT_H
