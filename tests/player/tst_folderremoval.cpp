// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// util_deleteDir and util_deleteFile on trees made in a temporary folder.

#include "playertestsupport.h"

#include <folderutils.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

bool entryExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Makes a file impossible to remove: by taking the write permission from its
// folder, or, for the superuser whom permissions do not stop, with the
// file system's immutable attribute.
bool lockFile(const QString &file)
{
    if (::geteuid() != 0)
        return QFile::setPermissions(QFileInfo(file).absolutePath(), QFile::ReadOwner | QFile::ExeOwner);
    return QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), file}) == 0;
}

void unlockFile(const QString &file)
{
    if (::geteuid() == 0 && QFileInfo::exists(file))
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), file});
    QFile::setPermissions(QFileInfo(file).absolutePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

class tst_FolderRemoval : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyFolder();
    void nestedTree();
    void hiddenEntries();
    void readOnlyFiles();
    void specialFiles();
    void linksInsideAreRemovedNotFollowed();
    void folderPathIsLink_data();
    void folderPathIsLink();
    void missingFolder();
    void plainFileInsteadOfFolder();
    void partialFailureRemovesTheRest();
    void deleteFile();

private:
    QString inTree(const QString &relative) const { return m_tree + QLatin1Char('/') + relative; }
    QString outside(const QString &relative) const { return m_outside + QLatin1Char('/') + relative; }

    QScopedPointer<QTemporaryDir> m_root;
    QString m_tree;
    QString m_outside;
};

void tst_FolderRemoval::init()
{
    m_root.reset(new QTemporaryDir);
    QVERIFY(m_root->isValid());
    m_tree = m_root->filePath(QStringLiteral("tree"));
    m_outside = m_root->filePath(QStringLiteral("outside"));
    QVERIFY(QDir().mkpath(m_tree));
    QVERIFY(QDir().mkpath(m_outside));
}

void tst_FolderRemoval::cleanup()
{
    // Give back anything a test locked so the temporary folder can go.
    unlockFile(inTree(QStringLiteral("locked/stuck.txt")));
    m_root.reset();
}

void tst_FolderRemoval::emptyFolder()
{
    QVERIFY(util_deleteDir(m_tree));
    QVERIFY(!entryExists(m_tree));
}

void tst_FolderRemoval::nestedTree()
{
    QVERIFY(writeFile(inTree(QStringLiteral("index.html")), "page"));
    QVERIFY(writeFile(inTree(QStringLiteral("a/one.txt")), "1"));
    QVERIFY(writeFile(inTree(QStringLiteral("a/b/two.txt")), "2"));
    QVERIFY(writeFile(inTree(QStringLiteral("a/b/c/d/three.txt")), "3"));
    QVERIFY(QDir().mkpath(inTree(QStringLiteral("empty/also empty"))));
    QVERIFY(writeFile(inTree(QStringLiteral("рисунки/схема.png")), "png"));

    QVERIFY(util_deleteDir(m_tree));
    QVERIFY(!entryExists(m_tree));
}

void tst_FolderRemoval::hiddenEntries()
{
    QVERIFY(writeFile(inTree(QStringLiteral(".DS_Store")), "finder"));
    QVERIFY(writeFile(inTree(QStringLiteral("__MACOSX/._picture.png")), "fork"));
    QVERIFY(writeFile(inTree(QStringLiteral(".hidden/.deeper/file")), "x"));
    QVERIFY(writeFile(inTree(QStringLiteral("visible.txt")), "x"));

    QVERIFY(util_deleteDir(m_tree));
    QVERIFY(!entryExists(m_tree));
}

void tst_FolderRemoval::readOnlyFiles()
{
    const QString file = inTree(QStringLiteral("sub/read-only.txt"));
    QVERIFY(writeFile(file, "x"));
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
    QVERIFY(util_deleteDir(m_tree));
    QVERIFY(!entryExists(m_tree));
}

void tst_FolderRemoval::specialFiles()
{
    QVERIFY(QDir().mkpath(inTree(QStringLiteral("sub"))));
    QCOMPARE(::mkfifo(QFile::encodeName(inTree(QStringLiteral("sub/pipe"))).constData(), 0600), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(inTree(QStringLiteral(".hidden-pipe"))).constData(), 0600), 0);
    QVERIFY(util_deleteDir(m_tree));
    QVERIFY(!entryExists(m_tree));
}

void tst_FolderRemoval::linksInsideAreRemovedNotFollowed()
{
    QVERIFY(writeFile(outside(QStringLiteral("folder/keep.txt")), "keep"));
    QVERIFY(writeFile(outside(QStringLiteral("file.txt")), "keep too"));
    QVERIFY(writeFile(inTree(QStringLiteral("a/inside.txt")), "x"));
    QVERIFY(QFile::link(outside(QStringLiteral("folder")), inTree(QStringLiteral("a/to-folder"))));
    QVERIFY(QFile::link(outside(QStringLiteral("file.txt")), inTree(QStringLiteral("to-file"))));
    QVERIFY(QFile::link(outside(QStringLiteral("nothing")), inTree(QStringLiteral("dangling"))));
    QVERIFY(QFile::link(m_tree, inTree(QStringLiteral("a/loop"))));
    QVERIFY(QFile::link(outside(QStringLiteral("folder")), inTree(QStringLiteral(".hidden-link"))));

    QVERIFY(util_deleteDir(m_tree));
    QVERIFY(!entryExists(m_tree));
    QCOMPARE(contentOf(outside(QStringLiteral("folder/keep.txt"))), QByteArray("keep"));
    QCOMPARE(contentOf(outside(QStringLiteral("file.txt"))), QByteArray("keep too"));
}

void tst_FolderRemoval::folderPathIsLink_data()
{
    QTest::addColumn<bool>("targetExists");
    QTest::addColumn<QString>("suffix"); // appended to the link's path
    QTest::newRow("link to a folder") << true << QString();
    QTest::newRow("dangling link") << false << QString();
    QTest::newRow("link to a folder, trailing slash") << true << QStringLiteral("/");
    QTest::newRow("link to a folder, trailing slashes") << true << QStringLiteral("//");
}

void tst_FolderRemoval::folderPathIsLink()
{
    QFETCH(bool, targetExists);
    QFETCH(QString, suffix);
    const QString target = outside(QStringLiteral("target"));
    if (targetExists)
        QVERIFY(writeFile(target + QStringLiteral("/keep.txt"), "keep"));
    const QString link = m_root->filePath(QStringLiteral("texttemp"));
    QVERIFY(QFile::link(target, link));

    QVERIFY(util_deleteDir(link + suffix));
    QVERIFY(!entryExists(link));
    if (targetExists)
        QCOMPARE(contentOf(target + QStringLiteral("/keep.txt")), QByteArray("keep"));
}

void tst_FolderRemoval::missingFolder()
{
    QVERIFY(!util_deleteDir(m_root->filePath(QStringLiteral("absent"))));
    QVERIFY(entryExists(m_tree));
}

void tst_FolderRemoval::plainFileInsteadOfFolder()
{
    const QString file = m_root->filePath(QStringLiteral("texttemp"));
    QVERIFY(writeFile(file, "a file"));
    QVERIFY(!util_deleteDir(file));
    QCOMPARE(contentOf(file), QByteArray("a file"));
}

void tst_FolderRemoval::partialFailureRemovesTheRest()
{
    QVERIFY(writeFile(inTree(QStringLiteral("locked/stuck.txt")), "x"));
    QVERIFY(writeFile(inTree(QStringLiteral("locked/.hidden")), "x"));
    QVERIFY(writeFile(inTree(QStringLiteral("free/gone.txt")), "x"));
    QVERIFY(writeFile(inTree(QStringLiteral("gone.txt")), "x"));
    if (!lockFile(inTree(QStringLiteral("locked/stuck.txt"))))
        QFAIL("Cannot make a file unremovable here (chattr +i failed)");

    QVERIFY(!util_deleteDir(m_tree));
    QVERIFY(QFile::exists(inTree(QStringLiteral("locked/stuck.txt"))));
    if (::geteuid() == 0) // the folder was writable: its other entries went
        QVERIFY(!entryExists(inTree(QStringLiteral("locked/.hidden"))));
    QVERIFY(!entryExists(inTree(QStringLiteral("free"))));
    QVERIFY(!entryExists(inTree(QStringLiteral("gone.txt"))));
}

void tst_FolderRemoval::deleteFile()
{
    const QString file = inTree(QStringLiteral("file.txt"));
    QVERIFY(writeFile(file, "x"));
    QVERIFY(util_deleteFile(file));
    QVERIFY(!entryExists(file));
    QVERIFY(!util_deleteFile(file));

    const QString target = outside(QStringLiteral("target.txt"));
    QVERIFY(writeFile(target, "keep"));
    const QString link = inTree(QStringLiteral("link"));
    QVERIFY(QFile::link(target, link));
    QVERIFY(util_deleteFile(link));
    QVERIFY(!entryExists(link));
    QCOMPARE(contentOf(target), QByteArray("keep"));
}

QTEST_MAIN(tst_FolderRemoval)
#include "tst_folderremoval.moc"
