// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// What extracted files and folders get of their entries: the permission
// bits of a Unix mode and the modification time; folders get theirs at the
// end of the call that made them.
#include "read/unzip_p.h"

#include "read/filesystem_p.h"

#include <QtCore/QDateTime>
#include <QtCore/QFile>

#include <algorithm>
#include <mutex>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <sys/types.h>
#endif

using namespace ZipFormat;

namespace {

// The process's umask as Linux reports it; elsewhere read by setting it,
// which is not atomic with other threads' file creation.
quint32 processCreationMask()
{
#ifdef Q_OS_UNIX
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        const QByteArray lines = status.readAll();
        const QByteArray key("\nUmask:");
        const int at = int(lines.indexOf(key));
        if (at >= 0) {
            const int from = at + int(key.size());
            bool ok = false;
            const quint32 mask = lines.mid(from, lines.indexOf('\n', from) - from).trimmed().toUInt(&ok, 8);
            if (ok)
                return mask & UnixMode::PermissionBits;
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return quint32(mask) & UnixMode::PermissionBits;
#else
    return 0;
#endif
}

// A DOS time is local time: its conversion reads the time zone through the C
// library (tzset, mktime), whose state the workers of a threaded extraction
// must not touch at once.
bool dosTimeToEpoch(const unsigned char dosTime[2], const unsigned char dosDate[2], qint64 *seconds)
{
    static std::mutex timeZone;
    const std::lock_guard<std::mutex> lock(timeZone);
    const QDateTime dos = decodeDosDateTime(dosTime, dosDate);
    *seconds = dos.isValid() ? dos.toSecsSinceEpoch() : 0;
    return dos.isValid();
}

} // namespace

UnzipPrivate::Stamp UnzipPrivate::stampFor(const QString &path, const ZipEntryP &entry) const
{
    Stamp stamp;
    stamp.path = path;
    // A mode of 0 says nothing (some writers on Unix leave it so).
    const quint32 mode = entry.unixMode();
    if (mode != 0)
        stamp.permissions = int(mode & UnixMode::PermissionBits & ~creationMask);
    if (entry.hasUnixTime) {
        stamp.hasTime = true;
        stamp.time = entry.unixTime;
    } else {
        stamp.hasTime = dosTimeToEpoch(entry.dosTime, entry.dosDate, &stamp.time);
    }
    return stamp;
}

UnzipPrivate::Stamp UnzipPrivate::withoutCreationMode(Stamp stamp) const
{
    if (stamp.permissions == int(0666 & ~creationMask))
        stamp.permissions = -1;
    return stamp;
}

void UnzipPrivate::applyStamp(const Stamp &stamp)
{
    if (!FileSystem::setAttributes(stamp.path, stamp.permissions, stamp.hasTime, stamp.time))
        logStampFailure(stamp.path);
}

void UnzipPrivate::logStampFailure(const QString &path)
{
    diagnostic.log(QString::fromLatin1("Unable to set the permissions or the time of %1").arg(path));
}

UnzipPrivate::FolderStampScope::FolderStampScope(UnzipPrivate &reader)
    : m_reader(reader)
    , m_outermost(!reader.deferredFolders)
{
    if (!m_outermost)
        return;
    reader.deferredFolders = &m_stamps;
    reader.creationMask = processCreationMask();
}

UnzipPrivate::FolderStampScope::~FolderStampScope()
{
    if (!m_outermost)
        return;
    m_reader.deferredFolders = nullptr;
    // Deepest first: a folder's time is set after its subfolders' changed it.
    std::stable_sort(m_stamps.begin(), m_stamps.end(), [](const Stamp &a, const Stamp &b) {
        return a.path.count(QLatin1Char('/')) > b.path.count(QLatin1Char('/'));
    });
    for (const Stamp &stamp : qAsConst(m_stamps))
        m_reader.applyStamp(stamp);
}
