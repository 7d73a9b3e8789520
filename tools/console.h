// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TOOLS_CONSOLE_H
#define KELVANE_TOOLS_CONSOLE_H

#include <QtCore/QElapsedTimer>
#include <QtCore/QString>

// Exit status of the tool.
enum ExitCode {
    ExitSuccess = 0,     // everything succeeded
    ExitEntryFailed = 1, // at least one entry (or folder to add) failed
    ExitUsage = 2,       // bad command line, or the archive cannot be opened or created
    // A name or pattern selects no entry, and nothing else failed. The same
    // number as unzip's "no matching files".
    ExitNoMatch = 11,
    // A write failed: a file, the archive, or standard output (a full disk,
    // a closed pipe). The same number as unzip's "disk full".
    ExitWriteFailed = 50
};

// User-visible text of the tool, through Qt's translation.
QString toolText(const char *text);
// The same for a text with "%n", replaced by n.
QString toolText(const char *text, int n);

namespace Console {

// Writes text and a line feed to standard output (UTF-8, fully buffered).
void out(const QString &line);
void out(const QByteArray &line);
// Writes "kelvane-zip: " and the message as one line to standard error,
// clearing a progress line first. Control characters in the message (from
// entry names) are escaped as printable() does.
void error(const QString &message);

// The text with each control character (C0, DEL and C1) written as \xHH,
// so that a name holding NUL or a line feed is printed whole, on one line,
// and cannot steer the terminal.
QString printable(const QString &text);
void flush();

// Flushes standard output and tells whether everything written to it
// arrived; when not, names the system's reason on standard error.
bool finishOutput();

// From now on, the lines meant for standard output go to standard error:
// standard output holds the archive being written.
void moveOutputToStderr();

// Whether the file at path is the one standard output (or standard error,
// for fd 2) refers to, as /dev/stdout is.
bool isSameFileAs(const QString &path, int fd);

// Buffers standard output in large blocks and keeps the component's
// diagnostics (logging category "kelvane.zip") off the terminal: their
// detail is shown on the line of the failing entry instead. QT_LOGGING_RULES
// can still enable them.
void setUp();

// "NAME: TEXT" or, when the component gave a detail, "NAME: TEXT (DETAIL)".
void entryFailed(const QString &name, const QString &text, const QString &detail);

// Whether standard error is a terminal: only then is a progress line shown.
bool progressWanted(bool quiet);

// Whether standard input is a terminal, so that the user can be asked.
bool canAsk();
// Writes the question to standard error (clearing a progress line first)
// and reads one line of answer from standard input, without its line feed;
// a null string at the end of the input.
QString ask(const QString &question);

} // namespace Console

// A line on standard error, rewritten in place, with entries and bytes done
// and the rate; refreshed at most ten times a second. Does nothing when it
// is not enabled.
class Progress
{
public:
    Progress(const QString &verb, bool enabled);
    ~Progress();

    bool isEnabled() const { return enabled; }
    void setTotals(qint64 entries, qint64 bytes);
    void addBytes(qint64 bytes);
    void entryDone();
    // Removes the line from the terminal.
    void clear();
    void finish();

private:
    void show(bool force);

    QString verb;
    bool enabled;
    bool shown = false;
    qint64 entriesTotal = -1;
    qint64 bytesTotal = -1;
    qint64 entries = 0;
    qint64 bytes = 0;
    qint64 lastShown = -1000;
    QElapsedTimer clock;
};

#endif // KELVANE_TOOLS_CONSOLE_H
