// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The viewer's private working folder: where it is made, how it is named and
// removed, and which leftover folders a start sweeps away.

#include <workfolder.h>
#include <workfolderplace.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A user id that no process of this test runs as.
const uid_t strangerUid = 54321;

// The id of a process that has ended and been reaped.
qint64 endedProcessId()
{
    QProcess process;
    process.start(QStringLiteral("true"), QStringList());
    process.waitForFinished();
    return process.processId() ? process.processId() : 0x3ffffff0;
}

mode_t modeOf(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

} // namespace

class tst_WorkFolder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void parentFolder_data();
    void parentFolder();
    void placeByRoom_data();
    void placeByRoom();
    void createAndRemove();
    void sweep_data();
    void sweep();

private:
    QScopedPointer<QTemporaryDir> m_dir;
    QByteArray m_tmpDir;
    QByteArray m_runtimeDir;
};

void tst_WorkFolder::init()
{
    m_tmpDir = qgetenv("TMPDIR");
    m_runtimeDir = qgetenv("XDG_RUNTIME_DIR");
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void tst_WorkFolder::cleanup()
{
    qputenv("TMPDIR", m_tmpDir);
    qputenv("XDG_RUNTIME_DIR", m_runtimeDir);
}

void tst_WorkFolder::parentFolder_data()
{
    QTest::addColumn<QString>("tmpDir");     // "" unset; relative to the test folder when not absolute
    QTest::addColumn<QString>("runtimeDir"); // "" unset; "@private" a 0700 folder, "@open" a 0755 folder
    QTest::addColumn<QString>("expected");   // "@tmp" the system temporary folder

    QTest::newRow("TMPDIR wins over XDG_RUNTIME_DIR") << "given"
                                                      << "@private"
                                                      << "given";
    QTest::newRow("relative TMPDIR made absolute") << "rel/../given"
                                                   << ""
                                                   << "given";
    // A small file system in memory, tried only when the first place has
    // no room (placeByRoom).
    QTest::newRow("XDG_RUNTIME_DIR of this user") << ""
                                                  << "@private"
                                                  << "@tmp";
    QTest::newRow("XDG_RUNTIME_DIR open to others") << ""
                                                    << "@open"
                                                    << "@tmp";
    QTest::newRow("XDG_RUNTIME_DIR missing") << ""
                                             << "@missing"
                                             << "@tmp";
    QTest::newRow("neither") << ""
                             << ""
                             << "@tmp";
}

void tst_WorkFolder::parentFolder()
{
    QFETCH(QString, tmpDir);
    QFETCH(QString, runtimeDir);
    QFETCH(QString, expected);

    const QString root = m_dir->path();
    QVERIFY(QDir(root).mkpath(QStringLiteral("given")));
    QVERIFY(QDir(root).mkpath(QStringLiteral("rel")));
    QVERIFY(QDir(root).mkpath(QStringLiteral("@private")));
    QVERIFY(QDir(root).mkpath(QStringLiteral("@open")));
    QCOMPARE(::chmod(QFile::encodeName(root + QStringLiteral("/@private")).constData(), 0700), 0);
    QCOMPARE(::chmod(QFile::encodeName(root + QStringLiteral("/@open")).constData(), 0755), 0);

    const QString savedCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root));
    qputenv("TMPDIR", QFile::encodeName(tmpDir));
    qputenv("XDG_RUNTIME_DIR", runtimeDir.isEmpty() ? QByteArray() : QFile::encodeName(root + QLatin1Char('/') + runtimeDir));
    const QString parent = PrivateWorkFolder::parentFolder();
    QVERIFY(QDir::setCurrent(savedCurrent));

    if (expected == QLatin1String("@tmp"))
        QCOMPARE(parent, QDir::cleanPath(QDir::tempPath()));
    else
        QCOMPARE(parent, root + QLatin1Char('/') + expected);
}

void tst_WorkFolder::placeByRoom_data()
{
    QTest::addColumn<QString>("runtimeDir"); // "@private" a 0700 folder, "@open" a 0755 one
    QTest::addColumn<QList<qint64>>("free"); // MB free in TMPDIR, XDG_RUNTIME_DIR, the cache; -1 unknown
    QTest::addColumn<QString>("expected");   // "" when no place has room

    QTest::newRow("TMPDIR has room") << "@private" << QList<qint64>{200, 500, 500} << "tmp";
    QTest::newRow("TMPDIR does not tell") << "@private" << QList<qint64>{-1, 500, 500} << "tmp";
    QTest::newRow("runtime folder has room") << "@private" << QList<qint64>{50, 500, 500} << "@private";
    QTest::newRow("the cache last") << "@private" << QList<qint64>{50, 99, 500} << "cache/kelvane";
    QTest::newRow("runtime folder open to others") << "@open" << QList<qint64>{50, 500, 500} << "cache/kelvane";
    QTest::newRow("no room anywhere") << "@private" << QList<qint64>{50, 60, 70} << "";
}

// The places in their order, each taken only with room for 100 MB.
void tst_WorkFolder::placeByRoom()
{
    QFETCH(QString, runtimeDir);
    QFETCH(QList<qint64>, free);
    QFETCH(QString, expected);
    const QString root = m_dir->path();
    for (const char *name : {"tmp", "@private", "@open"})
        QVERIFY(QDir(root).mkpath(QLatin1String(name)));
    QCOMPARE(::chmod(QFile::encodeName(root + QStringLiteral("/@private")).constData(), 0700), 0);
    QCOMPARE(::chmod(QFile::encodeName(root + QStringLiteral("/@open")).constData(), 0755), 0);
    const QByteArray savedCache = qgetenv("XDG_CACHE_HOME");
    qputenv("TMPDIR", QFile::encodeName(root + QStringLiteral("/tmp")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root + QLatin1Char('/') + runtimeDir));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(root + QStringLiteral("/cache")));
    const QStringList places = {QStringLiteral("tmp"), runtimeDir, QStringLiteral("cache/kelvane")};

    const qint64 megabyte = 1024 * 1024;
    const WorkFolderPlace::Choice choice = WorkFolderPlace::choose(100 * megabyte, [&](const QString &folder) {
        const int index = int(places.indexOf(folder.mid(root.size() + 1)));
        return index < 0 ? qint64(0) : free.at(index) < 0 ? qint64(-1)
                                                          : free.at(index) * megabyte;
    });
    qputenv("XDG_CACHE_HOME", savedCache);

    QCOMPARE(choice.folder, expected.isEmpty() ? QString() : root + QLatin1Char('/') + expected);
    // The cache folder is made only when it is chosen.
    QCOMPARE(QFileInfo::exists(root + QStringLiteral("/cache")), expected == QLatin1String("cache/kelvane"));
    if (expected.isEmpty()) {
        const QString text = choice.shortageText();
        QVERIFY2(text.startsWith(QStringLiteral("There is no room to unpack this lecture: it needs 100.00 MiB")),
                 qPrintable(text));
        for (const char *shown : {"50.00 MiB free in ", "60.00 MiB free in ", "70.00 MiB free in "})
            QVERIFY2(text.contains(QLatin1String(shown)), qPrintable(text));
    }
}

void tst_WorkFolder::createAndRemove()
{
    const QString parent = m_dir->path();
    PrivateWorkFolder first;
    PrivateWorkFolder second;
    QVERIFY2(first.create(parent), qPrintable(first.errorString()));
    QVERIFY2(second.create(parent), qPrintable(second.errorString()));

    // Two folders of one process: unique names that record the owner.
    QVERIFY(first.path() != second.path());
    const QString tag = PrivateWorkFolder::ownerTag(::getpid(), PrivateWorkFolder::processStartTime(::getpid()));
    QVERIFY(PrivateWorkFolder::processStartTime(::getpid()) != 0);
    QVERIFY2(QFileInfo(first.path()).fileName().startsWith(PrivateWorkFolder::namePrefix() + tag + QLatin1Char('-')),
             qPrintable(first.path()));
    QCOMPARE(modeOf(first.path()), mode_t(0700));
    QCOMPARE(QFileInfo(first.path()).absolutePath(), QFileInfo(parent).canonicalFilePath());

    // A live owner's folders survive a sweep.
    QCOMPARE(PrivateWorkFolder::sweep(parent), 0);
    QVERIFY(QFileInfo(first.path()).isDir());

    // Removal from inside, with a read-only file, a hidden file and a link
    // to something outside that must stay.
    const QString outside = parent + QStringLiteral("/outside.txt");
    QVERIFY(QFile(outside).open(QIODevice::WriteOnly));
    const QString inner = first.path() + QStringLiteral("/texttemp/pictures");
    QVERIFY(QDir().mkpath(inner));
    QFile readOnly(inner + QStringLiteral("/a.png"));
    QVERIFY(readOnly.open(QIODevice::WriteOnly));
    readOnly.close();
    QVERIFY(readOnly.setPermissions(QFile::ReadOwner));
    QVERIFY(QFile(inner + QStringLiteral("/.hidden")).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(outside, inner + QStringLiteral("/link")));
    QVERIFY(QFile::link(parent, inner + QStringLiteral("/folderlink")));
    QVERIFY(QDir::setCurrent(inner));

    const QString firstPath = first.path();
    QVERIFY(first.remove());
    QVERIFY(!QFileInfo::exists(firstPath));
    QCOMPARE(QDir::currentPath(), QFileInfo(parent).canonicalFilePath());
    QVERIFY(QFileInfo(outside).isFile());
    QVERIFY(QFileInfo(second.path()).isDir());

    // Going out of scope removes a folder.
    const QString secondPath = second.path();
    QString scopedPath;
    {
        PrivateWorkFolder scoped;
        QVERIFY(scoped.create(parent));
        scopedPath = scoped.path();
        QVERIFY(QFileInfo(scopedPath).isDir());
    }
    QVERIFY(!QFileInfo::exists(scopedPath));
    QVERIFY(QFileInfo(secondPath).isDir());
}

void tst_WorkFolder::sweep_data()
{
    QTest::addColumn<QString>("owner"); // "ended", "self", "reused" (live pid, other start time)
    QTest::addColumn<QString>("form");  // "folder", "stranger" (other user's), "link", "badname"
    QTest::addColumn<bool>("swept");

    QTest::newRow("ended viewer") << "ended"
                                  << "folder" << true;
    QTest::newRow("live viewer") << "self"
                                 << "folder" << false;
    QTest::newRow("process id reused") << "reused"
                                       << "folder" << true;
    QTest::newRow("ended viewer of another user") << "ended"
                                                  << "stranger" << false;
    QTest::newRow("link named like a folder") << "ended"
                                              << "link" << false;
    QTest::newRow("name of another form") << "ended"
                                          << "badname" << false;
}

void tst_WorkFolder::sweep()
{
    QFETCH(QString, owner);
    QFETCH(QString, form);
    QFETCH(bool, swept);

    const qint64 self = ::getpid();
    const quint64 selfStart = PrivateWorkFolder::processStartTime(self);
    QString tag;
    if (owner == QLatin1String("ended"))
        tag = PrivateWorkFolder::ownerTag(endedProcessId(), 12345);
    else if (owner == QLatin1String("self"))
        tag = PrivateWorkFolder::ownerTag(self, selfStart);
    else
        tag = PrivateWorkFolder::ownerTag(self, selfStart + 1);
    QCOMPARE(PrivateWorkFolder::ownerAlive(self, selfStart), true);

    const QString parent = m_dir->path();
    QString name = PrivateWorkFolder::namePrefix() + tag + QStringLiteral("-AbC123");
    if (form == QLatin1String("badname"))
        name = PrivateWorkFolder::namePrefix() + tag;
    const QString path = parent + QLatin1Char('/') + name;
    const QString target = parent + QStringLiteral("/target");
    QVERIFY(QDir().mkpath(target + QStringLiteral("/texttemp")));
    QVERIFY(QFile(target + QStringLiteral("/texttemp/index.html")).open(QIODevice::WriteOnly));

    if (form == QLatin1String("link")) {
        QVERIFY(QFile::link(target, path));
    } else {
        QVERIFY(QDir().mkpath(path + QStringLiteral("/texttemp/pictures")));
        QVERIFY(QFile(path + QStringLiteral("/texttemp/index.html")).open(QIODevice::WriteOnly));
    }
    if (form == QLatin1String("stranger")) {
        if (::geteuid() != 0)
            QSKIP("Giving a folder to another user needs root");
        QCOMPARE(::lchown(QFile::encodeName(path).constData(), strangerUid, strangerUid), 0);
    }

    QCOMPARE(PrivateWorkFolder::sweep(parent), swept ? 1 : 0);
    QCOMPARE(QFileInfo::exists(path) || QFileInfo(path).isSymLink(), !swept);
    // Whatever the sweep did, it never went through a link.
    QVERIFY(QFileInfo(target + QStringLiteral("/texttemp/index.html")).isFile());
}

QTEST_GUILESS_MAIN(tst_WorkFolder)
#include "tst_workfolder.moc"
