// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "viewerwindow.h"

#include "packagedrop.h"
#include "pageexport.h"
#include "viewersettings.h"

#include <ikelvaneplayer.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QAction> // QtWidgets in Qt 5, QtGui in Qt 6
#include <QtGui/QIcon>
#include <QtPrintSupport/QPrintDialog>
#include <QtPrintSupport/QPrinter>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QTextBrowser>

namespace {

// A menu entry that calls `slot` when chosen.
template <typename Receiver, typename Slot>
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
{
    registerViewerResources();
    setWindowIcon(QIcon(QStringLiteral(":/kelvane_viewer/kelvane-viewer.png")));
    // The player's window becomes the middle of this one; it stays the
    // player's object, deleted by whoever owns the plug-in instance.
    setCentralWidget(m_playerWindow);
    m_page = m_playerWindow->findChild<QTextBrowser *>();
    createActions();
    updateTitle();

    auto *drop = new PackageDrop(this);
    connect(drop, &PackageDrop::packageDropped, this, [this](const QString &path) { openPackage(path); });
}

ViewerWindow::~ViewerWindow()
{
    // The player's window may outlive this one.
    if (centralWidget() == m_playerWindow) {
        takeCentralWidget();
        m_playerWindow->setParent(nullptr);
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

    QMenu *help = menuBar()->addMenu(tr("&Help"));
    m_about = addEntry(help, tr("&About and Keys"), this, &ViewerWindow::showAbout);
    m_about->setShortcut(QKeySequence::HelpContents);
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
    if (!m_player->slOpen(absolute))
        return false;
    m_package = absolute;
    if (remember)
        m_settings.rememberPackage(absolute);
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
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(tr("Print Page"));
    if (dialog.exec() == QDialog::Accepted)
        PageExport::print(*m_page->document(), &printer);
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
    if (!PageExport::toPdf(*m_page->document(), fileName, baseName, &error))
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
        {{QKeySequence::Print}, tr("Print the page")},
        {{QKeySequence(Qt::CTRL | Qt::Key_E)}, tr("Export the page to PDF")},
        {{QKeySequence(Qt::CTRL | Qt::Key_Q)}, tr("Quit")},
        {{QKeySequence::HelpContents}, tr("This window")},
        {{QKeySequence(Qt::CTRL | Qt::Key_F)}, tr("Go to the search field (Enter finds)")},
        {{QKeySequence(Qt::Key_F3)}, tr("Find the next match")},
        {{QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}, tr("Larger text")},
        {{QKeySequence(Qt::CTRL | Qt::Key_Minus)}, tr("Smaller text")},
        {{QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::Key_Backspace)}, tr("Back to the previous page")},
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
