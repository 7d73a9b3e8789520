// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TOOLS_NULLDEVICE_H
#define KELVANE_TOOLS_NULLDEVICE_H

#include <QtCore/QIODevice>

class Progress;

// A write-only device that discards what it receives, keeping only the
// CRC-32 and the count of the bytes, so that an entry can be checked against
// its directory record without being stored anywhere.
class CrcNullDevice : public QIODevice
{
public:
    explicit CrcNullDevice(Progress *progress = nullptr);

    // Starts a new entry: opens the device and sets CRC and count to zero.
    void restart();

    quint32 crc() const { return crcValue; }
    qint64 bytesWritten() const { return count; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    Progress *progress;
    quint32 crcValue = 0;
    qint64 count = 0;
};

#endif // KELVANE_TOOLS_NULLDEVICE_H
