// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TESTS_SANDBOX_H
#define KELVANE_TESTS_SANDBOX_H

// A private folder for one extraction: the target folder, and around it a
// sentinel layout (files, a folder, a dot-file) that no extraction may touch.
// outsideChanges() lists whatever differs from the layout as it was made.

#include "filetree.h"
#include "fuzzsupport.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>

class Sandbox
{
public:
    Sandbox()
    {
        const QString r = m_root.path();
        QDir().mkpath(r + QStringLiteral("/outside/folder"));
        FileTree::write(r + QStringLiteral("/outside/keep.txt"), "outside\n");
        FileTree::write(r + QStringLiteral("/outside/.hidden"), "hidden\n");
        FileTree::write(r + QStringLiteral("/outside/folder/nested.txt"), "nested\n");
        FileTree::write(r + QStringLiteral("/sentinel.txt"), "sentinel\n");
        m_target = r + QStringLiteral("/work/target");
        QDir().mkpath(m_target);
        m_outside = FuzzSupport::snapshot(r, QStringLiteral("work/target"));
    }

    bool isValid() const { return m_root.isValid(); }
    QString root() const { return m_root.path(); }
    QString target() const { return m_target; }
    QString outsideFolder() const { return m_root.path() + QStringLiteral("/outside"); }

    // Differences outside the target, one per line; empty when none.
    QString outsideChanges() const
    {
        return FuzzSupport::differences(m_outside, FuzzSupport::snapshot(m_root.path(), QStringLiteral("work/target")));
    }

    // Relative paths of everything in the target (links not followed).
    QStringList targetContents() const { return FuzzSupport::snapshot(m_target).keys(); }

    // Empties the target, leaving links in it unfollowed.
    void clearTarget()
    {
        FuzzSupport::removeTree(m_target);
        QDir().mkpath(m_target);
    }

private:
    QTemporaryDir m_root;
    QString m_target;
    QMap<QString, FuzzSupport::Node> m_outside;
};

#endif // KELVANE_TESTS_SANDBOX_H
