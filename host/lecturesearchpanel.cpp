// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "lecturesearchpanel.h"

#include "paneltree.h"

#include <QtWidgets/QBoxLayout>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QTreeWidget>

namespace {

const int matchRole = Qt::UserRole;

} // namespace

LectureSearchPanel::LectureSearchPanel(IKelvaneNavigator *navigator, QWidget *parent)
    : QDockWidget(tr("Search the Lecture"), parent)
    , m_navigator(navigator)
    , m_field(new QLineEdit)
    , m_summary(new QLabel)
    , m_results(new PanelTree)
{
    setObjectName(QStringLiteral("lectureSearchPanel"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    m_field->setPlaceholderText(tr("Search all pages"));
    m_field->setClearButtonEnabled(true);
    m_summary->setWordWrap(true);
    m_results->setColumnCount(2);
    m_results->setHeaderLabels({tr("Page"), tr("Found")});
    m_results->setRootIsDecorated(false);
    m_results->setWordWrap(true);
    m_results->header()->setStretchLastSection(true);

    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_field);
    layout->addWidget(m_summary);
    layout->addWidget(m_results, 1);
    setWidget(content);

    connect(m_field, &QLineEdit::returnPressed, this, &LectureSearchPanel::search);
    connect(m_results, &QTreeWidget::itemActivated, this, &LectureSearchPanel::open);
    connect(m_results, &QTreeWidget::itemClicked, this, &LectureSearchPanel::open);
}

void LectureSearchPanel::activate()
{
    show();
    raise();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void LectureSearchPanel::search()
{
    m_results->clear();
    const QString text = m_field->text().simplified();
    m_matches = text.isEmpty() ? QVector<KelvaneLectureMatch>() : m_navigator->findInLecture(text);
    for (int i = 0; i < m_matches.size(); ++i) {
        const KelvaneLectureMatch &match = m_matches.at(i);
        auto *item = new QTreeWidgetItem(m_results, {match.title, match.context});
        item->setData(0, matchRole, i);
        item->setToolTip(0, match.path);
        item->setToolTip(1, match.context);
    }
    m_summary->setText(text.isEmpty()            ? QString()
                           : m_matches.isEmpty() ? tr("\"%1\" is on no page of the lecture.").arg(text)
                                                 : tr("%n match(es)", nullptr, int(m_matches.size())));
    m_results->resizeColumnToContents(0);
}

void LectureSearchPanel::clear()
{
    m_results->clear();
    m_matches.clear();
    m_summary->clear();
}

void LectureSearchPanel::open(QTreeWidgetItem *item)
{
    const int index = item ? item->data(0, matchRole).toInt() : -1;
    if (index >= 0 && index < m_matches.size())
        m_navigator->showMatch(m_matches.at(index));
}
