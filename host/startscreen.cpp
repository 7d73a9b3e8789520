// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "startscreen.h"

#include "viewersettings.h"

#include <QtCore/QDateTime>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QLocale>
#include <QtWidgets/QBoxLayout>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTreeWidget>

namespace {

const int pathRole = Qt::UserRole;

QString whenText(const QDateTime &when)
{
    return when.isValid() ? QLocale().toString(when.toLocalTime(), QLocale::ShortFormat) : QString();
}

} // namespace

StartScreen::StartScreen(ViewerSettings &settings, const QString &samplePackage, QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_samplePackage(samplePackage)
    , m_recent(new QTreeWidget)
    , m_open(new QPushButton(tr("&Open a Lecture...")))
    , m_sample(new QPushButton(tr("Open the &Sample Lecture")))
{
    setObjectName(QStringLiteral("startScreen"));
    auto *heading = new QLabel(tr("<h2>Kelvane Viewer</h2><p>Recent lectures:</p>"));
    m_recent->setColumnCount(3);
    m_recent->setHeaderLabels({tr("Lecture"), tr("File"), tr("Last opened")});
    m_recent->setRootIsDecorated(false);
    m_recent->setMinimumSize(60, 60);
    m_recent->header()->setStretchLastSection(false);
    m_recent->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_sample->setEnabled(QFileInfo(m_samplePackage).isFile());

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_open);
    buttons->addWidget(m_sample);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_recent, 1);
    layout->addLayout(buttons);

    connect(m_recent, &QTreeWidget::itemActivated, this, &StartScreen::choose);
    connect(m_recent, &QTreeWidget::itemClicked, this, &StartScreen::choose);
    connect(m_open, &QPushButton::clicked, this, &StartScreen::openRequested);
    connect(m_sample, &QPushButton::clicked, this, [this] { emit packageChosen(m_samplePackage); });
    refresh();
}

void StartScreen::refresh()
{
    m_recent->clear();
    for (const QString &path : m_settings.recentPackages()) {
        const QFileInfo info(path);
        const QString title = m_settings.packageTitle(path);
        auto *item = new QTreeWidgetItem(
            m_recent, {title.isEmpty() ? info.completeBaseName() : title, info.fileName(), whenText(m_settings.lastOpened(path))});
        item->setData(0, pathRole, path);
        item->setToolTip(1, QDir::toNativeSeparators(path));
        if (!info.isFile())
            item->setDisabled(true);
    }
    for (int column = 1; column < 3; ++column)
        m_recent->resizeColumnToContents(column);
}

void StartScreen::choose(QTreeWidgetItem *item)
{
    if (item && !item->isDisabled())
        emit packageChosen(item->data(0, pathRole).toString());
}
