// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_FILESYSTEM_P_H
#define KELVANE_FILESYSTEM_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// Every system-specific call of the component, behind one interface with two
// implementations: filesystem_linux.cpp (directory handles, linear in the
// depth of a path) and filesystem_portable.cpp (Qt and standard C++ only,
// for any system Qt runs on). The build chooses one (KELVANE_PORTABLE_FILESYSTEM).
// Folders are walked and made level by level without recursion, so that
// names with thousands of levels cannot exhaust the stack.

#include <QtCore/QString>

class QIODevice;

namespace FileSystem {

// True when path (which lies textually below root and holds no ".."
// component) resolves below root: every part of it that already exists is
// followed through symbolic links, and must not lead out of root. A dangling
// link counts as leading out. When parentIsFolder is given, it tells
// whether the walk found the folder holding path's last component to be a
// folder below root with no link on the way: a file can be created in it
// without looking it up again.
bool resolvesInside(const QString &root, const QString &path, bool *parentIsFolder = nullptr);

// True when the system can name the path: shorter than its path limit in
// bytes (PATH_MAX on Linux). Longer paths can be neither opened nor removed
// by name, so nothing is created for them.
bool fitsPathLimit(const QString &path);

// Creates the folder at the absolute path and its missing parents, one level
// at a time from the top. On failure *failedFolder names the level that could
// not be made.
bool createFolders(const QString &path, QString *failedFolder);

// The descriptor of the archive device for readAt(), or -1 when it is no
// file that can be read at any offset (a buffer, a pipe) or the layer has no
// such reads (the portable one).
int descriptorForReadAt(QIODevice *device);

// Reads up to length bytes at offset from the descriptor without moving its
// position, so that several threads read one open file at once. Returns the
// bytes read (fewer only at the end of the file), or -1 on an error.
qint64 readAt(int fd, char *data, qint64 length, qint64 offset);

// Gives the file or folder at path the permission bits (when permissions is
// not negative) and the modification time in seconds since 1970 (when
// hasTime). False when either fails. Meant for what the extraction made
// itself: a link there is followed.
bool setAttributes(const QString &path, int permissions, bool hasTime, qint64 secondsSinceEpoch);

// Gives the open file (a descriptor) the permission bits and the time, as
// setAttributes() does for a path; the call that needs no second lookup of
// the name. False when either fails, or when the layer has no such calls
// (the portable one): then *unsupported is set and nothing is done.
bool setAttributes(int fd, int permissions, bool hasTime, qint64 secondsSinceEpoch, bool *unsupported);

// Whether something (also a dangling link) is at path, and whether it is a
// symbolic link or a folder (not following a link).
enum class Existing { Nothing,
                      Link,
                      Folder,
                      Other };
Existing existingAt(const QString &path);

// Makes a symbolic link at path holding target as it is. Anything but a
// folder that is there is replaced when replace is set (through a link made
// beside it and renamed over it); otherwise the call fails.
bool createSymbolicLink(const QString &target, const QString &path, bool replace);

// Position of the last byte equal to byte in data[0, length), or -1.
qint64 lastIndexOf(const unsigned char *data, qint64 length, unsigned char byte);

} // namespace FileSystem

#endif // KELVANE_FILESYSTEM_P_H
