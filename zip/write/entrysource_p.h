// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ENTRYSOURCE_P_H
#define KELVANE_ENTRYSOURCE_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.

#include <QtCore/QBuffer>
#include <QtCore/QByteArray>
#include <QtCore/QFile>
#include <QtCore/QString>

#include <memory>

class QIODevice;

// Where the data of one file entry come from: a file named by its path,
// bytes in memory, or a device of the caller read to its end. The serial
// and the parallel writer read every entry through it.
class EntrySource
{
public:
    static std::unique_ptr<EntrySource> fromFile(const QString &path);
    // The bytes must outlive the source; they are not copied.
    static std::unique_ptr<EntrySource> fromData(const QByteArray &data);
    // Read from its current position; the caller keeps owning it.
    static std::unique_ptr<EntrySource> fromDevice(QIODevice *device);

    // Opens a file; a device must be open for reading already. False when
    // it cannot be read.
    bool open();
    // Up to maxSize bytes; 0 only at the end of the data (a sequential
    // device is waited for), -1 on a read error.
    qint64 read(char *data, qint64 maxSize);
    // The bytes still to come when known beforehand, else -1 (a pipe, a
    // socket, a process).
    qint64 expectedSize() const { return m_expectedSize; }

private:
    EntrySource() = default;

    std::unique_ptr<QFile> m_file;
    std::unique_ptr<QBuffer> m_buffer;
    QIODevice *m_device = nullptr;
    qint64 m_expectedSize = -1;
};

#endif // KELVANE_ENTRYSOURCE_P_H
