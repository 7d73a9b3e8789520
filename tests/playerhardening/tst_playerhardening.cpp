// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The player with packages whose extraction fails half-way, and with a
// working folder "texttemp" that someone else put in the temporary folder
// first (a link to a folder, to a file, to the temporary folder itself, a
// dangling link, a plain file). Nothing outside the working folder may
// change, the working folder must stay removable, and the next opening must
// work.

#include "fuzzsupport.h"
#include "playertestsupport.h"

#include <rawzip.h>

#include <ikelvaneplayer.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QPluginLoader>
#include <QtCore/QPointer>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>
#include <QtWidgets/QTextBrowser>

#include <sys/stat.h>

namespace {

bool existsNoFollow(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

bool isRealFolder(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink();
}

// What lies in the temporary folder apart from the working folder.
QMap<QString, FuzzSupport::Node> outsideWorkingFolder()
{
    return FuzzSupport::snapshot(QDir::tempPath(), QStringLiteral("texttemp"));
}

QByteArray page(const QByteArray &marker)
{
    return "<html><body><p>" + marker + "</p></body></html>";
}

} // namespace

class TestPlayerHardening : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void failedHalfwayThenReopen();
    void unreadablePackageThenReopen();
    void workingFolderPlacedBefore_data();
    void workingFolderPlacedBefore();

private:
    bool open(const QString &path, QStringList *boxTexts = nullptr);
    QStringList quit();
    QString save(const QString &name, const QByteArray &bytes);
    QString browserText() const { return m_widgets.browser->toPlainText(); }

    QPluginLoader m_loader{QStringLiteral(KELVANE_PLAYER_PLUGIN)};
    QPointer<QObject> m_window;
    IKelvanePlayer *m_player = nullptr;
    PlayerWidgets m_widgets;
    QScopedPointer<QTemporaryDir> m_tempFolder; // TMPDIR while the test runs
    QScopedPointer<QTemporaryDir> m_scratch;    // packages and the sentinel layout
};

void TestPlayerHardening::initTestCase()
{
    // A private temporary folder for the whole test: the player's working
    // folder goes there, and everything else in it is watched.
    m_tempFolder.reset(new QTemporaryDir);
    QVERIFY(m_tempFolder->isValid());
    qputenv("TMPDIR", QFile::encodeName(m_tempFolder->path()));
    QCOMPARE(QDir::tempPath(), m_tempFolder->path());
    QVERIFY2(m_loader.load(), qPrintable(m_loader.errorString()));
}

void TestPlayerHardening::init()
{
    m_scratch.reset(new QTemporaryDir(QDir::tempPath() + QStringLiteral("/scratch-XXXXXX")));
    QVERIFY(m_scratch->isValid());
    QDir().mkpath(m_scratch->filePath(QStringLiteral("victim/folder")));
    QVERIFY(writeFile(m_scratch->filePath(QStringLiteral("victim/precious.txt")), "precious"));
    QVERIFY(writeFile(m_scratch->filePath(QStringLiteral("victim/.hidden")), "hidden"));
    QVERIFY(writeFile(m_scratch->filePath(QStringLiteral("victim/folder/nested.txt")), "nested"));
    StdoutCapture console;
    m_window = m_loader.instance();
    console.finish();
    QVERIFY(m_window);
    m_player = qobject_cast<IKelvanePlayer *>(m_window.data());
    QVERIFY(m_player);
    m_widgets = PlayerWidgets::of(qobject_cast<QWidget *>(m_window.data()));
    QVERIFY(m_widgets.complete());
}

void TestPlayerHardening::cleanup()
{
    delete m_window;
    QDir::setCurrent(QDir::tempPath());
    const QString folder = workingFolder();
    FuzzSupport::removeTree(folder);
    m_scratch.reset();
}

bool TestPlayerHardening::open(const QString &path, QStringList *boxTexts)
{
    BoxRecorder recorder;
    StdoutCapture console;
    const bool result = m_player->slOpen(path);
    console.finish();
    if (boxTexts)
        *boxTexts = recorder.texts();
    return result;
}

QStringList TestPlayerHardening::quit()
{
    BoxRecorder recorder;
    QMetaObject::invokeMethod(m_window, "slQuit", Qt::DirectConnection);
    return recorder.texts();
}

QString TestPlayerHardening::save(const QString &name, const QByteArray &bytes)
{
    const QString path = m_scratch->filePath(name);
    return writeFile(path, bytes) ? path : QString();
}

void TestPlayerHardening::failedHalfwayThenReopen()
{
    // Good entries, then entries that fail in every way the reader knows,
    // after some of them made folders: the working folder is left half full.
    RawZip broken;
    broken.add("index.html", page("first"));
    broken.add("a-blocker", "a file where a folder is wanted");
    broken.add("a-blocker/x.txt", "cannot be written");
    broken.add(QByteArray("deep/").repeated(300) + "leaf.txt", "deep");
    broken.add(".hidden", "dot-file");
    broken.add(".dotfolder/");
    broken.add("../escape.txt", "refused");
    broken.add("made/folder/then-corrupt.txt", QByteArray("data ").repeated(50)).deflated().central.crc = 1;
    broken.entry(broken.count() - 1).local.crc = 1;
    broken.add("z-last.txt", QByteArray("bomb").repeated(1000)).deflated().central.uncompressedSize = 10;
    broken.entry(broken.count() - 1).local.uncompressedSize = 10;
    const QString first = save(QStringLiteral("broken.zip"), broken.build().bytes);

    RawZip good;
    good.add("index.html", page("second"));
    good.add("pictures/p.txt", "picture");
    const QString second = save(QStringLiteral("good.zip"), good.build().bytes);

    const auto before = outsideWorkingFolder();
    QStringList boxes;
    QVERIFY(open(first, &boxes));
    // The page is shown, and one box names what could not be unpacked.
    QCOMPARE(boxes, QStringList{QStringLiteral("Files of the lecture that could not be unpacked (4):\n"
                                               "../escape.txt\na-blocker/x.txt\n"
                                               "made/folder/then-corrupt.txt\nz-last.txt")});
    QVERIFY(browserText().contains(QLatin1String("first")));
    const QString folder = workingFolder();
    QVERIFY(existsNoFollow(folder + QStringLiteral("/.hidden")));
    QVERIFY(existsNoFollow(folder + QStringLiteral("/made/folder")));
    QVERIFY(!existsNoFollow(folder + QStringLiteral("/made/folder/then-corrupt.txt")));
    QVERIFY(!existsNoFollow(folder + QStringLiteral("/z-last.txt")));
    QCOMPARE(FuzzSupport::differences(before, outsideWorkingFolder()), QString());

    // The next opening clears all of it, dot-files and deep folders too.
    QVERIFY(open(second, &boxes));
    QCOMPARE(boxes, QStringList());
    QVERIFY(browserText().contains(QLatin1String("second")));
    QStringList left = FuzzSupport::snapshot(folder).keys();
    QCOMPARE(left, QStringList({"index.html", "pictures", "pictures/p.txt"}));
    QCOMPARE(FuzzSupport::differences(before, outsideWorkingFolder()), QString());

    // And so does quitting, after a half-failed opening once more.
    QVERIFY(open(first, &boxes));
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(quit(), QStringList());
    QVERIFY(!existsNoFollow(folder));
    QCOMPARE(FuzzSupport::differences(before, outsideWorkingFolder()), QString());
}

void TestPlayerHardening::unreadablePackageThenReopen()
{
    RawZip good;
    good.add("index.html", page("readable"));
    const QByteArray bytes = good.build().bytes;
    const QString truncated = save(QStringLiteral("truncated.zip"), bytes.left(bytes.size() - 10));
    const QString whole = save(QStringLiteral("whole.zip"), bytes);

    QStringList boxes;
    QVERIFY(!open(truncated, &boxes));
    QCOMPARE(boxes, QStringList({QStringLiteral("The lecture package %1 is damaged: Invalid or incompatible zip "
                                                "archive.")
                                     .arg(truncated)}));
    // Refused before anything was written.
    QVERIFY(!existsNoFollow(workingFolder()));
    QVERIFY(open(whole, &boxes));
    QCOMPARE(boxes, QStringList());
    QVERIFY(browserText().contains(QLatin1String("readable")));
}

void TestPlayerHardening::workingFolderPlacedBefore_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("opens");

    QTest::newRow("link to a folder") << QStringLiteral("folder") << true;
    QTest::newRow("link to a file") << QStringLiteral("file") << true;
    QTest::newRow("link to the temporary folder") << QStringLiteral("tmp") << true;
    QTest::newRow("relative link to a folder") << QStringLiteral("relative") << true;
    QTest::newRow("dangling link") << QStringLiteral("dangling") << true;
    // A plain file cannot be removed as a folder: the opening stops, and the
    // file stays as it was.
    QTest::newRow("plain file") << QStringLiteral("plain") << false;
    QTest::newRow("folder holding links out") << QStringLiteral("links") << true;
}

void TestPlayerHardening::workingFolderPlacedBefore()
{
    QFETCH(QString, kind);
    QFETCH(bool, opens);

    const QString folder = workingFolder();
    const QString victim = m_scratch->filePath(QStringLiteral("victim"));
    if (kind == QLatin1String("folder"))
        QVERIFY(QFile::link(victim, folder));
    else if (kind == QLatin1String("file"))
        QVERIFY(QFile::link(victim + QStringLiteral("/precious.txt"), folder));
    else if (kind == QLatin1String("tmp"))
        QVERIFY(QFile::link(QDir::tempPath(), folder));
    else if (kind == QLatin1String("relative"))
        QVERIFY(QFile::link(QDir(QDir::tempPath()).relativeFilePath(victim), folder));
    else if (kind == QLatin1String("dangling"))
        QVERIFY(QFile::link(m_scratch->filePath(QStringLiteral("nothing")), folder));
    else if (kind == QLatin1String("plain"))
        QVERIFY(writeFile(folder, "someone else's file"));
    else if (kind == QLatin1String("links")) {
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/sub")));
        QVERIFY(QFile::link(victim, folder + QStringLiteral("/sub/to-folder")));
        QVERIFY(QFile::link(victim + QStringLiteral("/precious.txt"), folder + QStringLiteral("/to-file")));
        QVERIFY(QFile::link(QStringLiteral(".."), folder + QStringLiteral("/up")));
    }
    RawZip zip;
    zip.add("index.html", page("lecture"));
    zip.add("precious.txt", "overwritten?");
    zip.add("folder/nested.txt", "overwritten?");
    const QString package = save(QStringLiteral("lecture.zip"), zip.build().bytes);
    // The package itself is new outside the working folder.
    const auto withPackage = outsideWorkingFolder();

    QStringList boxes;
    QCOMPARE(open(package, &boxes), opens);
    QCOMPARE(FuzzSupport::differences(withPackage, outsideWorkingFolder()), QString());
    if (opens) {
        QCOMPARE(boxes, QStringList());
        QVERIFY(isRealFolder(folder));
        QVERIFY(browserText().contains(QLatin1String("lecture")));
        QCOMPARE(quit(), QStringList());
        QVERIFY(!existsNoFollow(folder));
    } else {
        QCOMPARE(boxes, QStringList{QStringLiteral("please manual remove dir = (%1)").arg(folder)});
        QFile file(folder);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("someone else's file"));
    }
    QCOMPARE(FuzzSupport::differences(withPackage, outsideWorkingFolder()), QString());
}

QTEST_MAIN(TestPlayerHardening)
#include "tst_playerhardening.moc"
