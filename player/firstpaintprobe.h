// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_FIRSTPAINTPROBE_H
#define KELVANE_FIRSTPAINTPROBE_H

#include <QtCore/QObject>

class QWidget;

// Tells how long the viewer took to show a lecture: once armed (the start
// page and its pictures are in the pane), the next paint of the pane writes
// "first paint: N ms after start" on the logging category
// "kelvane.viewer.timing" at info level, which is off unless enabled (for
// instance QT_LOGGING_RULES="kelvane.viewer.timing.info=true"). N counts
// from the loading of the player's library.
class FirstPaintProbe : public QObject
{
    Q_OBJECT

public:
    FirstPaintProbe(QWidget *pane, QObject *parent);

    void arm();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void report();

    QWidget *m_pane;
    bool m_armed = false;
    bool m_reported = false;
};

#endif // KELVANE_FIRSTPAINTPROBE_H
