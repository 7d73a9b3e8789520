// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "fuzzsupport.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QCryptographicHash>
#include <QtCore/QFile>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FuzzSupport {

namespace {

void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::abort();
    }
}

QList<QByteArray> childrenOf(const QByteArray &folder)
{
    QList<QByteArray> children;
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return children;
    while (dirent *e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name != "." && name != "..")
            children.append(name);
    }
    ::closedir(dir);
    return children;
}

// Walks the tree with a list of folders still to visit instead of recursion:
// trees made by hostile archives can be thousands of levels deep.
void walk(const QByteArray &root, const QString &skippedPrefix, QMap<QString, Node> *out)
{
    QList<QByteArray> pending{QByteArray()};
    while (!pending.isEmpty()) {
        const QByteArray relative = pending.takeLast();
        const QByteArray folder = relative.isEmpty() ? root : root + '/' + relative;
        for (const QByteArray &name : childrenOf(folder)) {
            const QByteArray rel = relative.isEmpty() ? name : relative + '/' + name;
            const QString key = QFile::decodeName(rel);
            if (!skippedPrefix.isEmpty() && (key == skippedPrefix || key.startsWith(skippedPrefix + QLatin1Char('/'))))
                continue;
            const QByteArray full = root + '/' + rel;
            struct stat st;
            if (::lstat(full.constData(), &st) != 0)
                continue;
            Node node;
            if (S_ISLNK(st.st_mode)) {
                char target[4096];
                const ssize_t n = ::readlink(full.constData(), target, sizeof target);
                node.kind = 'l';
                node.detail = QByteArray(target, n < 0 ? 0 : int(n));
            } else if (S_ISDIR(st.st_mode)) {
                node.kind = 'd';
                node.detail = QByteArray::number(uint(st.st_mode & 07777));
                pending.append(rel);
            } else if (S_ISREG(st.st_mode)) {
                node.kind = 'f';
                QFile file(QFile::decodeName(full));
                QByteArray digest;
                if (file.open(QIODevice::ReadOnly))
                    digest = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex();
                const QByteArray mtime = QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.'
                    + QByteArray::number(qint64(st.st_mtim.tv_nsec));
                node.detail = QByteArray::number(qint64(st.st_size)) + ' ' + digest + ' ' + mtime;
            } else {
                node.kind = 'o';
            }
            out->insert(key, node);
        }
    }
}

} // namespace

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "kelvane-fuzz";
    static char *argv[] = {name, nullptr};
    if (QCoreApplication::instance())
        return;
    if (!qEnvironmentVariableIsSet("KELVANE_FUZZ_VERBOSE"))
        qInstallMessageHandler(quietMessages);
    new QCoreApplication(argc, argv);
}

QMap<QString, Node> snapshot(const QString &root, const QString &skippedPrefix)
{
    QMap<QString, Node> nodes;
    walk(QFile::encodeName(root), skippedPrefix, &nodes);
    return nodes;
}

void fail(const char *message, const QString &detail)
{
    std::fprintf(stderr, "FUZZ CHECK FAILED: %s\n%s\n", message, qPrintable(detail));
    std::fflush(stderr);
    std::abort();
}

QString differences(const QMap<QString, Node> &before, const QMap<QString, Node> &after)
{
    QString text;
    for (auto it = after.constBegin(); it != after.constEnd(); ++it) {
        if (!before.contains(it.key()))
            text += QStringLiteral("new: %1\n").arg(it.key());
        else if (before.value(it.key()) != it.value())
            text += QStringLiteral("changed: %1\n").arg(it.key());
    }
    for (auto it = before.constBegin(); it != before.constEnd(); ++it) {
        if (!after.contains(it.key()))
            text += QStringLiteral("gone: %1\n").arg(it.key());
    }
    return text;
}

void removeTree(const QString &path)
{
    // Depth-first without recursion: a folder is removed once everything in
    // it is gone; links are removed, never followed.
    QList<QPair<QByteArray, bool>> pending{{QFile::encodeName(path), false}};
    while (!pending.isEmpty()) {
        const QPair<QByteArray, bool> item = pending.takeLast();
        const QByteArray &current = item.first;
        const bool emptied = item.second;
        struct stat st;
        if (::lstat(current.constData(), &st) != 0)
            continue;
        if (!S_ISDIR(st.st_mode)) {
            ::unlink(current.constData());
            continue;
        }
        if (emptied) {
            ::rmdir(current.constData());
            continue;
        }
        // Writable and listable again, in case the code under test changed
        // the folder's mode.
        ::chmod(current.constData(), 0700);
        pending.append({current, true});
        for (const QByteArray &name : childrenOf(current))
            pending.append({current + '/' + name, false});
    }
}

} // namespace FuzzSupport
