// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "externaltool.h"

#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>

QByteArray ToolRun::describe(const QString &program) const
{
    if (!started)
        return program.toLocal8Bit() + " could not be started";
    if (!finished)
        return program.toLocal8Bit() + " did not finish in time";
    return program.toLocal8Bit() + " exited with " + QByteArray::number(exitCode) + ": "
        + standardError.left(2000) + standardOutput.left(2000);
}

QString findTool(const QString &name)
{
    return QStandardPaths::findExecutable(name);
}

ToolRun runTool(const QString &program, const QStringList &arguments, const QString &workingDirectory,
                int timeoutMs)
{
    return runTool(program, arguments, workingDirectory, QProcessEnvironment::systemEnvironment(), timeoutMs);
}

ToolRun runTool(const QString &program, const QStringList &arguments, const QString &workingDirectory,
                const QProcessEnvironment &environment, int timeoutMs)
{
    ToolRun run;
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    run.started = process.waitForStarted();
    if (!run.started)
        return run;
    process.closeWriteChannel();
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.standardOutput = process.readAllStandardOutput();
    run.standardError = process.readAllStandardError();
    return run;
}
