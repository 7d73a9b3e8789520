// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "mainwindow.h"

#include "folderutils.h"

#include <unzip.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QTextCodec>
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

QPushButton *createIconButton(const QString &iconPath)
{
    auto *button = new QPushButton;
    button->setIcon(QIcon(iconPath));
    button->setFlat(true);
    button->setMaximumHeight(20);
    button->setMaximumWidth(20);
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

} // namespace

CMainWindow::CMainWindow(QWidget *parent)
    : QWidget(parent)
{
    printConsoleLine("ok3");

    auto *windowLayout = new QVBoxLayout;
    windowLayout->setContentsMargins(0, 0, 0, 0);

    browser.setReadOnly(true);
    browser.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    windowLayout->addWidget(&browser);

    auto *toolBar = new QWidget;
    auto *rowLayout = new QHBoxLayout;

    QPushButton *backButton = createIconButton(QStringLiteral(":/kelvane_player_res/icon_back"));
    connect(backButton, &QPushButton::clicked, this, &CMainWindow::slQuit);
    rowLayout->addWidget(backButton);

    rowLayout->addWidget(new QLabel(tr("Find")));
    rowLayout->addWidget(&findEdit);

    QPushButton *findButton = createIconButton(QStringLiteral(":kelvane_player_res/icon_find"));
    connect(findButton, &QPushButton::clicked, this, &CMainWindow::slFind);
    rowLayout->addWidget(findButton);

    rowLayout->addStretch(0);

    QPushButton *fontUpButton = createIconButton(QStringLiteral(":kelvane_player_res/icon_font_up"));
    connect(fontUpButton, &QPushButton::clicked, this, &CMainWindow::slFontUp);
    rowLayout->addWidget(fontUpButton);

    QPushButton *fontDownButton = createIconButton(QStringLiteral(":kelvane_player_res/icon_font_down"));
    connect(fontDownButton, &QPushButton::clicked, this, &CMainWindow::slFontDown);
    rowLayout->addWidget(fontDownButton);

    toolBar->setLayout(rowLayout);
    windowLayout->addWidget(toolBar);
    setLayout(windowLayout);

    printConsoleLine("ok4");
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
    browser.find(findEdit.text());
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

        if (!decompress(filename, workPath, QString())) {
            printLabError(tr("cannot decompress file"));
            return false;
        }
        // Relative references of the page (pictures, linked pages) are
        // loaded from the current folder.
        QDir::setCurrent(workPath);

        QString html;
        QFile page(workPath + QStringLiteral("/index.html"));
        if (page.open(QIODevice::ReadOnly)) {
            // Windows-1251, unless the page starts with a Unicode byte order mark.
            const QByteArray bytes = page.readAll();
            QTextCodec *codec = QTextCodec::codecForUtfText(bytes, QTextCodec::codecForName("Windows-1251"));
            html = codec->toUnicode(bytes);
            page.close();
        }
        browser.setHtml(html);
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

    UnZip reader;
    if (!password.isEmpty())
        reader.setPassword(password);

    if (reader.openArchive(archivePath) != UnZip::Success) {
        printLabError(tr("OpenArchive failed"));
        return false;
    }
    if (reader.extractAll(targetFolder, UnZip::KeepFolders) != UnZip::Success) {
        printLabError(tr("ExtractAll failed"));
        reader.closeArchive();
        return false;
    }
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
