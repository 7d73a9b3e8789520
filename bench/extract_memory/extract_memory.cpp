// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Extracts one entry of an archive and prints the process's resident memory
// (VmRSS) and its peak (VmHWM) before and after, in KiB. The peak is reset
// just before the extraction, so "peak during extraction" is the highest
// resident size the extraction itself reached.
//
//     extract_memory ARCHIVE ENTRY (FOLDER | --discard) [PASSWORD]
//
// --discard writes the content to a device that drops it, so that only the
// reader's own memory is seen.
#include <kelvanezip/unzip.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QIODevice>

#include <cstdio>

#include "../common/processmemory.h"

using namespace ProcessMemory;

namespace {

class DiscardDevice : public QIODevice
{
protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 size) override { return size; }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: extract_memory ARCHIVE ENTRY (FOLDER | --discard) [PASSWORD]\n");
        return 2;
    }
    std::printf("inflate back end: %s\n", qPrintable(UnZip::inflateBackend()));
    report("start");
    UnZip reader;
    if (args.size() > 4)
        reader.setPassword(args.at(4));
    const UnZip::ErrorCode opened = reader.openArchive(args.at(1));
    if (opened != UnZip::Success) {
        std::fprintf(stderr, "open: %s\n", qPrintable(reader.formatError(opened)));
        return 1;
    }
    report("archive open");
    const bool peakReset = resetPeak();
    QElapsedTimer timer;
    timer.start();
    UnZip::ErrorCode result;
    if (args.at(3) == QLatin1String("--discard")) {
        DiscardDevice sink;
        sink.open(QIODevice::WriteOnly);
        result = reader.extractFile(args.at(2), &sink);
    } else {
        result = reader.extractFile(args.at(2), args.at(3));
    }
    const qint64 ms = timer.elapsed();
    // With the peak reset, VmHWM is the highest resident size since "archive open".
    report(peakReset ? "after extraction (peak reset)" : "after extraction");
    std::printf("result: %s, %lld ms\n", qPrintable(reader.formatError(result)), ms);
    return result == UnZip::Success ? 0 : 1;
}
