// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TOOLS_EDITCOMMANDS_H
#define KELVANE_TOOLS_EDITCOMMANDS_H

#include <QtCore/QString>
#include <QtCore/QStringList>

// Whether the command is one that changes an existing archive: add or delete.
bool isEditCommand(const QString &command);
// Runs it with the arguments after the command's name; the exit status.
int runEditCommand(const QString &command, const QStringList &arguments);

#endif // KELVANE_TOOLS_EDITCOMMANDS_H
