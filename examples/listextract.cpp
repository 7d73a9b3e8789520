// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Lists an archive and extracts it below a folder, with the reader's results.
#include <kelvanezip/unzip.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        out << "usage: listextract ARCHIVE FOLDER [PASSWORD]\n";
        return 2;
    }
    UnZip reader;
    if (args.size() > 3)
        reader.setPassword(args.at(3));
    const UnZip::ErrorCode opened = reader.openArchive(args.at(1));
    if (opened != UnZip::Success) {
        out << args.at(1) << ": " << reader.formatError(opened) << '\n';
        return 2;
    }
    const QList<UnZip::ZipEntry> entries = reader.entryList();
    for (const UnZip::ZipEntry &e : entries) {
        out << qSetFieldWidth(10) << e.uncompressedSize << qSetFieldWidth(0) << "  "
            << e.lastModified.toString(QStringLiteral("yyyy-MM-dd hh:mm")) << "  " << e.filename << '\n';
    }
    // Entries without a folder part need the target folder to exist.
    QDir().mkpath(args.at(2));
    int failures = 0;
    for (const UnZip::ZipEntry &e : entries) {
        const UnZip::ErrorCode ec = reader.extractFile(e.filename, args.at(2), UnZip::KeepFolders);
        if (ec != UnZip::Success) {
            out << e.filename << ": " << reader.formatError(ec) << '\n';
            ++failures;
        }
    }
    out << entries.size() << " entries, " << failures << " failed, extracted into " << args.at(2) << '\n';
    return failures ? 1 : 0;
}
