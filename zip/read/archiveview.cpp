// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "read/archiveview_p.h"

#include "common/zipcrc_p.h"
#include "read/filesystem_p.h"

#include <cstring>

ArchiveView::ArchiveView(QIODevice *archive, std::mutex *lock, qint64 size, int fd)
    : m_archive(archive)
    , m_lock(lock)
    , m_size(size)
    , m_fd(fd)
{
    if (m_fd >= 0)
        m_window.reset(new char[WindowSize]);
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 ArchiveView::readData(char *data, qint64 maxSize)
{
    if (m_fd >= 0)
        return readFromFile(data, maxSize);
    const std::lock_guard<std::mutex> guard(*m_lock);
    if (!m_archive->seek(pos()))
        return -1;
    return m_archive->read(data, maxSize);
}

qint64 ArchiveView::takeFromWindow(char *data, qint64 maxSize, qint64 position) const
{
    const qint64 offset = position - m_windowStart;
    if (offset < 0 || offset >= m_windowLength)
        return 0;
    const qint64 n = qMin(maxSize, m_windowLength - offset);
    std::memcpy(data, m_window.get() + offset, size_t(n));
    return n;
}

qint64 ArchiveView::readFromFile(char *data, qint64 maxSize)
{
    const qint64 position = pos();
    qint64 done = takeFromWindow(data, maxSize, position);
    if (done == maxSize)
        return done;
    if (maxSize - done >= WindowSize) {
        const qint64 n = FileSystem::readAt(m_fd, data + done, maxSize - done, position + done);
        return n < 0 ? (done > 0 ? done : -1) : done + n;
    }
    const qint64 n = FileSystem::readAt(m_fd, m_window.get(), WindowSize, position + done);
    if (n < 0) {
        m_windowLength = 0;
        return done > 0 ? done : -1;
    }
    m_windowStart = position + done;
    m_windowLength = n;
    return done + takeFromWindow(data + done, maxSize - done, position + done);
}

qint64 ArchiveView::writeData(const char *, qint64)
{
    return -1;
}

qint64 DiscardDevice::writeData(const char *data, qint64 maxSize)
{
    m_crc = ZipCrc::update(m_crc, reinterpret_cast<const unsigned char *>(data), maxSize);
    m_bytes += quint64(maxSize);
    return maxSize;
}
