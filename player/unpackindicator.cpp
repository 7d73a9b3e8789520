// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "unpackindicator.h"

#include "unpackqueue.h"

#include <QtCore/QEvent>

namespace {

// Byte counts do not fit the bar's int range: it counts in thousandths.
const int steps = 1000;

} // namespace

UnpackIndicator::UnpackIndicator(QWidget *pane)
    : QProgressBar(pane)
{
    setObjectName(QLatin1String(indicatorName()));
    setRange(0, steps);
    setTextVisible(true);
    resize(180, 18);
    hide();
    pane->installEventFilter(this);
}

bool UnpackIndicator::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        placeInCorner();
    return QProgressBar::eventFilter(watched, event);
}

void UnpackIndicator::placeInCorner()
{
    const QWidget *pane = parentWidget();
    const int margin = 4;
    // Clear of the pane's scroll bar.
    move(pane->width() - width() - margin - 16, pane->height() - height() - margin);
}

void UnpackIndicator::follow(UnpackQueue *queue)
{
    showProgress(0, 1);
    placeInCorner();
    show();
    raise();
    connect(queue, &UnpackQueue::progress, this, &UnpackIndicator::showProgress);
    connect(queue, &UnpackQueue::finished, this, &QWidget::hide);
    connect(queue, &UnpackQueue::stopped, this, &QWidget::hide);
    connect(queue, &QObject::destroyed, this, &QWidget::hide);
}

void UnpackIndicator::showProgress(qint64 done, qint64 total)
{
    const int value = total > 0 ? int(double(done) / double(total) * steps) : 0;
    setValue(value);
    setFormat(tr("Unpacking: %1 %").arg(value / 10));
}
