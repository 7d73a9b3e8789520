// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_EMBEDDEDCONTENT_H
#define KELVANE_EMBEDDEDCONTENT_H

#include <QtCore/QCoreApplication>
#include <QtCore/QString>

class ReferenceResolver;

// Inline frames (<iframe>), <embed> and <object> of a page, which the pane
// would leave out. A page of the lecture is shown in place, in a frame;
// another file of the lecture and anything online become a visible link
// with its address, which goes to the desktop only when clicked.
class EmbeddedContent
{
    Q_DECLARE_TR_FUNCTIONS(EmbeddedContent)

public:
    static QString replace(const QString &html, const QString &pageFolder, const ReferenceResolver &resolver);
};

#endif // KELVANE_EMBEDDEDCONTENT_H
