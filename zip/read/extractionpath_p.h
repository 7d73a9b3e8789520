// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_EXTRACTIONPATH_P_H
#define KELVANE_EXTRACTIONPATH_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// The checks on entry names that keep every file and folder an extraction
// creates below its target folder; what needs the file system is in
// filesystem_p.h.

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

// True when canonicalPath is canonicalRoot or lies below it (both are
// canonical paths; an empty path, for one that does not exist, is outside).
bool isInside(const QString &canonicalRoot, const QString &canonicalPath);

} // namespace ExtractionPath

#endif // KELVANE_EXTRACTIONPATH_P_H
