// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "pagemarkup.h"

#include "referenceresolver.h"

#include <QtCore/QRegularExpression>
#include <QtCore/QStringList>
#include <QtCore/QUrl>

namespace {

const QRegularExpression::PatternOptions caseless =
    QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption;

// The folders from the root to `folder`, each escaped for an address.
QString rootAddress(const ReferenceResolver &resolver, const QString &folder)
{
    QString address;
    const QString below = folder.mid(resolver.root().size());
    for (const QString &part : below.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        address += QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(part));
    return address + QLatin1Char('/');
}

bool isRelative(const QString &reference)
{
    if (reference.isEmpty() || reference.startsWith(QLatin1Char('#')) || reference.startsWith(QLatin1Char('/'))
        || reference.startsWith(QLatin1Char('\\')))
        return false;
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    return !scheme.match(reference).hasMatch();
}

// A link of a frame, with the frame it loads into before its anchor.
QString withFrame(const QString &reference, const QString &frame)
{
    if (frame.isEmpty() || reference.startsWith(QLatin1Char('#')))
        return reference;
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    const QRegularExpressionMatch match = scheme.match(reference);
    if (match.hasMatch() && match.capturedLength() > 2)
        return reference; // web, mail and script addresses keep their way
    const int hash = int(reference.indexOf(QLatin1Char('#')));
    const QString item = PageMarkup::frameQueryItem() + QLatin1Char('=')
        + QString::fromLatin1(QUrl::toPercentEncoding(frame));
    const QString path = hash < 0 ? reference : reference.left(hash);
    const QString anchor = hash < 0 ? QString() : reference.mid(hash);
    return path + (path.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) + item + anchor;
}

// The frame a link loads into: its own target, else the page's default.
QString linkFrame(const QString &tag, const QString &ownFrame, const QString &baseTarget)
{
    const QString target = PageMarkup::attribute(tag, QStringLiteral("target"));
    const QString chosen = target.isEmpty() ? baseTarget : target;
    if (chosen.isEmpty() || chosen.compare(QLatin1String("_self"), Qt::CaseInsensitive) == 0)
        return ownFrame;
    return chosen;
}

} // namespace

QString PageMarkup::body(const QString &html)
{
    static const QRegularExpression open(QStringLiteral("<body\\b[^>]*>"), caseless);
    const QRegularExpressionMatch start = open.match(html);
    if (!start.hasMatch())
        return html;
    const int from = int(start.capturedEnd());
    const int to = int(html.indexOf(QLatin1String("</body"), from, Qt::CaseInsensitive));
    return html.mid(from, to < 0 ? -1 : to - from);
}

QString PageMarkup::headStyles(const QString &html)
{
    static const QRegularExpression styles(
        QStringLiteral("<style\\b[^>]*>.*?</style\\s*>|<link\\b[^>]*stylesheet[^>]*>"), caseless);
    const int bodyStart = int(html.indexOf(QLatin1String("<body"), 0, Qt::CaseInsensitive));
    const QString head = bodyStart < 0 ? html : html.left(bodyStart);
    QString found;
    QRegularExpressionMatchIterator it = styles.globalMatch(head);
    while (it.hasNext())
        found += it.next().captured(0) + QLatin1Char('\n');
    return found;
}

QString PageMarkup::attribute(const QString &attributes, const QString &name)
{
    const QRegularExpression pattern(QStringLiteral("(?:^|[\\s\"'])%1\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))")
                                         .arg(QRegularExpression::escape(name)),
                                     QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(attributes);
    if (!match.hasMatch())
        return QString();
    for (int group = 1; group <= 3; ++group) {
        if (match.capturedStart(group) >= 0) {
            // The few character references that addresses and names hold.
            return match.captured(group)
                .trimmed()
                .replace(QLatin1String("&quot;"), QLatin1String("\""))
                .replace(QLatin1String("&#39;"), QLatin1String("'"))
                .replace(QLatin1String("&apos;"), QLatin1String("'"))
                .replace(QLatin1String("&lt;"), QLatin1String("<"))
                .replace(QLatin1String("&gt;"), QLatin1String(">"))
                .replace(QLatin1String("&amp;"), QLatin1String("&"));
        }
    }
    return QString();
}

QString PageMarkup::baseTarget(const QString &html)
{
    static const QRegularExpression base(QStringLiteral("<base\\b([^>]*)>"), caseless);
    const QRegularExpressionMatch match = base.match(html);
    return match.hasMatch() ? attribute(match.captured(1), QStringLiteral("target")) : QString();
}

QString PageMarkup::frameQueryItem()
{
    return QStringLiteral("kelvane-frame");
}

QString PageMarkup::rebase(const QString &html, const ReferenceResolver &resolver, const QString &pageFolder,
                           const QString &frame, const QString &defaultTarget)
{
    static const QRegularExpression tag(QStringLiteral("<([A-Za-z][A-Za-z0-9]*)(\\s[^>]*)>"), caseless);
    static const QRegularExpression reference(
        QStringLiteral("(\\s(?:src|href|data|background)\\s*=\\s*)(?:\"([^\"]*)\"|'([^']*)'|([^\\s>\"']+))"),
        QRegularExpression::CaseInsensitiveOption);
    const QString prefix = rootAddress(resolver, pageFolder);
    const QString &baseTarget = defaultTarget;
    QString result;
    int copied = 0;
    QRegularExpressionMatchIterator tags = tag.globalMatch(html);
    while (tags.hasNext()) {
        const QRegularExpressionMatch found = tags.next();
        const bool isLink = found.captured(1).compare(QLatin1String("a"), Qt::CaseInsensitive) == 0
            || found.captured(1).compare(QLatin1String("area"), Qt::CaseInsensitive) == 0;
        QString attributes = found.captured(2);
        QString rewritten;
        int done = 0;
        QRegularExpressionMatchIterator refs = reference.globalMatch(attributes);
        while (refs.hasNext()) {
            const QRegularExpressionMatch ref = refs.next();
            int group = 2;
            while (ref.capturedStart(group) < 0)
                ++group;
            QString value = ref.captured(group).trimmed();
            if (isRelative(value))
                value = prefix + value;
            if (isLink && ref.captured(1).trimmed().startsWith(QLatin1String("href"), Qt::CaseInsensitive))
                value = withFrame(value, frame.isEmpty() ? QString() : linkFrame(attributes, frame, baseTarget));
            rewritten += attributes.mid(done, ref.capturedStart(0) - done) + ref.captured(1) + QLatin1Char('"')
                + QString(value).replace(QLatin1Char('"'), QLatin1String("&quot;")) + QLatin1Char('"');
            done = int(ref.capturedEnd(0));
        }
        rewritten += attributes.mid(done);
        result += html.mid(copied, found.capturedStart(2) - copied) + rewritten + QLatin1Char('>');
        copied = int(found.capturedEnd(0));
    }
    result += html.mid(copied);
    return result;
}
