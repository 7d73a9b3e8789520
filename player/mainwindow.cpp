// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "mainwindow.h"

#include "folderutils.h"
#include "packageunpacker.h"
#include "pagefinder.h"
#include "pagenavigator.h"
#include "pagepalette.h"
#include "pageprinter.h"
#include "passwordprompt.h"
#include "startpage.h"
#include "unpackreport.h"
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

// Empty when there is no usable temporary folder (Qt answers an empty path
// when TMPDIR names no folder): the working folder must then never end up at
// the root of the file system.
QString workingFolderPath()
{
    const QString temporaryFolder = QDir::tempPath();
    if (temporaryFolder.isEmpty())
        return QString();
    // Absolute, since the working folder becomes the current folder.
    return QDir(temporaryFolder).absolutePath() + QLatin1Char('/') + tempDirName;
}

// True when anything at all sits at `path`, a dangling link included.
bool entryExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Creates the working folder, readable, writable and searchable by the
// owner only. It must be new: anything that appeared at the path since it
// was cleared makes the creation fail instead of being used.
bool createPrivateFolder(const QString &path)
{
#ifdef Q_OS_UNIX
    return ::mkdir(QFile::encodeName(path).constData(), S_IRWXU) == 0;
#else
    if (entryExists(path) || !QDir().mkdir(path))
        return false;
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#endif
}

// Unpacks the package, asking for its password when it has encrypted
// entries, and again after a wrong one. False when the reader gives up.
bool unpackWithPassword(PackageUnpacker &unpacker, const QString &targetFolder, QWidget *window,
                        const QString &packageName)
{
    QString password;
    bool again = false;
    if (unpacker.hasEncryptedEntries()) {
        if (!PasswordPrompt::ask(window, packageName, again, &password))
            return false;
    }
    unpacker.unpack(targetFolder, password);
    while (unpacker.passwordRejected()) {
        again = true;
        if (!PasswordPrompt::ask(window, packageName, again, &password))
            return false;
        unpacker.unpack(targetFolder, password);
    }
    return true;
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
    connect(navigator, &PageNavigator::warning, this, &CMainWindow::printLabError);
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

    if (QFile::exists(filename)) {
        printConsoleLine("ok6");
        const QString workPath = workingFolderPath();

        // Whatever sits at the working folder's path goes first: a folder
        // left by an earlier opening, or a link someone put there (removed
        // as a link, never followed).
        if (!workPath.isEmpty() && entryExists(workPath) && !util_deleteDir(workPath)) {
            printLabError(tr("please manual remove dir = (%1)").arg(workPath));
            return false;
        }
        if (workPath.isEmpty() || !createPrivateFolder(workPath)) {
            printLabError(QObject::tr("cannot create dir ") + tempDirName);
            return false;
        }
        QDir::setCurrent(workPath);

        // A package given by a path relative to the working folder was
        // removed with it.
        if (!QFile::exists(filename)) {
            printLabError(tr("File does not exist"));
            printLabError(tr("cannot decompress file"));
            return false;
        }
        PackageUnpacker unpacker(filename);
        if (unpacker.open() != UnZip::Success) {
            printLabError(tr("OpenArchive failed"));
            printLabError(tr("cannot decompress file"));
            return false;
        }
        if (!unpackWithPassword(unpacker, workPath, this, QFileInfo(filename).fileName())) {
            printLabError(tr("The lecture was not opened: it is protected by a password."));
            return false;
        }
        // Relative references of the page (pictures, linked pages) are
        // loaded from the current folder.
        QDir::setCurrent(workPath);

        const QString startPage = StartPage::find(workPath);
        if (startPage.isEmpty()) {
            printLabError(tr("The package has no start page: there is no index.html in it."));
            return false;
        }
        if (!findChild<PageNavigator *>()->start(workPath, startPage))
            return false; // the navigator has said why
        printConsoleLine("ok7");

        const QStringList failed = unpacker.failedEntries();
        if (!failed.isEmpty())
            printLabError(UnpackReport::text(failed));
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

void CMainWindow::slQuit()
{
    QDir::setCurrent(QDir::tempPath());
    const QString workPath = workingFolderPath();
    if (!workPath.isEmpty() && entryExists(workPath) && !util_deleteDir(workPath))
        printLabError(tr("please manual remove dir = (%1)").arg(workPath));
    emit sgQuit();
}
