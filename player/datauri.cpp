// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "datauri.h"

#include <QtCore/QUrl>

bool DataUri::isDataUri(const QUrl &url)
{
    return url.scheme().compare(QLatin1String("data"), Qt::CaseInsensitive) == 0;
}

bool DataUri::decode(const QString &address, QByteArray *content, QString *mediaType)
{
    const QString trimmed = address.trimmed();
    if (!trimmed.startsWith(QLatin1String("data:"), Qt::CaseInsensitive))
        return false;
    const int comma = int(trimmed.indexOf(QLatin1Char(',')));
    if (comma < 0)
        return false;
    QStringList header = trimmed.mid(5, comma - 5).split(QLatin1Char(';'));
    const bool base64 = header.last().trimmed().compare(QLatin1String("base64"), Qt::CaseInsensitive) == 0;
    if (base64)
        header.removeLast();
    if (mediaType) {
        const QString type = header.first().trimmed().toLower();
        *mediaType = type.isEmpty() ? QStringLiteral("text/plain") : type;
    }
    // Escapes are undone in both forms: base64 text may be escaped too.
    const QByteArray payload = QByteArray::fromPercentEncoding(trimmed.mid(comma + 1).toUtf8());
    if (!base64) {
        *content = payload;
        return true;
    }
    QByteArray compact = payload;
    compact.replace(' ', QByteArray()).replace('\n', QByteArray()).replace('\r', QByteArray()).replace('\t', QByteArray());
    const auto result = QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return false;
    *content = result.decoded;
    return true;
}
