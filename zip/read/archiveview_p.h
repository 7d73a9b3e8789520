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
// view keeps its own position; a read seeks the shared device there and reads
// while holding the lock that all views of the device share, so that any
// QIODevice (a file, a buffer) serves several threads at once and the
// archive is opened only once.

#include <QtCore/QIODevice>

#include <mutex>

class ArchiveView : public QIODevice
{
public:
    // The device must stay open and be read only through views (under lock)
    // while any view exists.
    ArchiveView(QIODevice *archive, std::mutex *lock, qint64 size);

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_size; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    QIODevice *const m_archive;
    std::mutex *const m_lock;
    const qint64 m_size;
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
