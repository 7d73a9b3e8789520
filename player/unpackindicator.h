// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_UNPACKINDICATOR_H
#define KELVANE_UNPACKINDICATOR_H

#include <QtWidgets/QProgressBar>

class UnpackQueue;

// The quiet sign in the lower right corner of the pane that the package is
// still unpacking behind the page: "Unpacking: 40 %", gone when it is done
// or stopped. It floats over the pane, in no layout.
class UnpackIndicator : public QProgressBar
{
    Q_OBJECT

public:
    explicit UnpackIndicator(QWidget *pane);

    void follow(UnpackQueue *queue);

    // The object name, by which hosts and tests find it.
    static const char *indicatorName() { return "kelvane-unpack-indicator"; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showProgress(qint64 done, qint64 total);
    void placeInCorner();
};

#endif // KELVANE_UNPACKINDICATOR_H
