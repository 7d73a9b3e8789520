// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Copies one entry of an archive to a file (or standard output) through the
// device of UnZip::openEntry(): the entry is decoded as it is read, so that
// its size does not matter.
#include <kelvanezip/unzip.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QTextStream>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        err << "usage: streamentry ARCHIVE ENTRY OUTPUT|- [PASSWORD]\n";
        return 2;
    }
    UnZip reader;
    if (args.size() > 4)
        reader.setPassword(args.at(4));
    UnZip::ErrorCode ec = reader.openArchive(args.at(1));
    if (ec != UnZip::Success) {
        err << args.at(1) << ": " << reader.formatError(ec) << '\n';
        return 2;
    }
    // The device reads the reader's archive: it must not outlive reader.
    const std::unique_ptr<QIODevice> entry = reader.openEntry(args.at(2), &ec);
    if (!entry) {
        err << args.at(2) << ": " << reader.formatError(ec) << '\n';
        return 1;
    }
    QFile output(args.at(3));
    const bool toStandardOutput = args.at(3) == QLatin1String("-");
    const bool opened = toStandardOutput ? output.open(stdout, QIODevice::WriteOnly) : output.open(QIODevice::WriteOnly);
    if (!opened) {
        err << args.at(3) << ": " << output.errorString() << '\n';
        return 1;
    }
    char buffer[65536];
    for (;;) {
        const qint64 n = entry->read(buffer, sizeof buffer);
        if (n < 0) {
            // A damaged entry (CRC-32, authentication code, data) fails the read
            // that reaches its end.
            err << args.at(2) << ": " << entry->errorString() << '\n';
            return 1;
        }
        if (n == 0)
            break;
        if (output.write(buffer, n) != n) {
            err << args.at(3) << ": " << output.errorString() << '\n';
            return 1;
        }
    }
    if (!output.flush()) {
        err << args.at(3) << ": " << output.errorString() << '\n';
        return 1;
    }
    return 0;
}
