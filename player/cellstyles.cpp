// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "cellstyles.h"

#include "pagemarkup.h"

#include <QtCore/QHash>
#include <QtCore/QRegularExpression>
#include <QtCore/QStringList>

#include <cmath>

namespace {

const QRegularExpression::PatternOptions caseless =
    QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption;

double pixels(double value, const QString &unit)
{
    const QString u = unit.toLower();
    if (u == QLatin1String("cm"))
        return value * 96 / 2.54;
    if (u == QLatin1String("mm"))
        return value * 96 / 25.4;
    if (u == QLatin1String("in"))
        return value * 96;
    if (u == QLatin1String("pt"))
        return value * 96 / 72;
    return value;
}

// Border, padding and background declarations of the rules for a class
// alone or on a cell (".name", "td.name", "th.name"), by class name.
QHash<QString, QString> cellClassRules(const QString &html)
{
    static const QRegularExpression style(QStringLiteral("<style\\b[^>]*>(.*?)</style\\s*>"), caseless);
    static const QRegularExpression rule(QStringLiteral("([^{}]+)\\{([^}]*)\\}"), caseless);
    static const QRegularExpression selector(QStringLiteral("^(?:td|th)?\\.([^\\s.:#>+~\\[]+)$"), caseless);
    static const QRegularExpression wanted(QStringLiteral("^\\s*(border|padding|background)"), caseless);
    static const QRegularExpression comment(QStringLiteral("/\\*.*?\\*/"), caseless);
    QHash<QString, QString> rules;
    QRegularExpressionMatchIterator sheets = style.globalMatch(html);
    while (sheets.hasNext()) {
        const QString css = sheets.next().captured(1).remove(comment);
        QRegularExpressionMatchIterator it = rule.globalMatch(css);
        while (it.hasNext()) {
            const QRegularExpressionMatch found = it.next();
            QStringList kept;
            for (const QString &declaration : found.captured(2).split(QLatin1Char(';'))) {
                if (wanted.match(declaration).hasMatch())
                    kept.append(declaration.trimmed());
            }
            if (kept.isEmpty())
                continue;
            for (const QString &one : found.captured(1).split(QLatin1Char(','))) {
                const QRegularExpressionMatch name = selector.match(one.trimmed());
                if (name.hasMatch())
                    rules[name.captured(1)] += kept.join(QStringLiteral("; ")) + QStringLiteral("; ");
            }
        }
    }
    return rules;
}

} // namespace

QString CellStyles::roundBorderWidths(const QString &css)
{
    static const QRegularExpression width(
        QStringLiteral("(border(?:-(?:top|right|bottom|left))?(?:-width)?\\s*:\\s*)(\\d*\\.?\\d+)(cm|mm|in|pt|px)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    QString result;
    int copied = 0;
    QRegularExpressionMatchIterator it = width.globalMatch(css);
    while (it.hasNext()) {
        const QRegularExpressionMatch found = it.next();
        const double value = pixels(found.captured(2).toDouble(), found.captured(3));
        const int whole = value <= 0 ? 0 : std::max(1, int(std::lround(value)));
        result += css.mid(copied, int(found.capturedStart(0)) - copied) + found.captured(1)
            + QString::number(whole) + QStringLiteral("px");
        copied = int(found.capturedEnd(0));
    }
    return result + css.mid(copied);
}

QString CellStyles::apply(const QString &html)
{
    if (!html.contains(QLatin1String("border"), Qt::CaseInsensitive))
        return html;
    const QString rounded = roundBorderWidths(html);
    const QHash<QString, QString> rules = cellClassRules(rounded);
    if (rules.isEmpty())
        return rounded;
    static const QRegularExpression cell(QStringLiteral("<(td|th)\\b([^>]*)>"), caseless);
    static const QRegularExpression styleAttribute(QStringLiteral("\\sstyle\\s*=\\s*(\"|')"), caseless);
    QString result;
    int copied = 0;
    QRegularExpressionMatchIterator it = cell.globalMatch(rounded);
    while (it.hasNext()) {
        const QRegularExpressionMatch found = it.next();
        QString attributes = found.captured(2);
        QString fromClasses;
        for (const QString &name : PageMarkup::attribute(attributes, QStringLiteral("class")).split(QLatin1Char(' ')))
            fromClasses += rules.value(name);
        const QRegularExpressionMatch inlineStyle = styleAttribute.match(attributes);
        if (fromClasses.isEmpty() || !inlineStyle.hasMatch())
            continue;
        // The class's declarations first: the cell's own still win.
        attributes.insert(int(inlineStyle.capturedEnd(0)), QString(fromClasses).replace(QLatin1Char('"'), QLatin1Char('\'')));
        result += rounded.mid(copied, int(found.capturedStart(2)) - copied) + attributes + QLatin1Char('>');
        copied = int(found.capturedEnd(0));
    }
    return result + rounded.mid(copied);
}
