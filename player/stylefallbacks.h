// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_STYLEFALLBACKS_H
#define KELVANE_STYLEFALLBACKS_H

#include <QtCore/QString>

// Style sheet values the pane cannot draw, replaced by the nearest ones it
// can: a colour gradient as a background becomes its first colour, so that
// light text meant for a dark gradient stays on a dark ground.
class StyleFallbacks
{
public:
    // Style sheets, style attributes or whole pages.
    static QString apply(const QString &css);
};

#endif // KELVANE_STYLEFALLBACKS_H
