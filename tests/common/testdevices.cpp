// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "testdevices.h"

CountingBuffer::CountingBuffer(const QByteArray &bytes, int *destroyed)
    : m_destroyed(destroyed)
{
    setData(bytes);
}

CountingBuffer::~CountingBuffer()
{
    if (m_destroyed)
        ++*m_destroyed;
}

FaultyBuffer::FaultyBuffer(const QByteArray &bytes, int *destroyed)
    : CountingBuffer(bytes, destroyed)
{
}

bool FaultyBuffer::open(OpenMode mode)
{
    if (m_refuseOpen)
        return false;
    return CountingBuffer::open(mode);
}

bool FaultyBuffer::seek(qint64 position)
{
    const int call = m_seekCalls++;
    if (call == m_failSeekCall || position == m_failSeekTo)
        return false;
    return CountingBuffer::seek(position);
}

qint64 FaultyBuffer::readData(char *data, qint64 maxSize)
{
    if (m_failReadsFrom >= 0) {
        const qint64 here = pos();
        if (here >= m_failReadsFrom && here < m_failReadsTo)
            return -1;
        if (here < m_failReadsFrom)
            maxSize = qMin(maxSize, m_failReadsFrom - here);
    }
    return CountingBuffer::readData(data, maxSize);
}

qint64 FaultyBuffer::writeData(const char *data, qint64 size)
{
    if (m_writeLimit >= 0) {
        size = qMin(size, m_writeLimit - m_written);
        if (size <= 0) {
            setErrorString(QString::fromLatin1(writeFailureText()));
            return -1;
        }
    }
    const qint64 n = CountingBuffer::writeData(data, size);
    if (n > 0)
        m_written += n;
    return n;
}

StreamSink::StreamSink(QByteArray *target)
    : m_target(target ? target : &m_data)
{
    open(QIODevice::WriteOnly);
}

qint64 StreamSink::readData(char *, qint64)
{
    return -1;
}

qint64 StreamSink::writeData(const char *data, qint64 size)
{
    if (m_writeLimit >= 0) {
        size = qMin(size, m_writeLimit - m_target->size());
        if (size <= 0) {
            setErrorString(QString::fromLatin1(writeFailureText()));
            return -1;
        }
    }
    m_target->append(data, int(size));
    return size;
}

ComparingDevice::ComparingDevice(QIODevice *expected)
    : m_expected(expected)
{
}

qint64 ComparingDevice::readData(char *, qint64)
{
    return -1;
}

qint64 ComparingDevice::writeData(const char *data, qint64 size)
{
    const QByteArray expected = m_expected->read(size);
    if (m_firstDifference < 0) {
        for (qint64 i = 0; i < size; ++i) {
            if (i >= expected.size() || expected.at(int(i)) != data[i]) {
                m_firstDifference = m_compared + i;
                break;
            }
        }
    }
    m_compared += size;
    return size;
}
