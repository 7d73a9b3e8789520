// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "displaychoice.h"

namespace {

bool environmentSet(const char *name)
{
    return !qgetenv(name).isEmpty();
}

} // namespace

DisplayChoice DisplayChoice::forRequest(const LaunchRequest &request)
{
    DisplayChoice choice;
    if (request.platformGiven || environmentSet("QT_QPA_PLATFORM"))
        return choice;

    // A PDF, the contents and search results need no window at all.
    if ((request.pdf || request.report) && !request.screenshot) {
        choice.platform = "offscreen";
        return choice;
    }

    // The display platforms the environment names, in Qt's usual order of
    // preference on this kind of system.
    QByteArrayList natives;
    if (environmentSet("DISPLAY"))
        natives.append("xcb");
    if (environmentSet("WAYLAND_DISPLAY"))
        natives.append("wayland");

    if (request.screenshot) {
        // Qt tries the names in turn: a screenshot is taken on the display
        // when one can be opened, offscreen otherwise.
        natives.append("offscreen");
        choice.platform = natives.join(';');
        return choice;
    }
    choice.noDisplay = natives.isEmpty();
    return choice;
}

PlatformArguments::PlatformArguments(int argc, char **argv, const QByteArray &platform)
{
    for (int i = 0; i < argc; ++i)
        m_strings.append(QByteArray(argv[i]));
    if (!platform.isEmpty())
        m_strings << QByteArray("-platform") << platform;
    for (QByteArray &string : m_strings)
        m_pointers.push_back(string.data());
    m_argc = int(m_strings.size());
    m_pointers.push_back(nullptr);
}
