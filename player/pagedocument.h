// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PAGEDOCUMENT_H
#define KELVANE_PAGEDOCUMENT_H

#include <QtCore/QHash>
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

    // True when a picture drawn as missing may now be there: a file has
    // appeared or changed at its path since (the package still unpacking).
    bool missingPictureChanged() const;

    // What is drawn for a picture that is not in the package: a grey frame.
    static QImage missingPicture();

protected:
    QVariant loadResource(int type, const QUrl &name) override;

private:
    QByteArray resourceBytes(const QUrl &name) const;
    void noteMissing(const QUrl &name);

    const ReferenceResolver *m_resolver;
    QString m_pageFolder;
    AnimatedPictures *m_animations;
    // Pictures drawn as missing: the path they resolved to, and the size
    // of the file there then (-1: none).
    QHash<QString, qint64> m_missing;
};

#endif // KELVANE_PAGEDOCUMENT_H
