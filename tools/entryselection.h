// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TOOLS_ENTRYSELECTION_H
#define KELVANE_TOOLS_ENTRYSELECTION_H

#include <QtCore/QString>
#include <QtCore/QStringList>

// Which entries a command works on: those that an include pattern matches
// (every entry when there is none) and no exclude pattern (-x) matches.
// A pattern matches an entry of exactly its name, or the whole name as a
// wildcard pattern: "*" stands for any characters,
// "/" included, "?" for one, "[abc]", "[a-z]" and "[!a-z]" (or "[^a-z]")
// for one of a set, and a backslash makes the next character literal. A
// pattern also matches every entry below the folder it names: "docs" and
// "docs/" select "docs/a.txt", as "d*" does.
class EntrySelection
{
public:
    EntrySelection(const QStringList &includes, const QStringList &excludes);

    // The names selected, in their order.
    QStringList select(const QStringList &names) const;
    // The include patterns that match none of the names (excludes aside).
    QStringList unmatched(const QStringList &names) const;
    bool selects(const QString &name) const;

    // Whether the pattern matches the name, or a folder of it.
    static bool matches(const QString &pattern, const QString &name);

private:
    QStringList m_includes;
    QStringList m_excludes;
};

#endif // KELVANE_TOOLS_ENTRYSELECTION_H
