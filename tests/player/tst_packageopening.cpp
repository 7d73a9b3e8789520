// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Opening packages in the player plug-in and quitting it, loaded through
// QPluginLoader: console lines, warning boxes, results, the page and its
// pictures, and the working folder on disk.

#include "playertestsupport.h"

#include <externaltool.h>
#include <rawzip.h>

#include <ikelvaneplayer.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QTextCodec>
#include <QtTest/QSignalSpy>
#include <QtTest/QtTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTextBrowser>

#include <sys/stat.h>
#include <sys/types.h>

namespace {

const QString lectureText = QStringLiteral("Лекция о теплопроводности");
const QColor pictureColour(220, 20, 160);

QByteArray lecturePage(const QString &extraBody = QString())
{
    return cp1251Page(QStringLiteral("<h1>%1</h1>%2").arg(lectureText, extraBody));
}

int modeOf(const QString &path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

bool isRealFolder(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink();
}

} // namespace

class tst_PackageOpening : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void success();
    void failures_data();
    void failures();
    void missingFileChangesNothing();
    void failureKeepsPage();
    void pageIsAlwaysWindows1251_data();
    void pageIsAlwaysWindows1251();
    void startPage_data();
    void startPage();
    void encryptedPackage_data();
    void encryptedPackage();
    void relativePicturesShow();
    void linkedPageOpens();
    void infoZipCyrillicNames();
    void reopeningReplacesFiles();
    void hiddenEntriesDoNotBlockReopening();
    void workingFolderPlacedBySomeoneElse_data();
    void workingFolderPlacedBySomeoneElse();
    void quitRemovesWholeTree();
    void quitWithoutWorkingFolder();
    void quitFailureShowsBoxThenQuits();

private:
    QString savePackage(const QString &fileName, const RawZip &zip);
    bool open(const QString &path, QStringList *lines = nullptr, QList<BoxRecorder::Box> *boxes = nullptr);
    QImage renderedPage();

    QWidget *window() const { return m_harness->window(); }
    QString scratch(const QString &name) const { return m_harness->scratchPath(name); }

    QScopedPointer<PlayerHarness> m_harness; // the window, and a folder for packages and outside targets
    IKelvanePlayer *m_player = nullptr;
    PlayerWidgets m_widgets;
};

void tst_PackageOpening::initTestCase()
{
    QVERIFY(QDir().mkpath(QDir::tempPath()));
}

void tst_PackageOpening::init()
{
    m_harness.reset(new PlayerHarness(QStringLiteral(KELVANE_PLAYER_PLUGIN)));
    QVERIFY(m_harness->start());
    m_player = m_harness->player();
    m_widgets = m_harness->widgets();
}

void tst_PackageOpening::cleanup()
{
    m_harness.reset();
}

QString tst_PackageOpening::savePackage(const QString &fileName, const RawZip &zip)
{
    return m_harness->savePackage(fileName, zip.build().bytes);
}

bool tst_PackageOpening::open(const QString &path, QStringList *lines, QList<BoxRecorder::Box> *boxes)
{
    BoxRecorder recorder;
    StdoutCapture console;
    const bool result = m_player->slOpen(path);
    const QStringList written = console.finish();
    if (lines)
        *lines = written;
    if (boxes)
        *boxes = recorder.boxes();
    return result;
}

QImage tst_PackageOpening::renderedPage()
{
    return m_harness->renderedPage();
}

void tst_PackageOpening::success()
{
    RawZip zip;
    zip.add("index.html", lecturePage()).deflated();
    zip.add("notes/", QByteArray()).folder();
    zip.add("notes/extra.txt", "extra");
    const QString package = savePackage(QStringLiteral("lecture.zip"), zip);

    QStringList lines;
    QList<BoxRecorder::Box> boxes;
    QVERIFY(open(package, &lines, &boxes));
    QCOMPARE(lines, QStringList({"ok5", "ok6", "ok7", "ok8"}));
    QVERIFY(boxes.isEmpty());
    QVERIFY(m_widgets.browser->toPlainText().contains(lectureText));

    // The working folder is new, private, and the current folder.
    const QString folder = workingFolder();
    QVERIFY(isRealFolder(folder));
    QCOMPARE(modeOf(folder), 0700);
    QCOMPARE(QDir::currentPath(), QDir(folder).absolutePath());
    QVERIFY(QFile::exists(folder + QStringLiteral("/notes/extra.txt")));
}

enum Situation {
    NoFileAtPath,
    WorkingFolderIsPlainFile,
    TempFolderMissing,
    FileVanished,
    NotAnArchive,
    FolderAsPackage,
    TruncatedArchive,
    EmptyFile,
    Pipe,
    Device,
    PathTooLong
};

void tst_PackageOpening::failures_data()
{
    QTest::addColumn<int>("situation");
    QTest::addColumn<QStringList>("expectedBoxes"); // "%W": the working folder's path, "%P": the package's
    QTest::addColumn<QStringList>("expectedLines");
    QTest::addColumn<bool>("expectedResult");

    const QStringList failedLines = {"ok5", "ok6"};
    const QStringList notZip = {"%P is not a ZIP archive, so it is not a lecture package."};
    QTest::newRow("no file at the path") << int(NoFileAtPath) << QStringList() << QStringList({"ok5", "ok8"})
                                         << true;
    QTest::newRow("old working folder cannot be removed")
        << int(WorkingFolderIsPlainFile) << QStringList({"please manual remove dir = (%W)"}) << failedLines << false;
    QTest::newRow("working folder cannot be created")
        << int(TempFolderMissing) << QStringList({"cannot create dir texttemp"}) << failedLines << false;
    QTest::newRow("file vanished before unpacking")
        << int(FileVanished) << QStringList({"File does not exist"}) << failedLines << false;
    // One box each, with the cause.
    QTest::newRow("not an archive") << int(NotAnArchive) << notZip << failedLines << false;
    QTest::newRow("an empty file") << int(EmptyFile) << notZip << failedLines << false;
    QTest::newRow("a folder") << int(FolderAsPackage) << QStringList({"%P is a folder, not a lecture package."})
                              << failedLines << false;
    const QStringList notRegular = {
        "%P is not a regular file (it is a device, a pipe or a socket), so it is not a lecture package."};
    QTest::newRow("a pipe") << int(Pipe) << notRegular << failedLines << false;
    QTest::newRow("a device") << int(Device) << notRegular << failedLines << false;
    QTest::newRow("truncated archive")
        << int(TruncatedArchive)
        << QStringList({"The lecture package %P is damaged: Invalid or incompatible zip archive."}) << failedLines
        << false;
    QTest::newRow("path too long") << int(PathTooLong)
                                   << QStringList({"The path of the lecture package is too long for the file "
                                                   "system:\n%P"})
                                   << QStringList({"ok5"}) << false;
}

void tst_PackageOpening::failures()
{
    QFETCH(int, situation);
    QFETCH(QStringList, expectedBoxes);
    QFETCH(QStringList, expectedLines);
    QFETCH(bool, expectedResult);

    RawZip zip;
    zip.add("index.html", lecturePage());
    const QString goodPackage = savePackage(QStringLiteral("good.zip"), zip);
    const QByteArray savedTmpDir = qgetenv("TMPDIR");
    QString path;

    switch (Situation(situation)) {
    case NoFileAtPath:
        path = scratch(QStringLiteral("absent.zip"));
        break;
    case WorkingFolderIsPlainFile:
        QVERIFY(writeFile(workingFolder(), "not a folder"));
        path = goodPackage;
        break;
    case TempFolderMissing:
        qputenv("TMPDIR", QFile::encodeName(scratch(QStringLiteral("no/such/folder"))));
        path = goodPackage;
        break;
    case FileVanished:
        // A relative path names a file in the working folder, the current
        // folder after an opening; clearing the folder takes it away.
        QVERIFY(open(goodPackage));
        QVERIFY(QFile::copy(goodPackage, workingFolder() + QStringLiteral("/again.zip")));
        path = QStringLiteral("again.zip");
        break;
    case NotAnArchive:
        path = scratch(QStringLiteral("notes.txt"));
        QVERIFY(writeFile(path, "just some text, no archive at all"));
        break;
    case FolderAsPackage:
        path = QFileInfo(scratch(QStringLiteral("x"))).path();
        break;
    case EmptyFile:
        path = scratch(QStringLiteral("empty.zip"));
        QVERIFY(writeFile(path, QByteArray()));
        break;
    case Pipe:
        path = scratch(QStringLiteral("pipe.zip"));
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        break;
    case Device:
        path = QStringLiteral("/dev/zero");
        break;
    case PathTooLong:
        path = scratch(QString(300, QLatin1Char('x')) + QStringLiteral(".zip"));
        break;
    case TruncatedArchive: {
        path = scratch(QStringLiteral("cut.zip"));
        const QByteArray bytes = zip.build().bytes;
        QVERIFY(writeFile(path, bytes.left(bytes.size() - 30)));
        break;
    }
    }

    QStringList lines;
    QList<BoxRecorder::Box> boxes;
    const bool result = open(path, &lines, &boxes);
    const QString workPath = workingFolder();
    qputenv("TMPDIR", savedTmpDir);

    QCOMPARE(result, expectedResult);
    QCOMPARE(lines, expectedLines);
    QStringList texts;
    for (const BoxRecorder::Box &box : boxes) {
        texts.append(box.text);
        QCOMPARE(box.title, QStringLiteral("kelvane_player"));
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    expectedBoxes.replaceInStrings(QStringLiteral("%W"), workPath);
    expectedBoxes.replaceInStrings(QStringLiteral("%P"), QFileInfo(path).absoluteFilePath());
    QCOMPARE(texts, expectedBoxes);

    if (situation == WorkingFolderIsPlainFile)
        QVERIFY(QFileInfo(workingFolder()).isFile()); // somebody else's file stays
    if (situation == TempFolderMissing)               // nothing went to the root instead
        QVERIFY(!QFileInfo::exists(QStringLiteral("/texttemp")));
}

void tst_PackageOpening::missingFileChangesNothing()
{
    RawZip zip;
    zip.add("index.html", lecturePage());
    zip.add("kept.txt", "kept");
    QVERIFY(open(savePackage(QStringLiteral("a.zip"), zip)));
    const QString page = m_widgets.browser->toHtml();

    QStringList lines;
    QVERIFY(open(scratch(QStringLiteral("absent.zip")), &lines));
    QCOMPARE(lines, QStringList({"ok5", "ok8"}));
    QCOMPARE(m_widgets.browser->toHtml(), page);
    QVERIFY(QFile::exists(workingFolder() + QStringLiteral("/kept.txt")));
}

void tst_PackageOpening::failureKeepsPage()
{
    RawZip zip;
    zip.add("index.html", lecturePage());
    QVERIFY(open(savePackage(QStringLiteral("a.zip"), zip)));
    const QString page = m_widgets.browser->toHtml();

    const QString broken = scratch(QStringLiteral("broken.zip"));
    QVERIFY(writeFile(broken, "PK but nothing else"));
    QList<BoxRecorder::Box> boxes;
    QVERIFY(!open(broken, nullptr, &boxes));
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(m_widgets.browser->toHtml(), page);
}

void tst_PackageOpening::pageIsAlwaysWindows1251_data()
{
    QTest::addColumn<QByteArray>("declared");
    QTest::newRow("windows-1251") << QByteArray("windows-1251");
    QTest::newRow("utf-8") << QByteArray("utf-8");
    QTest::newRow("koi8-r") << QByteArray("koi8-r");
}

void tst_PackageOpening::pageIsAlwaysWindows1251()
{
    QFETCH(QByteArray, declared);
    RawZip zip;
    zip.add("index.html", cp1251Page(lectureText, declared));
    QVERIFY(open(savePackage(QStringLiteral("a.zip"), zip)));
    QVERIFY(m_widgets.browser->toPlainText().contains(lectureText));
}

void tst_PackageOpening::startPage_data()
{
    QTest::addColumn<QByteArrayList>("names"); // each gets a page naming itself
    QTest::addColumn<QString>("shown");        // the page expected; empty: none, with a box

    const QByteArrayList none;
    QTest::newRow("at the root") << QByteArrayList{"index.html", "pages/index.html"} << "index.html";
    QTest::newRow("root, other case") << QByteArrayList{"INDEX.HTML", "x/index.html"} << "INDEX.HTML";
    QTest::newRow("root, htm") << QByteArrayList{"Index.htm"} << "Index.htm";
    QTest::newRow("html before htm") << QByteArrayList{"index.htm", "index.html"} << "index.html";
    QTest::newRow("exact before other case") << QByteArrayList{"Index.html", "index.html"} << "index.html";
    QTest::newRow("one folder") << QByteArrayList{"readme.txt", "pages/index.html"} << "pages/index.html";
    QTest::newRow("one folder, other case") << QByteArrayList{"Lecture 1/INDEX.HTM", "__MACOSX/x/index.html"}
                                            << "Lecture 1/INDEX.HTM";
    QTest::newRow("one folder of several") << QByteArrayList{"pics/a.txt", "lecture/index.html"}
                                           << "lecture/index.html";
    QTest::newRow("two folders with pages") << QByteArrayList{"a/index.html", "b/index.html"} << QString();
    QTest::newRow("only deeper") << QByteArrayList{"a/b/index.html"} << QString();
    QTest::newRow("no page") << QByteArrayList{"readme.txt", "start.html"} << QString();
    QTest::newRow("empty archive") << none << QString();
}

void tst_PackageOpening::startPage()
{
    QFETCH(QByteArrayList, names);
    QFETCH(QString, shown);

    RawZip first;
    first.add("index.html", lecturePage());
    QVERIFY(open(savePackage(QStringLiteral("first.zip"), first)));
    const QString before = m_widgets.browser->toPlainText();

    RawZip zip;
    for (const QByteArray &name : names)
        zip.add(name, cp1251Page(QStringLiteral("page %1").arg(QString::fromUtf8(name))));
    QStringList lines;
    QList<BoxRecorder::Box> boxes;
    const bool result = open(savePackage(QStringLiteral("package.zip"), zip), &lines, &boxes);
    if (shown.isEmpty()) {
        QVERIFY(!result);
        QCOMPARE(lines, QStringList({"ok5", "ok6"}));
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.at(0).text, QStringLiteral("The package has no start page: there is no index.html in it."));
        QCOMPARE(m_widgets.browser->toPlainText(), before);
    } else {
        QVERIFY(result);
        QCOMPARE(lines, QStringList({"ok5", "ok6", "ok7", "ok8"}));
        QVERIFY(boxes.isEmpty());
        QCOMPARE(m_widgets.browser->toPlainText(), QStringLiteral("page ") + shown);
    }
}

void tst_PackageOpening::encryptedPackage_data()
{
    QTest::addColumn<QStringList>("answers"); // a null string cancels
    QTest::addColumn<int>("prompts");
    QTest::addColumn<bool>("opens");

    QTest::newRow("right password") << QStringList{"geheim"} << 1 << true;
    QTest::newRow("wrong, then right") << QStringList{"wrong", "", "geheim"} << 3 << true;
    QTest::newRow("cancelled") << QStringList{QString()} << 1 << false;
    QTest::newRow("wrong, then cancelled") << QStringList{"wrong", QString()} << 2 << false;
}

void tst_PackageOpening::encryptedPackage()
{
    QFETCH(QStringList, answers);
    QFETCH(int, prompts);
    QFETCH(bool, opens);

    const QColor keyColour(30, 140, 40);
    RawZip zip;
    zip.add("index.html", lecturePage(QStringLiteral("<img src=\"pics/key.png\">"))).encrypted("geheim").deflated();
    zip.add("answers.html", "answers").encrypted("geheim");
    zip.add("pics/key.png", solidPng(QSize(40, 30), keyColour)).encrypted("geheim").deflated();
    zip.add("plain.txt", "not encrypted");
    const QString package = savePackage(QStringLiteral("locked.zip"), zip);

    BoxRecorder recorder;
    recorder.answerPasswords(answers);
    StdoutCapture console;
    const bool result = m_player->slOpen(package);
    const QStringList lines = console.finish();

    const QString first = QStringLiteral("The lecture \"locked.zip\" is protected by a password. Enter the password:");
    const QString again = QStringLiteral("The password is wrong. Enter the password of the lecture \"locked.zip\" again:");
    QStringList expectedPrompts{first};
    while (expectedPrompts.size() < prompts)
        expectedPrompts.append(again);
    QCOMPARE(recorder.passwordPrompts(), expectedPrompts);
    QCOMPARE(result, opens);
    if (opens) {
        QVERIFY(recorder.boxes().isEmpty());
        QCOMPARE(lines, QStringList({"ok5", "ok6", "ok7", "ok8"}));
        QVERIFY(m_widgets.browser->toPlainText().contains(lectureText));
        QVERIFY(QFile::exists(workingFolder() + QStringLiteral("/answers.html")));
        const QImage page = renderedPage();
        QVERIFY2(countPixels(page, keyColour) >= 40 * 30 * 9 / 10, qPrintable(QString::number(countPixels(page, keyColour))));
    } else {
        QCOMPARE(recorder.texts(), QStringList{"The lecture was not opened: it is protected by a password."});
        QCOMPARE(lines, QStringList({"ok5", "ok6"}));
        QVERIFY(!QFile::exists(workingFolder() + QStringLiteral("/answers.html")));
    }
}

void tst_PackageOpening::relativePicturesShow()
{
    RawZip zip;
    zip.add("index.html", lecturePage(QStringLiteral("<p><img src=\"pics/figure.png\"></p>"))).deflated();
    zip.add("pics/figure.png", solidPng(QSize(64, 48), pictureColour));
    QVERIFY(open(savePackage(QStringLiteral("pictures.zip"), zip)));

    const QImage page = renderedPage();
    QVERIFY(!page.isNull());
    QVERIFY2(countPixels(page, pictureColour) >= 64 * 48 * 9 / 10,
             qPrintable(QString::number(countPixels(page, pictureColour))));
    // The pane took the picture from the working folder.
    const QVariant resource = m_widgets.browser->document()->resource(QTextDocument::ImageResource,
                                                                      QUrl(QStringLiteral("pics/figure.png")));
    QVERIFY(resource.isValid());
}

void tst_PackageOpening::linkedPageOpens()
{
    const QString second = QStringLiteral("Задачи для самопроверки");
    RawZip zip;
    zip.add("index.html", lecturePage(QStringLiteral("<a href=\"tasks.html\">next</a>")));
    zip.add("tasks.html", cp1251Page(second));
    QVERIFY(open(savePackage(QStringLiteral("two.zip"), zip)));

    // The link resolves against the folder of the page it is on, and the
    // linked page is decoded as Windows-1251 like the first.
    renderedPage();
    QVERIFY(clickLink(m_widgets.browser, QStringLiteral("next")));
    QVERIFY(m_widgets.browser->toPlainText().contains(second));
}

void tst_PackageOpening::infoZipCyrillicNames()
{
    KELVANE_REQUIRE_TOOL("zip");
    const QColor colour(20, 180, 200);
    const QString source = scratch(QStringLiteral("source"));
    const QString picture = QStringLiteral("рисунки/схема опыта.png");
    QVERIFY(writeFile(source + QStringLiteral("/index.html"),
                      lecturePage(QStringLiteral("<p><img src=\"%1\"></p>").arg(picture))));
    QVERIFY(writeFile(source + QLatin1Char('/') + picture, solidPng(QSize(50, 40), colour)));
    const QString package = scratch(QStringLiteral("infozip.zip"));
    const ToolRun run = runTool(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-r"), package, QStringLiteral(".")}, source);
    QVERIFY2(run.ok(), run.describe(QStringLiteral("zip")).constData());

    QList<BoxRecorder::Box> boxes;
    QVERIFY(open(package, nullptr, &boxes));
    QVERIFY(boxes.isEmpty());
    QVERIFY(QFile::exists(workingFolder() + QLatin1Char('/') + picture));
    const QImage page = renderedPage();
    QVERIFY2(countPixels(page, colour) >= 50 * 40 * 9 / 10, qPrintable(QString::number(countPixels(page, colour))));
}

void tst_PackageOpening::reopeningReplacesFiles()
{
    RawZip first;
    first.add("index.html", lecturePage());
    first.add("only-in-first.txt", "1");
    RawZip second;
    second.add("index.html", cp1251Page(QStringLiteral("Вторая лекция")));
    QVERIFY(open(savePackage(QStringLiteral("1.zip"), first)));
    QVERIFY(open(savePackage(QStringLiteral("2.zip"), second)));
    QVERIFY(!QFile::exists(workingFolder() + QStringLiteral("/only-in-first.txt")));
    QVERIFY(m_widgets.browser->toPlainText().contains(QStringLiteral("Вторая лекция")));
}

void tst_PackageOpening::hiddenEntriesDoNotBlockReopening()
{
    // Packages made on a Mac carry such entries; they are unpacked like the
    // others and must not keep the next opening from clearing the folder.
    RawZip zip;
    zip.add("index.html", lecturePage());
    zip.add(".DS_Store", "finder");
    zip.add("__MACOSX/._index.html", "resource fork");
    const QString package = savePackage(QStringLiteral("mac.zip"), zip);
    QVERIFY(open(package));
    QVERIFY(QFile::exists(workingFolder() + QStringLiteral("/.DS_Store")));

    QList<BoxRecorder::Box> boxes;
    QVERIFY(open(package, nullptr, &boxes));
    QVERIFY(boxes.isEmpty());
}

void tst_PackageOpening::workingFolderPlacedBySomeoneElse_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("link to a folder") << QStringLiteral("folder");
    QTest::newRow("link to a file") << QStringLiteral("file");
    QTest::newRow("dangling link") << QStringLiteral("dangling");
}

void tst_PackageOpening::workingFolderPlacedBySomeoneElse()
{
    QFETCH(QString, kind);
    const QString outsideFolder = scratch(QStringLiteral("victim"));
    const QString outsideFile = outsideFolder + QStringLiteral("/precious.txt");
    QVERIFY(writeFile(outsideFile, "precious"));
    const int folderMode = modeOf(outsideFolder);
    const QString target = kind == QLatin1String("folder") ? outsideFolder
        : kind == QLatin1String("file")                    ? outsideFile
                                                           : scratch(QStringLiteral("nothing"));
    QVERIFY(QFile::link(target, workingFolder()));

    RawZip zip;
    zip.add("index.html", lecturePage());
    zip.add("precious.txt", "overwritten?");
    QList<BoxRecorder::Box> boxes;
    QVERIFY(open(savePackage(QStringLiteral("a.zip"), zip), nullptr, &boxes));
    QVERIFY(boxes.isEmpty());

    // The link is gone, its target untouched; the folder is a new one.
    QVERIFY(isRealFolder(workingFolder()));
    QCOMPARE(modeOf(workingFolder()), 0700);
    QFile precious(outsideFile);
    QVERIFY(precious.open(QIODevice::ReadOnly));
    QCOMPARE(precious.readAll(), QByteArray("precious"));
    QCOMPARE(modeOf(outsideFolder), folderMode);
    QVERIFY(m_widgets.browser->toPlainText().contains(lectureText));
}

void tst_PackageOpening::quitRemovesWholeTree()
{
    RawZip zip;
    zip.add("index.html", lecturePage());
    zip.add("a/b/c/deep.txt", "deep");
    QVERIFY(open(savePackage(QStringLiteral("a.zip"), zip)));

    // Things that only the ZIP reader would never put there.
    const QString folder = workingFolder();
    const QString outsideFolder = scratch(QStringLiteral("outside"));
    const QString outsideFile = scratch(QStringLiteral("outside.txt"));
    QVERIFY(writeFile(outsideFolder + QStringLiteral("/keep.txt"), "keep"));
    QVERIFY(writeFile(outsideFile, "keep too"));
    QVERIFY(writeFile(folder + QStringLiteral("/.DS_Store"), "hidden"));
    QVERIFY(writeFile(folder + QStringLiteral("/__MACOSX/._figure.png"), "hidden"));
    QVERIFY(writeFile(folder + QStringLiteral("/.hidden-folder/file"), "hidden"));
    QVERIFY(QFile::link(outsideFolder, folder + QStringLiteral("/a/link-to-folder")));
    QVERIFY(QFile::link(outsideFile, folder + QStringLiteral("/link-to-file")));
    QVERIFY(QFile::link(scratch(QStringLiteral("gone")), folder + QStringLiteral("/dangling")));
    QCOMPARE(::mkfifo(QFile::encodeName(folder + QStringLiteral("/a/pipe")).constData(), 0600), 0);

    window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(window()));
    QSignalSpy quitSpy(window(), SIGNAL(sgQuit()));
    BoxRecorder boxes;
    QTest::mouseClick(m_widgets.backButton, Qt::LeftButton);

    QCOMPARE(quitSpy.count(), 1);
    QVERIFY(boxes.boxes().isEmpty());
    QVERIFY(!QFileInfo(folder).exists() && !QFileInfo(folder).isSymLink());
    QCOMPARE(QDir::currentPath(), QDir(QDir::tempPath()).absolutePath());
    QVERIFY(QFile::exists(outsideFolder + QStringLiteral("/keep.txt")));
    QVERIFY(QFile::exists(outsideFile));

    // The next opening works as a first one.
    QVERIFY(open(savePackage(QStringLiteral("b.zip"), zip)));
}

void tst_PackageOpening::quitWithoutWorkingFolder()
{
    QVERIFY(!QFileInfo::exists(workingFolder()));
    QSignalSpy quitSpy(window(), SIGNAL(sgQuit()));
    BoxRecorder boxes;
    QTest::mouseClick(m_widgets.backButton, Qt::LeftButton);
    QCOMPARE(quitSpy.count(), 1);
    QVERIFY(boxes.boxes().isEmpty());
    QCOMPARE(QDir::currentPath(), QDir(QDir::tempPath()).absolutePath());
}

void tst_PackageOpening::quitFailureShowsBoxThenQuits()
{
    QVERIFY(writeFile(workingFolder(), "a file where the folder should be"));
    BoxRecorder boxes;
    QVERIFY(connect(window(), SIGNAL(sgQuit()), &boxes, SLOT(mark())));
    QTest::mouseClick(m_widgets.backButton, Qt::LeftButton);
    QCOMPARE(boxes.events(),
             QStringList({QStringLiteral("please manual remove dir = (%1)").arg(workingFolder()), "<signal>"}));
    QCOMPARE(boxes.boxes().at(0).title, QStringLiteral("kelvane_player"));
}

QTEST_MAIN(tst_PackageOpening)
#include "tst_packageopening.moc"
