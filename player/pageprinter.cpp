// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "pageprinter.h"

#include <QtGui/QTextDocument>
#include <QtPrintSupport/QPrintDialog>
#include <QtPrintSupport/QPrinter>

bool PagePrinter::print(const QTextDocument &page, const QString &title, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(title);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(tr("Print the page"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    page.print(&printer);
    return true;
}
