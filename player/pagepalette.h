// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PAGEPALETTE_H
#define KELVANE_PAGEPALETTE_H

class QWidget;

// Lecture pages are made for dark text on a white sheet. The pane keeps
// those colours whatever the desktop's theme, so that a page which sets a
// light background of its own but no text colour (or the reverse) stays
// readable under a dark theme; the colours a page defines still win. The
// window's other controls keep following the desktop.
class PagePalette
{
public:
    static void apply(QWidget *pane);
};

#endif // KELVANE_PAGEPALETTE_H
