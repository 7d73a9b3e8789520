// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "pagecomposer.h"

#include "cellstyles.h"
#include "embeddedcontent.h"
#include "framesetlayout.h"
#include "mathmarkup.h"
#include "stylefallbacks.h"

#include <QtCore/QRegularExpression>

PageComposer::Result PageComposer::compose(const QString &html, const QString &pageFolder,
                                           const ReferenceResolver &resolver, const QMap<QString, QString> &frames)
{
    Result result;
    result.html = FramesetLayout::isFrameset(html)
        ? FramesetLayout::compose(html, pageFolder, resolver, frames, &result.frameNames)
        : html;
    result.html = EmbeddedContent::replace(result.html, pageFolder, resolver);
    result.html = MathMarkup::replaceFormulas(result.html);
    result.html = CellStyles::apply(StyleFallbacks::apply(result.html));
    result.html = separateAdjacentLinks(result.html);
    return result;
}

QString PageComposer::separateAdjacentLinks(const QString &html)
{
    static const QRegularExpression adjacent(
        QStringLiteral("(<a\\b[^>]*\\bhref\\b[^>]*>(?:(?!</a\\s*>).)*</a\\s*>)(?=<a\\b[^>]*\\bhref\\b)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    QString result = html;
    return result.replace(adjacent, QStringLiteral("\\1<br>"));
}
