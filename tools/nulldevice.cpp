#include "nulldevice.h"

#include "console.h"

#include <zlib.h>

#include <climits>

CrcNullDevice::CrcNullDevice(Progress *progress)
    : progress(progress)
{
}

void CrcNullDevice::restart()
{
    if (!isOpen())
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    crcValue = 0;
    count = 0;
}

qint64 CrcNullDevice::readData(char *, qint64)
{
    return -1;
}

qint64 CrcNullDevice::writeData(const char *data, qint64 size)
{
    const auto *bytes = reinterpret_cast<const Bytef *>(data);
    for (qint64 left = size; left > 0;) {
        const uInt n = left > qint64(UINT_MAX) ? UINT_MAX : uInt(left);
        crcValue = quint32(crc32(crcValue, bytes, n));
        bytes += n;
        left -= n;
    }
    count += size;
    if (progress)
        progress->addBytes(size);
    return size;
}
