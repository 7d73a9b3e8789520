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

void walk(const QByteArray &root, const QByteArray &relative, const QString &skippedPrefix,
          QMap<QString, Node> *out)
{
    const QByteArray folder = relative.isEmpty() ? root : root + '/' + relative;
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return;
    QList<QByteArray> children;
    while (dirent *e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name != "." && name != "..")
            children.append(name);
    }
    ::closedir(dir);
    for (const QByteArray &name : qAsConst(children)) {
        const QByteArray rel = relative.isEmpty() ? name : relative + '/' + name;
        const QString key = QFile::decodeName(rel);
        if (!skippedPrefix.isEmpty() && (key == skippedPrefix || key.startsWith(skippedPrefix + QLatin1Char('/'))))
            continue;
        const QByteArray full = root + '/' + rel;
        struct stat st;
        if (::lstat(full.constData(), &st) != 0)
            continue;
        Node node;
        const QByteArray mtime = QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.'
            + QByteArray::number(qint64(st.st_mtim.tv_nsec));
        if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink(full.constData(), target, sizeof target);
            node.kind = 'l';
            node.detail = QByteArray(target, n < 0 ? 0 : int(n));
        } else if (S_ISDIR(st.st_mode)) {
            node.kind = 'd';
            node.detail = QByteArray::number(uint(st.st_mode & 07777));
            out->insert(key, node);
            walk(root, rel, skippedPrefix, out);
            continue;
        } else if (S_ISREG(st.st_mode)) {
            node.kind = 'f';
            QFile file(QFile::decodeName(full));
            QByteArray digest;
            if (file.open(QIODevice::ReadOnly))
                digest = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex();
            node.detail = QByteArray::number(qint64(st.st_size)) + ' ' + digest + ' ' + mtime;
        } else {
            node.kind = 'o';
        }
        out->insert(key, node);
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
    walk(QFile::encodeName(root), QByteArray(), skippedPrefix, &nodes);
    return nodes;
}

void fail(const char *message, const QString &detail)
{
    std::fprintf(stderr, "FUZZ CHECK FAILED: %s\n%s\n", message, qPrintable(detail));
    std::fflush(stderr);
    std::abort();
}

void removeTree(const QString &path)
{
    const QByteArray bytes = QFile::encodeName(path);
    struct stat st;
    if (::lstat(bytes.constData(), &st) != 0)
        return;
    if (!S_ISDIR(st.st_mode)) {
        ::unlink(bytes.constData());
        return;
    }
    // Make the folder writable and listable again in case the code under
    // test changed its mode.
    ::chmod(bytes.constData(), 0700);
    DIR *dir = ::opendir(bytes.constData());
    if (dir) {
        QList<QByteArray> children;
        while (dirent *e = ::readdir(dir)) {
            const QByteArray name(e->d_name);
            if (name != "." && name != "..")
                children.append(name);
        }
        ::closedir(dir);
        for (const QByteArray &name : qAsConst(children))
            removeTree(QFile::decodeName(bytes + '/' + name));
    }
    ::rmdir(bytes.constData());
}

} // namespace FuzzSupport
