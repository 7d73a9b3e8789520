// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PAGECOMPOSER_H
#define KELVANE_PAGECOMPOSER_H

#include <QtCore/QMap>
#include <QtCore/QString>
#include <QtCore/QStringList>

class ReferenceResolver;

// Prepares the HTML of a page for the pane, which lays out less than a web
// browser: frames composed into one page, inline frames and embedded
// content shown in place or as links, formulas in a linear form, table
// borders of style sheets drawn, gradients as plain colours, and block
// links kept apart.
class PageComposer
{
public:
    struct Result
    {
        QString html;
        QStringList frameNames; // the frames of a frameset page; empty otherwise
    };

    // `frames`: the pages that links have loaded into frames, by name.
    static Result compose(const QString &html, const QString &pageFolder, const ReferenceResolver &resolver,
                          const QMap<QString, QString> &frames = {});

    // Links written one right after another (a menu of links a style sheet
    // makes into blocks) get a line break between them.
    static QString separateAdjacentLinks(const QString &html);
};

#endif // KELVANE_PAGECOMPOSER_H
