// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "embeddedcontent.h"

#include "pagedecoder.h"
#include "pagemarkup.h"
#include "referenceresolver.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QRegularExpression>
#include <QtCore/QUrl>

namespace {

const int deepestNesting = 4;
const qint64 largestInlinePage = qint64(4) * 1024 * 1024;

QString boxed(const QString &content)
{
    return QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"6\" "
                          "style=\"border: 1px solid #808080; border-collapse: collapse;\"><tr><td>%1</td></tr>"
                          "</table>")
        .arg(content);
}

QString placeholder(const QString &text, const QString &address)
{
    const QString escaped = QString(address).toHtmlEscaped();
    return boxed(QStringLiteral("<p>%1<br><a href=\"%2\">%2</a></p>").arg(text.toHtmlEscaped(), escaped));
}

QString replaceWithDepth(const QString &html, const QString &pageFolder, const ReferenceResolver &resolver,
                         int depth);

QString inlinePage(const QString &path, const ReferenceResolver &resolver, int depth)
{
    QFile file(path);
    if (QFileInfo(path).size() > largestInlinePage || !file.open(QIODevice::ReadOnly))
        return QString();
    const QString html = PageDecoder::decodePage(file.readAll());
    const QString folder = QFileInfo(path).absolutePath();
    QString body = PageMarkup::rebase(PageMarkup::body(html), resolver, folder);
    if (depth < deepestNesting)
        body = replaceWithDepth(body, folder, resolver, depth);
    return boxed(body);
}

// What stands in the page for an element showing `source`; empty to keep
// the element's own fallback content.
QString replacement(const QString &source, const QString &pageFolder, const ReferenceResolver &resolver, int depth)
{
    QString address = source.trimmed();
    if (address.startsWith(QLatin1String("//")))
        address.prepend(QStringLiteral("https:")); // the page's own scheme online
    if (address.isEmpty() || address.startsWith(QLatin1String("about:"), Qt::CaseInsensitive))
        return QString();
    const ReferenceResolver::Target target = resolver.resolve(QUrl(address), pageFolder);
    switch (target.kind) {
    case ReferenceResolver::Target::External:
        if (target.url.scheme().startsWith(QLatin1String("http"), Qt::CaseInsensitive))
            return placeholder(EmbeddedContent::tr("Online content, shown in the web browser when clicked:"),
                               target.url.toString());
        return QString();
    case ReferenceResolver::Target::InPackage:
        if (ReferenceResolver::contentKind(target.path) == ReferenceResolver::Page) {
            const QString page = inlinePage(target.path, resolver, depth);
            if (!page.isEmpty())
                return page;
        }
        return placeholder(EmbeddedContent::tr("A file of the lecture, opened when clicked:"), address);
    default:
        return QString();
    }
}

QString replaceWithDepth(const QString &html, const QString &pageFolder, const ReferenceResolver &resolver,
                         int depth)
{
    // An iframe or object with its fallback content, or an embed on its own.
    static const QRegularExpression element(
        QStringLiteral("<(iframe|object)\\b([^>]*)>(.*?)</\\1\\s*>|<(embed)\\b([^>]*)>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    QString result;
    int copied = 0;
    QRegularExpressionMatchIterator it = element.globalMatch(html);
    while (it.hasNext()) {
        const QRegularExpressionMatch found = it.next();
        const bool isEmbed = found.capturedStart(4) >= 0;
        const QString attributes = found.captured(isEmbed ? 5 : 2);
        const bool isObject = found.captured(1).compare(QLatin1String("object"), Qt::CaseInsensitive) == 0;
        const QString source = PageMarkup::attribute(attributes, isObject ? QStringLiteral("data") : QStringLiteral("src"));
        const QString shown = replacement(source, pageFolder, resolver, depth + 1);
        result += html.mid(copied, found.capturedStart(0) - copied);
        result += shown.isEmpty() ? (isEmbed ? QString() : found.captured(3)) : shown;
        copied = int(found.capturedEnd(0));
    }
    return result + html.mid(copied);
}

} // namespace

QString EmbeddedContent::replace(const QString &html, const QString &pageFolder, const ReferenceResolver &resolver)
{
    return replaceWithDepth(html, pageFolder, resolver, 0);
}
