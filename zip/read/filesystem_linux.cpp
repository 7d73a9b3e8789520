// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The file-system layer on Linux: walks and creates folders through directory
// handles (O_PATH, fstatat, openat, mkdirat), so that the work stays linear
// in the depth of a path.
#include "read/filesystem_p.h"

#include "read/extractionpath_p.h"

#include <QtCore/QFile>
#include <QtCore/QFileDevice>
#include <QtCore/QFileInfo>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>
#include <sys/types.h>

namespace FileSystem {

bool fitsPathLimit(const QString &path)
{
    return QFile::encodeName(path).size() < PATH_MAX;
}

int descriptorForReadAt(QIODevice *device)
{
    auto *file = qobject_cast<QFileDevice *>(device);
    if (!file || file->isSequential())
        return -1;
    return file->handle(); // -1 for a file that is no system file (a resource)
}

qint64 readAt(int fd, char *data, qint64 length, qint64 offset)
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, data + done, size_t(length - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

qint64 lastIndexOf(const unsigned char *data, qint64 length, unsigned char byte)
{
    const void *hit = memrchr(data, byte, size_t(length));
    return hit ? static_cast<const unsigned char *>(hit) - data : -1;
}

namespace {

// A directory descriptor that closes itself.
class DirectoryHandle
{
public:
    explicit DirectoryHandle(int fd = -1)
        : m_fd(fd)
    { }
    ~DirectoryHandle() { reset(); }
    DirectoryHandle(const DirectoryHandle &) = delete;
    DirectoryHandle &operator=(const DirectoryHandle &) = delete;

    int fd() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

int openDirectory(const char *path)
{
    return ::open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
}

int openSubdirectory(int parent, const char *name)
{
    return ::openat(parent, name, O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// Calls visit(start, end) for each non-empty component of bytes[from, size),
// where bytes[start, end) is the component; stops when visit returns false.
template<typename Visit>
void forEachComponent(QByteArray &bytes, int from, Visit visit)
{
    int pos = from;
    while (pos < bytes.size()) {
        while (pos < bytes.size() && bytes.at(pos) == '/')
            ++pos;
        if (pos >= bytes.size())
            return;
        // Paths here fit PATH_MAX, far below the range of int.
        int end = int(bytes.indexOf('/', pos));
        if (end < 0)
            end = int(bytes.size());
        if (!visit(pos, end))
            return;
        pos = end;
    }
}

// The component bytes[start, end) as a NUL-terminated string.
QByteArray componentAt(const QByteArray &bytes, int start, int end)
{
    return bytes.mid(start, end - start);
}

} // namespace

bool resolvesInside(const QString &root, const QString &path, bool *parentIsFolder)
{
    // Walk down from root, one component at a time, over the part of the path
    // that exists. Only a symbolic link on the way can lead elsewhere; when
    // there is none, the path stays below root by construction. The first
    // levels are looked up by their whole path (cheap for the usual shallow
    // names); deeper ones relative to a handle on the level above, so that
    // the walk stays linear in the depth.
    constexpr int ShallowLevels = 16;
    QByteArray bytes = QFile::encodeName(path);
    char *data = bytes.data();
    const int rootLength = int(QFile::encodeName(root).size());
    DirectoryHandle dir;
    int level = 0;
    int deepestExisting = -1;
    bool metLink = false;
    const int parentEnd = int(bytes.lastIndexOf('/'));
    if (parentIsFolder)
        *parentIsFolder = false;
    forEachComponent(bytes, rootLength, [&](int start, int end) {
        struct stat st;
        QByteArray name;
        bool exists;
        if (dir.isValid()) {
            name = componentAt(bytes, start, end);
            exists = ::fstatat(dir.fd(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
        } else {
            const char saved = data[end];
            data[end] = '\0';
            exists = ::lstat(data, &st) == 0;
            data[end] = saved;
        }
        if (!exists)
            return false;
        deepestExisting = end;
        if (S_ISLNK(st.st_mode))
            metLink = true;
        if (parentIsFolder && end == parentEnd)
            *parentIsFolder = S_ISDIR(st.st_mode) && !metLink;
        if (end == bytes.size() || ++level < ShallowLevels)
            return end != bytes.size();
        if (dir.isValid()) {
            dir.reset(openSubdirectory(dir.fd(), name.constData()));
        } else {
            const char saved = data[end];
            data[end] = '\0';
            dir.reset(openDirectory(data));
            data[end] = saved;
        }
        return dir.isValid();
    });
    if (!metLink || deepestExisting < 0)
        return true;
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    const QString existing = QFile::decodeName(bytes.left(deepestExisting));
    return ExtractionPath::isInside(canonicalRoot, QFileInfo(existing).canonicalFilePath());
}

bool createFolders(const QString &path, QString *failedFolder)
{
    QByteArray bytes = QFile::encodeName(path);
    struct stat st;
    if (::stat(bytes.constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return true;
    const bool absolute = bytes.startsWith('/');
    DirectoryHandle dir(openDirectory(absolute ? "/" : "."));
    bool ok = dir.isValid();
    forEachComponent(bytes, 0, [&](int start, int end) {
        const QByteArray name = componentAt(bytes, start, end);
        int next = openSubdirectory(dir.fd(), name.constData());
        if (next < 0 && errno == ENOENT) {
            if (::mkdirat(dir.fd(), name.constData(), 0777) == 0 || errno == EEXIST)
                next = openSubdirectory(dir.fd(), name.constData());
        }
        if (next < 0) {
            ok = false;
            if (failedFolder)
                *failedFolder = QFile::decodeName(bytes.left(end));
            return false;
        }
        dir.reset(next);
        return true;
    });
    return ok;
}

} // namespace FileSystem

namespace {

// The times for utimensat() and futimens(): the access time left alone, the
// modification time set to whole seconds.
struct ModificationTime
{
    explicit ModificationTime(qint64 secondsSinceEpoch)
    {
        times[0].tv_sec = 0;
        times[0].tv_nsec = UTIME_OMIT;
        times[1].tv_sec = time_t(secondsSinceEpoch);
        times[1].tv_nsec = 0;
    }
    struct timespec times[2];
};

} // namespace

namespace FileSystem {

bool setAttributes(const QString &path, int permissions, bool hasTime, qint64 secondsSinceEpoch)
{
    const QByteArray name = QFile::encodeName(path);
    bool ok = true;
    if (hasTime) {
        const ModificationTime times(secondsSinceEpoch);
        ok = ::utimensat(AT_FDCWD, name.constData(), times.times, AT_SYMLINK_NOFOLLOW) == 0;
    }
    if (permissions >= 0)
        ok = ::fchmodat(AT_FDCWD, name.constData(), mode_t(permissions), 0) == 0 && ok;
    return ok;
}

bool setAttributes(int fd, int permissions, bool hasTime, qint64 secondsSinceEpoch, bool *unsupported)
{
    *unsupported = false;
    bool ok = true;
    if (hasTime) {
        const ModificationTime times(secondsSinceEpoch);
        ok = ::futimens(fd, times.times) == 0;
    }
    if (permissions >= 0)
        ok = ::fchmod(fd, mode_t(permissions)) == 0 && ok;
    return ok;
}

Existing existingAt(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return Existing::Nothing;
    if (S_ISLNK(st.st_mode))
        return Existing::Link;
    return S_ISDIR(st.st_mode) ? Existing::Folder : Existing::Other;
}

bool createSymbolicLink(const QString &target, const QString &path, bool replace)
{
    const QByteArray to = QFile::encodeName(target);
    const QByteArray name = QFile::encodeName(path);
    if (::symlink(to.constData(), name.constData()) == 0)
        return true;
    if (errno != EEXIST || !replace || existingAt(path) == Existing::Folder)
        return false;
    // Beside it under a name of its own, then over it in one step.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray beside = name + ".link" + QByteArray::number(attempt);
        if (::symlink(to.constData(), beside.constData()) == 0) {
            if (::rename(beside.constData(), name.constData()) == 0)
                return true;
            ::unlink(beside.constData());
            return false;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

} // namespace FileSystem
