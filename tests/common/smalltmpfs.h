// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TESTS_SMALLTMPFS_H
#define KELVANE_TESTS_SMALLTMPFS_H

// A small tmpfs mounted for one test, to fill a real file system: writes
// there fail with the system's "No space left on device". Mounting needs
// root (CAP_SYS_ADMIN); elsewhere the test is skipped with the reason.

#include <QtCore/QString>
#include <QtCore/QTemporaryDir>

class SmallTmpfs
{
public:
    explicit SmallTmpfs(qint64 bytes);
    ~SmallTmpfs();
    SmallTmpfs(const SmallTmpfs &) = delete;
    SmallTmpfs &operator=(const SmallTmpfs &) = delete;

    bool isMounted() const { return m_mounted; }
    // Why it is not mounted.
    QString failure() const { return m_failure; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    // Fills the file system up to its last byte with a file of that name.
    bool fill(const QString &name = QStringLiteral("filler"));

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_failure;
};

// In a test function: skips it, with the reason, when no tmpfs can be mounted.
#define KELVANE_REQUIRE_TMPFS(fs)                                                                               \
    do {                                                                                                        \
        if (!(fs).isMounted())                                                                                  \
            QSKIP(qPrintable(QStringLiteral("needs a small tmpfs, which needs root: %1").arg((fs).failure()))); \
    } while (false)

#endif // KELVANE_TESTS_SMALLTMPFS_H
