// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// UnZip: every file and folder an extraction creates lies below the target
// folder: names that climb out, special last components, control characters
// and symbolic links that lead out are refused before anything is created.
#include "debugrecorder.h"
#include "filetree.h"
#include "rawzip.h"
#include "testdevices.h"
#include <kelvanezip/unzip.h>

#include <QtCore/QDebug>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

Q_DECLARE_METATYPE(UnZip::ErrorCode)

namespace {

// A debug line as the debug stream prints a string: in double quotes, with
// control characters escaped.
QString printed(const QString &message)
{
    QString line;
    QDebug(&line) << message;
    return line.trimmed();
}

QString outsideLine(const QByteArray &name)
{
    return printed(QStringLiteral("Refusing entry outside the target folder: %1")
                       .arg(QString::fromLatin1(name.constData(), name.size())));
}

QString controlLine(const QByteArray &name)
{
    return printed(QStringLiteral("Refusing entry with a control character in its name: %1")
                       .arg(QString::fromLatin1(name.constData(), name.size())));
}

} // namespace

class tst_UnZipPaths : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void refusedNames_data();
    void refusedNames();
    void acceptedOddNames_data();
    void acceptedOddNames();
    void windowsNames_data();
    void windowsNames();
    void symbolicLinks_data();
    void symbolicLinks();
    void targetIsALink();
    void veryDeepNames();

private:
    // root/t is the target; root/outside holds a file that must stay as it is.
    QStringList outsideState() const;

    QScopedPointer<QTemporaryDir> m_root;
    QString m_target;
    QStringList m_outsideBefore;
};

QStringList tst_UnZipPaths::outsideState() const
{
    QStringList state;
    for (const QString &path : FileTree::list(m_root->path())) {
        if (!path.startsWith(QLatin1String("t/")))
            state << path + QLatin1Char('=') + QString::fromLatin1(FileTree::read(m_root->filePath(path)).toHex());
    }
    return state;
}

void tst_UnZipPaths::init()
{
    m_root.reset(new QTemporaryDir);
    QVERIFY(m_root->isValid());
    m_target = m_root->filePath(QStringLiteral("t"));
    QVERIFY(QDir().mkpath(m_target + QStringLiteral("/real")));
    QVERIFY(FileTree::write(m_root->filePath(QStringLiteral("outside/keep.txt")), "keep"));
    QVERIFY(FileTree::write(m_root->filePath(QStringLiteral("x.txt")), "root x"));
    m_outsideBefore = outsideState();
}

void tst_UnZipPaths::cleanup()
{
    m_root.reset();
}

void tst_UnZipPaths::refusedNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("options");
    QTest::addColumn<QString>("debugLine");

    const int keep = UnZip::KeepFolders;
    const int drop = UnZip::DropFolders;
    for (const char *name : {"../x.txt", "a/../../x.txt", "a/b/../../../x.txt", "/../x.txt", "//../x.txt",
                             "/./../x.txt", "/../../../../../../../../../tmp/x.txt", "./../x.txt", "..", ".", "/..", "/.",
                             "a/..", "a/.", "a/b/..", "../", "../evil/", "a/../../evil/", "/../", "/../evil/",
                             "//../evil/", "./../evil/"}) {
        QTest::addRow("%s", name) << QByteArray(name) << keep << outsideLine(name);
    }
    // Backslashes from an MS-DOS host (the builder's default) separate folders.
    for (const char *name : {"..\\x.txt", "a\\..\\..\\x.txt", "\\..\\x.txt", "..\\evil\\", "..\\"})
        QTest::addRow("%s", name) << QByteArray(name) << keep << outsideLine(name);
    QTest::newRow("drop: a/..") << QByteArray("a/..") << drop << outsideLine("a/..");
    QTest::newRow("drop: ..") << QByteArray("..") << drop << outsideLine("..");

    for (const QByteArray &name : {QByteArray("a\001b.txt"), QByteArray("nul\0.txt", 8), QByteArray("del\177.txt"),
                                   QByteArray("dir\037/x.txt"), QByteArray("tab\t.txt"), QByteArray("new\nline"),
                                   QByteArray("ctl\002/"), QByteArray("../\001/")}) {
        QTest::addRow("control %s", name.toHex().constData()) << name << keep << controlLine(name);
    }
    QTest::newRow("drop: control in folder part") << QByteArray("a\x01/x.txt") << drop
                                                  << controlLine("a\x01/x.txt");
}

void tst_UnZipPaths::refusedNames()
{
    QFETCH(QByteArray, name);
    QFETCH(int, options);
    QFETCH(QString, debugLine);
    const bool folder = name.endsWith('/') || name.endsWith('\\');

    RawZip zip;
    zip.add(name, folder ? QByteArray() : QByteArray("payload"));
    zip.add("z-after.txt", "after");
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    const QString entry = reader.fileList().first();
    QCOMPARE(entry.toLatin1(), name);

    DebugRecorder debug;
    const UnZip::ErrorCode refused = folder ? UnZip::DirectoryCreationFailed : UnZip::FileOpenFailed;
    QCOMPARE(reader.extractFile(entry, m_target, UnZip::ExtractionOptions(options)), refused);
    QCOMPARE(debug.take(), QStringList{debugLine});
    QCOMPARE(outsideState(), m_outsideBefore);
    QCOMPARE(FileTree::list(m_target), QStringList{QStringLiteral("real/")});

    // extractAll refuses it and goes on with the next entry.
    QCOMPARE(reader.extractAll(m_target, UnZip::ExtractionOptions(options)), UnZip::Success);
    QCOMPARE(debug.take(), QStringList{debugLine});
    QCOMPARE(outsideState(), m_outsideBefore);
    QCOMPARE(FileTree::list(m_target), (QStringList{"real/", "z-after.txt"}));
    QVERIFY(reader.contains(entry));
}

void tst_UnZipPaths::acceptedOddNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("options");
    QTest::addColumn<QString>("written");

    const int keep = UnZip::KeepFolders;
    QTest::newRow("a/./b.txt") << QByteArray("a/./b.txt") << keep << "a/b.txt";
    QTest::newRow("a/b/../c.txt") << QByteArray("a/b/../c.txt") << keep << "a/c.txt";
    QTest::newRow("./x.txt") << QByteArray("./x.txt") << keep << "x.txt";
    QTest::newRow("a/./../x.txt") << QByteArray("a/./../x.txt") << keep << "x.txt";
    QTest::newRow("..x") << QByteArray("..x") << keep << "..x";
    QTest::newRow("...") << QByteArray("...") << keep << "...";
    QTest::newRow("a/..b/c..") << QByteArray("a/..b/c..") << keep << "a/..b/c..";
    QTest::newRow("/x.txt") << QByteArray("/x.txt") << keep << "x.txt";
    QTest::newRow("//x.txt") << QByteArray("//x.txt") << keep << "x.txt";
    QTest::newRow("./") << QByteArray("./") << keep << "";
    QTest::newRow("a/../") << QByteArray("a/../") << keep << "";
    QTest::newRow("drop: ../../x.txt") << QByteArray("../../x.txt") << int(UnZip::DropFolders) << "x.txt";
    QTest::newRow("drop: /../x.txt") << QByteArray("/../x.txt") << int(UnZip::DropFolders) << "x.txt";
    QTest::newRow("non-ascii") << QString::fromUtf8("Лекция/страница.html").toUtf8() << keep
                               << QString::fromUtf8("Лекция/страница.html");
}

void tst_UnZipPaths::acceptedOddNames()
{
    QFETCH(QByteArray, name);
    QFETCH(int, options);
    QFETCH(QString, written);
    const bool folder = name.endsWith('/');

    RawZip zip;
    zip.add(name, folder ? QByteArray() : QByteArray("payload"));
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    DebugRecorder debug;
    QCOMPARE(reader.extractFile(reader.fileList().first(), m_target, UnZip::ExtractionOptions(options)),
             UnZip::Success);
    QVERIFY(debug.lines().isEmpty());
    QCOMPARE(outsideState(), m_outsideBefore);
    if (!written.isEmpty())
        QCOMPARE(FileTree::read(m_target + QLatin1Char('/') + written), QByteArray("payload"));
}

void tst_UnZipPaths::windowsNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("host");           // high byte of "version made by"
    QTest::addColumn<quint32>("attributes"); // external attributes
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("child"); // a second entry, when not empty
    QTest::addColumn<bool>("folder");      // listed as a folder
    QTest::addColumn<QStringList>("tree"); // what extractAll writes

    const QByteArray data = "payload";
    const QStringList picture{"img/", "img/pic.png"};
    QTest::newRow("ms-dos host") << QByteArray("img\\pic.png") << 0 << 0u << data << QByteArray() << false
                                 << picture;
    QTest::newRow("os/2 host") << QByteArray("img\\pic.png") << 6 << 0u << data << QByteArray() << false << picture;
    QTest::newRow("ntfs host") << QByteArray("img\\pic.png") << 10 << 0u << data << QByteArray() << false
                               << picture;
    QTest::newRow("vfat host") << QByteArray("img\\pic.png") << 14 << 0u << data << QByteArray() << false
                               << picture;
    QTest::newRow("deeper, ntfs host") << QByteArray("a\\b\\..\\c\\d.txt") << 10 << 0u << data << QByteArray()
                                       << false << QStringList{"a/", "a/c/", "a/c/d.txt"};
    QTest::newRow("unix host keeps the backslash") << QByteArray("img\\pic.png") << 3 << 0u << data << QByteArray()
                                                   << false << QStringList{"img\\pic.png"};
    QTest::newRow("macos host keeps the backslash") << QByteArray("img\\pic.png") << 19 << 0u << data
                                                    << QByteArray() << false << QStringList{"img\\pic.png"};
    QTest::newRow("forward slash too: backslash kept") << QByteArray("a/b\\c.txt") << 0 << 0u << data << QByteArray()
                                                       << false << QStringList{"a/", "a/b\\c.txt"};
    QTest::newRow("backslash folder") << QByteArray("old\\") << 0 << 0u << QByteArray() << QByteArray("old\\pic2.png")
                                      << true << QStringList{"old/", "old/pic2.png"};
    // A folder marked only by the MS-DOS directory attribute.
    QTest::newRow("directory attribute") << QByteArray("def") << 0 << 0x10u << QByteArray() << QByteArray("def/foo")
                                         << true << QStringList{"def/", "def/foo"};
    QTest::newRow("directory attribute, ntfs host") << QByteArray("def") << 10 << 0x30u << QByteArray()
                                                    << QByteArray() << true << QStringList{"def/"};
    QTest::newRow("directory attribute, unix host without mode")
        << QByteArray("def") << 3 << 0x10u << QByteArray() << QByteArray() << true << QStringList{"def/"};
    QTest::newRow("directory attribute under a unix file mode")
        << QByteArray("def") << 3 << 0x81a40010u << QByteArray() << QByteArray() << false << QStringList{"def"};
    QTest::newRow("directory attribute with data") << QByteArray("def") << 0 << 0x10u << data << QByteArray()
                                                   << false << QStringList{"def"};
    QTest::newRow("other attributes") << QByteArray("def") << 0 << 0x27u << QByteArray() << QByteArray() << false
                                      << QStringList{"def"};
}

void tst_UnZipPaths::windowsNames()
{
    QFETCH(QByteArray, name);
    QFETCH(int, host);
    QFETCH(quint32, attributes);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, child);
    QFETCH(bool, folder);
    QFETCH(QStringList, tree);

    RawZip zip;
    RawZip::Entry &e = zip.add(name, content).madeBy(quint8(host));
    e.externalAttributes = attributes;
    if (!child.isEmpty())
        zip.add(child, "child").madeBy(quint8(host));
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    // The listing keeps the stored name.
    const QString stored = QString::fromLatin1(name);
    QCOMPARE(reader.fileList().first(), stored);
    QCOMPARE(reader.entryList().first().type, folder ? UnZip::Directory : UnZip::File);

    DebugRecorder debug;
    QCOMPARE(reader.extractAll(m_target), UnZip::Success);
    QVERIFY2(debug.lines().isEmpty(), qPrintable(debug.lines().join(QLatin1Char('\n'))));
    tree.prepend(QStringLiteral("real/"));
    tree.sort();
    QCOMPARE(FileTree::list(m_target), tree);
    QCOMPARE(outsideState(), m_outsideBefore);
    for (const QString &path : tree) {
        if (path.endsWith(QLatin1Char('/')))
            continue;
        const QByteArray written = FileTree::read(m_target + QLatin1Char('/') + path);
        QVERIFY2(written == content || (!child.isEmpty() && written == "child"), qPrintable(path));
    }
}

void tst_UnZipPaths::symbolicLinks_data()
{
    QTest::addColumn<QString>("link");       // below the target
    QTest::addColumn<QString>("linkTarget"); // relative to the link's folder, or absolute below root ("@/...")
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("options");
    QTest::addColumn<UnZip::ErrorCode>("expected");
    QTest::addColumn<QString>("written"); // below root, for an accepted entry

    const int keep = UnZip::KeepFolders;
    const UnZip::ErrorCode file = UnZip::FileOpenFailed;
    const UnZip::ErrorCode folder = UnZip::DirectoryCreationFailed;
    QTest::newRow("folder link out, file") << "out"
                                           << "@/outside" << QByteArray("out/x.txt") << keep << file << "";
    QTest::newRow("folder link out, new folder") << "out"
                                                 << "@/outside" << QByteArray("out/sub/") << keep
                                                 << folder << "";
    QTest::newRow("folder link out, file in new folder") << "out"
                                                         << "@/outside" << QByteArray("out/sub/x.txt")
                                                         << keep << file << "";
    QTest::newRow("folder link out, overwrite") << "out"
                                                << "@/outside" << QByteArray("out/keep.txt") << keep
                                                << file << "";
    QTest::newRow("folder link out, dropped folders") << "out"
                                                      << "@/outside" << QByteArray("out/x.txt")
                                                      << int(UnZip::DropFolders) << UnZip::Success << "t/x.txt";
    QTest::newRow("link to parent") << "up"
                                    << ".." << QByteArray("up/x.txt") << keep << file << "";
    QTest::newRow("nested link out") << "a/b"
                                     << "@/outside" << QByteArray("a/b/c/d.txt") << keep << file << "";
    QTest::newRow("chain out") << "l1"
                               << "l2" << QByteArray("l1/x.txt") << keep << file << "";
    // Links deep below the target, past the levels looked up by whole path.
    const QString deep = QStringLiteral("d/").repeated(20);
    QTest::newRow("deep link out") << deep + QStringLiteral("out") << "@/outside"
                                   << (deep + QStringLiteral("out/x.txt")).toLatin1() << keep << file << "";
    QTest::newRow("deep link out, below it") << deep + QStringLiteral("out") << "@/outside"
                                             << (deep + QStringLiteral("out/a/b/x.txt")).toLatin1() << keep
                                             << file << "";
    QTest::newRow("deep link inside") << deep + QStringLiteral("in") << "@/t/real"
                                      << (deep + QStringLiteral("in/x.txt")).toLatin1() << keep
                                      << UnZip::Success << "t/real/x.txt";
    QTest::newRow("file link out") << "f.txt"
                                   << "@/outside/keep.txt" << QByteArray("f.txt") << keep << file << "";
    QTest::newRow("file link out, nested") << "a/f.txt"
                                           << "@/outside/keep.txt" << QByteArray("a/f.txt") << keep
                                           << file << "";
    QTest::newRow("dangling file link") << "d.txt"
                                        << "@/nowhere.txt" << QByteArray("d.txt") << keep << file << "";
    QTest::newRow("dangling folder link") << "dl"
                                          << "@/nowhere" << QByteArray("dl/x.txt") << keep << file << "";
    QTest::newRow("dangling folder link, folder") << "dl"
                                                  << "@/nowhere" << QByteArray("dl/") << keep << folder
                                                  << "";
    QTest::newRow("dangling link inside") << "dd.txt"
                                          << "missing-inside.txt" << QByteArray("dd.txt") << keep
                                          << file << "";
    QTest::newRow("relative link inside") << "in"
                                          << "real" << QByteArray("in/x.txt") << keep << UnZip::Success
                                          << "t/real/x.txt";
    QTest::newRow("absolute link inside") << "abs"
                                          << "@/t/real" << QByteArray("abs/sub/x.txt") << keep
                                          << UnZip::Success << "t/real/sub/x.txt";
    QTest::newRow("file link inside") << "fi.txt"
                                      << "real/target.txt" << QByteArray("fi.txt") << keep
                                      << UnZip::Success << "t/real/target.txt";
}

void tst_UnZipPaths::symbolicLinks()
{
    QFETCH(QString, link);
    QFETCH(QString, linkTarget);
    QFETCH(QByteArray, name);
    QFETCH(int, options);
    QFETCH(UnZip::ErrorCode, expected);
    QFETCH(QString, written);

    QVERIFY(FileTree::write(m_target + QStringLiteral("/real/target.txt"), "old"));
    const QString linkPath = m_target + QLatin1Char('/') + link;
    QVERIFY(QDir().mkpath(QFileInfo(linkPath).absolutePath()));
    QString pointsTo = linkTarget;
    if (pointsTo.startsWith(QLatin1Char('@')))
        pointsTo = m_root->path() + pointsTo.mid(1);
    QVERIFY(QFile::link(pointsTo, linkPath));
    if (link == QLatin1String("l1"))
        QVERIFY(QFile::link(m_root->path() + QStringLiteral("/outside"), m_target + QStringLiteral("/l2")));
    m_outsideBefore = outsideState();

    const bool folder = name.endsWith('/');
    RawZip zip;
    zip.add(name, folder ? QByteArray() : QByteArray("payload"));
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    DebugRecorder debug;
    QCOMPARE(reader.extractFile(QString::fromLatin1(name), m_target, UnZip::ExtractionOptions(options)),
             expected);
    QCOMPARE(outsideState(), m_outsideBefore);
    QVERIFY(!QFileInfo::exists(m_root->filePath(QStringLiteral("nowhere.txt"))));
    QVERIFY(!QFileInfo::exists(m_root->filePath(QStringLiteral("nowhere"))));
    if (expected == UnZip::Success) {
        QVERIFY(debug.lines().isEmpty());
        QCOMPARE(FileTree::read(m_root->filePath(written)), QByteArray("payload"));
    } else {
        QCOMPARE(debug.lines(), QStringList{outsideLine(name)});
        QVERIFY(QFileInfo(linkPath).isSymLink());
        QCOMPARE(FileTree::read(m_target + QStringLiteral("/real/target.txt")), QByteArray("old"));
    }
}

void tst_UnZipPaths::targetIsALink()
{
    const QString linked = m_root->filePath(QStringLiteral("linked-target"));
    QVERIFY(QFile::link(m_target, linked));
    RawZip zip;
    zip.add("x.txt", "x");
    zip.add("d/y.txt", "y");
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    DebugRecorder debug;
    QCOMPARE(reader.extractAll(linked), UnZip::Success);
    QVERIFY(debug.lines().isEmpty());
    QCOMPARE(FileTree::list(m_target), (QStringList{"d/", "d/y.txt", "real/", "x.txt"}));
}

void tst_UnZipPaths::veryDeepNames()
{
    // A name of 30000 levels cannot be named by the system: it is refused at
    // once, without making a single folder. A name of 300 levels fits and is
    // made level by level.
    QVERIFY(FileTree::write(m_target + QStringLiteral("/a/a"), "blocks"));
    QByteArray deep;
    for (int i = 0; i < 30000; ++i)
        deep += "a/";
    QByteArray moderate;
    for (int i = 0; i < 300; ++i)
        moderate += "b/";
    RawZip zip;
    zip.add(deep + "x.txt", "deep");
    zip.add(deep, QByteArray());
    zip.add(moderate + "x.txt", "moderate");
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    DebugRecorder debug;
    QCOMPARE(reader.extractFile(QString::fromLatin1(deep + "x.txt"), m_target), UnZip::FileOpenFailed);
    QCOMPARE(debug.take(), QStringList{printed(QStringLiteral("Refusing entry whose path is too long: %1").arg(QString::fromLatin1(deep + "x.txt")))});
    QCOMPARE(reader.extractFile(QString::fromLatin1(deep), m_target), UnZip::DirectoryCreationFailed);
    QCOMPARE(debug.take().size(), 1);
    QCOMPARE(FileTree::list(m_target), (QStringList{"a/", "a/a", "real/"}));
    QCOMPARE(reader.extractFile(QString::fromLatin1(moderate + "x.txt"), m_target), UnZip::Success);
    QCOMPARE(FileTree::read(m_target + QLatin1Char('/') + QString::fromLatin1(moderate + "x.txt")),
             QByteArray("moderate"));
    QCOMPARE(outsideState(), m_outsideBefore);
}

QTEST_GUILESS_MAIN(tst_UnZipPaths)
#include "tst_unzippaths.moc"
