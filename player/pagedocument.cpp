// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "pagedocument.h"

#include "pagedecoder.h"
#include "referenceresolver.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtGui/QImage>

namespace {

// A picture or style sheet larger than this is not a part of a page.
const qint64 largestResource = qint64(64) * 1024 * 1024;

QByteArray readSmallFile(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || file.size() > largestResource || !file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

} // namespace

PageDocument::PageDocument(const ReferenceResolver *resolver, const QString &pageFolder, QObject *parent)
    : QTextDocument(parent)
    , m_resolver(resolver)
    , m_pageFolder(pageFolder)
{
}

QVariant PageDocument::loadResource(int type, const QUrl &name)
{
    if (m_missing.contains(name))
        return QVariant();

    QVariant value;
    const ReferenceResolver::Target target = m_resolver->resolve(name, m_pageFolder);
    if (target.kind == ReferenceResolver::Target::InPackage) {
        const QByteArray bytes = readSmallFile(target.path);
        if (type == ImageResource) {
            const QImage image = QImage::fromData(bytes);
            if (!image.isNull())
                value = image;
        } else if (type == StyleSheetResource) {
            if (!bytes.isNull())
                value = PageDecoder::decodeText(bytes);
        }
    }
    if (value.isValid())
        addResource(type, name, value); // kept, so it is read once
    else
        m_missing.insert(name);
    return value;
}
