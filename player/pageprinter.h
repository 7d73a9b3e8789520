// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PAGEPRINTER_H
#define KELVANE_PAGEPRINTER_H

#include <QtCore/QCoreApplication>
#include <QtCore/QString>

class QTextDocument;
class QWidget;

// Prints the page shown, after the reader has chosen a printer, as a link
// of the page that asks for printing wants.
class PagePrinter
{
    Q_DECLARE_TR_FUNCTIONS(PagePrinter)

public:
    // False when the reader cancelled the print dialog.
    static bool print(const QTextDocument &page, const QString &title, QWidget *parent);
};

#endif // KELVANE_PAGEPRINTER_H
