// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Writes the contents of a folder into an archive and prints the process's
// resident memory (VmRSS) and its peak (VmHWM) before and after, in KiB, and
// the time taken. The peak is reset just before writing, so "peak while
// writing" is the highest resident size the writing itself reached.
//
//     write_memory [-j THREADS] ARCHIVE FOLDER LEVEL [PASSWORD]
//
// LEVEL is a Zip::CompressionLevel value: 0 stored, 1-9, 10 default, 11 by
// file type. THREADS: the parallel mode's thread count (default 0, serial).
#include <kelvanezip/zip.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QStringList>

#include <cstdio>

#include "../common/processmemory.h"

using namespace ProcessMemory;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    int threads = 0;
    if (args.size() > 2 && args.at(1) == QLatin1String("-j")) {
        threads = args.at(2).toInt();
        args.erase(args.begin() + 1, args.begin() + 3);
    }
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: write_memory [-j THREADS] ARCHIVE FOLDER LEVEL [PASSWORD]\n");
        return 2;
    }

    Zip zip;
    zip.setThreadCount(threads);
    if (args.size() > 4)
        zip.setPassword(args.at(4));
    report("before writing");
    const bool peakReset = resetPeak();
    report(peakReset ? "after peak reset" : "(peak not reset)");

    QElapsedTimer timer;
    timer.start();
    Zip::ErrorCode ec = zip.createArchive(args.at(1));
    if (ec == Zip::Success)
        ec = zip.addDirectoryContents(args.at(2), Zip::CompressionLevel(args.at(3).toInt()));
    const Zip::ErrorCode closed = zip.closeArchive();
    const qint64 ms = timer.elapsed();
    report("after writing (peak: writing)");

    if (ec != Zip::Success || closed != Zip::Success) {
        std::fprintf(stderr, "failed: %s / %s\n", qPrintable(zip.formatError(ec)), qPrintable(zip.formatError(closed)));
        return 1;
    }
    std::printf("archive %lld bytes, %lld ms\n", QFileInfo(args.at(1)).size(), ms);
    return 0;
}
