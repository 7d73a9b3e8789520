// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TESTS_FILETREE_H
#define KELVANE_TESTS_FILETREE_H

// Small file-system helpers for tests that compare what was written.

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringList>

namespace FileTree {

// Every file, folder and symbolic link below root, as sorted paths relative
// to root; folders end with "/", symbolic links are listed, not followed.
QStringList list(const QString &root);

// The whole content of a file; a null array when it cannot be read.
QByteArray read(const QString &path);

// Writes (replaces) a file, creating its missing folders; false on failure.
bool write(const QString &path, const QByteArray &content);

} // namespace FileTree

#endif // KELVANE_TESTS_FILETREE_H
