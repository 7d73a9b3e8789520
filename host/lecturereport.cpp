// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "lecturereport.h"

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

int heldStandardOutput = -1;

// Tabs and line breaks inside a field would break the line's form.
QString field(const QString &text)
{
    return QString(text).replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace

QStringList LectureReport::contentsLines(const QVector<KelvaneLecturePage> &pages)
{
    QStringList lines;
    bool othersHeaded = false;
    for (const KelvaneLecturePage &page : pages) {
        int level = page.level;
        if (!page.linked) {
            if (!othersHeaded)
                lines << tr("Other pages");
            othersHeaded = true;
            level = 1;
        }
        lines << QString(2 * level, QLatin1Char(' ')) + field(page.title) + QLatin1Char('\t') + field(page.path);
    }
    return lines;
}

QStringList LectureReport::matchLines(const QVector<KelvaneLectureMatch> &matches)
{
    QStringList lines;
    for (const KelvaneLectureMatch &match : matches)
        lines << field(match.path) + QLatin1Char('\t') + field(match.context);
    return lines;
}

bool LectureReport::print(const QStringList &lines)
{
    for (const QString &line : lines) {
        const QByteArray bytes = line.toUtf8() + '\n';
        if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()))
            return false;
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

void LectureReport::holdPlayerOutput()
{
    if (heldStandardOutput >= 0)
        return;
    std::fflush(stdout);
    const int nullDevice = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nullDevice < 0)
        return;
    heldStandardOutput = ::dup(STDOUT_FILENO);
    if (heldStandardOutput >= 0 && ::dup2(nullDevice, STDOUT_FILENO) < 0) {
        ::close(heldStandardOutput);
        heldStandardOutput = -1;
    }
    ::close(nullDevice);
}

void LectureReport::releasePlayerOutput()
{
    if (heldStandardOutput < 0)
        return;
    std::fflush(stdout);
    ::dup2(heldStandardOutput, STDOUT_FILENO);
    ::close(heldStandardOutput);
    heldStandardOutput = -1;
}
