// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "stylefallbacks.h"

#include <QtCore/QRegularExpression>

QString StyleFallbacks::apply(const QString &css)
{
    if (!css.contains(QLatin1String("gradient"), Qt::CaseInsensitive))
        return css;
    // A gradient function with up to one level of parentheses inside it.
    static const QRegularExpression gradient(
        QStringLiteral("(background(?:-image)?)(\\s*:[^;}\"']*?)(?:-webkit-|-moz-|-o-|-ms-)?(?:repeating-)?"
                       "(?:linear|radial)-gradient\\(((?:[^()]|\\([^()]*\\))*)\\)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression colour(
        QStringLiteral("#[0-9a-fA-F]{3,8}\\b|rgba?\\([^)]*\\)|hsla?\\([^)]*\\)"));
    QString result;
    int copied = 0;
    QRegularExpressionMatchIterator it = gradient.globalMatch(css);
    while (it.hasNext()) {
        const QRegularExpressionMatch found = it.next();
        const QRegularExpressionMatch first = colour.match(found.captured(3));
        result += css.mid(copied, int(found.capturedStart(0)) - copied);
        if (first.hasMatch())
            result += QStringLiteral("background-color") + found.captured(2) + first.captured(0);
        else
            result += found.captured(0);
        copied = int(found.capturedEnd(0));
    }
    return result + css.mid(copied);
}
