// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "packagedrop.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QMimeData>
#include <QtCore/QTimer>
#include <QtCore/QUrl>
#include <QtGui/QDragEnterEvent>
#include <QtGui/QDropEvent>
#include <QtWidgets/QWidget>

PackageDrop::PackageDrop(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    window->setAcceptDrops(true);
    QCoreApplication::instance()->installEventFilter(this);
}

PackageDrop::~PackageDrop()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

QString PackageDrop::packageOf(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return QString();
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return QString();
    const QString path = urls.first().toLocalFile();
    return path.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive) ? path : QString();
}

bool PackageDrop::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!m_window || !widget || widget->window() != m_window)
        return false;

    auto *drop = static_cast<QDropEvent *>(event);
    const QString package = packageOf(drop->mimeData());
    if (package.isEmpty()) {
        // Nothing else may be dropped on the window, the page included.
        drop->ignore();
        return true;
    }
    // The package is read, never moved away from where it is.
    if (drop->possibleActions() & Qt::CopyAction) {
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
    } else {
        drop->acceptProposedAction();
    }
    if (type == QEvent::Drop) {
        // Opening may show boxes; the drag source waits for the drop to
        // finish, so the package is opened afterwards.
        QTimer::singleShot(0, this, [this, package] { emit packageDropped(package); });
    }
    return true;
}
