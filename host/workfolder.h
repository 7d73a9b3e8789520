// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_WORKFOLDER_H
#define KELVANE_HOST_WORKFOLDER_H

#include <QtCore/QCoreApplication>
#include <QtCore/QString>

// A folder of one viewer process alone (mode 0700, a fresh unique name), in
// which the player keeps its working folder. The name records the owner's
// process id and start time, "kelvane-viewer-PID-START-XXXXXX", so that a
// later viewer can tell the folders of viewers that were killed from those
// of live ones and sweep them.
class PrivateWorkFolder
{
    Q_DECLARE_TR_FUNCTIONS(PrivateWorkFolder)

public:
    PrivateWorkFolder() = default;
    // Removes the folder (see remove()).
    ~PrivateWorkFolder();
    PrivateWorkFolder(const PrivateWorkFolder &) = delete;
    PrivateWorkFolder &operator=(const PrivateWorkFolder &) = delete;

    // The first place the folders may go: TMPDIR when the user set it (made
    // absolute), else the system temporary folder. WorkFolderPlace chooses
    // among it and the others by the room they have.
    static QString parentFolder();

    // Removes the folders in `parent` that viewers of this user left behind
    // when they ended without cleaning up; folders of live viewers and of
    // other users are left alone. Returns how many were removed.
    static int sweep(const QString &parent);

    // Makes a new folder in `parent`; false with errorString() on failure.
    bool create(const QString &parent);
    // The folder's canonical path; empty before create().
    QString path() const { return m_path; }
    QString errorString() const { return m_error; }

    // Leaves the folder when the process's current folder is in it, then
    // removes it with everything below it (links are removed, never
    // followed). True when it is gone.
    bool remove();

    // Parts of the naming scheme, also used by the tests.
    static QString namePrefix();
    static QString ownerTag(qint64 pid, quint64 startTime);
    // The start time of a process in clock ticks since boot, 0 when the
    // process does not exist or the system does not tell.
    static quint64 processStartTime(qint64 pid);
    // True while the process pid exists and, when startTime is not 0, is
    // the same process that had that start time (process ids are reused).
    static bool ownerAlive(qint64 pid, quint64 startTime);

private:
    QString m_path;
    QString m_parent;
    QString m_error;
};

#endif // KELVANE_HOST_WORKFOLDER_H
