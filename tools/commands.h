// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TOOLS_COMMANDS_H
#define KELVANE_TOOLS_COMMANDS_H

#include <QtCore/QString>
#include <QtCore/QStringList>

class QTextCodec;

// What the command line asked for; each command reads the fields it knows.
struct ToolOptions
{
    // What extract does with a file of an entry's name that exists.
    enum class Existing {
        Ask,     // ask on a terminal; elsewhere keep it and report the entry as failed
        Replace, // -o
        Keep     // -n: keep it, quietly
    };

    QString archive;      // "-": standard input (list, test, extract) or output (create)
    QStringList operands; // entry names or patterns (list, test, extract), files and folders (create)
    QStringList excludes; // -x patterns
    bool verbose = false;
    bool testEntries = false; // list -t: test each listed entry as test does
    bool quiet = false;
    bool hasPassword = false;
    QString password;
    bool aes = false; // create: AES-256 instead of the traditional cipher
    QString directory = QStringLiteral(".");
    bool junkPaths = false;
    QTextCodec *nameCodec = nullptr;
    int level = -1; // 0..9, or -1 for the choice by file type
    bool contentsOnly = false;
    bool absolute = false;
    QString root;
    bool hasComment = false;
    QString comment;
    bool overwrite = false; // create: --overwrite
    Existing existing = Existing::Ask;
    bool toStandardOutput = false; // extract -p
    int threads = 0;               // threads of create, test, list -t and extract; 0: the serial writer or reader
    bool symlinks = false;         // create: store links as links; extract: create them
    bool noAttributes = false;     // extract: leave permissions and times as the system gives them
};

int runList(const ToolOptions &options);
int runTest(const ToolOptions &options);
int runExtract(const ToolOptions &options);
int runCreate(const ToolOptions &options);

#endif // KELVANE_TOOLS_COMMANDS_H
