// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "archiveinput.h"
#include "console.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <memory>

#include <unistd.h>

namespace {

const char standardInputName[] = "standard input";

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

void reportSpoolFailure(const QString &reason)
{
    Console::error(toolText("%1: cannot keep a copy in %2: %3")
                       .arg(toolText(standardInputName), QDir::tempPath(), reason));
}

// Writes all of data to the file descriptor; false with errno set.
bool writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

// Copies the rest of standard input to the spool file and rewinds it,
// with the system's calls: their failures come with the system's reason.
// Reports a failure on standard error. Returns the exit status.
int copyToSpool(int spool)
{
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer.data(), size_t(buffer.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got == 0)
            break;
        if (got < 0) {
            Console::error(toolText("%1: %2").arg(toolText(standardInputName), systemReason()));
            return ExitUsage;
        }
        if (!writeAll(spool, buffer.constData(), got)) {
            reportSpoolFailure(systemReason());
            return ExitWriteFailed;
        }
    }
    if (::lseek(spool, 0, SEEK_SET) != 0) {
        reportSpoolFailure(systemReason());
        return ExitWriteFailed;
    }
    return ExitSuccess;
}

// Standard input as a device the reader can seek in; null (after reporting)
// when it cannot be had.
QIODevice *seekableStandardInput(int *status)
{
    auto input = std::make_unique<QFile>();
    if (!input->open(STDIN_FILENO, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        Console::error(toolText("%1: %2").arg(toolText(standardInputName), input->errorString()));
        *status = ExitUsage;
        return nullptr;
    }
    if (!input->isSequential())
        return input.release();
    auto spool = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/kelvane-zip-XXXXXX"));
    if (!spool->open()) {
        reportSpoolFailure(spool->errorString());
        *status = ExitWriteFailed;
        return nullptr;
    }
    // The open file stays readable without its name.
    QFile::remove(spool->fileName());
    *status = copyToSpool(int(spool->handle()));
    return *status == ExitSuccess ? spool.release() : nullptr;
}

} // namespace

int openArchiveInput(UnZip &unzip, const QString &archive)
{
    const bool standardInput = archive == QLatin1String("-");
    UnZip::ErrorCode ec = UnZip::Success;
    if (standardInput) {
        int status = ExitSuccess;
        QIODevice *device = seekableStandardInput(&status);
        if (!device)
            return status;
        ec = unzip.openArchive(device); // the reader owns the device from here on
    } else {
        ec = unzip.openArchive(archive);
    }
    if (ec == UnZip::Success)
        return ExitSuccess;
    Console::entryFailed(standardInput ? toolText(standardInputName) : archive, unzip.formatError(ec),
                         unzip.lastErrorDetail());
    return ExitUsage;
}
