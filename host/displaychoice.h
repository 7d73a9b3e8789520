// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_DISPLAYCHOICE_H
#define KELVANE_HOST_DISPLAYCHOICE_H

#include "commandline.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>

#include <vector>

// The window-system platform for a run, chosen before the application object
// is made (Qt aborts when the platform it picks cannot open its display).
struct DisplayChoice
{
    // The value for Qt's "-platform" argument, or empty to leave the choice
    // to Qt (QT_QPA_PLATFORM or -platform set by the user, or a window on a
    // display that the environment names).
    QByteArray platform;
    // True when a window is asked for and no display is named at all.
    bool noDisplay = false;

    static DisplayChoice forRequest(const LaunchRequest &request);
};

// argv with "-platform VALUE" added when a platform was chosen; the list
// and its strings outlive the application object that uses them.
class PlatformArguments
{
public:
    PlatformArguments(int argc, char **argv, const QByteArray &platform);
    int &argc() { return m_argc; }
    char **argv() { return m_pointers.data(); }

private:
    QList<QByteArray> m_strings;
    std::vector<char *> m_pointers;
    int m_argc = 0;
};

#endif // KELVANE_HOST_DISPLAYCHOICE_H
