// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TESTS_EXTERNALTOOL_H
#define KELVANE_TESTS_EXTERNALTOOL_H

// Runs the independent archivers used as peers in tests (zip, unzip, 7z,
// bsdtar, python3). A missing tool is a test failure, never a skip: the
// set-up script installs all of them.

#include <QtCore/QByteArray>
#include <QtCore/QProcessEnvironment>
#include <QtCore/QString>
#include <QtCore/QStringList>

struct ToolRun
{
    bool started = false;
    bool finished = false;
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;

    bool ok() const { return started && finished && exitCode == 0; }
    // One line for failure messages.
    QByteArray describe(const QString &program) const;
};

// Full path of the program in PATH, or an empty string.
QString findTool(const QString &name);

// Runs the program in workingDirectory and waits (at most timeoutMs).
ToolRun runTool(const QString &program, const QStringList &arguments, const QString &workingDirectory,
                int timeoutMs = 120000);
// The same in the given environment instead of the test's own.
ToolRun runTool(const QString &program, const QStringList &arguments, const QString &workingDirectory,
                const QProcessEnvironment &environment, int timeoutMs = 120000);

// Fails the calling test function when the program is not in PATH.
#define KELVANE_REQUIRE_TOOL(name)                                                        \
    do {                                                                                  \
        if (findTool(QStringLiteral(name)).isEmpty())                                     \
            QFAIL("The tool \"" name "\" is not installed; run scripts/install-deps.sh"); \
    } while (false)

#endif // KELVANE_TESTS_EXTERNALTOOL_H
