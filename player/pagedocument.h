// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PAGEDOCUMENT_H
#define KELVANE_PAGEDOCUMENT_H

#include <QtCore/QString>
#include <QtGui/QImage>
#include <QtGui/QTextDocument>

class AnimatedPictures;
class ReferenceResolver;

// The document of one page in the pane. Its pictures and style sheets are
// read from the unpacked package, each reference resolved against the
// page's own folder (see ReferenceResolver); nothing is read from outside
// the package, and nothing from the network. Pictures written into the
// page as data addresses are decoded, and animated ones play.
class PageDocument : public QTextDocument
{
    Q_OBJECT
public:
    PageDocument(const ReferenceResolver *resolver, const QString &pageFolder, QObject *parent);

    QString pageFolder() const { return m_pageFolder; }
    int animationsPlaying() const;

    // What is drawn for a picture that is not in the package: a grey frame.
    static QImage missingPicture();

protected:
    QVariant loadResource(int type, const QUrl &name) override;

private:
    QByteArray resourceBytes(const QUrl &name) const;

    const ReferenceResolver *m_resolver;
    QString m_pageFolder;
    AnimatedPictures *m_animations;
};

#endif // KELVANE_PAGEDOCUMENT_H
