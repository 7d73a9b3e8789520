// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_PACKAGEDROP_H
#define KELVANE_HOST_PACKAGEDROP_H

#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QString>

class QMimeData;
class QWidget;

// Accepts a package file dropped anywhere on one window, whichever of its
// widgets is under the pointer (the page pane would otherwise refuse it),
// and announces it with packageDropped() once the drop is over.
class PackageDrop : public QObject
{
    Q_OBJECT

public:
    // Watches the application's events for drags over `window`.
    explicit PackageDrop(QWidget *window);
    ~PackageDrop() override;

    // The package named by a drag: exactly one local file ending in ".zip"
    // (any letter case); empty otherwise.
    static QString packageOf(const QMimeData *data);

signals:
    void packageDropped(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_window;
};

#endif // KELVANE_HOST_PACKAGEDROP_H
