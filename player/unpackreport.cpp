// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "unpackreport.h"

namespace {

QString shortened(const QString &name, int longest)
{
    if (name.size() <= longest)
        return name;
    const int kept = (longest - 1) / 2;
    return name.left(kept) + QChar(0x2026) + name.right(longest - 1 - kept);
}

} // namespace

QString UnpackReport::text(const QStringList &entries)
{
    const int count = int(entries.size());
    QStringList lines;
    lines.append(tr("Files of the lecture that could not be unpacked (%1):").arg(count));
    for (int i = 0; i < count && i < namesShown; ++i)
        lines.append(shortened(entries.at(i), longestName));
    if (count > namesShown)
        lines.append(tr("and %1 more").arg(count - namesShown));
    return lines.join(QLatin1Char('\n'));
}
