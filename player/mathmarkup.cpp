// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "mathmarkup.h"

#include <QtCore/QRegularExpression>
#include <QtGui/QTextDocumentFragment>
#include <QtCore/QVector>
#include <QtCore/QXmlStreamReader>

namespace {

// One piece of a formula: its HTML, its plain text (which decides about
// parentheses), and what kind of piece it is.
struct Piece
{
    enum Kind { Operand,
                Number,
                Word,
                Operator,
                Nothing };
    QString html;
    QString plain;
    Kind kind = Nothing;
};

QString localName(const QXmlStreamReader &reader)
{
    const QString name = reader.name().toString();
    return name.mid(name.indexOf(QLatin1Char(':')) + 1);
}

// A single symbol, number or name needs no parentheses around it.
bool isAtom(const QString &plain)
{
    static const QRegularExpression atom(QStringLiteral("^[\\w.,′']+$"),
                                         QRegularExpression::UseUnicodePropertiesOption);
    return atom.match(plain).hasMatch();
}

Piece grouped(const Piece &piece, bool alsoProducts = true)
{
    static const QRegularExpression sums(QStringLiteral("[-+=<>±−∓≤≥≠ ]"));
    const bool needs = alsoProducts ? !isAtom(piece.plain) : piece.plain.contains(sums);
    if (!needs || piece.plain.isEmpty())
        return piece;
    Piece result = piece;
    result.html = QLatin1Char('(') + piece.html + QLatin1Char(')');
    result.plain = QLatin1Char('(') + piece.plain + QLatin1Char(')');
    return result;
}

Piece element(QXmlStreamReader &reader);

QVector<Piece> children(QXmlStreamReader &reader)
{
    QVector<Piece> pieces;
    while (reader.readNext() != QXmlStreamReader::EndElement && !reader.atEnd()) {
        if (reader.isStartElement()) {
            const Piece piece = element(reader);
            if (piece.kind != Piece::Nothing)
                pieces.append(piece);
        }
    }
    return pieces;
}

// Side by side; two operands next to each other are a product (ρ·l), but
// a number before a letter (2x) and a function name before its argument
// read right as they are.
Piece row(const QVector<Piece> &pieces)
{
    Piece result;
    result.kind = pieces.size() == 1 ? pieces.first().kind : Piece::Operand;
    for (int i = 0; i < pieces.size(); ++i) {
        const Piece &piece = pieces.at(i);
        if (i > 0) {
            const Piece::Kind left = pieces.at(i - 1).kind;
            const bool product = left != Piece::Operator && piece.kind != Piece::Operator
                && !(left == Piece::Number && piece.kind != Piece::Number);
            if (product && left == Piece::Word) {
                result.html += QLatin1Char(' ');
                result.plain += QLatin1Char(' ');
            } else if (product) {
                result.html += QChar(0x00B7);
                result.plain += QChar(0x00B7);
            }
        }
        result.html += piece.html;
        result.plain += piece.plain;
    }
    return result;
}

Piece token(QXmlStreamReader &reader, const QString &name)
{
    Piece piece;
    QString text = reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    if (name == QLatin1String("mo")) {
        text.replace(QChar(0x2062), QChar(0x00B7)).remove(QChar(0x2061)).replace(QChar(0x2063), QLatin1Char(','));
        piece.kind = text.isEmpty() ? Piece::Nothing : Piece::Operator;
        if (text == QString(QChar(0x00B7)) || text == QLatin1String("*"))
            text = QChar(0x00B7);
    } else if (name == QLatin1String("mn")) {
        piece.kind = Piece::Number;
    } else {
        piece.kind = name == QLatin1String("mi") && text.size() > 1 ? Piece::Word : Piece::Operand;
    }
    piece.plain = text;
    piece.html = text.toHtmlEscaped();
    if (piece.kind == Piece::Operator && text.size() == 1 && QStringLiteral("=+−-<>≤≥≈≠±").contains(text)) {
        piece.html = QLatin1Char(' ') + piece.html + QLatin1Char(' ');
        piece.plain = QLatin1Char(' ') + piece.plain + QLatin1Char(' ');
    }
    return piece;
}

Piece scripted(const QVector<Piece> &parts, const QString &name)
{
    if (parts.isEmpty())
        return Piece();
    Piece result = grouped(parts.at(0));
    result.kind = Piece::Operand;
    const bool under = name.startsWith(QLatin1String("munder")) || name == QLatin1String("msub")
        || name == QLatin1String("msubsup");
    for (int i = 1; i < parts.size(); ++i) {
        const bool low = under && i == 1;
        const QString tag = low ? QStringLiteral("sub") : QStringLiteral("sup");
        result.html += QStringLiteral("<%1>%2</%1>").arg(tag, parts.at(i).html);
        result.plain += (low ? QLatin1Char('_') : QLatin1Char('^')) + grouped(parts.at(i)).plain;
    }
    return result;
}

Piece layout(const QString &name, const QVector<Piece> &parts)
{
    Piece result;
    result.kind = Piece::Operand;
    if (name == QLatin1String("mfrac") && parts.size() == 2) {
        const Piece top = grouped(parts.at(0), false);
        const Piece bottom = grouped(parts.at(1));
        result.html = top.html + QLatin1Char('/') + bottom.html;
        result.plain = top.plain + QLatin1Char('/') + bottom.plain;
    } else if (name == QLatin1String("msqrt") || (name == QLatin1String("mroot") && !parts.isEmpty())) {
        const Piece radicand = grouped(name == QLatin1String("msqrt") ? row(parts) : parts.at(0));
        const QString index = name == QLatin1String("mroot") && parts.size() > 1 ? parts.at(1).html : QString();
        result.html = (index.isEmpty() ? QString() : QStringLiteral("<sup>%1</sup>").arg(index)) + QChar(0x221A)
            + radicand.html;
        result.plain = QChar(0x221A) + radicand.plain;
    } else if (name.startsWith(QLatin1String("msu")) || name.startsWith(QLatin1String("munder"))
               || name.startsWith(QLatin1String("mover"))) {
        return scripted(parts, name);
    } else {
        return row(parts);
    }
    return result;
}

Piece element(QXmlStreamReader &reader)
{
    const QString name = localName(reader);
    if (name == QLatin1String("annotation") || name == QLatin1String("annotation-xml")
        || name == QLatin1String("mphantom")) {
        reader.skipCurrentElement();
        return Piece();
    }
    if (name == QLatin1String("mi") || name == QLatin1String("mn") || name == QLatin1String("mo")
        || name == QLatin1String("mtext") || name == QLatin1String("ms"))
        return token(reader, name);
    if (name == QLatin1String("mspace")) {
        reader.skipCurrentElement();
        Piece space;
        space.kind = Piece::Operator;
        space.html = space.plain = QStringLiteral(" ");
        return space;
    }
    const QString open = reader.attributes().value(QLatin1String("open")).toString();
    const QString close = reader.attributes().value(QLatin1String("close")).toString();
    const QVector<Piece> parts = children(reader);
    if (name == QLatin1String("semantics"))
        return parts.isEmpty() ? Piece() : parts.first();
    if (name == QLatin1String("mfenced")) {
        Piece fenced = row(parts);
        const QString left = open.isEmpty() ? QStringLiteral("(") : open;
        const QString right = close.isEmpty() ? QStringLiteral(")") : close;
        fenced.html = left.toHtmlEscaped() + fenced.html + right.toHtmlEscaped();
        fenced.plain = left + fenced.plain + right;
        fenced.kind = Piece::Operand;
        return fenced;
    }
    return layout(name, parts);
}

// HTML's named characters (&rho;, &nbsp;), unknown to XML, as numbers.
QString numericEntities(const QString &markup)
{
    static const QRegularExpression named(QStringLiteral("&([A-Za-z][A-Za-z0-9]*);"));
    static const QStringList xmlOwn = {QStringLiteral("amp"), QStringLiteral("lt"), QStringLiteral("gt"),
                                       QStringLiteral("quot"), QStringLiteral("apos")};
    QString result;
    int copied = 0;
    QRegularExpressionMatchIterator it = named.globalMatch(markup);
    while (it.hasNext()) {
        const QRegularExpressionMatch found = it.next();
        if (xmlOwn.contains(found.captured(1)))
            continue;
        const QString text = QTextDocumentFragment::fromHtml(found.captured(0)).toPlainText();
        QString numbers;
        for (const uint code : text.toUcs4())
            numbers += QStringLiteral("&#%1;").arg(code);
        result += markup.mid(copied, found.capturedStart(0) - copied) + numbers;
        copied = int(found.capturedEnd(0));
    }
    return result + markup.mid(copied);
}

} // namespace

QString MathMarkup::linearForm(const QString &mathElement)
{
    QXmlStreamReader reader(numericEntities(mathElement));
    // Prefixes (m:math) are often left undeclared in HTML pages.
    reader.setNamespaceProcessing(false);
    while (!reader.atEnd() && !reader.isStartElement())
        reader.readNext();
    if (!reader.isStartElement())
        return QString();
    const Piece formula = element(reader);
    if (reader.hasError())
        return QString();
    return QStringLiteral("<span style=\"font-family: serif;\">%1</span>").arg(formula.html.trimmed());
}

QString MathMarkup::replaceFormulas(const QString &html)
{
    static const QRegularExpression math(QStringLiteral("<((?:[A-Za-z]+:)?math)\\b.*?</\\1\\s*>"),
                                         QRegularExpression::CaseInsensitiveOption
                                             | QRegularExpression::DotMatchesEverythingOption);
    if (!html.contains(QLatin1String("math"), Qt::CaseInsensitive))
        return html;
    QString result;
    int copied = 0;
    QRegularExpressionMatchIterator it = math.globalMatch(html);
    while (it.hasNext()) {
        const QRegularExpressionMatch found = it.next();
        QString linear = linearForm(found.captured(0));
        // Not well-formed: said so, rather than its letters run together
        // into another formula.
        if (linear.isEmpty())
            linear = QStringLiteral("<i>[%1]</i>").arg(MathMarkup::tr("formula").toHtmlEscaped());
        result += html.mid(copied, found.capturedStart(0) - copied) + linear;
        copied = int(found.capturedEnd(0));
    }
    return result + html.mid(copied);
}
