// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "common/ziplog_p.h"

#include <QtCore/QDebug>

Q_LOGGING_CATEGORY(lcKelvaneZip, "kelvane.zip")

void ZipDiagnostic::report(const QString &line)
{
    qCDebug(lcKelvaneZip) << line;
    m_detail = line;
}

void ZipDiagnostic::report(const char *line)
{
    qCDebug(lcKelvaneZip) << line;
    m_detail = QString::fromLatin1(line);
}

void ZipDiagnostic::report(const char *text, const QString &name)
{
    qCDebug(lcKelvaneZip) << text << name;
    m_detail = QStringLiteral("%1 \"%2\"").arg(QLatin1String(text), name);
}

void ZipDiagnostic::log(const QString &line)
{
    qCDebug(lcKelvaneZip) << line;
}
