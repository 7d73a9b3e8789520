#include "extractionpath_p.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <sys/types.h>

namespace ExtractionPath {

bool hasControlCharacter(const QString &name)
{
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

bool climbsOut(const QString &cleanRelativePath)
{
    // Cleaning keeps a leading "/" and does not reduce "/.." ("/../x" stays
    // as it is), yet the path is joined below the target all the same.
    int start = 0;
    while (start < cleanRelativePath.size() && cleanRelativePath.at(start) == QLatin1Char('/'))
        ++start;
    const QStringRef rest = cleanRelativePath.midRef(start);
    return rest == QLatin1String("..") || rest.startsWith(QLatin1String("../"));
}

bool isSpecialComponent(const QString &component)
{
    return component.isEmpty() || component == QLatin1String(".") || component == QLatin1String("..");
}

static bool isInside(const QString &canonicalRoot, const QString &canonicalPath)
{
    if (canonicalPath.isEmpty())
        return false;
    if (canonicalRoot == QLatin1String("/") || canonicalPath == canonicalRoot)
        return true;
    return canonicalPath.startsWith(canonicalRoot)
        && canonicalPath.at(canonicalRoot.size()) == QLatin1Char('/');
}

bool resolvesInside(const QString &root, const QString &path)
{
    // Walk down from root, one component at a time, over the part of the path
    // that exists. Only a symbolic link on the way can lead elsewhere; when
    // there is none, the path stays below root by construction.
    QByteArray bytes = QFile::encodeName(path);
    const int rootLength = QFile::encodeName(root).size();
    int deepestExisting = -1;
    bool metLink = false;
    int pos = rootLength;
    while (pos < bytes.size()) {
        int next = bytes.indexOf('/', pos + 1);
        if (next < 0)
            next = bytes.size();
        if (next == pos + 1) { // an empty component from a doubled slash
            pos = next;
            continue;
        }
        const char saved = next < bytes.size() ? bytes[next] : '\0';
        if (next < bytes.size())
            bytes[next] = '\0';
        struct stat st;
        const bool exists = ::lstat(bytes.constData(), &st) == 0;
        if (next < bytes.size())
            bytes[next] = saved;
        if (!exists)
            break;
        deepestExisting = next;
        if (S_ISLNK(st.st_mode))
            metLink = true;
        pos = next;
    }
    if (!metLink || deepestExisting < 0)
        return true;
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    const QString existing = QFile::decodeName(bytes.left(deepestExisting));
    return isInside(canonicalRoot, QFileInfo(existing).canonicalFilePath());
}

bool createFolders(const QString &path, QString *failedFolder)
{
    QByteArray bytes = QFile::encodeName(path);
    if (bytes.endsWith('/') && bytes.size() > 1)
        bytes.chop(1);
    struct stat st;
    if (::stat(bytes.constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return true;
    // Find the deepest level that exists, walking up over the missing ones,
    // then make each missing level on the way down.
    int existingEnd = bytes.size();
    while (existingEnd > 0) {
        existingEnd = bytes.lastIndexOf('/', existingEnd - 1);
        if (existingEnd <= 0)
            break;
        bytes[existingEnd] = '\0';
        const bool exists = ::stat(bytes.constData(), &st) == 0;
        bytes[existingEnd] = '/';
        if (exists)
            break;
    }
    int pos = existingEnd < 0 ? 0 : existingEnd;
    while (pos < bytes.size()) {
        int next = bytes.indexOf('/', pos + 1);
        if (next < 0)
            next = bytes.size();
        if (next == pos + 1) {
            pos = next;
            continue;
        }
        const bool last = next == bytes.size();
        if (!last)
            bytes[next] = '\0';
        const bool made = ::mkdir(bytes.constData(), 0777) == 0
            || (errno == EEXIST && ::stat(bytes.constData(), &st) == 0 && S_ISDIR(st.st_mode));
        if (!made) {
            if (failedFolder)
                *failedFolder = QFile::decodeName(bytes.constData());
            return false;
        }
        if (!last)
            bytes[next] = '/';
        pos = next;
    }
    return true;
}

} // namespace ExtractionPath
