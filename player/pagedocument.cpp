// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "pagedocument.h"

#include "animatedpictures.h"
#include "cellstyles.h"
#include "datauri.h"
#include "pagedecoder.h"
#include "referenceresolver.h"
#include "stylefallbacks.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtGui/QColor>
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
    , m_animations(new AnimatedPictures(this))
{
}

int PageDocument::animationsPlaying() const
{
    return m_animations->playing();
}

QByteArray PageDocument::resourceBytes(const QUrl &name) const
{
    QByteArray bytes;
    if (DataUri::isDataUri(name)) {
        if (!DataUri::decode(QString::fromLatin1(name.toEncoded()), &bytes))
            bytes.clear();
        return bytes;
    }
    const ReferenceResolver::Target target = m_resolver->resolve(name, m_pageFolder);
    if (target.kind == ReferenceResolver::Target::InPackage)
        bytes = readSmallFile(target.path);
    return bytes;
}

QVariant PageDocument::loadResource(int type, const QUrl &name)
{
    QVariant value;
    const QByteArray bytes = resourceBytes(name);
    if (!bytes.isEmpty()) {
        if (type == ImageResource) {
            // Vector pictures (SVG) are drawn by the image plug-ins too.
            const QImage image = QImage::fromData(bytes);
            if (!image.isNull()) {
                value = image;
                m_animations->play(name, bytes);
            }
        } else if (type == StyleSheetResource) {
            value = CellStyles::roundBorderWidths(StyleFallbacks::apply(PageDecoder::decodeText(bytes)));
        }
    }
    // Something must be answered for what is not found: given nothing, the
    // pane would load the picture by its name from the current folder or
    // from anywhere else on the disk.
    if (!value.isValid()) {
        if (type == ImageResource) {
            value = missingPicture();
            noteMissing(name);
        } else if (type == StyleSheetResource)
            value = QString();
    }
    if (value.isValid())
        addResource(type, name, value); // kept, so it is looked up once
    return value;
}

void PageDocument::noteMissing(const QUrl &name)
{
    if (DataUri::isDataUri(name))
        return;
    const ReferenceResolver::Target target = m_resolver->resolve(name, m_pageFolder);
    if (target.kind != ReferenceResolver::Target::InPackage && target.kind != ReferenceResolver::Target::Missing)
        return;
    const QFileInfo file(target.path);
    m_missing.insert(target.path, file.isFile() ? file.size() : -1);
}

bool PageDocument::missingPictureChanged() const
{
    for (auto it = m_missing.cbegin(); it != m_missing.cend(); ++it) {
        const QFileInfo file(it.key());
        if ((file.isFile() ? file.size() : -1) != it.value())
            return true;
    }
    return false;
}

QImage PageDocument::missingPicture()
{
    static const QImage picture = [] {
        const int width = 96;
        const int height = 72;
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(QColor(238, 238, 238));
        const QColor frame(160, 160, 160);
        for (int x = 0; x < width; ++x) {
            image.setPixelColor(x, 0, frame);
            image.setPixelColor(x, height - 1, frame);
        }
        for (int y = 0; y < height; ++y) {
            image.setPixelColor(0, y, frame);
            image.setPixelColor(width - 1, y, frame);
        }
        return image;
    }();
    return picture;
}
