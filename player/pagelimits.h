// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PAGELIMITS_H
#define KELVANE_PAGELIMITS_H

#include <QtCore/QCoreApplication>
#include <QtCore/QString>

class QWidget;

// What the pane can lay out in reasonable time and memory. Its layout
// grows much faster than the page: a page of 200 MB takes it half a minute
// and gigabytes, and every level of nesting costs more than the one before
// (seconds at a few thousand levels). Pages beyond these bounds are not
// handed to the pane; the reader is told why and may open them in the
// desktop's browser instead.
class PageLimits
{
    Q_DECLARE_TR_FUNCTIONS(PageLimits)

public:
    static const qint64 largestPage = qint64(16) * 1024 * 1024;
    // Elements open inside one another, and tables inside tables, whose
    // layout time grows far faster; the measurements are in the README.
    static const int deepestNesting = 500;
    static const int deepestTables = 10;

    struct Nesting
    {
        int elements = 0;
        int tables = 0;
    };
    // How deep the elements of the markup nest, as the pane would build
    // them: void elements and those whose end tag HTML leaves out (p, li,
    // td, ...) do not count, and script, style and comments are skipped.
    static Nesting nesting(const QString &html);

    // Why a page of that size is not shown; empty when it may be.
    static QString sizeProblem(qint64 bytes);
    // Why a page of that nesting is not shown; empty when it may be.
    static QString nestingProblem(const Nesting &nesting);

    // The page the pane shows in place of one it does not lay out.
    static QString placeholderHtml(const QString &reason);

    // Tells the reader why `path` is not shown and offers to open it in the
    // desktop's browser (which opens it when the reader agrees).
    static void offerBrowser(QWidget *parent, const QString &title, const QString &reason, const QString &path);
    // The object name of that box, by which hosts and tests find it.
    static const char *boxName();
};

#endif // KELVANE_PAGELIMITS_H
