// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "viewerwindow.h"

#include "contentspanel.h"
#include "lecturesearchpanel.h"
#include "navigationbar.h"
#include "packagedrop.h"
#include "bookmarksmenu.h"
#include "commandline.h"
#include "lectureprinter.h"
#include "pageexport.h"
#include "readingplaces.h"
#include "startscreen.h"
#include "viewersettings.h"

#include <ikelvanenavigator.h>
#include <ikelvaneplayer.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QAction> // QtWidgets in Qt 5, QtGui in Qt 6
#include <QtGui/QIcon>
#include <QtPrintSupport/QAbstractPrintDialog>
#include <QtPrintSupport/QPrintDialog>
#include <QtPrintSupport/QPrinter>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QStyle>
#include <QtWidgets/QTextBrowser>

namespace {

// A menu entry that calls `slot` when chosen.
template<typename Receiver, typename Slot>
QAction *addEntry(QMenu *menu, const QString &text, const Receiver *context, Slot slot)
{
    QAction *action = menu->addAction(text);
    QObject::connect(action, &QAction::triggered, context, slot);
    return action;
}

QString keyText(const QKeySequence &keys)
{
    return keys.toString(QKeySequence::NativeText).toHtmlEscaped();
}

} // namespace

// The window icon lives in the viewer's resources, in a static library.
static void registerViewerResources()
{
    Q_INIT_RESOURCE(viewer);
}

ViewerWindow::ViewerWindow(QWidget *playerWindow, IKelvanePlayer *player, ViewerSettings &settings)
    : m_playerWindow(playerWindow)
    , m_player(player)
    , m_settings(settings)
    , m_navigator(qobject_cast<IKelvaneNavigator *>(playerWindow))
{
    registerViewerResources();
    setWindowIcon(QIcon(QStringLiteral(":/kelvane_viewer/kelvane-viewer.png")));
    // The player's window becomes the middle of this one; it stays the
    // player's object, deleted by whoever owns the plug-in instance.
    setCentralWidget(m_playerWindow);
    m_page = m_playerWindow->findChild<QTextBrowser *>();
    createActions();
    updateTitle();

    // The player's back button closes the lecture; the viewer goes on.
    connect(m_playerWindow, SIGNAL(sgQuit()), this, SLOT(showStartScreen()));

    auto *drop = new PackageDrop(this);
    connect(drop, &PackageDrop::packageDropped, this, [this](const QString &path) { openPackage(path); });
}

ViewerWindow::~ViewerWindow()
{
    leaveLecture();
    // The player's window may outlive this one.
    if (centralWidget() == m_playerWindow)
        takeCentralWidget();
    if (m_playerWindow->parent() == this)
        m_playerWindow->setParent(nullptr);
}

void ViewerWindow::showStartScreen()
{
    if (!m_startScreen) {
        m_startScreen = new StartScreen(m_settings, CommandLine::samplePackagePath(), this);
        connect(m_startScreen, &StartScreen::openRequested, this, &ViewerWindow::chooseAndOpen);
        connect(m_startScreen, &StartScreen::packageChosen, this, [this](const QString &path) {
            openPackage(path, QFileInfo(path) != QFileInfo(CommandLine::samplePackagePath()));
        });
    }
    leaveLecture();
    m_startScreen->refresh();
    if (centralWidget() != m_startScreen) {
        takeCentralWidget();
        m_playerWindow->hide();
        setCentralWidget(m_startScreen);
        m_startScreen->show();
    }
    m_package.clear();
    setLectureToolsEnabled(false);
    updateTitle();
}

void ViewerWindow::showPlayer()
{
    if (centralWidget() == m_playerWindow)
        return;
    takeCentralWidget();
    if (m_startScreen)
        m_startScreen->hide();
    setCentralWidget(m_playerWindow);
    m_playerWindow->show();
    setLectureToolsEnabled(true);
}

void ViewerWindow::setLectureToolsEnabled(bool enabled)
{
    m_print->setEnabled(enabled && m_page != nullptr);
    m_export->setEnabled(enabled && m_page != nullptr);
    if (!m_navigator)
        return;
    m_navigationBar->setEnabled(enabled);
    if (!enabled) {
        m_contents->clear();
        m_search->clear();
    }
}

void ViewerWindow::createActions()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    m_open = addEntry(file, tr("&Open..."), this, &ViewerWindow::chooseAndOpen);
    m_open->setShortcut(QKeySequence::Open);
    m_recentMenu = file->addMenu(tr("Open &Recent"));
    connect(m_recentMenu, &QMenu::aboutToShow, this, &ViewerWindow::fillRecentMenu);
    fillRecentMenu();
    file->addSeparator();
    m_print = addEntry(file, tr("&Print..."), this, &ViewerWindow::printPage);
    m_print->setShortcut(QKeySequence::Print);
    m_export = addEntry(file, tr("&Export to PDF..."), this, &ViewerWindow::exportPdf);
    m_export->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    m_print->setEnabled(m_page != nullptr);
    m_export->setEnabled(m_page != nullptr);
    file->addSeparator();
    m_quit = addEntry(file, tr("&Quit"), this, &QWidget::close);
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    if (m_navigator)
        createLectureTools(menuBar()->addMenu(tr("&View")));

    QMenu *help = menuBar()->addMenu(tr("&Help"));
    m_about = addEntry(help, tr("&About and Keys"), this, &ViewerWindow::showAbout);
    m_about->setShortcut(QKeySequence::HelpContents);
}

void ViewerWindow::createLectureTools(QMenu *view)
{
    m_navigationBar = new NavigationBar(m_navigator, this);
    addToolBar(Qt::TopToolBarArea, m_navigationBar);
    m_contents = new ContentsPanel(m_navigator, this);
    m_search = new LectureSearchPanel(m_navigator, this);
    addDockWidget(Qt::LeftDockWidgetArea, m_contents);
    addDockWidget(Qt::LeftDockWidgetArea, m_search);
    tabifyDockWidget(m_contents, m_search);
    m_search->hide();

    QAction *showContents = m_contents->toggleViewAction();
    showContents->setText(tr("&Contents"));
    showContents->setIcon(QIcon::fromTheme(QStringLiteral("view-list-tree"), style()->standardIcon(QStyle::SP_FileDialogContentsView)));
    showContents->setShortcut(QKeySequence(Qt::Key_F9));
    m_contents->setVisible(m_settings.contentsShown());
    // Only the reader's choice is kept, not the hiding as the window closes.
    connect(showContents, &QAction::triggered, this, [this](bool shown) { m_settings.setContentsShown(shown); });
    view->addAction(showContents);
    QAction *search = addEntry(view, tr("&Search the Lecture..."), m_search, &LectureSearchPanel::activate);
    search->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    search->setIcon(QIcon::fromTheme(QStringLiteral("edit-find"), style()->standardIcon(QStyle::SP_FileDialogDetailedView)));
    m_navigationBar->addPanelAction(showContents);
    m_navigationBar->addPanelAction(search);

    m_places = new ReadingPlaces(m_settings, m_navigator, this);
    menuBar()->addMenu(new BookmarksMenu(m_places, this));
}

void ViewerWindow::leaveLecture()
{
    if (m_places && !m_package.isEmpty())
        m_places->lectureLeaving();
}

bool ViewerWindow::openPackage(const QString &path, bool remember)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    // Anything that exists goes to the player, which names its fault.
    if (!QFileInfo::exists(absolute)) {
        QMessageBox::warning(this, tr("Kelvane"), tr("There is no package %1.").arg(absolute));
        m_settings.forgetPackage(absolute);
        return false;
    }
    leaveLecture();
    if (!m_player->slOpen(absolute))
        return false;
    m_package = absolute;
    showPlayer();
    if (m_navigator) {
        m_contents->reload();
        m_search->clear();
        m_navigationBar->updateStates();
    }
    if (remember) {
        m_settings.rememberPackage(absolute);
        const QVector<KelvaneLecturePage> pages = m_navigator ? m_navigator->lecturePages() : QVector<KelvaneLecturePage>();
        m_settings.noteOpened(absolute, pages.isEmpty() ? QFileInfo(absolute).completeBaseName() : pages.first().title);
    }
    if (m_places)
        m_places->lectureOpened(absolute);
    updateTitle();
    return true;
}

void ViewerWindow::chooseAndOpen()
{
    QString folder = m_settings.lastFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString path = QFileDialog::getOpenFileName(this, tr("Open Lecture Package"), folder,
                                                      tr("Lecture packages (*.zip);;All files (*)"));
    if (!path.isEmpty())
        openPackage(path);
}

void ViewerWindow::fillRecentMenu()
{
    m_recentMenu->clear();
    const QStringList packages = m_settings.recentPackages();
    int number = 0;
    for (const QString &path : packages) {
        const QFileInfo info(path);
        ++number;
        QAction *action = addEntry(m_recentMenu,
                                   tr("&%1 %2 (%3)").arg(number % 10).arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath())),
                                   this, [this, path] { openPackage(path); });
        action->setEnabled(info.isFile());
    }
    if (!packages.isEmpty())
        m_recentMenu->addSeparator();
    QAction *clear = addEntry(m_recentMenu, tr("&Clear List"), this, [this] { m_settings.clearRecentPackages(); });
    clear->setEnabled(!packages.isEmpty());
}

void ViewerWindow::printPage()
{
    if (!m_page)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QFileInfo(m_package).completeBaseName());
    // "Current page" is the page shown, "All" the whole lecture; the page
    // shown unless the reader chooses otherwise.
    printer.setPrintRange(QPrinter::CurrentPage);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(tr("Print"));
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, m_navigator != nullptr);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, m_navigator == nullptr);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!m_navigator || printer.printRange() == QPrinter::CurrentPage) {
        PageExport::print(*m_page->document(), &printer);
        return;
    }
    QObject pages;
    if (!LecturePrinter::print(LecturePrinter::lectureDocuments(m_navigator, &pages), &printer))
        QMessageBox::warning(this, tr("Kelvane"), tr("The lecture could not be printed."));
}

void ViewerWindow::exportPdf()
{
    if (!m_page)
        return;
    QString folder = m_settings.lastFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString baseName = m_package.isEmpty() ? QStringLiteral("page") : QFileInfo(m_package).completeBaseName();
    QString fileName = QFileDialog::getSaveFileName(this, tr("Export to PDF"),
                                                    folder + QLatin1Char('/') + baseName + QStringLiteral(".pdf"),
                                                    tr("PDF documents (*.pdf)"));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".pdf");
    QString error;
    QObject pages;
    const QList<const QTextDocument *> documents = m_navigator
        ? LecturePrinter::lectureDocuments(m_navigator, &pages)
        : QList<const QTextDocument *>{m_page->document()};
    if (!PageExport::toPdf(documents, fileName, baseName, &error))
        QMessageBox::warning(this, tr("Kelvane"), error);
}

QString ViewerWindow::aboutText()
{
    struct Key
    {
        QList<QKeySequence> keys;
        QString what;
    };
    // The viewer's own keys, then those of the player's window.
    const Key keys[] = {
        {{QKeySequence::Open}, tr("Open a lecture package")},
        {{QKeySequence::Print}, tr("Print the page or the whole lecture")},
        {{QKeySequence(Qt::CTRL | Qt::Key_E)}, tr("Export the whole lecture to PDF")},
        {{QKeySequence(Qt::CTRL | Qt::Key_Q)}, tr("Quit")},
        {{QKeySequence::HelpContents}, tr("This window")},
        {{QKeySequence(Qt::CTRL | Qt::Key_F)}, tr("Go to the search field (Enter finds)")},
        {{QKeySequence(Qt::Key_F3)}, tr("Find the next match")},
        {{QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}, tr("Larger text")},
        {{QKeySequence(Qt::CTRL | Qt::Key_Minus)}, tr("Smaller text")},
        {{QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::Key_Backspace)}, tr("Back to the previous page")},
        {{QKeySequence(Qt::ALT | Qt::Key_Right)}, tr("Forward again")},
        {{QKeySequence(Qt::ALT | Qt::Key_Home)}, tr("The start page of the lecture")},
        {{QKeySequence(Qt::Key_F9)}, tr("Show or hide the contents")},
        {{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)}, tr("Search the whole lecture")},
        {{QKeySequence(Qt::CTRL | Qt::Key_D)}, tr("Bookmark the place shown")},
    };
    QString rows;
    for (const Key &key : keys) {
        QStringList names;
        for (const QKeySequence &sequence : key.keys)
            names << keyText(sequence);
        rows += QStringLiteral("<tr><td><b>%1</b></td><td>&nbsp;&nbsp;%2</td></tr>")
                    .arg(names.join(QStringLiteral(", ")), key.what.toHtmlEscaped());
    }
    return tr("<h3>Kelvane Viewer %1</h3>"
              "<p>Shows lecture packages: ZIP archives with an index.html page and its pictures. "
              "Drop a package on the window to open it.</p>")
               .arg(QStringLiteral(KELVANE_VERSION))
        + tr("<p><b>Keys</b></p>") + QStringLiteral("<table>%1</table>").arg(rows);
}

void ViewerWindow::showAbout()
{
    QMessageBox::about(this, tr("About Kelvane Viewer"), aboutText());
}

void ViewerWindow::updateTitle()
{
    setWindowTitle(m_package.isEmpty() ? tr("Kelvane") : tr("%1 - Kelvane").arg(QFileInfo(m_package).fileName()));
}
