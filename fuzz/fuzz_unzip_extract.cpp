// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Extracts arbitrary bytes as an archive into a folder and checks that
// nothing outside that folder was created, changed or removed.
//
// The folder sits a few levels below a private root that also holds a
// sentinel layout (files, folders, and the places that symbolic links in the
// target point to). The target itself holds links that lead out of it, one
// relative and one absolute, so that entries named through them are tried as
// well. Each input is extracted with KeepFolders and then again with
// DropFolders; after each pass the whole root outside the target must match
// the snapshot taken before.

#include "filetree.h"
#include "fuzzsupport.h"

#include <kelvanezip/unzip.h>

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>

#include <unistd.h>

namespace {

const char targetRelative[] = "l1/l2/l3/target";

struct Layout
{
    QTemporaryDir root;
    QString target;
    QMap<QString, FuzzSupport::Node> outside;

    Layout()
    {
        if (!root.isValid())
            FuzzSupport::fail("cannot create the temporary root");
        const QString r = root.path();
        writeFile(r + QStringLiteral("/sentinel.txt"), "root sentinel\n");
        QDir().mkpath(r + QStringLiteral("/outside/deeper"));
        writeFile(r + QStringLiteral("/outside/keep.txt"), "outside sentinel\n");
        writeFile(r + QStringLiteral("/outside/deeper/keep.txt"), "deeper sentinel\n");
        QDir().mkpath(r + QStringLiteral("/l1/l2/l3"));
        writeFile(r + QStringLiteral("/l1/l2/sibling.txt"), "sibling sentinel\n");
        target = r + QLatin1Char('/') + QLatin1String(targetRelative);
        makeTarget();
        outside = FuzzSupport::snapshot(r, QLatin1String(targetRelative));
    }

    static void writeFile(const QString &path, const QByteArray &content)
    {
        if (!FileTree::write(path, content))
            FuzzSupport::fail("cannot write a sentinel file", path);
    }

    static void link(const QByteArray &to, const QString &at)
    {
        if (::symlink(to.constData(), QFile::encodeName(at).constData()) != 0)
            FuzzSupport::fail("cannot make a link", at);
    }

    // The target as every input finds it: a folder, a link inside it, and
    // links that point out of it.
    void makeTarget()
    {
        FuzzSupport::removeTree(target);
        QDir().mkpath(target + QStringLiteral("/sub"));
        link("sub", target + QStringLiteral("/inner"));
        link("../../../../outside", target + QStringLiteral("/up"));
        link(QFile::encodeName(root.path() + QStringLiteral("/outside")), target + QStringLiteral("/abs"));
        link("../../sibling.txt", target + QStringLiteral("/file"));
    }

    void check(const char *pass) const
    {
        const auto now = FuzzSupport::snapshot(root.path(), QLatin1String(targetRelative));
        if (now == outside)
            return;
        FuzzSupport::fail(pass, FuzzSupport::differences(outside, now));
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzSupport::ensureApplication();
    static Layout layout;

    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    UnZip unzip;
    unzip.setPassword(QStringLiteral("kelvane"));
    auto *buffer = new QBuffer;
    buffer->setData(bytes);
    if (unzip.openArchive(buffer) != UnZip::Success)
        return 0;
    unzip.extractAll(layout.target, UnZip::KeepFolders);
    layout.check("something outside the target changed (KeepFolders)");
    unzip.extractAll(layout.target, UnZip::DropFolders);
    layout.check("something outside the target changed (DropFolders)");
    // Only an extraction can have changed the target.
    layout.makeTarget();
    return 0;
}
