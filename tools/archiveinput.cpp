// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "archiveinput.h"
#include "console.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryFile>

#include <memory>

#include <unistd.h>

namespace {

const char standardInputName[] = "standard input";

// Copies the rest of input to the spool file and rewinds it; reports a
// failure on standard error. Returns the exit status.
int copyToSpool(QFile &input, QTemporaryFile &spool)
{
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = input.read(buffer.data(), buffer.size());
        if (got == 0)
            break;
        if (got < 0) {
            Console::error(toolText("%1: %2").arg(toolText(standardInputName), input.errorString()));
            return ExitUsage;
        }
        if (spool.write(buffer.constData(), got) != got) {
            Console::error(toolText("%1: cannot keep a copy in %2: %3")
                               .arg(toolText(standardInputName), QDir::tempPath(), spool.errorString()));
            return ExitWriteFailed;
        }
    }
    if (!spool.flush() || !spool.seek(0)) {
        Console::error(toolText("%1: cannot keep a copy in %2: %3")
                           .arg(toolText(standardInputName), QDir::tempPath(), spool.errorString()));
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
        Console::error(toolText("%1: cannot keep a copy in %2: %3")
                           .arg(toolText(standardInputName), QDir::tempPath(), spool->errorString()));
        *status = ExitWriteFailed;
        return nullptr;
    }
    // The open file stays readable without its name.
    QFile::remove(spool->fileName());
    *status = copyToSpool(*input, *spool);
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
