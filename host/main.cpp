// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// kelvane-viewer: the desktop application around the player plug-in. This
// file only decides which application object the run needs (none of the
// text-only requests needs a display) and hands over to ViewerSession.

#include "commandline.h"
#include "displaychoice.h"
#include "exitcodes.h"
#include "playerplugin.h"
#include "terminationsignals.h"
#include "translations.h"
#include "viewersession.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFileInfo>
#include <QtWidgets/QApplication>

namespace {

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("kelvane-viewer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVANE_VERSION));
}

// Help, version and the lack of a display are answered without one.
int runWithoutDisplay(int argc, char **argv, const LaunchRequest &request)
{
    QCoreApplication app(argc, argv);
    nameApplication();
    Translations translations(request.language);
    CommandLine commandLine;
    ViewerOptions options;
    if (!commandLine.process(app, &options)) // --help and --version exit here
        return ExitUsage;
    printError(QCoreApplication::translate("main", "no display can be opened (neither DISPLAY nor "
                                                   "WAYLAND_DISPLAY is set); --screenshot and --pdf work "
                                                   "without one"));
    return ExitNoDisplay;
}

} // namespace

int main(int argc, char *argv[])
{
    bool pluginGiven = false;
    const QString pluginArgument = CommandLine::takePluginArgument(argc, argv, &pluginGiven);
    const LaunchRequest request = CommandLine::scan(argc, argv);
    const DisplayChoice display = DisplayChoice::forRequest(request);
    if (request.textOnly || display.noDisplay)
        return runWithoutDisplay(argc, argv, request);

    PlatformArguments arguments(argc, argv, display.platform);
    int signalNumber = 0;
    int code = ExitOk;
    {
        QApplication app(arguments.argc(), arguments.argv());
        nameApplication();
        Translations translations(request.language);
        CommandLine commandLine;
        ViewerOptions options;
        if (!commandLine.process(app, &options))
            return ExitUsage;
        options.pluginPath = pluginGiven ? QFileInfo(pluginArgument).absoluteFilePath() : PlayerPlugin::defaultPath();

        ViewerSession session(options, translations);
        code = session.run();
        signalNumber = session.terminationSignal();
    }
    if (signalNumber != 0)
        TerminationSignals::endBy(signalNumber);
    return code;
}
