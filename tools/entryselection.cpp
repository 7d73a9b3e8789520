// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "entryselection.h"

#include <algorithm>

namespace {

// Matches one "[...]" set at pattern[p] (just after "[") against c; *end
// receives the position after "]". An unclosed "[" is a literal character:
// *end is then -1.
bool matchSet(const QString &pattern, int p, QChar c, int *end)
{
    bool negated = false;
    if (p < pattern.size() && (pattern.at(p) == QLatin1Char('!') || pattern.at(p) == QLatin1Char('^'))) {
        negated = true;
        ++p;
    }
    bool hit = false;
    bool first = true;
    while (p < pattern.size() && (first || pattern.at(p) != QLatin1Char(']'))) {
        first = false;
        QChar low = pattern.at(p);
        if (low == QLatin1Char('\\') && p + 1 < pattern.size())
            low = pattern.at(++p);
        QChar high = low;
        if (p + 2 < pattern.size() && pattern.at(p + 1) == QLatin1Char('-') && pattern.at(p + 2) != QLatin1Char(']')) {
            high = pattern.at(p + 2);
            p += 2;
        }
        if (c >= low && c <= high)
            hit = true;
        ++p;
    }
    if (p >= pattern.size()) {
        *end = -1;
        return false;
    }
    *end = p + 1;
    return hit != negated;
}

// The whole name against the whole pattern. A "*" that fails is retried one
// character further on from the last "*" only: linear in practice, and never
// exponential.
bool globMatch(const QString &pattern, const QString &name)
{
    int p = 0;
    int n = 0;
    int starP = -1;
    int starN = 0;
    while (n < name.size()) {
        if (p < pattern.size()) {
            const QChar pc = pattern.at(p);
            if (pc == QLatin1Char('*')) {
                starP = ++p;
                starN = n;
                continue;
            }
            if (pc == QLatin1Char('?')) {
                ++p;
                ++n;
                continue;
            }
            if (pc == QLatin1Char('[')) {
                int end = 0;
                const bool hit = matchSet(pattern, p + 1, name.at(n), &end);
                if (end >= 0) {
                    if (hit) {
                        p = end;
                        ++n;
                        continue;
                    }
                } else if (name.at(n) == pc) {
                    ++p;
                    ++n;
                    continue;
                }
            } else {
                QChar literal = pc;
                int next = p + 1;
                if (pc == QLatin1Char('\\') && p + 1 < pattern.size()) {
                    literal = pattern.at(p + 1);
                    next = p + 2;
                }
                if (name.at(n) == literal) {
                    p = next;
                    ++n;
                    continue;
                }
            }
        }
        if (starP < 0)
            return false;
        p = starP;
        n = ++starN;
    }
    while (p < pattern.size() && pattern.at(p) == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

} // namespace

EntrySelection::EntrySelection(const QStringList &includes, const QStringList &excludes)
    : m_includes(includes)
    , m_excludes(excludes)
{
}

bool EntrySelection::matches(const QString &pattern, const QString &name)
{
    if (name == pattern || globMatch(pattern, name))
        return true;
    // Everything below the folder the pattern names.
    QString folder = pattern;
    while (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return !folder.isEmpty() && globMatch(folder + QStringLiteral("/*"), name);
}

bool EntrySelection::selects(const QString &name) const
{
    bool included = m_includes.isEmpty();
    for (const QString &pattern : m_includes) {
        if (matches(pattern, name)) {
            included = true;
            break;
        }
    }
    if (!included)
        return false;
    for (const QString &pattern : m_excludes) {
        if (matches(pattern, name))
            return false;
    }
    return true;
}

QStringList EntrySelection::select(const QStringList &names) const
{
    QStringList selected;
    for (const QString &name : names) {
        if (selects(name))
            selected.append(name);
    }
    return selected;
}

QStringList EntrySelection::unmatched(const QStringList &names) const
{
    QStringList patterns;
    for (const QString &pattern : m_includes) {
        const bool any = std::any_of(names.begin(), names.end(),
                                     [&pattern](const QString &name) { return matches(pattern, name); });
        if (!any)
            patterns.append(pattern);
    }
    return patterns;
}
