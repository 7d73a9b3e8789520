// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "referenceresolver.h"

#include <QtCore/QDir>
#include <QtCore/QDirIterator>
#include <QtCore/QFileInfo>
#include <QtCore/QSet>
#include <QtGui/QImageReader>

namespace {

QString cleanAbsolute(const QString &path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}

const QSet<QString> &pictureSuffixes()
{
    static const QSet<QString> suffixes = [] {
        QSet<QString> set;
        for (const QByteArray &format : QImageReader::supportedImageFormats())
            set.insert(QString::fromLatin1(format).toLower());
        // Documents that some image plug-ins happen to read are not pictures
        // of a page.
        set.remove(QStringLiteral("pdf"));
        return set;
    }();
    return suffixes;
}

} // namespace

ReferenceResolver::ReferenceResolver(const QString &root)
    : m_root(root.isEmpty() ? QString() : cleanAbsolute(root))
{
}

bool ReferenceResolver::contains(const QString &absolutePath) const
{
    if (m_root.isEmpty())
        return false;
    const QString path = QDir::cleanPath(absolutePath);
    return path == m_root || path.startsWith(m_root + QLatin1Char('/'));
}

ReferenceResolver::Target ReferenceResolver::resolve(const QUrl &reference, const QString &pageFolder) const
{
    Target target;
    target.fragment = reference.fragment(QUrl::FullyDecoded);

    const QString scheme = reference.scheme().toLower();
    // "C:\..." reads as a one-letter scheme: a path on a Windows drive, as
    // is "file:///C:/...", and "//server/share/x" on a network share. Left
    // behind by the author's tools, such a path names a file of the lecture
    // on the author's machine: it is looked for in the package by name.
    const bool authorsMachine = scheme.size() == 1 || scheme == QLatin1String("file")
        || (scheme.isEmpty() && (!reference.host().isEmpty() || !reference.authority().isEmpty()));
    if (authorsMachine) {
        target.path = findByName(reference);
        target.kind = target.path.isEmpty() ? Target::Outside : Target::InPackage;
        return target;
    }
    if (!scheme.isEmpty()) {
        if (scheme == QLatin1String("qrc")) {
            target.kind = Target::Outside;
            return target;
        }
        target.kind = Target::External;
        target.url = reference;
        return target;
    }

    const QString written = reference.path(QUrl::FullyDecoded);
    QString path = written;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.isEmpty()) {
        target.kind = Target::SamePage;
        return target;
    }
    if (path.startsWith(QLatin1String("//"))) {
        target.path = findByName(reference);
        target.kind = target.path.isEmpty() ? Target::Outside : Target::InPackage;
        return target;
    }

    const QString base = path.startsWith(QLatin1Char('/')) ? m_root : QDir::cleanPath(pageFolder);
    const QString wanted = QDir::cleanPath(base + QLatin1Char('/') + path);
    if (!contains(wanted)) {
        target.kind = Target::Outside;
        return target;
    }
    target.path = locate(wanted);
    // Archives from other systems keep a backslash as a part of a name.
    if (target.path.isEmpty() && written != path && !written.startsWith(QLatin1Char('\\')))
        target.path = locate(QDir::cleanPath(pageFolder) + QLatin1Char('/') + written);
    if (target.path.isEmpty()) {
        target.kind = Target::Missing;
        target.path = wanted;
    } else {
        target.kind = Target::InPackage;
    }
    return target;
}

QString ReferenceResolver::locate(const QString &absolutePath) const
{
    const QString wanted = QDir::cleanPath(absolutePath);
    if (!contains(wanted))
        return QString();
    if (wanted == m_root)
        return m_root;

    QString found = m_root;
    const QStringList parts = wanted.mid(m_root.size() + 1).split(QLatin1Char('/'));
    for (const QString &part : parts) {
        const QString exact = found + QLatin1Char('/') + part;
        if (QFileInfo::exists(exact)) {
            found = exact;
            continue;
        }
        QString match;
        for (const QString &name : folderEntries(found)) {
            if (name.compare(part, Qt::CaseInsensitive) != 0)
                continue;
            if (!match.isEmpty())
                return QString(); // two candidates: neither is meant more than the other
            match = name;
        }
        if (match.isEmpty())
            return QString();
        found += QLatin1Char('/') + match;
    }
    return found;
}

QString ReferenceResolver::findByName(const QUrl &reference) const
{
    QString written = QUrl::fromPercentEncoding(reference.adjusted(QUrl::RemoveFragment | QUrl::RemoveQuery).toEncoded());
    if (written.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        written.remove(0, 5);
    written.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList segments = written.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    segments.removeAll(QStringLiteral("."));
    if (segments.isEmpty() || segments.constLast() == QLatin1String(".."))
        return QString();
    return uniqueByName(segments);
}

QString ReferenceResolver::uniqueByName(const QStringList &segments) const
{
    if (m_root.isEmpty())
        return QString();
    if (m_filesByName.isEmpty()) {
        QDirIterator files(m_root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            m_filesByName[QFileInfo(path).fileName().toLower()].append(path.mid(m_root.size() + 1));
        }
        m_filesByName.insert(QString(), QStringList()); // listed, even when empty
    }
    QStringList candidates = m_filesByName.value(segments.constLast().toLower());
    // Several files of that name: the folders they are in decide, from the
    // innermost outwards, as long as some of them match.
    for (int depth = 1; candidates.size() > 1 && depth < segments.size(); ++depth) {
        const QString folder = segments.at(segments.size() - 1 - depth);
        QStringList narrowed;
        for (const QString &candidate : qAsConst(candidates)) {
            const QStringList parts = candidate.split(QLatin1Char('/'));
            if (parts.size() > depth && parts.at(parts.size() - 1 - depth).compare(folder, Qt::CaseInsensitive) == 0)
                narrowed.append(candidate);
        }
        if (narrowed.isEmpty())
            break;
        candidates = narrowed;
    }
    if (candidates.size() > 1) {
        // As with letter case elsewhere: an exact match wins, a choice
        // between equals is not made.
        QStringList exact;
        for (const QString &candidate : qAsConst(candidates)) {
            if (candidate.section(QLatin1Char('/'), -1) == segments.constLast())
                exact.append(candidate);
        }
        candidates = exact;
    }
    return candidates.size() == 1 ? m_root + QLatin1Char('/') + candidates.constFirst() : QString();
}

QStringList ReferenceResolver::folderEntries(const QString &folder) const
{
    const auto cached = m_listings.constFind(folder);
    if (cached != m_listings.constEnd())
        return cached.value();
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    m_listings.insert(folder, entries);
    return entries;
}

void ReferenceResolver::forgetListings() const
{
    m_listings.clear();
    m_filesByName.clear();
}

ReferenceResolver::ContentKind ReferenceResolver::contentKind(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    static const QSet<QString> pageSuffixes = {QStringLiteral("html"), QStringLiteral("htm"),
                                               QStringLiteral("xhtml"), QStringLiteral("xht"),
                                               QStringLiteral("shtml")};
    if (pageSuffixes.contains(suffix))
        return Page;
    if (suffix == QLatin1String("txt"))
        return PlainText;
    if (!suffix.isEmpty() && pictureSuffixes().contains(suffix))
        return Picture;
    return OtherContent;
}
