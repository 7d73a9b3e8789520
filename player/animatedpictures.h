// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ANIMATEDPICTURES_H
#define KELVANE_ANIMATEDPICTURES_H

#include <QtCore/QByteArray>
#include <QtCore/QObject>
#include <QtCore/QUrl>

class QTextDocument;

// Plays the animated pictures (GIF and the like) of one page: each frame
// replaces the picture in the document and the pane is redrawn. They stop
// with the document, that is, when the page is left.
class AnimatedPictures : public QObject
{
    Q_OBJECT
public:
    explicit AnimatedPictures(QTextDocument *document);

    // Starts playing `bytes` as the picture `name` when they hold more than
    // one frame; false (and nothing started) for a still picture.
    bool play(const QUrl &name, const QByteArray &bytes);
    int playing() const { return m_playing; }

private:
    QTextDocument *m_document;
    int m_playing = 0;
};

#endif // KELVANE_ANIMATEDPICTURES_H
