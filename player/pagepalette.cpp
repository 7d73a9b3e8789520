// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "pagepalette.h"

#include <QtGui/QPalette>
#include <QtWidgets/QWidget>

void PagePalette::apply(QWidget *pane)
{
    QPalette palette = pane->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(group, QPalette::Text, group == QPalette::Disabled ? QColor(Qt::darkGray) : QColor(Qt::black));
        palette.setColor(group, QPalette::Link, QColor(0, 0, 238));
        palette.setColor(group, QPalette::LinkVisited, QColor(85, 26, 139));
        palette.setColor(group, QPalette::Highlight, QColor(48, 140, 198));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    pane->setPalette(palette);
}
