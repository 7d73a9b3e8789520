// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "smalltmpfs.h"

#include <QtCore/QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

SmallTmpfs::SmallTmpfs(qint64 bytes)
{
    if (!m_dir.isValid()) {
        m_failure = QStringLiteral("no temporary folder");
        return;
    }
    if (::geteuid() != 0) {
        m_failure = QStringLiteral("not running as root");
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0777";
    if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.constData()) != 0) {
        m_failure = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    m_mounted = true;
}

SmallTmpfs::~SmallTmpfs()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

bool SmallTmpfs::fill(const QString &name)
{
    const int fd = ::open(QFile::encodeName(filePath(name)).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    static const char block[4096] = {};
    while (::write(fd, block, sizeof block) > 0) {
    }
    const bool full = errno == ENOSPC;
    // The last bytes of a page: tmpfs counts whole pages.
    while (::write(fd, block, 1) > 0) {
    }
    ::close(fd);
    return full;
}
