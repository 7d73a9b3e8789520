// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_FRAMESETLAYOUT_H
#define KELVANE_FRAMESETLAYOUT_H

#include <QtCore/QCoreApplication>
#include <QtCore/QMap>
#include <QtCore/QString>
#include <QtCore/QStringList>

class ReferenceResolver;

// Shows a page made of frames (<frameset>) as one page: the frames side by
// side (columns) or one above the other (rows), nested as the page nests
// them, each frame's page written into its cell of a table in the widths
// the page gives. The pane can then show, search, print and export all of
// them at once. Links of a frame carry the frame they load into.
class FramesetLayout
{
    Q_DECLARE_TR_FUNCTIONS(FramesetLayout)

public:
    static bool isFrameset(const QString &html);

    // The page that shows the frames of `html` (a page of `pageFolder`);
    // `frames` names the page shown in a frame instead of the one the
    // frameset gives, by frame name. The names of all frames go to `names`.
    static QString compose(const QString &html, const QString &pageFolder, const ReferenceResolver &resolver,
                           const QMap<QString, QString> &frames, QStringList *names);
};

#endif // KELVANE_FRAMESETLAYOUT_H
