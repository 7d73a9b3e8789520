// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "read/extractionpath_p.h"

namespace ExtractionPath {

bool hasControlCharacter(const QString &name)
{
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

bool climbsOut(const QString &cleanRelativePath)
{
    // Cleaning keeps a leading "/" and does not reduce "/.." ("/../x" stays
    // as it is), yet the path is joined below the target all the same.
    int start = 0;
    while (start < cleanRelativePath.size() && cleanRelativePath.at(start) == QLatin1Char('/'))
        ++start;
    const QString rest = cleanRelativePath.mid(start);
    return rest == QLatin1String("..") || rest.startsWith(QLatin1String("../"));
}

bool isSpecialComponent(const QString &component)
{
    return component.isEmpty() || component == QLatin1String(".") || component == QLatin1String("..");
}

bool isInside(const QString &canonicalRoot, const QString &canonicalPath)
{
    if (canonicalPath.isEmpty())
        return false;
    if (canonicalRoot == QLatin1String("/") || canonicalPath == canonicalRoot)
        return true;
    return canonicalPath.startsWith(canonicalRoot)
        && canonicalPath.at(canonicalRoot.size()) == QLatin1Char('/');
}

} // namespace ExtractionPath
