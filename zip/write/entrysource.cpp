// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "write/entrysource_p.h"

#include <QtCore/QFileInfo>

std::unique_ptr<EntrySource> EntrySource::fromFile(const QString &path)
{
    std::unique_ptr<EntrySource> source(new EntrySource);
    source->m_file = std::make_unique<QFile>(path);
    source->m_device = source->m_file.get();
    source->m_expectedSize = QFileInfo(path).size();
    return source;
}

std::unique_ptr<EntrySource> EntrySource::fromData(const QByteArray &data)
{
    std::unique_ptr<EntrySource> source(new EntrySource);
    source->m_buffer = std::make_unique<QBuffer>();
    source->m_buffer->setData(data);
    source->m_device = source->m_buffer.get();
    source->m_expectedSize = data.size();
    return source;
}

std::unique_ptr<EntrySource> EntrySource::fromDevice(QIODevice *device)
{
    std::unique_ptr<EntrySource> source(new EntrySource);
    source->m_device = device;
    if (device && !device->isSequential())
        source->m_expectedSize = qMax<qint64>(device->size() - device->pos(), 0);
    return source;
}

bool EntrySource::open()
{
    if (!m_device)
        return false;
    if (m_file || m_buffer)
        return m_device->open(QIODevice::ReadOnly);
    return m_device->isOpen() && m_device->isReadable();
}

qint64 EntrySource::read(char *data, qint64 maxSize)
{
    forever
    {
        const qint64 got = m_device->read(data, maxSize);
        if (got != 0)
            return got;
        // A file or a buffer is at its end; a pipe, a socket or a process
        // may only have nothing yet, and ends when no more can come.
        if (!m_device->isSequential() || !m_device->waitForReadyRead(-1))
            return 0;
    }
}
