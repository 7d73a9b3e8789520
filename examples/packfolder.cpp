// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Packs a folder, under its own name, into a new archive, with the writer's results.
#include <kelvanezip/zip.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        out << "usage: packfolder ARCHIVE FOLDER [PASSWORD]\n";
        return 2;
    }
    Zip writer;
    if (args.size() > 3)
        writer.setPassword(args.at(3));
    Zip::ErrorCode ec = writer.createArchive(args.at(1));
    if (ec == Zip::Success)
        ec = writer.addDirectory(args.at(2), Zip::FolderRelative); // names start with the folder's own
    // closeArchive() writes the central directory: an archive is complete only after it.
    const Zip::ErrorCode closed = writer.closeArchive();
    if (ec == Zip::Success)
        ec = closed;
    if (ec != Zip::Success) {
        out << args.at(1) << ": " << writer.formatError(ec);
        if (!writer.lastErrorDetail().isEmpty())
            out << " (" << writer.lastErrorDetail() << ')';
        out << '\n';
        return 1;
    }
    out << "written: " << args.at(1) << '\n';
    return 0;
}
