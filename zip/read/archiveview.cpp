// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "read/archiveview_p.h"

#include "common/zipcrc_p.h"

ArchiveView::ArchiveView(QIODevice *archive, std::mutex *lock, qint64 size)
    : m_archive(archive)
    , m_lock(lock)
    , m_size(size)
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 ArchiveView::readData(char *data, qint64 maxSize)
{
    const std::lock_guard<std::mutex> guard(*m_lock);
    if (!m_archive->seek(pos()))
        return -1;
    return m_archive->read(data, maxSize);
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
