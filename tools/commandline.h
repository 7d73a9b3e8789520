// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TOOLS_COMMANDLINE_H
#define KELVANE_TOOLS_COMMANDLINE_H

#include <QtCore/QString>

class QCommandLineParser;

// Pieces of option parsing that several commands share. Each take...()
// function reports a usage error itself and then returns false.
namespace CommandLine {

// Reports the message and the hint to --help; returns ExitUsage.
int usageError(const QString &message);

// -j THREADS; without it, one thread per core.
void addThreadsOption(QCommandLineParser &parser);
bool takeThreads(const QCommandLineParser &parser, int *threads);

// -0 ... -9, and --by-type when byType is set. *level becomes 0..9, or
// stays as it is (-1: by file type) without a level option.
void addLevelOptions(QCommandLineParser &parser, bool byType);
bool takeLevel(const QCommandLineParser &parser, bool byType, int *level);

// -P PASSWORD, and --aes when aes is set.
void addPasswordOptions(QCommandLineParser &parser, bool aes);
struct Password
{
    bool given = false;
    QString text;
    bool aes = false;
};
bool takePassword(const QCommandLineParser &parser, bool aesAllowed, Password *password);

// The first operand, the archive, and the rest; false, reported, without one.
bool takeArchive(const QCommandLineParser &parser, QString *archive, QStringList *operands);

} // namespace CommandLine

#endif // KELVANE_TOOLS_COMMANDLINE_H
