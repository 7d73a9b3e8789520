// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "packagecheck.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

#ifndef PATH_MAX
const int pathLimit = 4096;
#else
const int pathLimit = PATH_MAX;
#endif
#ifndef NAME_MAX
const int nameLimit = 255;
#else
const int nameLimit = NAME_MAX;
#endif

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The first bytes of the file; empty when it cannot be read.
QByteArray signatureOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(4) : QByteArray();
}

bool isStartPageName(const QString &name)
{
    const QString file = name.section(QLatin1Char('/'), -1).toLower();
    return (file == QLatin1String("index.html") || file == QLatin1String("index.htm")) && name.count(QLatin1Char('/')) <= 1;
}

} // namespace

bool PackageCheck::tooLong(const QString &path)
{
    const QByteArray bytes = QFile::encodeName(path);
    if (bytes.size() >= pathLimit)
        return true;
    for (const QByteArray &component : bytes.split('/')) {
        if (component.size() > nameLimit)
            return true;
    }
    return false;
}

QString PackageCheck::pathProblem(const QString &path)
{
    if (tooLong(path))
        return tr("The path of the lecture package is too long for the file system:\n%1").arg(native(path));
    return QString();
}

QString PackageCheck::fileProblem(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        if (errno == EACCES)
            return tr("The lecture package %1 cannot be read: permission denied.").arg(native(path));
        return tr("The lecture package %1 cannot be read: %2").arg(native(path), systemReason(errno));
    }
    if (S_ISDIR(status.st_mode))
        return tr("%1 is a folder, not a lecture package.").arg(native(path));
    if (!S_ISREG(status.st_mode))
        return tr("%1 is not a regular file (it is a device, a pipe or a socket), so it is not a lecture package.")
            .arg(native(path));
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES || errno == EPERM)
            return tr("The lecture package %1 cannot be read: permission denied.").arg(native(path));
        return tr("The lecture package %1 cannot be read: %2").arg(native(path), systemReason(errno));
    }
    ::close(fd);
    return QString();
}

QString PackageCheck::archiveProblem(const QString &path, const QString &reason)
{
    // Every ZIP archive starts with a local header or, when empty, with its
    // end record; one that does and still fails is damaged.
    const QByteArray start = signatureOf(path);
    if (start == QByteArray("PK\x03\x04", 4) || start == QByteArray("PK\x05\x06", 4))
        return tr("The lecture package %1 is damaged: %2").arg(native(path), reason);
    return tr("%1 is not a ZIP archive, so it is not a lecture package.").arg(native(path));
}

QString PackageCheck::startPageProblem(const QString &workPath, const QStringList &entryNames)
{
    for (const QString &name : entryNames) {
        if (isStartPageName(name) && tooLong(workPath + QLatin1Char('/') + name))
            return tr("The lecture cannot be unpacked in %1: the path of its start page would be too long "
                      "for the file system.")
                .arg(native(workPath));
    }
    return QString();
}
