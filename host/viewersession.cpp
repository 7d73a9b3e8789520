// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "viewersession.h"

#include "exitcodes.h"
#include "lecturecompletion.h"
#include "lectureprinter.h"
#include "lecturereport.h"
#include "pageexport.h"
#include "playerplugin.h"
#include "terminationsignals.h"
#include "translations.h"
#include "viewersettings.h"
#include "viewerwindow.h"
#include "windowstate.h"
#include "workfolderplace.h"

#include <ikelvanenavigator.h>
#include <ikelvaneplayer.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTimer>
#include <QtGui/QPixmap>
#include <QtWidgets/QApplication>
#include <QtWidgets/QDialog>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QTextBrowser>

#include <cstdio>

namespace {

const QSize defaultWindowSize(960, 820);

// Without a person in front of the screen nobody answers a dialog, so in
// unattended runs every warning box is written to standard error and closed,
// and any other dialog (the player's password prompt) is cancelled.
void closeBoxesUnattended(QObject *parent)
{
    auto *timer = new QTimer(parent);
    QObject::connect(timer, &QTimer::timeout, [] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            printError(QStringLiteral("%1: %2").arg(box->windowTitle(), box->text()));
            box->done(QMessageBox::Ok);
        } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
            printError(QStringLiteral("%1: cancelled, nobody to answer it").arg(dialog->windowTitle()));
            dialog->reject();
        }
    });
    timer->start(50);
}

// Lets the window lay itself out and load the page's pictures; false when a
// termination signal came meanwhile.
bool settle(int milliseconds, const TerminationSignals &terminations)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds && !terminations.received())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !terminations.received();
}

} // namespace

ViewerSession::ViewerSession(const ViewerOptions &options, Translations &translations)
    : m_options(options)
    , m_translations(translations)
{
}

ViewerSession::~ViewerSession() = default;

int ViewerSession::run()
{
    // From here on a termination signal ends the run through the event
    // loop, and the clean-up below still happens.
    TerminationSignals terminations;
    connect(&terminations, &TerminationSignals::terminationRequested, this, [] { QCoreApplication::exit(0); });

    // The private working folder comes before the plug-in: the player keeps
    // its own working folder in the temporary folder, which is now this one.
    // It goes where the package has room; nothing is written when no place
    // has.
    for (const QString &place : WorkFolderPlace::candidates())
        PrivateWorkFolder::sweep(place);
    const WorkFolderPlace::Choice place = WorkFolderPlace::choose(WorkFolderPlace::unpackedSize(m_options.package));
    if (!place.ok()) {
        tellBeforeWindow(place.shortageText());
        return ExitOpenFailed;
    }
    if (!m_folder.create(place.folder)) {
        tellBeforeWindow(m_folder.errorString());
        return ExitNoWorkFolder;
    }
    qputenv("TMPDIR", QFile::encodeName(m_folder.path()));

    const int code = runWithPlugin(terminations);

    if (!m_folder.remove())
        printError(PrivateWorkFolder::tr("cannot remove the working folder %1").arg(m_folder.path()));
    m_signal = terminations.received();
    return code;
}

int ViewerSession::runWithPlugin(TerminationSignals &terminations)
{
    PlayerPlugin plugin;
    ViewerExitCode code = plugin.load(m_options.pluginPath);
    if (code != ExitOk) {
        printError(plugin.errorString());
        return code;
    }
    const bool report = m_options.listContents || !m_options.findText.isEmpty();
    if (report)
        LectureReport::holdPlayerOutput();
    // The window translates its label when it is built.
    if (!m_translations.installPlayerCatalogue())
        printError(tr("the plug-in holds no translation catalogue; staying in English"));
    code = plugin.createWindow();
    if (code != ExitOk) {
        printError(plugin.errorString());
        return code;
    }
    QObject *instance = plugin.instance();
    // In an unattended run the back button ends the session: the player has
    // removed its working folder and says so with sgQuit(). (A window shows
    // its start screen instead, see showWindow.)
    if (!connect(instance, SIGNAL(sgQuit()), this, SLOT(playerQuit()))) {
        printError(tr("%1 has no sgQuit() signal").arg(plugin.fileName()));
        delete instance;
        return ExitNoPlayer;
    }

    const bool unattended = !m_options.screenshotFile.isEmpty() || !m_options.pdfFile.isEmpty()
        || m_options.listContents || !m_options.findText.isEmpty();
    const int result = unattended ? renderUnattended(plugin.window(), plugin.player(), terminations)
                                  : showWindow(plugin.window(), plugin.player(), terminations);

    // Any other way out than the back button still leaves the player's
    // working folder: the player removes it itself.
    disconnect(instance, nullptr, this, nullptr);
    if (!m_endedByPlayer)
        QMetaObject::invokeMethod(instance, "slQuit");
    delete instance;
    LectureReport::releasePlayerOutput();
    return result;
}

int ViewerSession::showWindow(QWidget *playerWindow, IKelvanePlayer *player, TerminationSignals &terminations)
{
    // With a window, the player's back button leads to the start screen;
    // the viewer ends only when its window is closed or by Ctrl+Q.
    disconnect(playerWindow, SIGNAL(sgQuit()), this, SLOT(playerQuit()));
    ViewerSettings settings;
    ViewerWindow window(playerWindow, player, settings);
    WindowState state(settings, &window, window.page(), player);
    state.restore(m_options.size, defaultWindowSize);
    window.show();
    state.fitToScreen();

    bool opened = true;
    if (m_options.packageGiven)
        opened = window.openPackage(m_options.package);
    else
        window.showStartScreen();
    // Closed by the user while the package was opening: a normal end.
    int result = opened || !window.isVisible() ? ExitOk : ExitOpenFailed;
    QCoreApplication::processEvents();
    if (opened && !terminations.received())
        QApplication::exec();
    state.save();
    return result;
}

int ViewerSession::renderUnattended(QWidget *playerWindow, IKelvanePlayer *player, TerminationSignals &terminations)
{
    closeBoxesUnattended(this);
    if (m_options.listContents || !m_options.findText.isEmpty())
        return reportLecture(playerWindow, player);
    if (m_options.screenshotFile.isEmpty()) {
        // A PDF needs no window on any screen.
        if (!player->slOpen(m_options.package))
            return ExitOpenFailed;
        if (!settle(50, terminations))
            return ExitOk;
        return writePdf(playerWindow);
    }

    // The window is laid out and painted as if shown, at exactly the size
    // asked for, without appearing on any screen.
    ViewerSettings settings;
    ViewerWindow window(playerWindow, player, settings);
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.resize(m_options.size.isValid() ? m_options.size : defaultWindowSize);
    window.show();
    const bool opened = window.openPackage(m_options.package, false);
    if (!settle(300, terminations))
        return ExitOk;
    if (!opened)
        return ExitOpenFailed;
    if (!window.grab().save(m_options.screenshotFile, "PNG")) {
        printError(tr("cannot write the screenshot %1").arg(m_options.screenshotFile));
        return ExitOutputFailed;
    }
    std::printf("screenshot: %s\n", qPrintable(m_options.screenshotFile));
    std::fflush(stdout);
    return m_options.pdfFile.isEmpty() ? int(ExitOk) : writePdf(playerWindow);
}

int ViewerSession::writePdf(QWidget *playerWindow)
{
    const auto *page = playerWindow->findChild<QTextBrowser *>();
    auto *navigator = qobject_cast<IKelvaneNavigator *>(playerWindow);
    if (!page) {
        printError(tr("the player shows no page that could be exported"));
        return ExitOutputFailed;
    }
    // Every page of the lecture, or the one asked for; a player without
    // the navigator gives the page shown.
    QObject owner;
    QList<const QTextDocument *> documents{page->document()};
    if (navigator)
        documents = LecturePrinter::lectureDocuments(navigator, &owner, m_options.pdfPage);
    else if (!m_options.pdfPage.isEmpty())
        printError(tr("the player cannot show single pages; the page shown is written"));
    if (documents.isEmpty()) {
        printError(tr("the lecture has no page %1").arg(m_options.pdfPage));
        return ExitUsage;
    }
    QString error;
    if (!PageExport::toPdf(documents, m_options.pdfFile, QFileInfo(m_options.package).completeBaseName(), &error)) {
        printError(error);
        return ExitOutputFailed;
    }
    std::printf("pdf: %s\n", qPrintable(m_options.pdfFile));
    std::fflush(stdout);
    return ExitOk;
}

int ViewerSession::reportLecture(QWidget *playerWindow, IKelvanePlayer *player)
{
    auto *navigator = qobject_cast<IKelvaneNavigator *>(playerWindow);
    if (!navigator) {
        printError(tr("the player cannot list the pages of a lecture"));
        return ExitNoPlayer;
    }
    if (!player->slOpen(m_options.package))
        return ExitOpenFailed;
    LectureCompletion::wait(navigator);
    QStringList lines;
    int code = ExitOk;
    LectureReport::releasePlayerOutput();
    if (m_options.listContents) {
        lines = LectureReport::contentsLines(navigator->lecturePages());
    } else {
        lines = LectureReport::matchLines(navigator->findInLecture(m_options.findText));
        code = lines.isEmpty() ? ExitNothingFound : ExitOk;
    }
    if (!LectureReport::print(lines)) {
        printError(tr("cannot write to standard output"));
        return ExitOutputFailed;
    }
    return code;
}

void ViewerSession::tellBeforeWindow(const QString &text)
{
    printError(text);
    // A window was asked for, so there is a display to show the box on.
    if (m_options.screenshotFile.isEmpty() && m_options.pdfFile.isEmpty() && !m_options.listContents
        && m_options.findText.isEmpty())
        QMessageBox::warning(nullptr, tr("Kelvane"), text);
}

void ViewerSession::playerQuit()
{
    m_endedByPlayer = true;
    QCoreApplication::exit(0);
}
