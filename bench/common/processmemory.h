// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_BENCH_PROCESSMEMORY_H
#define KELVANE_BENCH_PROCESSMEMORY_H

// Resident memory of this process, read from /proc, for the memory
// measurement programs.

#include <QtCore/QByteArray>
#include <QtCore/QFile>
#include <QtCore/QIODevice>

#include <cstdio>

namespace ProcessMemory {

// A "Name: value kB" field of /proc/self/status, in KiB; -1 when missing.
inline qint64 statusField(const char *name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(name) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Writing 5 to clear_refs resets the peak resident size to the current one.
inline bool resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

inline void report(const char *when)
{
    std::printf("%-30s VmRSS %8lld KiB   VmHWM %8lld KiB\n", when, statusField("VmRSS"), statusField("VmHWM"));
}

} // namespace ProcessMemory

#endif // KELVANE_BENCH_PROCESSMEMORY_H
