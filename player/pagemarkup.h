// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PAGEMARKUP_H
#define KELVANE_PAGEMARKUP_H

#include <QtCore/QString>

class ReferenceResolver;

// Pieces of a page's HTML, taken out so that one page can be shown inside
// another (a frame, an inline frame).
class PageMarkup
{
public:
    // What the body holds; the whole text when there is no body tag.
    static QString body(const QString &html);
    // The style sheets of the head: <style> elements and linked sheets.
    static QString headStyles(const QString &html);
    // The value of `name` in the attribute text of a tag, its character
    // references undone; empty when absent.
    static QString attribute(const QString &attributes, const QString &name);
    // The frame that links go to by default (<base target="...">).
    static QString baseTarget(const QString &html);

    // The query item that tells which frame a link of a frame loads into.
    static QString frameQueryItem();

    // Rewrites the relative references (src, href, data, background) of a
    // page from the folder `pageFolder` so that they start at the package's
    // root: they then mean the same files inside a page of another folder.
    // With a `frame`, links also carry the frame they load into: their own
    // target, else `defaultTarget` (the page's <base target>), else `frame`.
    static QString rebase(const QString &html, const ReferenceResolver &resolver, const QString &pageFolder,
                          const QString &frame = QString(), const QString &defaultTarget = QString());
};

#endif // KELVANE_PAGEMARKUP_H
