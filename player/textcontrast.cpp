// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "textcontrast.h"

#include <QtCore/QVector>
#include <QtGui/QImage>
#include <QtGui/QTextBlock>
#include <QtGui/QTextCursor>
#include <QtGui/QTextDocument>
#include <QtGui/QTextFrame>
#include <QtGui/QTextTable>

#include <cmath>

namespace {

// Below this the text cannot be told from its background.
const double leastReadable = 1.6;

double luminance(const QColor &colour)
{
    auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

bool isPainted(const QBrush &brush)
{
    return brush.style() != Qt::NoBrush && (brush.style() == Qt::TexturePattern || brush.color().alpha() > 0);
}

// A picture as a background counts with its average colour.
QColor groundOf(const QBrush &brush)
{
    if (brush.style() != Qt::TexturePattern)
        return brush.color();
    const QImage picture = brush.textureImage();
    if (picture.isNull())
        return brush.color();
    return picture.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixelColor(0, 0);
}

// What is drawn behind the text of `block`: its own background, else that
// of the table cells and frames it sits in, inside out.
QColor backgroundOf(const QTextBlock &block, const QColor &paneBackground)
{
    if (isPainted(block.blockFormat().background()))
        return groundOf(block.blockFormat().background());
    QTextCursor cursor(block);
    for (QTextFrame *frame = cursor.currentFrame(); frame; frame = frame->parentFrame()) {
        if (auto *table = qobject_cast<QTextTable *>(frame)) {
            const QTextTableCell cell = table->cellAt(block.position());
            if (cell.isValid() && isPainted(cell.format().background()))
                return groundOf(cell.format().background());
        }
        if (isPainted(frame->frameFormat().background()))
            return groundOf(frame->frameFormat().background());
    }
    return paneBackground;
}

struct Repair
{
    int start;
    int end;
    QTextCharFormat format;
};

} // namespace

double TextContrast::ratio(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

int TextContrast::ensureReadable(QTextDocument *document, const QColor &paneBackground)
{
    QVector<Repair> repairs;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QColor behindBlock = backgroundOf(block, paneBackground);
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!isPainted(format.foreground()) || fragment.text().trimmed().isEmpty())
                continue;
            const QColor behind = isPainted(format.background()) ? groundOf(format.background()) : behindBlock;
            if (ratio(format.foreground().color(), behind) >= leastReadable)
                continue;
            QTextCharFormat repaired = format;
            repaired.clearForeground();
            repairs.append({fragment.position(), fragment.position() + fragment.length(), repaired});
        }
    }
    if (repairs.isEmpty())
        return 0;
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (const Repair &repair : qAsConst(repairs)) {
        cursor.setPosition(repair.start);
        cursor.setPosition(repair.end, QTextCursor::KeepAnchor);
        cursor.setCharFormat(repair.format);
    }
    cursor.endEditBlock();
    return int(repairs.size());
}
