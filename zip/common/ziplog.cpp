// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "common/ziplog_p.h"

#include <QtCore/QDebug>

Q_LOGGING_CATEGORY(lcKelvaneZip, "kelvane.zip")

void ZipDiagnostic::report(const QString &line)
{
    Line l;
    l.text = line;
    emitLine(l);
}

void ZipDiagnostic::report(const char *line)
{
    Line l;
    l.form = Line::Fixed;
    l.fixed = line;
    emitLine(l);
}

void ZipDiagnostic::report(const char *text, const QString &name)
{
    Line l;
    l.form = Line::Named;
    l.fixed = text;
    l.text = name;
    emitLine(l);
}

QVector<ZipDiagnostic::Line> ZipDiagnostic::takeLines()
{
    QVector<Line> lines;
    lines.swap(m_lines);
    return lines;
}

void ZipDiagnostic::replay(const Line &line)
{
    const bool deferred = m_deferred;
    m_deferred = false;
    emitLine(line);
    m_deferred = deferred;
}

void ZipDiagnostic::emitLine(const Line &line)
{
    switch (line.form) {
    case Line::Text:
        m_detail = line.text;
        break;
    case Line::Fixed:
        m_detail = QString::fromLatin1(line.fixed);
        break;
    case Line::Named:
        m_detail = QStringLiteral("%1 \"%2\"").arg(QLatin1String(line.fixed), line.text);
        break;
    }
    if (m_deferred) {
        m_lines.append(line);
        return;
    }
    switch (line.form) {
    case Line::Text:
        qCDebug(lcKelvaneZip) << line.text;
        break;
    case Line::Fixed:
        qCDebug(lcKelvaneZip) << line.fixed;
        break;
    case Line::Named:
        qCDebug(lcKelvaneZip) << line.fixed << line.text;
        break;
    }
}

void ZipDiagnostic::log(const QString &line)
{
    qCDebug(lcKelvaneZip) << line;
}
