// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "lectureprinter.h"

#include "lecturecompletion.h"

#include <ikelvanenavigator.h>

#include <QtCore/QScopedPointer>
#include <QtGui/QAbstractTextDocumentLayout>
#include <QtGui/QPainter>
#include <QtGui/QTextDocument>
#include <QtGui/QTextFrame>
#include <QtPrintSupport/QPrinter>

QList<const QTextDocument *> LecturePrinter::lectureDocuments(IKelvaneNavigator *navigator, QObject *owner,
                                                              const QString &onlyPage)
{
    QList<const QTextDocument *> documents;
    QStringList paths;
    if (!onlyPage.isEmpty()) {
        paths << onlyPage;
    } else {
        LectureCompletion::wait(navigator);
        for (const KelvaneLecturePage &page : navigator->lecturePages())
            paths << page.path;
    }
    for (const QString &path : paths) {
        if (const QTextDocument *document = navigator->pageDocument(path, owner))
            documents << document;
    }
    return documents;
}

bool LecturePrinter::print(const QList<const QTextDocument *> &pages, QPrinter *printer)
{
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    bool firstSheet = true;
    for (const QTextDocument *page : pages)
        printOne(*page, printer, &firstSheet, &painter);
    return painter.end();
}

void LecturePrinter::printOne(const QTextDocument &page, QPrinter *printer, bool *firstSheet, QPainter *painter)
{
    // A copy laid out for the printer; its pictures are asked of the page's
    // document, its parent, as QTextDocument::print does it.
    QScopedPointer<QTextDocument> copy(page.clone(const_cast<QTextDocument *>(&page)));
    copy->documentLayout()->setPaintDevice(printer);
    QTextFrameFormat frame = copy->rootFrame()->frameFormat();
    frame.setMargin(0);
    copy->rootFrame()->setFrameFormat(frame);
    const qreal margin = 2 / 2.54 * printer->logicalDpiY();
    const QSizeF body(printer->width() - 2 * margin, printer->height() - 2 * margin);
    copy->setPageSize(body);

    for (int sheet = 0; sheet < copy->pageCount(); ++sheet) {
        if (!*firstSheet)
            printer->newPage();
        *firstSheet = false;
        painter->save();
        painter->translate(margin, margin - sheet * body.height());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(QPointF(0, sheet * body.height()), body);
        // Paper is white whatever the desktop's theme.
        context.palette.setColor(QPalette::Text, Qt::black);
        painter->setClipRect(context.clip);
        copy->documentLayout()->draw(painter, context);
        painter->restore();
    }
}
