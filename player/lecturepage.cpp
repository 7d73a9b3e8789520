// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "lecturepage.h"

#include "pagedecoder.h"
#include "referenceresolver.h"
#include "startpage.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QRegularExpression>
#include <QtCore/QUrl>
#include <QtGui/QTextDocument>
#include <QtGui/QTextDocumentFragment>

namespace {

// Pages larger than this are listed by their file name only.
const qint64 largestReadPage = qint64(16) * 1024 * 1024;

// Markup as the text it shows: tags gone, entities decoded, spaces folded.
QString plainText(const QString &html)
{
    return QTextDocumentFragment::fromHtml(html).toPlainText().simplified();
}

// The page that a reference of a page in `pageFolder` leads to, when it is
// a page of the package; empty otherwise.
QString linkedPage(const QString &reference, const QString &pageFolder, const ReferenceResolver &resolver)
{
    const QString unescaped = QString(reference).replace(QLatin1String("&amp;"), QLatin1String("&"));
    const ReferenceResolver::Target target = resolver.resolve(QUrl(unescaped.trimmed()), pageFolder);
    if (target.kind != ReferenceResolver::Target::InPackage)
        return QString();
    QString path = target.path;
    if (QFileInfo(path).isDir())
        path = StartPage::indexIn(path);
    if (path.isEmpty() || ReferenceResolver::contentKind(path) != ReferenceResolver::Page)
        return QString();
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

QStringList LecturePage::references(const QString &html)
{
    // Links, image-map areas and frames; the value quoted either way or bare.
    static const QRegularExpression tag(
        QStringLiteral("<\\s*(?:a|area|frame|iframe)\\b[^>]*?\\b(?:href|src)\\s*=\\s*"
                       "(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression comment(QStringLiteral("<!--.*?-->"),
                                            QRegularExpression::DotMatchesEverythingOption);
    const QString markup = QString(html).remove(comment);
    QStringList found;
    for (auto match = tag.globalMatch(markup); match.hasNext();) {
        const QRegularExpressionMatch next = match.next();
        for (int group = 1; group <= 3; ++group) {
            if (next.capturedLength(group) > 0) {
                found.append(next.captured(group));
                break;
            }
        }
    }
    return found;
}

QString LecturePage::titleOf(const QString &html, const QString &fileName)
{
    static const QRegularExpression title(QStringLiteral("<title[^>]*>(.*?)</title\\s*>"),
                                          QRegularExpression::CaseInsensitiveOption
                                              | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression heading(QStringLiteral("<h([1-6])[^>]*>(.*?)</h\\1\\s*>"),
                                            QRegularExpression::CaseInsensitiveOption
                                                | QRegularExpression::DotMatchesEverythingOption);
    QString text = plainText(title.match(html).captured(1));
    if (text.isEmpty())
        text = plainText(heading.match(html).captured(2));
    return text.isEmpty() ? fileName : text;
}

QString LecturePage::textOf(const QString &path)
{
    QFile file(path);
    if (QFileInfo(path).size() > largestReadPage || !file.open(QIODevice::ReadOnly))
        return QString();
    QTextDocument document;
    document.setHtml(PageDecoder::decodePage(file.readAll()));
    return document.toPlainText();
}

LecturePage LecturePage::read(const QString &path, const ReferenceResolver &resolver, Part part)
{
    LecturePage page;
    const QFileInfo info(path);
    page.title = info.fileName();
    QFile file(path);
    if (info.size() > largestReadPage || !file.open(QIODevice::ReadOnly))
        return page;
    const QString html = PageDecoder::decodePage(file.readAll());
    page.title = titleOf(html, info.fileName());

    if (part == TextToo) {
        QTextDocument document;
        document.setHtml(html);
        page.text = document.toPlainText();
    }

    for (const QString &reference : references(html)) {
        const QString target = linkedPage(reference, info.absolutePath(), resolver);
        if (!target.isEmpty() && !page.links.contains(target))
            page.links.append(target);
    }
    return page;
}
