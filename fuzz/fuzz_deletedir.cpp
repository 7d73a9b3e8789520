// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Feeds the player's folder removal (util_deleteDir) a tree built from the
// input: folders, files, dot-files and dot-folders, fifos, and symbolic links
// to places inside the tree, to folders and files outside it, to the tree's
// parent, and to nowhere. The tree itself may be such a link. Afterwards
// nothing outside the tree may have changed, and the result must match what
// is left: true exactly when the tree is gone.

#include "fuzzsupport.h"

#include <folderutils.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QStringList>
#include <QtCore/QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *const names[] = {
    "a", "b c", ".hidden", "...", "x\ny", "-rf", "*", "\\", "\xc3\xbc", "..a", ".d", "z"};
constexpr int nameCount = int(sizeof names / sizeof *names);

class Tree
{
public:
    Tree()
    {
        if (!m_root.isValid())
            FuzzSupport::fail("cannot create the temporary root");
        const QString r = m_root.path();
        QDir().mkpath(r + QStringLiteral("/outside/folder/.inner"));
        write(r + QStringLiteral("/outside/file.txt"));
        write(r + QStringLiteral("/outside/.dotfile"));
        write(r + QStringLiteral("/outside/folder/nested.txt"));
        write(r + QStringLiteral("/outside/folder/.inner/deep.txt"));
        write(r + QStringLiteral("/sentinel.txt"));
        m_tree = r + QStringLiteral("/tree");
        m_outside = FuzzSupport::snapshot(r, QStringLiteral("tree"));
    }

    QString path() const { return m_tree; }
    QString root() const { return m_root.path(); }

    void build(const uint8_t *data, size_t size)
    {
        FuzzSupport::removeTree(m_tree);
        QStringList folders;
        size_t pos = 0;
        if (size > 0 && data[pos++] % 8 == 7) {
            // The tree is itself a link to a folder outside it.
            makeLink(root() + QStringLiteral("/outside/folder"), m_tree);
            return;
        }
        if (::mkdir(QFile::encodeName(m_tree).constData(), 0755) != 0)
            FuzzSupport::fail("cannot create the tree");
        folders.append(m_tree);
        int serial = 0;
        while (pos + 1 < size && serial < 256) {
            const uint8_t op = data[pos++];
            const uint8_t arg = data[pos++];
            const QString parent = folders.at(arg % folders.size());
            const QString name = QString::fromUtf8(names[(op >> 4) % nameCount]) + QString::number(serial++ % 4);
            const QString at = parent + QLatin1Char('/') + name;
            switch (op % 12) {
            case 0:
            case 1:
                if (::mkdir(QFile::encodeName(at).constData(), 0755) == 0 && at.size() < 3000)
                    folders.append(at);
                break;
            case 2:
            case 3:
                write(at);
                break;
            case 4:
                makeLink(root() + QStringLiteral("/outside/folder"), at);
                break;
            case 5:
                makeLink(root() + QStringLiteral("/outside/file.txt"), at);
                break;
            case 6:
                makeLink(folders.at((arg >> 4) % folders.size()), at);
                break;
            case 7:
                makeLink(QStringLiteral(".."), at);
                break;
            case 8:
                makeLink(QStringLiteral("../../../outside"), at);
                break;
            case 9:
                makeLink(QStringLiteral("nowhere/at/all"), at);
                break;
            case 10:
                ::mkfifo(QFile::encodeName(at).constData(), 0644);
                break;
            case 11:
                makeLink(QStringLiteral("/"), at);
                break;
            }
        }
    }

    void check(bool result) const
    {
        const auto now = FuzzSupport::snapshot(root(), QStringLiteral("tree"));
        if (now != m_outside) {
            QString detail;
            for (auto it = m_outside.constBegin(); it != m_outside.constEnd(); ++it) {
                if (now.value(it.key()) != it.value())
                    detail += QStringLiteral("changed or gone: %1\n").arg(it.key());
            }
            FuzzSupport::fail("something outside the tree changed", detail);
        }
        struct stat st;
        const bool treeLeft = ::lstat(QFile::encodeName(m_tree).constData(), &st) == 0;
        if (result && treeLeft)
            FuzzSupport::fail("util_deleteDir reported success, but the tree is still there");
        if (!result && !treeLeft)
            FuzzSupport::fail("util_deleteDir reported failure, but the tree is gone");
    }

private:
    // Creates a new file only: never writes through a link that an earlier
    // step left under the same name.
    static void write(const QString &path)
    {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
        if (fd < 0)
            return;
        const char content[] = "content\n";
        if (::write(fd, content, sizeof content - 1) < 0)
            FuzzSupport::fail("cannot write a tree file", path);
        ::close(fd);
    }

    static void makeLink(const QString &to, const QString &at)
    {
        ::symlink(QFile::encodeName(to).constData(), QFile::encodeName(at).constData());
    }

    QTemporaryDir m_root;
    QString m_tree;
    QMap<QString, FuzzSupport::Node> m_outside;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzSupport::ensureApplication();
    static Tree tree;
    tree.build(data, size);
    const bool result = util_deleteDir(tree.path());
    tree.check(result);
    FuzzSupport::removeTree(tree.path());
    return 0;
}
