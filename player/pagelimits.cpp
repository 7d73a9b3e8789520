// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "pagelimits.h"

#include <QtCore/QFileInfo>
#include <QtCore/QLocale>
#include <QtCore/QSet>
#include <QtCore/QUrl>
#include <QtCore/QVector>
#include <QtGui/QDesktopServices>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

namespace {

// Elements that hold nothing, and those whose end tag HTML lets go (the
// next one of their kind ends them): neither adds a level.
bool addsNoLevel(const QString &name)
{
    static const QSet<QString> names = {
        QStringLiteral("area"), QStringLiteral("base"), QStringLiteral("br"), QStringLiteral("col"),
        QStringLiteral("embed"), QStringLiteral("frame"), QStringLiteral("hr"), QStringLiteral("img"),
        QStringLiteral("input"), QStringLiteral("link"), QStringLiteral("meta"), QStringLiteral("param"),
        QStringLiteral("source"), QStringLiteral("track"), QStringLiteral("wbr"), QStringLiteral("p"),
        QStringLiteral("li"), QStringLiteral("dt"), QStringLiteral("dd"), QStringLiteral("tr"),
        QStringLiteral("td"), QStringLiteral("th"), QStringLiteral("option"), QStringLiteral("thead"),
        QStringLiteral("tbody"), QStringLiteral("tfoot"), QStringLiteral("colgroup")};
    return names.contains(name);
}

bool isNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char(':');
}

// Past the end of a comment, script or style that starts at `from`.
int skipRawText(const QString &html, int from, const QString &name)
{
    if (name == QLatin1String("!--")) {
        const int end = int(html.indexOf(QLatin1String("-->"), from));
        return end < 0 ? int(html.size()) : int(end) + 3;
    }
    const int end = int(html.indexOf(QLatin1String("</") + name, from, Qt::CaseInsensitive));
    return end < 0 ? int(html.size()) : int(end);
}

} // namespace

PageLimits::Nesting PageLimits::nesting(const QString &html)
{
    Nesting deepest;
    int depth = 0;
    int tables = 0;
    QVector<bool> openTables; // per level: whether it is a table
    const int size = int(html.size());
    int i = int(html.indexOf(QLatin1Char('<')));
    while (i >= 0 && i + 1 < size) {
        const QChar next = html.at(i + 1);
        if (html.mid(i + 1, 3) == QLatin1String("!--")) {
            i = skipRawText(html, i + 4, QStringLiteral("!--"));
        } else if (next == QLatin1Char('/')) {
            int end = i + 2;
            while (end < size && isNameCharacter(html.at(end)))
                ++end;
            // End tags of elements that added no level end none.
            if (depth > 0 && !addsNoLevel(html.mid(i + 2, end - i - 2).toLower())) {
                if (openTables.takeLast())
                    --tables;
                --depth;
            }
            i = end;
        } else if (next.isLetter()) {
            int end = i + 1;
            while (end < size && isNameCharacter(html.at(end)))
                ++end;
            const QString name = html.mid(i + 1, end - i - 1).toLower();
            const int close = int(html.indexOf(QLatin1Char('>'), end));
            if (close < 0)
                break;
            const bool selfClosing = html.at(close - 1) == QLatin1Char('/');
            if (name == QLatin1String("script") || name == QLatin1String("style")) {
                i = skipRawText(html, close + 1, name);
            } else {
                if (!selfClosing && !addsNoLevel(name)) {
                    const bool table = name == QLatin1String("table");
                    openTables.append(table);
                    tables += table ? 1 : 0;
                    deepest.elements = qMax(deepest.elements, ++depth);
                    deepest.tables = qMax(deepest.tables, tables);
                }
                i = close + 1;
            }
        } else {
            ++i;
        }
        i = int(html.indexOf(QLatin1Char('<'), i));
    }
    return deepest;
}

QString PageLimits::sizeProblem(qint64 bytes)
{
    if (bytes <= largestPage)
        return QString();
    const QLocale locale;
    return tr("The page is %1 large; pages of more than %2 would keep the viewer busy for a long time.")
        .arg(locale.formattedDataSize(bytes), locale.formattedDataSize(largestPage));
}

QString PageLimits::nestingProblem(const Nesting &nesting)
{
    if (nesting.tables > deepestTables)
        return tr("The page puts tables %1 levels deep inside one another; more than %2 levels would keep the "
                  "viewer busy for a long time.")
            .arg(nesting.tables)
            .arg(deepestTables);
    if (nesting.elements > deepestNesting)
        return tr("The page nests its elements %1 levels deep; pages deeper than %2 levels would keep the viewer "
                  "busy for a long time.")
            .arg(nesting.elements)
            .arg(deepestNesting);
    return QString();
}

QString PageLimits::placeholderHtml(const QString &reason)
{
    return QStringLiteral("<html><body><p>%1</p><p>%2</p></body></html>")
        .arg(tr("This page is not shown here.").toHtmlEscaped(), reason.toHtmlEscaped());
}

const char *PageLimits::boxName()
{
    return "kelvane-page-refused";
}

void PageLimits::offerBrowser(QWidget *parent, const QString &title, const QString &reason, const QString &path)
{
    QMessageBox box(QMessageBox::Warning, title,
                    tr("The page %1 is not shown here. %2").arg(QFileInfo(path).fileName(), reason),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QLatin1String(boxName()));
    QPushButton *browser = box.addButton(tr("Open in the Browser"), QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(QMessageBox::Close));
    box.exec();
    if (box.clickedButton() == browser)
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
