// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "mainwindow.h"

#include "firstpaintprobe.h"
#include "folderutils.h"
#include "packagecheck.h"
#include "packageopening.h"
#include "packageunpacker.h"
#include "pagefinder.h"
#include "pagelimits.h"
#include "pagenavigator.h"
#include "pagepalette.h"
#include "pageprinter.h"
#include "unpackindicator.h"
#include "unpackqueue.h"
#include "unpackreport.h"
#include "unpackrun.h"
#include "windowshortcuts.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtWidgets/QBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <sys/types.h>
#endif

namespace {

// Progress lines on standard output; each is flushed at once so that a
// host reading the pipe sees it while the window is still busy.
void printConsoleLine(const char *line)
{
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QPushButton *createIconButton(const QString &iconPath, const QString &toolTip)
{
    auto *button = new QPushButton;
    button->setIcon(QIcon(iconPath));
    button->setFlat(true);
    button->setMaximumHeight(20);
    button->setMaximumWidth(20);
    button->setToolTip(toolTip);
    return button;
}

} // namespace

CMainWindow::CMainWindow(QWidget *parent)
    : QWidget(parent)
{
    printConsoleLine("ok3");

    auto *windowLayout = new QVBoxLayout;
    windowLayout->setContentsMargins(0, 0, 0, 0);

    browser.setReadOnly(true);
    browser.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PagePalette::apply(&browser);
    windowLayout->addWidget(&browser);
    windowLayout->addWidget(createControlRow());
    setLayout(windowLayout);
    setUpNavigation();

    printConsoleLine("ok4");
}

QWidget *CMainWindow::createControlRow()
{
    auto *toolBar = new QWidget;
    auto *rowLayout = new QHBoxLayout;

    QPushButton *backButton = createIconButton(QStringLiteral(":/kelvane_player_res/icon_back"), tr("Quit"));
    connect(backButton, &QPushButton::clicked, this, &CMainWindow::slQuit);
    rowLayout->addWidget(backButton);

    rowLayout->addWidget(new QLabel(tr("Find")));
    rowLayout->addWidget(&findEdit);

    QPushButton *findButton = createIconButton(QStringLiteral(":kelvane_player_res/icon_find"), tr("Find next"));
    connect(findButton, &QPushButton::clicked, this, &CMainWindow::slFind);
    rowLayout->addWidget(findButton);

    rowLayout->addStretch(0);

    QPushButton *fontUpButton = createIconButton(QStringLiteral(":kelvane_player_res/icon_font_up"), tr("Font Up"));
    connect(fontUpButton, &QPushButton::clicked, this, &CMainWindow::slFontUp);
    rowLayout->addWidget(fontUpButton);

    QPushButton *fontDownButton =
        createIconButton(QStringLiteral(":kelvane_player_res/icon_font_down"), tr("Font Down"));
    connect(fontDownButton, &QPushButton::clicked, this, &CMainWindow::slFontDown);
    rowLayout->addWidget(fontDownButton);

    toolBar->setLayout(rowLayout);
    return toolBar;
}

void CMainWindow::setUpNavigation()
{
    auto *navigator = new PageNavigator(&browser, this);
    new FirstPaintProbe(browser.viewport(), this);
    new UnpackIndicator(&browser);
    connect(navigator, &PageNavigator::warning, this, &CMainWindow::printLabError);
    connect(navigator, &PageNavigator::pageRefused, this, [this](const QString &reason, const QString &path) {
        PageLimits::offerBrowser(this, tr("kelvane_player"), reason, path);
    });
    connect(navigator, &PageNavigator::printRequested, this, [this, navigator] {
        PagePrinter::print(*browser.document(), QFileInfo(navigator->currentPage()).completeBaseName(), this);
    });
    auto *finder = new PageFinder(&browser, &findEdit, this);
    connect(&findEdit, &QLineEdit::returnPressed, this, &CMainWindow::slFind);
    WindowShortcuts::Actions keys;
    keys.focusFind = [finder] { finder->focusField(); };
    keys.findNext = [this] { slFind(); };
    keys.zoomIn = [this] { slFontUp(); };
    keys.zoomOut = [this] { slFontDown(); };
    keys.goBack = [navigator] { navigator->goBack(); };
    keys.goForward = [navigator] { navigator->goForward(); };
    keys.goHome = [navigator] { navigator->goHome(); };
    connect(finder, &PageFinder::wrapped, navigator, &PageNavigator::findWrapped);
    WindowShortcuts::install(this, keys);
}

void CMainWindow::slFontUp()
{
    browser.zoomIn(1);
}

void CMainWindow::slFontDown()
{
    browser.zoomOut(1);
}

void CMainWindow::slFind()
{
    findChild<PageFinder *>()->findNext();
    browser.setFocus(Qt::OtherFocusReason);
}

void CMainWindow::printLabError(QString text)
{
    QMessageBox::warning(nullptr, tr("kelvane_player"), text, QMessageBox::Ok);
}

bool CMainWindow::slOpen(QString filename)
{
    printConsoleLine("ok5");
    filename = QDir(filename).absolutePath();
    // Asked again while a package is being unpacked (a drop, a recent
    // package): the progress dialog is there to wait for or cancel.
    if (findChild<UnpackRun *>())
        return false;
    // The rest of the package shown before goes no further.
    stopUnpacking();
    // Such a path names nothing the system can look up, not even nothing.
    const QString tooLong = PackageCheck::pathProblem(filename);
    if (!tooLong.isEmpty()) {
        printLabError(tooLong);
        return false;
    }

    if (QFile::exists(filename)) {
        printConsoleLine("ok6");
        PackageOpening opening(this, findChild<PageNavigator *>(), [this](const QString &text) { printLabError(text); });
        if (!opening.open(filename))
            return false;
        findChild<FirstPaintProbe *>()->arm();
        followQueue();
        printConsoleLine("ok7");
    }

    printConsoleLine("ok8");
    return true;
}

bool CMainWindow::decompress(const QString &archivePath, const QString &targetFolder, const QString &password)
{
    if (!QFile::exists(archivePath)) {
        printLabError(tr("File does not exist"));
        return false;
    }

    PackageUnpacker unpacker(archivePath);
    if (unpacker.open() != UnZip::Success) {
        printLabError(tr("OpenArchive failed"));
        return false;
    }
    // Entries that cannot be unpacked leave the rest as it is; the result
    // says that the walk through the archive was made.
    unpacker.unpack(targetFolder, password);
    return true;
}

void CMainWindow::followQueue()
{
    auto *queue = findChild<UnpackQueue *>();
    if (!queue)
        return;
    findChild<PageNavigator *>()->setQueue(queue);
    findChild<UnpackIndicator *>()->follow(queue);
    connect(queue, &UnpackQueue::finished, this, &CMainWindow::queueFinished);
}

void CMainWindow::queueFinished(const QString &writeFailure, const QStringList &failedEntries)
{
    // Told as an unpacking before the page would tell it; what is shown
    // stays.
    if (!writeFailure.isEmpty())
        printLabError(tr("The lecture could not be unpacked: %1").arg(writeFailure));
    else if (!failedEntries.isEmpty())
        printLabError(UnpackReport::text(failedEntries));
}

void CMainWindow::stopUnpacking()
{
    if (auto *run = findChild<UnpackRun *>())
        run->stopAndWait();
    // Let go at once, so that a new opening finds only its own; deleted
    // later, since a wait for it may be under way further up the stack.
    if (auto *queue = findChild<UnpackQueue *>()) {
        queue->stopAndWait();
        queue->setParent(nullptr);
        queue->deleteLater();
    }
}

void CMainWindow::slQuit()
{
    // An unpacking in progress stops first: nothing may write into the
    // folder while it is removed.
    stopUnpacking();
    QDir::setCurrent(QDir::tempPath());
    const QString workPath = PackageOpening::workingFolderPath();
    if (!workPath.isEmpty() && PackageOpening::entryExists(workPath) && !util_deleteDir(workPath))
        printLabError(tr("please manual remove dir = (%1)").arg(workPath));
    emit sgQuit();
}
