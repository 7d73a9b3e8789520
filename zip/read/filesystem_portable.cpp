// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The file-system layer with Qt and standard C++ only, for every system Qt
// runs on. Each level of a path is examined by its whole path through
// QFileInfo and made with QDir, so the work grows with the square of the
// depth (bounded by the path limit); the checks are the same as on Linux.
#include "read/filesystem_p.h"

#include "read/extractionpath_p.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <chrono>
#include <filesystem>
#include <system_error>

namespace FileSystem {

namespace {

// Linux's PATH_MAX. A system with a lower limit refuses longer paths when
// they are opened, which the reader reports as a failure to open.
constexpr int MaxPathBytes = 4096;

// A link of any kind the system follows: symbolic links, and on Windows
// also junctions.
bool isLink(const QFileInfo &info)
{
    return info.isSymbolicLink() || info.isJunction();
}

// Calls visit(level) with path up to the end of each non-empty component
// from position from on; stops when visit returns false.
template<typename Visit>
void forEachLevel(const QString &path, int from, Visit visit)
{
    const QChar slash(QLatin1Char('/'));
    int pos = from;
    const int size = int(path.size()); // a path within the limit
    while (pos < size) {
        while (pos < size && path.at(pos) == slash)
            ++pos;
        if (pos >= size)
            return;
        int end = int(path.indexOf(slash, pos));
        if (end < 0)
            end = size;
        if (!visit(path.left(end)))
            return;
        pos = end;
    }
}

} // namespace

bool fitsPathLimit(const QString &path)
{
    return QFile::encodeName(path).size() < MaxPathBytes;
}

int descriptorForReadAt(QIODevice *)
{
    return -1; // every read goes through the device
}

qint64 readAt(int, char *, qint64, qint64)
{
    return -1;
}

qint64 lastIndexOf(const unsigned char *data, qint64 length, unsigned char byte)
{
    for (qint64 i = length - 1; i >= 0; --i) {
        if (data[i] == byte)
            return i;
    }
    return -1;
}

bool resolvesInside(const QString &root, const QString &path, bool *parentIsFolder)
{
    if (parentIsFolder)
        *parentIsFolder = false; // looked up again before the file is made
    // Walk down from root over the part of the path that exists. Only a link
    // on the way can lead elsewhere; without one the path stays below root
    // by construction.
    QString deepestExisting;
    bool metLink = false;
    forEachLevel(path, int(root.size()), [&](const QString &level) {
        const QFileInfo info(level);
        const bool link = isLink(info);
        if (!link && !info.exists())
            return false;
        metLink = metLink || link;
        deepestExisting = level;
        return true;
    });
    if (!metLink || deepestExisting.isEmpty())
        return true;
    return ExtractionPath::isInside(QFileInfo(root).canonicalFilePath(),
                                    QFileInfo(deepestExisting).canonicalFilePath());
}

bool createFolders(const QString &path, QString *failedFolder)
{
    if (QFileInfo(path).isDir())
        return true;
    bool ok = true;
    forEachLevel(path, 0, [&](const QString &level) {
        const QFileInfo info(level);
        // A folder, or a link to one, is entered as it is; anything else in
        // the way (a file, a dangling link) stops the walk.
        if (info.isDir())
            return true;
        if (!info.exists() && !isLink(info) && (QDir().mkdir(level) || QFileInfo(level).isDir()))
            return true;
        ok = false;
        if (failedFolder)
            *failedFolder = level;
        return false;
    });
    return ok;
}

} // namespace FileSystem

namespace FileSystem {

namespace {

// The clock of file times in seconds of the system clock: the two differ by
// whole seconds in every standard library (1601, 1970 or 2174 as epoch).
std::filesystem::file_time_type fileTimeOf(qint64 secondsSinceEpoch)
{
    using namespace std::chrono;
    using FileTime = std::filesystem::file_time_type;
    const seconds offset = round<seconds>(FileTime::clock::now().time_since_epoch()
                                          - duration_cast<FileTime::duration>(system_clock::now().time_since_epoch()));
    return FileTime(duration_cast<FileTime::duration>(seconds(secondsSinceEpoch) + offset));
}

} // namespace

bool setAttributes(const QString &path, int permissions, bool hasTime, qint64 secondsSinceEpoch)
{
    const std::filesystem::path name(QFile::encodeName(path).toStdString());
    std::error_code error;
    bool ok = true;
    if (hasTime) {
        std::filesystem::last_write_time(name, fileTimeOf(secondsSinceEpoch), error);
        ok = !error;
    }
    if (permissions >= 0) {
        std::filesystem::permissions(name, std::filesystem::perms(permissions) & std::filesystem::perms::mask,
                                     std::filesystem::perm_options::replace, error);
        ok = ok && !error;
    }
    return ok;
}

bool setAttributes(int, int, bool, qint64, bool *unsupported)
{
    *unsupported = true;
    return false;
}

Existing existingAt(const QString &path)
{
    const QFileInfo info(path);
    if (isLink(info))
        return Existing::Link;
    if (!info.exists())
        return Existing::Nothing;
    return info.isDir() ? Existing::Folder : Existing::Other;
}

bool createSymbolicLink(const QString &target, const QString &path, bool replace)
{
    if (QFile::link(target, path))
        return true;
    const Existing existing = existingAt(path);
    if (!replace || existing == Existing::Nothing || existing == Existing::Folder)
        return false;
    return QFile::remove(path) && QFile::link(target, path);
}

} // namespace FileSystem
