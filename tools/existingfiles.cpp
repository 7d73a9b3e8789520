// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "existingfiles.h"
#include "console.h"

ExistingFiles::ExistingFiles(ToolOptions::Existing existing)
    : mode(existing)
{
}

UnZip::ExtractionOptions ExistingFiles::readerOptions(UnZip::ExtractionOptions options) const
{
    if (mode == ToolOptions::Existing::Replace)
        return options;
    return options | UnZip::KeepExisting;
}

ExistingFiles::Decision ExistingFiles::decide(const QString &shownPath)
{
    if (mode == ToolOptions::Existing::Replace)
        return Replace;
    if (mode == ToolOptions::Existing::Keep)
        return Keep;
    if (!Console::canAsk())
        return Refuse;
    // Upper-case A and N answer for every file that follows, as unzip's do.
    for (;;) {
        const QString answer = Console::ask(toolText("replace %1? [y]es, [n]o, [A]ll, [N]one: ")
                                                .arg(Console::printable(shownPath)));
        if (answer.isNull() || answer == QLatin1String("N")) {
            mode = ToolOptions::Existing::Keep;
            return Keep;
        }
        if (answer == QLatin1String("A")) {
            mode = ToolOptions::Existing::Replace;
            return Replace;
        }
        if (answer.startsWith(QLatin1Char('y')) || answer.startsWith(QLatin1Char('Y')))
            return Replace;
        if (answer.startsWith(QLatin1Char('n')))
            return Keep;
    }
}
