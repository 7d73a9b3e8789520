// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "lecturecontents.h"

#include "lecturepage.h"
#include "referenceresolver.h"

#include <QtCore/QDir>
#include <QtCore/QDirIterator>
#include <QtCore/QFileInfo>
#include <QtCore/QSet>

#include <algorithm>

namespace {

// A page on the walk: the links still to follow.
struct Visit
{
    QStringList links;
    int next = 0;
    int level = 0;
};

LectureContents::Entry entryFor(const QString &path, const LecturePage &page, int level, bool linked)
{
    LectureContents::Entry entry;
    entry.path = path;
    entry.title = page.title;
    entry.level = level;
    entry.linked = linked;
    entry.text = page.text;
    return entry;
}

} // namespace

LectureContents LectureContents::build(const ReferenceResolver &resolver, const QString &startPage)
{
    LectureContents contents;
    if (!startPage.isEmpty())
        contents.walkLinks(resolver, QFileInfo(startPage).absoluteFilePath());
    contents.addUnlinked(resolver);
    return contents;
}

void LectureContents::loadTexts()
{
    if (m_textsLoaded)
        return;
    for (Entry &entry : m_entries)
        entry.text = LecturePage::textOf(entry.path);
    m_textsLoaded = true;
}

int LectureContents::indexOf(const QString &path) const
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).path == absolute)
            return i;
    }
    return -1;
}

void LectureContents::walkLinks(const ReferenceResolver &resolver, const QString &startPage)
{
    // Depth first, with a stack of its own: a long chain of pages must not
    // exhaust the call stack.
    QSet<QString> seen{startPage};
    QVector<Visit> stack;
    LecturePage first = LecturePage::read(startPage, resolver);
    m_entries.append(entryFor(startPage, first, 0, true));
    stack.append(Visit{first.links, 0, 0});
    while (!stack.isEmpty() && m_entries.size() < largestPageCount) {
        Visit &top = stack.last();
        if (top.next >= top.links.size()) {
            stack.removeLast();
            continue;
        }
        const QString path = top.links.at(top.next++);
        if (seen.contains(path))
            continue;
        seen.insert(path);
        const int level = top.level + 1;
        LecturePage page = LecturePage::read(path, resolver);
        m_entries.append(entryFor(path, page, level, true));
        stack.append(Visit{page.links, 0, level});
    }
}

void LectureContents::addUnlinked(const ReferenceResolver &resolver)
{
    QSet<QString> listed;
    for (const Entry &entry : qAsConst(m_entries))
        listed.insert(entry.path);
    QStringList others;
    QDirIterator files(resolver.root(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = QFileInfo(files.next()).absoluteFilePath();
        if (ReferenceResolver::contentKind(path) == ReferenceResolver::Page && !listed.contains(path))
            others.append(path);
    }
    const QDir root(resolver.root());
    std::sort(others.begin(), others.end(), [&root](const QString &a, const QString &b) {
        return root.relativeFilePath(a).compare(root.relativeFilePath(b), Qt::CaseInsensitive) < 0;
    });
    for (const QString &path : qAsConst(others)) {
        if (m_entries.size() >= largestPageCount)
            break;
        m_entries.append(entryFor(path, LecturePage::read(path, resolver), 0, false));
    }
}
