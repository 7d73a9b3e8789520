// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "packageparts.h"

#include "pagedecoder.h"
#include "referenceresolver.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QRegularExpression>
#include <QtCore/QSet>
#include <QtCore/QUrl>

#include <algorithm>

namespace {

// Pages and style sheets larger than this are not read for their parts.
const qint64 largestRead = qint64(16) * 1024 * 1024;

QString folderOf(const QString &entry)
{
    const auto slash = entry.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : entry.left(slash);
}

bool isStyleSheet(const QString &entry)
{
    return entry.endsWith(QLatin1String(".css"), Qt::CaseInsensitive);
}

void appendMatches(const QRegularExpression &pattern, const QString &text, QStringList *found)
{
    for (auto match = pattern.globalMatch(text); match.hasNext();) {
        const QRegularExpressionMatch next = match.next();
        for (int group = 1; group <= pattern.captureCount(); ++group) {
            if (next.capturedLength(group) > 0) {
                found->append(next.captured(group));
                break;
            }
        }
    }
}

} // namespace

PackageParts::PackageParts(const QStringList &entryNames, const QString &root)
    : m_root(QDir::cleanPath(root))
{
    for (const QString &name : entryNames) {
        if (name.endsWith(QLatin1Char('/')))
            continue; // a folder
        m_exact.insert(name, name);
        m_byLower[name.toLower()].append(name);
    }
}

QString PackageParts::startPage() const
{
    const QString atRoot = indexIn(QString());
    if (!atRoot.isEmpty())
        return atRoot;
    // As on disk: the one visible top-level folder with an index page,
    // resource forks of the Mac aside.
    QSet<QString> folders;
    for (auto it = m_exact.cbegin(); it != m_exact.cend(); ++it) {
        const auto slash = it.key().indexOf(QLatin1Char('/'));
        if (slash > 0)
            folders.insert(it.key().left(slash));
    }
    QString found;
    for (const QString &folder : folders) {
        if (folder == QLatin1String("__MACOSX") || folder.startsWith(QLatin1Char('.')))
            continue;
        const QString page = indexIn(folder);
        if (page.isEmpty())
            continue;
        if (!found.isEmpty())
            return QString();
        found = page;
    }
    return found;
}

QString PackageParts::indexIn(const QString &folder) const
{
    const QString prefix = folder.isEmpty() ? QString() : folder + QLatin1Char('/');
    for (const QString &wanted : {QStringLiteral("index.html"), QStringLiteral("index.htm")}) {
        if (m_exact.contains(prefix + wanted))
            return prefix + wanted;
        QStringList candidates = m_byLower.value(prefix + wanted);
        // The folder's part of the name in its own letter case.
        candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                        [&prefix](const QString &name) { return !name.startsWith(prefix); }),
                         candidates.end());
        if (!candidates.isEmpty())
            return *std::min_element(candidates.cbegin(), candidates.cend());
    }
    return QString();
}

QString PackageParts::entryAt(const QString &absolutePath) const
{
    const QString path = QDir::cleanPath(absolutePath);
    if (!path.startsWith(m_root + QLatin1Char('/')))
        return QString();
    const QString name = path.mid(m_root.size() + 1);
    const QString file = match(name);
    // A folder stands for its index page, as a link to it does.
    return file.isEmpty() ? indexIn(name) : file;
}

QString PackageParts::match(const QString &name) const
{
    if (m_exact.contains(name))
        return name;
    const QStringList candidates = m_byLower.value(name.toLower());
    return candidates.size() == 1 ? candidates.constFirst() : QString();
}

QString PackageParts::entryFor(const QString &reference, const QString &pageEntry) const
{
    QString written = reference.trimmed();
    written.replace(QLatin1String("&amp;"), QLatin1String("&"));
    written = written.section(QLatin1Char('#'), 0, 0).section(QLatin1Char('?'), 0, 0);
    written = QUrl::fromPercentEncoding(written.toUtf8());
    written.replace(QLatin1Char('\\'), QLatin1Char('/'));
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    if (written.isEmpty() || written.startsWith(QLatin1String("//")) || scheme.match(written).hasMatch())
        return QString();
    // Resolved as an absolute path below a root of "/".
    const QString folder = folderOf(pageEntry);
    const QString base = written.startsWith(QLatin1Char('/')) || folder.isEmpty() ? QString() : QLatin1Char('/') + folder;
    const QString path = QDir::cleanPath(base + QLatin1Char('/') + written);
    if (!path.startsWith(QLatin1Char('/')) || path.startsWith(QLatin1String("/..")))
        return QString();
    const QString name = path.mid(1);
    const QString file = match(name);
    return file.isEmpty() ? indexIn(name) : file;
}

QStringList PackageParts::references(const QString &text, bool styleSheet)
{
    static const QRegularExpression attribute(
        QStringLiteral("<[a-z][^>]*?\\b(?:src|background|data)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression sheetLink(
        QStringLiteral("<\\s*link\\b[^>]*?\\bhref\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression cssUrl(
        QStringLiteral("url\\(\\s*(?:\"([^\"]*)\"|'([^']*)'|([^)\\s]+))\\s*\\)|@import\\s+(?:\"([^\"]*)\"|'([^']*)')"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression comment(QStringLiteral("<!--.*?-->"),
                                            QRegularExpression::DotMatchesEverythingOption);
    QStringList found;
    if (!styleSheet) {
        const QString markup = QString(text).remove(comment);
        appendMatches(attribute, markup, &found);
        appendMatches(sheetLink, markup, &found);
    }
    appendMatches(cssUrl, text, &found);
    return found;
}

QStringList PackageParts::partsOf(const QString &entry) const
{
    const bool sheet = isStyleSheet(entry);
    if (!sheet && ReferenceResolver::contentKind(entry) != ReferenceResolver::Page)
        return QStringList();
    QFile file(m_root + QLatin1Char('/') + entry);
    if (file.size() > largestRead || !file.open(QIODevice::ReadOnly))
        return QStringList();
    const QByteArray bytes = file.readAll();
    const QString text = sheet ? PageDecoder::decodeText(bytes) : PageDecoder::decodePage(bytes);
    QStringList parts;
    for (const QString &reference : references(text, sheet)) {
        const QString part = entryFor(reference, entry);
        if (!part.isEmpty() && !parts.contains(part))
            parts.append(part);
    }
    return parts;
}

QStringList PackageParts::bringIn(const QString &page, const Fetch &fetch) const
{
    // Level 0: the page; 1: its pictures, style sheets and frames' pages;
    // 2: what those frames' pages and style sheets reference in turn.
    QStringList fetched;
    QSet<QString> seen{page};
    QStringList level{page};
    for (int depth = 0; !level.isEmpty(); ++depth) {
        if (!fetch(level))
            return QStringList();
        fetched += level;
        if (depth == 2)
            break;
        QStringList next;
        for (const QString &entry : qAsConst(level)) {
            for (const QString &part : partsOf(entry)) {
                if (!seen.contains(part)) {
                    seen.insert(part);
                    next.append(part);
                }
            }
        }
        level = next;
    }
    return fetched;
}
