// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_DISKATTRIBUTES_P_H
#define KELVANE_DISKATTRIBUTES_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// What the writer records of a file, folder or link on disk besides its
// data: its Unix mode and, for a link, its target and its own time.

#include <QtCore/QByteArray>
#include <QtCore/QDateTime>

class QFileInfo;

namespace DiskAttributes {

// The Unix mode (type and permission bits, set-user-ID and the like
// included) of the file or folder, following links; on systems without
// such modes, one made of its permissions.
quint32 modeOf(const QFileInfo &file);

// The link's target as stored in it (not resolved), and the time of the
// link itself. False when the path is no symbolic link or cannot be read.
bool readLink(const QString &path, QByteArray *target, QDateTime *modified);

} // namespace DiskAttributes

#endif // KELVANE_DISKATTRIBUTES_P_H
