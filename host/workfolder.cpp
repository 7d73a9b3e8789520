// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "workfolder.h"

#include "workfolderplace.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QStringList>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

struct Owner
{
    qint64 pid = 0;
    quint64 startTime = 0;
};

// The owner recorded in a folder name "kelvane-viewer-PID-START-XXXXXX";
// false for names of any other form.
bool ownerFromName(const QString &name, Owner *owner)
{
    if (!name.startsWith(PrivateWorkFolder::namePrefix()))
        return false;
    const QStringList parts = name.mid(PrivateWorkFolder::namePrefix().size()).split(QLatin1Char('-'));
    if (parts.size() != 3)
        return false;
    bool pidOk = false;
    bool startOk = false;
    owner->pid = parts.at(0).toLongLong(&pidOk);
    owner->startTime = parts.at(1).toULongLong(&startOk);
    return pidOk && startOk && owner->pid > 0;
}

bool procMounted()
{
    return QFileInfo::exists(QStringLiteral("/proc/self/stat"));
}

} // namespace

PrivateWorkFolder::~PrivateWorkFolder()
{
    remove();
}

QString PrivateWorkFolder::parentFolder()
{
    return WorkFolderPlace::candidates().first();
}

int PrivateWorkFolder::sweep(const QString &parent)
{
    int removed = 0;
    const QStringList names = QDir(parent).entryList({namePrefix() + QLatin1Char('*')},
                                                     QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        Owner owner;
        if (!ownerFromName(name, &owner) || ownerAlive(owner.pid, owner.startTime))
            continue;
        // Only a real folder (not a link to one) of this user.
        const QString path = parent + QLatin1Char('/') + name;
        struct stat status;
        if (::lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISDIR(status.st_mode)
            || status.st_uid != ::geteuid())
            continue;
        if (QDir(path).removeRecursively())
            ++removed;
    }
    return removed;
}

bool PrivateWorkFolder::create(const QString &parent)
{
    const qint64 pid = ::getpid();
    QByteArray name = QFile::encodeName(parent + QLatin1Char('/') + namePrefix()
                                        + ownerTag(pid, processStartTime(pid)) + QStringLiteral("-XXXXXX"));
    // mkdtemp makes the folder with mode 0700 under a name nobody else has.
    if (!::mkdtemp(name.data())) {
        m_error = tr("cannot make a private working folder in %1: %2")
                      .arg(parent, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    const QString made = QFile::decodeName(name);
    m_path = QFileInfo(made).canonicalFilePath();
    if (m_path.isEmpty())
        m_path = made;
    m_parent = QFileInfo(m_path).absolutePath();
    return true;
}

bool PrivateWorkFolder::remove()
{
    if (m_path.isEmpty())
        return true;
    const QString current = QDir::currentPath();
    if (current == m_path || current.startsWith(m_path + QLatin1Char('/')))
        QDir::setCurrent(m_parent);
    const bool gone = QDir(m_path).removeRecursively() || !QFileInfo::exists(m_path);
    if (gone)
        m_path.clear();
    return gone;
}

QString PrivateWorkFolder::namePrefix()
{
    return QStringLiteral("kelvane-viewer-");
}

QString PrivateWorkFolder::ownerTag(qint64 pid, quint64 startTime)
{
    return QString::number(pid) + QLatin1Char('-') + QString::number(startTime);
}

quint64 PrivateWorkFolder::processStartTime(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // "PID (COMMAND) STATE PPID ...": the command may hold spaces and
    // parentheses, so the fields are counted after the last ')'. The start
    // time is field 22, the 20th after the command.
    const QByteArray line = stat.readAll();
    const auto end = line.lastIndexOf(')');
    if (end < 0)
        return 0;
    const QList<QByteArray> fields = line.mid(end + 2).split(' ');
    return fields.size() > 19 ? fields.at(19).toULongLong() : 0;
}

bool PrivateWorkFolder::ownerAlive(qint64 pid, quint64 startTime)
{
    if (pid <= 0)
        return false;
    if (procMounted()) {
        const quint64 actual = processStartTime(pid);
        return actual != 0 && (startTime == 0 || actual == startTime);
    }
    // Without /proc only the process id can be checked; a process of
    // another user answers EPERM and counts as alive.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}
