// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TEXTCONTRAST_H
#define KELVANE_TEXTCONTRAST_H

#include <QtGui/QColor>

class QTextDocument;

// Keeps a page readable where its style sheet gives text a colour meant
// for a background the pane does not draw (a gradient, a picture, a box it
// cannot lay out): text whose colour nearly equals what is really behind
// it (a background picture counts with its average colour) gets the pane's
// own text colour.
class TextContrast
{
public:
    // Contrast of two colours, from 1 (the same) to 21 (black on white).
    static double ratio(const QColor &a, const QColor &b);
    // Returns how many pieces of text got their colour back.
    static int ensureReadable(QTextDocument *document, const QColor &paneBackground);
};

#endif // KELVANE_TEXTCONTRAST_H
