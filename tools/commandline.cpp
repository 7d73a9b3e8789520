// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "commandline.h"
#include "console.h"

#include <QtCore/QCommandLineParser>
#include <QtCore/QThread>

namespace {

// More threads than this only add memory.
constexpr int MaxThreads = 256;

QString levelName(char level)
{
    return QString(QLatin1Char(level));
}

} // namespace

namespace CommandLine {

int usageError(const QString &message)
{
    Console::error(message);
    Console::error(toolText("Try 'kelvane-zip --help'."));
    return ExitUsage;
}

void addThreadsOption(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("j"), QString(), QStringLiteral("THREADS")});
}

bool takeThreads(const QCommandLineParser &parser, int *threads)
{
    *threads = QThread::idealThreadCount();
    if (!parser.isSet(QStringLiteral("j")))
        return true;
    bool ok = false;
    *threads = parser.value(QStringLiteral("j")).toInt(&ok);
    if (ok && *threads >= 0 && *threads <= MaxThreads)
        return true;
    usageError(toolText("-j takes a number of threads from 0 to %1").arg(MaxThreads));
    return false;
}

void addLevelOptions(QCommandLineParser &parser, bool byType)
{
    for (char level = '0'; level <= '9'; ++level)
        parser.addOption({levelName(level), QString()});
    if (byType)
        parser.addOption({QStringLiteral("by-type"), QString()});
}

bool takeLevel(const QCommandLineParser &parser, bool byType, int *level)
{
    int choices = byType && parser.isSet(QStringLiteral("by-type")) ? 1 : 0;
    for (char c = '0'; c <= '9'; ++c) {
        if (parser.isSet(levelName(c))) {
            *level = c - '0';
            ++choices;
        }
    }
    if (choices <= 1)
        return true;
    usageError(byType ? toolText("give only one of -0 ... -9 and --by-type") : toolText("give only one of -0 ... -9"));
    return false;
}

void addPasswordOptions(QCommandLineParser &parser, bool aes)
{
    parser.addOption({QStringLiteral("P"), QString(), QStringLiteral("PASSWORD")});
    if (aes)
        parser.addOption({QStringLiteral("aes"), QString()});
}

bool takePassword(const QCommandLineParser &parser, bool aesAllowed, Password *password)
{
    password->given = parser.isSet(QStringLiteral("P"));
    password->text = parser.value(QStringLiteral("P"));
    password->aes = aesAllowed && parser.isSet(QStringLiteral("aes"));
    if (!password->aes || password->given)
        return true;
    usageError(toolText("--aes needs -P PASSWORD"));
    return false;
}

bool takeArchive(const QCommandLineParser &parser, QString *archive, QStringList *operands)
{
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        usageError(toolText("no ARCHIVE given"));
        return false;
    }
    *archive = positional.takeFirst();
    *operands = positional;
    return true;
}

} // namespace CommandLine
