// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PLUGINVERIFICATION_H
#define KELVANE_PLUGINVERIFICATION_H

// The text a compatible player plug-in reports through its exported
// qt_plugin_query_verification_data(): the plug-in returns it, and hosts
// compare it before they ask for the instance.
#define KELVANE_PLUGIN_VERIFICATION_DATA    \
    "pattern=QT_PLUGIN_VERIFICATION_DATA\n" \
    "version=4.5.0\n"                       \
    "debug=false\n"                         \
    "buildkey=i386 linux g++-4 full-config"

#endif // KELVANE_PLUGINVERIFICATION_H
