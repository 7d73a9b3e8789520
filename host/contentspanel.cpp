// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "contentspanel.h"

#include "paneltree.h"

#include <ikelvanenavigator.h>

#include <QtCore/QSignalBlocker>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QTreeWidget>

namespace {

const int pathRole = Qt::UserRole;

QTreeWidgetItem *pageItem(const KelvaneLecturePage &page)
{
    auto *item = new QTreeWidgetItem(QStringList(page.title));
    item->setData(0, pathRole, page.path);
    item->setToolTip(0, page.path);
    return item;
}

} // namespace

ContentsPanel::ContentsPanel(IKelvaneNavigator *navigator, QWidget *parent)
    : QDockWidget(tr("Contents"), parent)
    , m_navigator(navigator)
    , m_tree(new PanelTree)
{
    setObjectName(QStringLiteral("contentsPanel"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setUniformRowHeights(true);
    m_tree->header()->setStretchLastSection(true);
    setWidget(m_tree);
    connect(m_tree, &QTreeWidget::itemActivated, this, &ContentsPanel::open);
    connect(m_tree, &QTreeWidget::itemClicked, this, &ContentsPanel::open);
    if (QObject *events = m_navigator->navigationSignals()) {
        connect(events, SIGNAL(locationChanged()), this, SLOT(showCurrent()));
        // Players that unpack behind the first page say when all pages are there.
        if (events->metaObject()->indexOfSignal("contentsChanged()") >= 0)
            connect(events, SIGNAL(contentsChanged()), this, SLOT(reload()));
    }
}

void ContentsPanel::reload()
{
    const QSignalBlocker blocker(m_tree);
    m_tree->clear();
    // Each page hangs below the last one of the level above it.
    QVector<QTreeWidgetItem *> parents;
    QTreeWidgetItem *others = nullptr;
    for (const KelvaneLecturePage &page : m_navigator->lecturePages()) {
        QTreeWidgetItem *item = pageItem(page);
        if (!page.linked) {
            if (!others) {
                others = new QTreeWidgetItem(m_tree, QStringList(tr("Other pages")));
                others->setFlags(Qt::ItemIsEnabled);
            }
            others->addChild(item);
            continue;
        }
        const int level = qBound(0, page.level, int(parents.size()));
        parents.resize(level);
        if (level == 0)
            m_tree->addTopLevelItem(item);
        else
            parents.last()->addChild(item);
        parents.append(item);
    }
    m_tree->expandAll();
    showCurrent();
}

void ContentsPanel::clear()
{
    m_tree->clear();
}

QTreeWidgetItem *ContentsPanel::itemOf(const QString &path) const
{
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
        if ((*it)->data(0, pathRole).toString() == path)
            return *it;
    }
    return nullptr;
}

void ContentsPanel::showCurrent()
{
    const QSignalBlocker blocker(m_tree);
    QTreeWidgetItem *item = itemOf(m_navigator->currentPage());
    m_tree->setCurrentItem(item);
    if (item)
        m_tree->scrollToItem(item);
    else
        m_tree->clearSelection();
}

void ContentsPanel::open(QTreeWidgetItem *item)
{
    const QString path = item ? item->data(0, pathRole).toString() : QString();
    if (!path.isEmpty() && path != m_navigator->currentPage())
        m_navigator->openPage(path, 0);
}
