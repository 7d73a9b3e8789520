// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "write/diskattributes_p.h"

#include "common/zipformat_p.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#ifdef Q_OS_UNIX
#include <climits>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace ZipFormat;

namespace DiskAttributes {

namespace {

// The permission bits that Qt reports, in the order of the Unix mode.
quint32 permissionBits(QFileDevice::Permissions permissions)
{
    static const QFileDevice::Permission bits[] = {
        QFileDevice::ReadOwner, QFileDevice::WriteOwner, QFileDevice::ExeOwner,
        QFileDevice::ReadGroup, QFileDevice::WriteGroup, QFileDevice::ExeGroup,
        QFileDevice::ReadOther, QFileDevice::WriteOther, QFileDevice::ExeOther};
    quint32 mode = 0;
    for (const QFileDevice::Permission bit : bits)
        mode = (mode << 1) | (permissions.testFlag(bit) ? 1 : 0);
    return mode;
}

} // namespace

quint32 modeOf(const QFileInfo &file)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(file.absoluteFilePath()).constData(), &st) == 0)
        return quint32(st.st_mode) & 0177777;
#endif
    const quint32 type = file.isDir() ? UnixMode::Directory : UnixMode::RegularFile;
    return type | permissionBits(file.permissions());
}

bool readLink(const QString &path, QByteArray *target, QDateTime *modified)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::lstat(name.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return false;
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink(name.constData(), buffer, sizeof buffer);
    if (length <= 0 || size_t(length) >= sizeof buffer)
        return false;
    *target = QByteArray(buffer, int(length));
    *modified = QDateTime::fromSecsSinceEpoch(qint64(st.st_mtime));
    return true;
#else
    Q_UNUSED(path);
    Q_UNUSED(target);
    Q_UNUSED(modified);
    return false;
#endif
}

} // namespace DiskAttributes
