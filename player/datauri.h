// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_DATAURI_H
#define KELVANE_DATAURI_H

#include <QtCore/QByteArray>
#include <QtCore/QString>

class QUrl;

// The content written into a "data:" address itself, as word processors
// and slide programs embed pictures in the pages they export:
// "data:image/png;base64,iVBOR..." or "data:image/svg+xml,%3Csvg...".
class DataUri
{
public:
    static bool isDataUri(const QUrl &url);
    // False when `address` is no data address or its content cannot be
    // decoded; otherwise the bytes and the media type ("text/plain" when
    // none is given).
    static bool decode(const QString &address, QByteArray *content, QString *mediaType = nullptr);
};

#endif // KELVANE_DATAURI_H
