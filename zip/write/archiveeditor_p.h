// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ARCHIVEEDITOR_P_H
#define KELVANE_ARCHIVEEDITOR_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// The entries an existing archive brings into a changed one. They are
// copied byte for byte (local header, data, descriptor) into the front of
// the new archive, in the order they stood, and their central records are
// written again as they were, only with their new offsets. Room for them is
// left when the first new entry is written; entries removed or replaced
// after that are closed up by moving the new entries down when the archive
// is finished.

#include <kelvanezip/zip.h>
#include "common/ziplog_p.h"

#include <QtCore/QByteArray>
#include <QtCore/QFile>
#include <QtCore/QMap>
#include <QtCore/QString>
#include <QtCore/QVector>

class QIODevice;
class QTemporaryFile;

class ArchiveEditor
{
public:
    struct KeptEntry
    {
        QByteArray central;    // the whole central record: fixed part, name, extra field, comment
        quint64 oldOffset = 0; // of its local header in the old archive
        quint64 span = 0;      // its bytes there, from the local header to the end of its descriptor
        quint64 newOffset = 0; // in the new archive, once copied
    };

    // Reads the archive's directory; FileMissing, FileOpenFailed, or
    // FileReadError (with the detail) for an archive that is not a sound ZIP
    // archive.
    Zip::ErrorCode open(const QString &path, ZipDiagnostic &diagnostic);

    QByteArray commentBytes() const { return m_comment; }
    // The comment as text, as the writer takes it.
    QString comment() const;
    const QMap<QString, KeptEntry> &entries() const { return m_entries; }
    // Drops the entry; false when there is none of that name.
    bool remove(const QString &name) { return m_entries.remove(name) > 0; }

    // Before the first new entry: leaves room for the kept entries by moving
    // the device's position past them.
    Zip::ErrorCode reserve(QIODevice &out);
    // The kept entries into the room before the new ones, which start at
    // `newStart` and end at the device's position; if entries were dropped
    // since reserve(), the new entries move down by the bytes freed, which
    // is returned in *shift. The device's position is the end of the
    // entries afterwards.
    Zip::ErrorCode finish(QIODevice &out, qint64 *shift, char *buffer, int bufferSize);

    // The file the changed archive is written to, beside the old one:
    // without a name where the system allows it, else a hidden temporary
    // file. Deleting it unreplaced leaves nothing behind.
    static QFile *temporaryFileFor(const QString &archive);
    // Puts the written file in the old archive's place (its permissions
    // taken over), after it is safely on disk; false with the reason.
    bool replaceArchive(QFile &written, QString *problem);
    QString path() const { return m_file.fileName(); }
    QString canonicalPath() const { return m_canonicalPath; }

    // The central record of a kept entry with its new offset.
    static QByteArray centralRecord(const KeptEntry &entry);

private:
    Zip::ErrorCode readEndRecords(const QByteArray &tail, qint64 tailStart, quint64 *count, quint64 *offset,
                                  quint64 *size);
    Zip::ErrorCode readDirectory(quint64 offset, quint64 size, quint64 count);
    bool measureSpan(KeptEntry &entry, quint64 compressedSize, bool descriptor);
    bool checkLayout();
    Zip::ErrorCode copy(QIODevice &out, qint64 from, qint64 to, qint64 length, char *buffer, int bufferSize,
                        QIODevice *source);
    qint64 keptBytes() const;
    Zip::ErrorCode damaged(const char *why);
    static bool renameOver(const QString &from, const QString &to, QString *problem);

    QFile m_file;
    QString m_canonicalPath;
    ZipDiagnostic *m_diagnostic = nullptr;
    QMap<QString, KeptEntry> m_entries;
    QByteArray m_comment;
    qint64 m_directoryOffset = 0;
    bool m_reserved = false;
    qint64 m_start = 0; // where the new archive begins on the device
    qint64 m_room = 0;  // bytes left for the kept entries by reserve()
};

#endif // KELVANE_ARCHIVEEDITOR_P_H
