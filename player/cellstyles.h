// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_CELLSTYLES_H
#define KELVANE_CELLSTYLES_H

#include <QtCore/QString>

// Table borders given in style sheets, made drawable by the pane: a cell
// that has both a class and a style attribute loses its class's borders in
// the pane, so the class's border, padding and background declarations
// are written into the cell's own style; and hairline border widths
// (0.5pt, 0.0176cm, as word processors export them) become one pixel
// instead of a thick line.
class CellStyles
{
public:
    static QString apply(const QString &html);
    // Border widths in cm, mm, in, pt or px, as whole pixels, at least one.
    static QString roundBorderWidths(const QString &css);
};

#endif // KELVANE_CELLSTYLES_H
