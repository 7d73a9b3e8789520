// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ZIPDEVICEWRITE_P_H
#define KELVANE_ZIPDEVICEWRITE_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.

#include <QtCore/QIODevice>

namespace ZipDeviceWrite {

// Writes all size bytes, asking again after a short write: a file system
// that fills up takes part of a write without an error, and only the next
// call fails with the system's reason, which the device's errorString()
// then holds. False when not every byte was taken.
inline bool writeFully(QIODevice *device, const char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 n = device->write(data + done, size - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace ZipDeviceWrite

#endif // KELVANE_ZIPDEVICEWRITE_P_H
