// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_FUZZSUPPORT_H
#define KELVANE_FUZZSUPPORT_H

// Helpers shared by the fuzz targets: a Qt application object for the whole
// process, a snapshot of a folder tree that does not follow links, and a
// check that fails loudly (abort) so that libFuzzer records the input.

#include <QtCore/QByteArray>
#include <QtCore/QMap>
#include <QtCore/QString>

#include <cstddef>
#include <cstdint>

namespace FuzzSupport {

// Creates the QCoreApplication on first use; debug output is silenced unless
// KELVANE_FUZZ_VERBOSE is set.
void ensureApplication();

// One entry of a tree as seen by lstat: kind, size, link target or content
// digest, and modification time.
struct Node
{
    char kind = '?'; // d folder, f file, l link, o other
    QByteArray detail;
    bool operator==(const Node &other) const { return kind == other.kind && detail == other.detail; }
    bool operator!=(const Node &other) const { return !(*this == other); }
};

// Every entry below root (relative path -> node), root itself excluded.
// Links are recorded, never followed. Entries whose relative path starts with
// one of the skipped prefixes are left out.
QMap<QString, Node> snapshot(const QString &root, const QString &skippedPrefix = QString());

// What changed from one snapshot to the next, one "new: ", "changed: " or
// "gone: " line per path; empty when nothing did.
QString differences(const QMap<QString, Node> &before, const QMap<QString, Node> &after);

// Prints the message and the differences, then aborts.
[[noreturn]] void fail(const char *message, const QString &detail = QString());

// Removes a folder tree without following links (for the fuzzers' own
// clean-up, so that a bug in the code under test cannot hide here).
void removeTree(const QString &path);

} // namespace FuzzSupport

#endif // KELVANE_FUZZSUPPORT_H
