// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TESTS_COUNTINGDEVICE_H
#define KELVANE_TESTS_COUNTINGDEVICE_H

#include <QtCore/QIODevice>

#include <zlib.h>

// An output device that keeps nothing: it counts the bytes written and their
// CRC-32 (zlib's), so that entries that inflate to gigabytes cost no memory.
// Open from construction.
class CountingDevice : public QIODevice
{
public:
    CountingDevice() { open(QIODevice::WriteOnly); }
    quint64 count = 0;
    quint32 crc = 0;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override
    {
        crc = quint32(crc32(crc, reinterpret_cast<const Bytef *>(data), uInt(length)));
        count += quint64(length);
        return length;
    }
};

#endif // KELVANE_TESTS_COUNTINGDEVICE_H
