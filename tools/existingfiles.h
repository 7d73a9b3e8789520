// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TOOLS_EXISTINGFILES_H
#define KELVANE_TOOLS_EXISTINGFILES_H

#include "commands.h"

#include <kelvanezip/unzip.h>

// What extract does when an entry's file exists already: -o replaces it,
// -n keeps it; without either the user is asked on a terminal (yes, no, all,
// none), and elsewhere the file is kept and the entry counts as failed.
// The reader itself refuses to replace a file (UnZip::KeepExisting) unless
// -o was given, so a file that appears while the tool runs is not lost
// either.
class ExistingFiles
{
public:
    enum Decision {
        Replace,
        Keep,  // kept as asked for (-n, or the user's answer)
        Refuse // kept, nobody could be asked: a failure
    };

    explicit ExistingFiles(ToolOptions::Existing mode);

    // The reader's options for a first attempt at every entry.
    UnZip::ExtractionOptions readerOptions(UnZip::ExtractionOptions options) const;
    // The decision for the file at shownPath (as the user knows it).
    Decision decide(const QString &shownPath);

private:
    ToolOptions::Existing mode;
};

#endif // KELVANE_TOOLS_EXISTINGFILES_H
