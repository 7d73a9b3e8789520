// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "console.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QLoggingCategory>

#include <QtCore/QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

QString toolText(const char *text)
{
    return QCoreApplication::translate("KelvaneZip", text);
}

QString toolText(const char *text, int n)
{
    return QCoreApplication::translate("KelvaneZip", text, nullptr, n);
}

namespace {

Progress *activeProgress = nullptr;

// Where the lines of out() go; standard error while standard output holds an archive.
FILE *outputStream = stdout;
// The system's reason for the first failed write to standard output.
QString outputFailure;

void noteOutputFailure()
{
    if (outputFailure.isEmpty())
        outputFailure = QString::fromLocal8Bit(std::strerror(errno));
}

QString formatBytes(qint64 bytes)
{
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1);
}

} // namespace

namespace Console {

void out(const QByteArray &line)
{
    if (std::fwrite(line.constData(), 1, size_t(line.size()), outputStream) != size_t(line.size())
        || std::fputc('\n', outputStream) == EOF) {
        noteOutputFailure();
    }
}

void out(const QString &line)
{
    out(line.toUtf8());
}

void error(const QString &message)
{
    if (activeProgress)
        activeProgress->clear();
    std::fflush(stdout);
    const QByteArray bytes = (QStringLiteral("kelvane-zip: ") + printable(message)).toUtf8();
    std::fprintf(stderr, "%s\n", bytes.constData());
}

QString printable(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

void flush()
{
    if (std::fflush(stdout) != 0)
        noteOutputFailure();
    std::fflush(stderr);
}

bool finishOutput()
{
    flush();
    if (outputFailure.isEmpty() && std::ferror(stdout))
        outputFailure = toolText("write error");
    if (outputFailure.isEmpty())
        return true;
    error(toolText("standard output: %1").arg(outputFailure));
    outputFailure.clear();
    std::clearerr(stdout);
    return false;
}

void moveOutputToStderr()
{
    std::fflush(stdout);
    outputStream = stderr;
}

bool isSameFileAs(const QString &path, int fd)
{
    struct stat file;
    struct stat stream;
    return ::stat(QFile::encodeName(path).constData(), &file) == 0 && ::fstat(fd, &stream) == 0
        && file.st_dev == stream.st_dev && file.st_ino == stream.st_ino;
}

void setUp()
{
    // Listings of many entries are written in large blocks.
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    // Rules set here come before those of QT_LOGGING_RULES, which may turn
    // the diagnostics back on.
    QLoggingCategory::setFilterRules(QStringLiteral("kelvane.zip.debug=false"));
}

void entryFailed(const QString &name, const QString &text, const QString &detail)
{
    if (detail.isEmpty())
        error(QStringLiteral("%1: %2").arg(name, text));
    else
        error(QStringLiteral("%1: %2 (%3)").arg(name, text, detail));
}

bool progressWanted(bool quiet)
{
    return !quiet && ::isatty(STDERR_FILENO);
}

bool canAsk()
{
    return ::isatty(STDIN_FILENO);
}

QString ask(const QString &question)
{
    if (activeProgress)
        activeProgress->clear();
    std::fflush(stdout);
    std::fputs(question.toUtf8().constData(), stderr);
    std::fflush(stderr);
    char line[256];
    if (!std::fgets(line, sizeof line, stdin))
        return QString();
    QString answer = QString::fromLocal8Bit(line);
    while (answer.endsWith(QLatin1Char('\n')) || answer.endsWith(QLatin1Char('\r')))
        answer.chop(1);
    return answer;
}

} // namespace Console

Progress::Progress(const QString &verbText, bool isEnabled)
    : verb(verbText)
    , enabled(isEnabled)
{
    if (enabled) {
        clock.start();
        activeProgress = this;
    }
}

Progress::~Progress()
{
    if (activeProgress == this)
        activeProgress = nullptr;
}

void Progress::setTotals(qint64 entriesCount, qint64 bytesCount)
{
    entriesTotal = entriesCount;
    bytesTotal = bytesCount;
}

void Progress::addBytes(qint64 n)
{
    bytes += n;
    if (enabled)
        show(false);
}

void Progress::entryDone()
{
    ++entries;
    if (enabled)
        show(false);
}

void Progress::show(bool force)
{
    const qint64 now = clock.elapsed();
    if (!force && now - lastShown < 100)
        return;
    lastShown = now;
    const double seconds = now > 0 ? double(now) / 1000.0 : 0.001;
    QString line = QStringLiteral("%1: %2").arg(verb).arg(entries);
    if (entriesTotal >= 0)
        line += QStringLiteral("/%1").arg(entriesTotal);
    line += toolText(" entries, %1").arg(formatBytes(bytes));
    if (bytesTotal >= 0)
        line += QStringLiteral("/%1").arg(formatBytes(bytesTotal));
    line += toolText(" MB, %1 MB/s").arg(formatBytes(qint64(double(bytes) / seconds)));
    const QByteArray text = line.toUtf8();
    // Carriage return, the line, and "erase to the end of the line".
    std::fprintf(stderr, "\r%s\033[K", text.constData());
    std::fflush(stderr);
    shown = true;
}

void Progress::clear()
{
    if (!shown)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown = false;
    lastShown = -1000;
}

void Progress::finish()
{
    if (!enabled)
        return;
    show(true);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    shown = false;
    enabled = false;
}
