// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Link entries made as symbolic links, only where their target stays below
// the target folder.
#include "read/unzip_p.h"

#include "read/extractionpath_p.h"
#include "read/filesystem_p.h"

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QFile>

namespace {

// Longest target taken: Linux's PATH_MAX less its NUL.
constexpr quint64 MaxLinkTarget = 4095;

bool isParent(const QString &component)
{
    return component == QLatin1String("..");
}

} // namespace

bool UnzipPrivate::linkTargetStaysInside(const QString &target, const QString &base, const QString &linkTarget)
{
    if (linkTarget.isEmpty() || linkTarget.startsWith(QLatin1Char('/')) || ExtractionPath::hasControlCharacter(linkTarget))
        return false;
    // The link's folder below the target, then the link's target: the path
    // it leads to, taken lexically.
    const QString folder = base == target ? QString() : base.mid(target.size() + 1);
    const QString joined = folder.isEmpty() ? linkTarget : folder + QLatin1Char('/') + linkTarget;
    const QString resolved = QDir::cleanPath(joined);
    if (ExtractionPath::climbsOut(resolved))
        return false;
    // Lexical ".." is what the system does only after real folders: every
    // part in front of a ".." must be a folder that exists and is no link,
    // so that no link made later can stand there either.
    const QStringList parts = joined.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const int lastParent = int(parts.lastIndexOf(QStringLiteral("..")));
    QStringList walked;
    for (int i = 0; i < lastParent; ++i) {
        if (parts[i] == QLatin1String("."))
            continue;
        if (isParent(parts[i])) {
            walked.removeLast(); // never empty: the path does not climb out
            continue;
        }
        walked.append(parts[i]);
        if (FileSystem::existingAt(target + QLatin1Char('/') + walked.join(QLatin1Char('/')))
            != FileSystem::Existing::Folder) {
            return false;
        }
    }
    // Existing links on the resolved path must not lead out either.
    return resolved == QLatin1String(".") || FileSystem::resolvesInside(target, target + QLatin1Char('/') + resolved);
}

UnZip::ErrorCode UnzipPrivate::extractLinkEntry(const QString &path, const ZipEntryP &entry, const QString &target,
                                                const QString &base, const QString &outputPath,
                                                UnZip::ExtractionOptions options)
{
    if (entry.uncompressedSize > MaxLinkTarget) {
        diagnostic.report(QString::fromLatin1("Refusing symbolic link with a target too long: %1").arg(path));
        return UnZip::FileOpenFailed;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const UnZip::ErrorCode read = extractor.extractTo(&buffer, outputPath);
    if (read != UnZip::Success)
        return read;
    const QString linkTarget = QFile::decodeName(bytes);
    if (!linkTargetStaysInside(target, base, linkTarget)) {
        diagnostic.report(QString::fromLatin1("Refusing symbolic link outside the target folder: %1 -> %2")
                              .arg(path, linkTarget));
        return UnZip::FileOpenFailed;
    }
    const bool keepExisting = options.testFlag(UnZip::KeepExisting);
    if (keepExisting && FileSystem::existingAt(outputPath) != FileSystem::Existing::Nothing) {
        diagnostic.report(QString::fromLatin1("Not overwriting the existing file %1").arg(outputPath));
        return UnZip::FileExists;
    }
    if (!FileSystem::createSymbolicLink(linkTarget, outputPath, !keepExisting)) {
        diagnostic.report(QString::fromLatin1("Unable to create the symbolic link %1").arg(outputPath));
        return UnZip::FileOpenFailed;
    }
    return UnZip::Success;
}
