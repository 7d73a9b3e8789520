// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "animatedpictures.h"

#include <QtCore/QBuffer>
#include <QtGui/QAbstractTextDocumentLayout>
#include <QtGui/QImageReader>
#include <QtGui/QMovie>
#include <QtGui/QTextDocument>

namespace {

// A page rarely has more; each one costs a timer and its decoded frame.
const int mostAnimations = 32;

bool hasSeveralFrames(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.supportsAnimation() && reader.imageCount() != 1;
}

} // namespace

AnimatedPictures::AnimatedPictures(QTextDocument *document)
    : QObject(document)
    , m_document(document)
{
}

bool AnimatedPictures::play(const QUrl &name, const QByteArray &bytes)
{
    if (m_playing >= mostAnimations || !hasSeveralFrames(bytes))
        return false;
    auto *buffer = new QBuffer(this);
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    auto *movie = new QMovie(buffer, QByteArray(), this);
    if (!movie->isValid()) {
        delete movie;
        delete buffer;
        return false;
    }
    connect(movie, &QMovie::frameChanged, this, [this, movie, name] {
        m_document->addResource(QTextDocument::ImageResource, name, movie->currentImage());
        // The pane draws the picture anew from the document's resources.
        if (QAbstractTextDocumentLayout *layout = m_document->documentLayout())
            emit layout->update();
    });
    movie->start();
    ++m_playing;
    return true;
}
