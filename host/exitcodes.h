// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_EXITCODES_H
#define KELVANE_HOST_EXITCODES_H

#include <QtCore/QString>

#include <cstdio>

// The viewer's exit status, one value per kind of failure.
enum ViewerExitCode {
    ExitOk = 0,
    ExitUsage = 1,        // bad command line, or no such package
    ExitNothingFound = 1, // --find found the text on no page
    ExitPluginNotLoaded = 2,
    ExitWrongVerification = 3,
    ExitNoPlayer = 4,
    ExitOpenFailed = 5,   // the package given could not be opened
    ExitOutputFailed = 6, // the screenshot or the PDF could not be written
    ExitNoDisplay = 7,    // a window was asked for and no display can be opened
    ExitNoWorkFolder = 8  // the private working folder could not be made
};

// Writes one line "kelvane-viewer: MESSAGE" to standard error.
inline void printError(const QString &message)
{
    std::fprintf(stderr, "kelvane-viewer: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}

#endif // KELVANE_HOST_EXITCODES_H
