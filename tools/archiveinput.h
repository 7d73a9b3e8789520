// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TOOLS_ARCHIVEINPUT_H
#define KELVANE_TOOLS_ARCHIVEINPUT_H

#include <kelvanezip/unzip.h>

#include <QtCore/QString>

// Opens the archive that list, test and extract read: a file, or for "-"
// standard input. The reader needs to seek, so standard input is read
// directly only when it can (a redirected file); a pipe is first copied to a
// temporary file, whose name is removed as soon as it is open: nothing is
// left behind, not even when the tool is killed. Failures are reported on
// standard error; the result is the tool's exit status (ExitSuccess when
// the archive is open).
int openArchiveInput(UnZip &unzip, const QString &archive);

#endif // KELVANE_TOOLS_ARCHIVEINPUT_H
