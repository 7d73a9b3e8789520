// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_EXTRACTIONPATH_P_H
#define KELVANE_EXTRACTIONPATH_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// The checks that keep every file and folder an extraction creates below its
// target folder, and folder creation that works level by level without
// recursion, so that names with thousands of levels cannot exhaust the stack.

#include <QtCore/QString>

namespace ExtractionPath {

// True when the name holds NUL or another control character: the file system
// would cut the name at a NUL, and the others only serve to mislead.
bool hasControlCharacter(const QString &name);

// True for a cleaned relative path that climbs out of its base: "..", or a
// path that begins with "../", also behind leading slashes ("/../x").
bool climbsOut(const QString &cleanRelativePath);

// True for a last name component that cannot name a file of its own.
bool isSpecialComponent(const QString &component);

// True when path (which lies textually below root and holds no ".."
// component) resolves below root: every part of it that already exists is
// followed through symbolic links, and must not lead out of root. A dangling
// link counts as leading out.
bool resolvesInside(const QString &root, const QString &path);

// True when the system can name the path: shorter than PATH_MAX bytes. Longer
// paths can be neither opened nor removed by name, so nothing is created for
// them.
bool fitsPathLimit(const QString &path);

// Creates the folder at the absolute path and its missing parents, one level
// at a time from the top, each level relative to the one above it, so that
// the work grows linearly with the depth. On failure *failedFolder names the
// level that could not be made.
bool createFolders(const QString &path, QString *failedFolder);

} // namespace ExtractionPath

#endif // KELVANE_EXTRACTIONPATH_P_H
