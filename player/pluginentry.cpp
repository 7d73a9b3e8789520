// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The plug-in's exported entry points. qt_plugin_instance() and the
// metadata come from Q_PLUGIN_METADATA on CMainWindow; the verification text
// is kept for hosts that check it before they ask for the instance.
#include "pluginverification.h"

#include <QtCore/QtGlobal>

extern "C" Q_DECL_EXPORT const char *qt_plugin_query_verification_data()
{
    return KELVANE_PLUGIN_VERIFICATION_DATA;
}
