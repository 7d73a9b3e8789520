// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The plug-in's exported entry points. qt_plugin_instance() and the
// metadata come from Q_PLUGIN_METADATA on CMainWindow; the verification text
// is kept for hosts that check it before they ask for the instance.
#include <QtCore/QtGlobal>

extern "C" Q_DECL_EXPORT const char *qt_plugin_query_verification_data()
{
    static const char verificationData[] =
        "pattern=QT_PLUGIN_VERIFICATION_DATA\n"
        "version=4.5.0\n"
        "debug=false\n"
        "buildkey=i386 linux g++-4 full-config";
    return verificationData;
}
