// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "pageexport.h"

#include "lectureprinter.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtGui/QTextDocument>
#include <QtPrintSupport/QPrinter>

void PageExport::print(const QTextDocument &page, QPrinter *printer)
{
    // The document is laid out anew for the printer on a copy; its pictures
    // come from the same place as on the screen.
    page.print(printer);
}

bool PageExport::toPdf(const QTextDocument &page, const QString &fileName, const QString &title, QString *error)
{
    return toPdf(QList<const QTextDocument *>{&page}, fileName, title, error);
}

bool PageExport::toPdf(const QList<const QTextDocument *> &pages, const QString &fileName, const QString &title,
                       QString *error)
{
    // QPrinter reports no failure to open its output, so the file is tried
    // here first (and must be a new, non-empty file afterwards).
    QFile probe(fileName);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = tr("cannot write %1: %2").arg(fileName, probe.errorString());
        return false;
    }
    probe.close();

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    printer.setDocName(title);
    printer.setCreator(QStringLiteral("kelvane-viewer"));
    const bool printed = pages.size() == 1 ? (print(*pages.first(), &printer), true)
                                           : LecturePrinter::print(pages, &printer);

    if (!printed || QFileInfo(fileName).size() == 0) {
        *error = tr("cannot write %1").arg(fileName);
        return false;
    }
    return true;
}
