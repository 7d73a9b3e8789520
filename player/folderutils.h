// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_FOLDERUTILS_H
#define KELVANE_FOLDERUTILS_H

#include <QtCore/QString>

// Removes the folder at the absolute path `path` with everything below it,
// hidden entries included. Symbolic links are removed as links and never
// followed, also when `path` itself is one. Returns false when anything
// could not be removed; as much as possible is removed all the same.
bool util_deleteDir(QString path);

// Removes one file (or symbolic link); true when it is gone.
bool util_deleteFile(QString path);

#endif // KELVANE_FOLDERUTILS_H
