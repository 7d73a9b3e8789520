// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ARCHIVEVIEW_P_H
#define KELVANE_ARCHIVEVIEW_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// One worker thread's read-only view of the reader's archive device. Every
// view keeps its own position. When the archive is a file (fd, from
// FileSystem::descriptorForReadAt()), a view reads it at its position
// without a lock, small reads through a read-ahead window of its own, so
// that a local header, its name and a small entry's data take one system
// call. Otherwise a read seeks the shared device there and reads while
// holding the lock that all views of the device share, so that any
// QIODevice (a buffer, say) serves several threads at once. Either way the
// archive is opened only once.

#include <QtCore/QIODevice>

#include <memory>
#include <mutex>

class ArchiveView : public QIODevice
{
public:
    // The device must stay open and be read only through views (under lock)
    // while any view exists.
    ArchiveView(QIODevice *archive, std::mutex *lock, qint64 size, int fd = -1);

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_size; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    // Reads shorter than this are served from the window.
    static constexpr qint64 WindowSize = 4096;

    qint64 readFromFile(char *data, qint64 maxSize);
    // Copies what the window holds of [position, position + maxSize).
    qint64 takeFromWindow(char *data, qint64 maxSize, qint64 position) const;

    QIODevice *const m_archive;
    std::mutex *const m_lock;
    const qint64 m_size;
    const int m_fd;
    std::unique_ptr<char[]> m_window;
    qint64 m_windowStart = 0;
    qint64 m_windowLength = 0;
};

// A device that takes every byte and keeps none, counting them and their
// CRC-32: entries are tested by decoding them into it.
class DiscardDevice : public QIODevice
{
public:
    DiscardDevice() { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }

    void restart()
    {
        m_bytes = 0;
        m_crc = 0;
    }
    quint64 bytes() const { return m_bytes; }
    quint32 crc() const { return m_crc; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    quint64 m_bytes = 0;
    quint32 m_crc = 0;
};

#endif // KELVANE_ARCHIVEVIEW_P_H
