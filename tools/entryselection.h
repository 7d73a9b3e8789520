// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TOOLS_ENTRYSELECTION_H
#define KELVANE_TOOLS_ENTRYSELECTION_H

#include <QtCore/QString>
#include <QtCore/QStringList>

// Which entries a command works on: those that an include pattern matches
// (every entry when there is none) and no exclude pattern (-x) matches.
// A pattern matches an entry's whole name; "*" stands for any characters,
// "/" included, "?" for one, "[abc]", "[a-z]" and "[!a-z]" (or "[^a-z]")
// for one of a set, and a backslash makes the next character literal. A
// pattern also matches every entry below the folder it names: "docs" and
// "docs/" select "docs/a.txt", as "d*" does.
class EntrySelection
{
public:
    EntrySelection(const QStringList &includes, const QStringList &excludes);

    // The names selected, in their order; *unmatched receives the include
    // patterns that matched none of names.
    QStringList select(const QStringList &names, QStringList *unmatched = nullptr) const;
    bool selects(const QString &name) const;

    // Whether the pattern matches the name, or a folder of it.
    static bool matches(const QString &pattern, const QString &name);

private:
    QStringList m_includes;
    QStringList m_excludes;
};

#endif // KELVANE_TOOLS_ENTRYSELECTION_H
