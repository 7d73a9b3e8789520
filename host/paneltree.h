// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_PANELTREE_H
#define KELVANE_HOST_PANELTREE_H

#include <QtWidgets/QTreeWidget>

// A list for a side panel: it asks for a narrow column, so that the page
// keeps most of the window, and can be made narrower still.
class PanelTree : public QTreeWidget
{
public:
    using QTreeWidget::QTreeWidget;

    QSize sizeHint() const override { return QSize(190, 300); }
    QSize minimumSizeHint() const override { return QSize(60, 60); }
};

#endif // KELVANE_HOST_PANELTREE_H
