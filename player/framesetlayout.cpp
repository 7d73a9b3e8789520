// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "framesetlayout.h"

#include "embeddedcontent.h"
#include "pagedecoder.h"
#include "pagemarkup.h"
#include "referenceresolver.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QRegularExpression>
#include <QtCore/QUrl>
#include <QtCore/QVector>

namespace {

// Frames within frames that deep are a page showing itself.
const int deepestNesting = 4;
const qint64 largestFramePage = qint64(16) * 1024 * 1024;

const QRegularExpression::PatternOptions caseless =
    QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption;

struct Frame
{
    bool isFrameset = false;
    bool columns = false;
    QString name;
    QString source;
    QStringList sizes;
    QVector<Frame> children;
};

struct Context
{
    const ReferenceResolver *resolver;
    const QMap<QString, QString> *frames;
    QStringList *names;
    QString *styles;
};

QString withoutNoframes(const QString &html)
{
    static const QRegularExpression hidden(QStringLiteral("<!--.*?-->|<noframes\\b.*?</noframes\\s*>"), caseless);
    return QString(html).remove(hidden);
}

// Reads the frameset elements from `tags`, starting at `next`.
Frame parseFrameset(const QList<QRegularExpressionMatch> &tags, int &next, const QString &attributes)
{
    Frame set;
    set.isFrameset = true;
    QString sizes = PageMarkup::attribute(attributes, QStringLiteral("cols"));
    set.columns = !sizes.isEmpty();
    if (!set.columns)
        sizes = PageMarkup::attribute(attributes, QStringLiteral("rows"));
    set.sizes = sizes.split(QLatin1Char(','), Qt::SkipEmptyParts);
    while (next < tags.size()) {
        const QRegularExpressionMatch tag = tags.at(next++);
        const bool closing = !tag.captured(1).isEmpty();
        const bool isSet = tag.captured(2).compare(QLatin1String("frameset"), Qt::CaseInsensitive) == 0;
        if (closing && isSet)
            break;
        if (closing)
            continue;
        if (isSet) {
            set.children.append(parseFrameset(tags, next, tag.captured(3)));
            continue;
        }
        Frame frame;
        frame.name = PageMarkup::attribute(tag.captured(3), QStringLiteral("name"));
        frame.source = PageMarkup::attribute(tag.captured(3), QStringLiteral("src"));
        set.children.append(frame);
    }
    return set;
}

Frame parse(const QString &html)
{
    static const QRegularExpression tag(QStringLiteral("<(/?)(frameset|frame)\\b([^>]*)>"), caseless);
    QList<QRegularExpressionMatch> tags;
    QRegularExpressionMatchIterator it = tag.globalMatch(withoutNoframes(html));
    while (it.hasNext())
        tags.append(it.next());
    int next = 0;
    while (next < tags.size() && (!tags.at(next).captured(1).isEmpty() || tags.at(next).captured(2).compare(QLatin1String("frameset"), Qt::CaseInsensitive) != 0))
        ++next;
    if (next == tags.size())
        return Frame();
    const QString attributes = tags.at(next++).captured(3);
    return parseFrameset(tags, next, attributes);
}

// Cell widths: pixels and percentages as given; the shares of "*" split
// what the percentages leave.
QStringList cellWidths(const QStringList &sizes, int count)
{
    double percent = 0;
    double stars = 0;
    for (const QString &size : sizes) {
        const QString s = size.trimmed();
        if (s.endsWith(QLatin1Char('%')))
            percent += s.chopped(1).toDouble();
        else if (s.endsWith(QLatin1Char('*')))
            stars += s.size() > 1 ? s.chopped(1).toDouble() : 1.0;
    }
    QStringList widths;
    for (int i = 0; i < count; ++i) {
        const QString s = i < sizes.size() ? sizes.at(i).trimmed() : QString();
        if (s.endsWith(QLatin1Char('*')) && stars > 0 && percent < 100) {
            const double share = s.size() > 1 ? s.chopped(1).toDouble() : 1.0;
            widths.append(QString::number(int((100 - percent) * share / stars)) + QLatin1Char('%'));
        } else {
            widths.append(s.endsWith(QLatin1Char('*')) ? QString() : s);
        }
    }
    return widths;
}

QString composeSet(const Frame &set, const QString &folder, const Context &context, int depth);

QString framePage(const QString &path, const QString &name, const Context &context, int depth)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (ReferenceResolver::contentKind(path) == ReferenceResolver::Picture)
        return PageMarkup::rebase(QStringLiteral("<img src=\"%1\">")
                                      .arg(QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(path).fileName()))),
                                  *context.resolver, folder, name);
    QFile file(path);
    if (ReferenceResolver::contentKind(path) != ReferenceResolver::Page || file.size() > largestFramePage
        || !file.open(QIODevice::ReadOnly))
        return QString();
    const QString html = PageDecoder::decodePage(file.readAll());
    if (FramesetLayout::isFrameset(html) && depth < deepestNesting)
        return composeSet(parse(html), folder, context, depth + 1);
    *context.styles += PageMarkup::rebase(PageMarkup::headStyles(html), *context.resolver, folder);
    return PageMarkup::rebase(PageMarkup::body(html), *context.resolver, folder, name, PageMarkup::baseTarget(html));
}

QString frameContent(const Frame &frame, const QString &folder, const Context &context, int depth)
{
    if (frame.isFrameset)
        return depth < deepestNesting ? composeSet(frame, folder, context, depth + 1) : QString();
    if (!frame.name.isEmpty())
        context.names->append(frame.name);
    QString path = context.frames->value(frame.name);
    if (path.isEmpty() && !frame.source.isEmpty()) {
        const ReferenceResolver::Target target = context.resolver->resolve(QUrl(frame.source), folder);
        if (target.kind == ReferenceResolver::Target::InPackage)
            path = target.path;
        else if (target.kind == ReferenceResolver::Target::External)
            // An online page in a frame: shown as its address, like an
            // inline frame of online content.
            return EmbeddedContent::replace(
                QStringLiteral("<iframe src=\"%1\"></iframe>").arg(frame.source.toHtmlEscaped()), folder,
                *context.resolver);
    }
    const QString content = path.isEmpty() ? QString() : framePage(path, frame.name, context, depth);
    if (!content.isEmpty())
        return content;
    return QStringLiteral("<p><i>%1</i></p>")
        .arg(FramesetLayout::tr("The frame \"%1\" shows \"%2\", which the lecture does not have.")
                 .arg(frame.name, frame.source)
                 .toHtmlEscaped());
}

QString composeSet(const Frame &set, const QString &folder, const Context &context, int depth)
{
    const QStringList widths = cellWidths(set.sizes, int(set.children.size()));
    QString html = QStringLiteral("<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"6\">");
    if (set.columns)
        html += QStringLiteral("<tr>");
    for (int i = 0; i < set.children.size(); ++i) {
        const QString width = set.columns && !widths.at(i).isEmpty()
            ? QStringLiteral(" width=\"%1\"").arg(widths.at(i))
            : QString();
        html += set.columns ? QString() : QStringLiteral("<tr>");
        // A thin rule between the frames, as the browser's frame borders.
        html += QStringLiteral("<td valign=\"top\"%1 style=\"border: 1px solid #b4b4b4;\">").arg(width);
        html += frameContent(set.children.at(i), folder, context, depth);
        html += QStringLiteral("</td>");
        html += set.columns ? QString() : QStringLiteral("</tr>");
    }
    if (set.columns)
        html += QStringLiteral("</tr>");
    return html + QStringLiteral("</table>");
}

} // namespace

bool FramesetLayout::isFrameset(const QString &html)
{
    static const QRegularExpression frameset(QStringLiteral("<frameset\\b"), QRegularExpression::CaseInsensitiveOption);
    return frameset.match(withoutNoframes(html)).hasMatch();
}

QString FramesetLayout::compose(const QString &html, const QString &pageFolder, const ReferenceResolver &resolver,
                                const QMap<QString, QString> &frames, QStringList *names)
{
    QString styles;
    const Context context{&resolver, &frames, names, &styles};
    const QString table = composeSet(parse(html), pageFolder, context, 0);
    static const QRegularExpression title(QStringLiteral("<title\\b[^>]*>.*?</title\\s*>"), caseless);
    const QRegularExpressionMatch titleMatch = title.match(html);
    return QStringLiteral("<html><head>%1%2</head><body>%3</body></html>")
        .arg(titleMatch.hasMatch() ? titleMatch.captured(0) : QString(), styles, table);
}
