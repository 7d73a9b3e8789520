// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// kelvane-viewer run as a separate process on the offscreen platform: the
// sample lecture rendered into a screenshot, and the error paths with their
// messages and exit codes.

#include "authoringcourse.h"
#include "lecturefixture.h"
#include "playertestsupport.h"

#include <externaltool.h>
#include <rawzip.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <csignal>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct ViewerRun
{
    int exitCode = -1;
    QStringList output;
    QString errors;
};

// The environment of a viewer: offscreen, in a UTF-8 locale, with settings
// in `folder`, and TMPDIR as given (unset when empty).
QProcessEnvironment viewerEnvironment(const QString &folder, const QString &tmpDir)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/config"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    if (tmpDir.isEmpty())
        environment.remove(QStringLiteral("TMPDIR"));
    else
        environment.insert(QStringLiteral("TMPDIR"), tmpDir);
    return environment;
}

ViewerRun runViewer(const QStringList &arguments, const QString &folder, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KELVANE_VIEWER), arguments);
    ViewerRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromLocal8Bit(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    run.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// Runs the viewer in `folder`, which is also its temporary folder unless
// another one is given.
ViewerRun runViewer(const QStringList &arguments, const QString &folder, const QString &tmpDir = QString())
{
    return runViewer(arguments, folder, viewerEnvironment(folder, tmpDir.isEmpty() ? folder : tmpDir));
}

// A viewer showing its window, for the tests that need it running while
// something else happens. Started through `launcher` (setpriv) when given.
class RunningViewer
{
public:
    RunningViewer(const QString &package, const QProcessEnvironment &environment,
                  const QStringList &launcher = QStringList(), const QString &viewer = QStringLiteral(KELVANE_VIEWER))
    {
        m_process.setProcessEnvironment(environment);
        QStringList arguments = launcher;
        arguments << viewer << package;
        m_process.start(arguments.takeFirst(), arguments);
    }
    ~RunningViewer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    // True once the package is shown (the player's last progress line);
    // otherwise errors() tells what the viewer said.
    bool waitUntilOpen()
    {
        while (!m_output.contains("ok8\n")) {
            if (!m_process.waitForReadyRead(30000)) {
                m_process.waitForFinished(1000);
                m_errors = QString::fromLocal8Bit(m_process.readAllStandardError());
                return false;
            }
            m_output += m_process.readAllStandardOutput();
        }
        return true;
    }
    qint64 pid() const { return m_process.processId(); }
    // The process's current folder: the player's working folder.
    QString currentFolder() const
    {
        return QFileInfo(QStringLiteral("/proc/%1/cwd").arg(pid())).symLinkTarget();
    }
    // The viewer's private folder, the parent of the player's working folder.
    QString privateFolder() const { return QFileInfo(currentFolder()).absolutePath(); }

    // Sends the signal and waits; the signal that ended the process, 0 for
    // a normal exit.
    int stop(int signalNumber)
    {
        ::kill(pid_t(pid()), signalNumber);
        if (!m_process.waitForFinished(30000))
            return -1;
        m_errors = QString::fromLocal8Bit(m_process.readAllStandardError());
        return m_process.exitStatus() == QProcess::CrashExit ? m_process.exitCode() : 0;
    }
    QString errors() const { return m_errors; }

private:
    QProcess m_process;
    QByteArray m_output;
    QString m_errors;
};

// What a second user needs to run a viewer, in a fresh folder of the system
// temporary folder that every user can enter, wherever the build tree is (a
// home folder of mode 0700 shuts other users out): the viewer installed
// there, the package, and a copy of the leak checker's suppression file that
// a sanitizer build names in LSAN_OPTIONS.
class SecondUserFiles
{
public:
    explicit SecondUserFiles(uint uid)
        : m_dir(QStringLiteral("/tmp/kelvane-second-user-XXXXXX"))
        , m_uid(uid)
    {
    }

    // Installs the build and copies `package`; false with error() on failure.
    bool prepare(const QString &package, QProcessEnvironment *environment)
    {
        if (!m_dir.isValid() || ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755) != 0)
            return fail(QStringLiteral("no shared folder in /tmp"));
        const ToolRun install = runTool(QStringLiteral(KELVANE_CMAKE),
                                        {QStringLiteral("--install"), QStringLiteral(KELVANE_BINARY_DIR),
                                         QStringLiteral("--prefix"), m_dir.filePath(QStringLiteral("prefix"))},
                                        m_dir.path());
        if (!install.ok())
            return fail(QString::fromLocal8Bit(install.describe(QStringLiteral("cmake --install"))));
        m_package = m_dir.filePath(QFileInfo(package).fileName());
        if (!QFile::copy(package, m_package))
            return fail(QStringLiteral("cannot copy ") + package);
        // Settings and home of the other user's own.
        const QString home = m_dir.filePath(QStringLiteral("home"));
        if (!QDir().mkpath(home) || ::chown(QFile::encodeName(home).constData(), m_uid, m_uid) != 0)
            return fail(QStringLiteral("cannot make ") + home);
        environment->insert(QStringLiteral("HOME"), home);
        environment->insert(QStringLiteral("XDG_CONFIG_HOME"), home);
        return copySuppressions(environment);
    }

    QString viewer() const { return m_dir.filePath(QStringLiteral("prefix/" KELVANE_INSTALL_BINDIR "/kelvane-viewer")); }
    QString package() const { return m_package; }
    QString error() const { return m_error; }

private:
    bool fail(const QString &error)
    {
        m_error = error;
        return false;
    }

    bool copySuppressions(QProcessEnvironment *environment)
    {
        QStringList options = environment->value(QStringLiteral("LSAN_OPTIONS")).split(QLatin1Char(':'));
        for (QString &option : options) {
            const QString key = QStringLiteral("suppressions=");
            if (!option.startsWith(key))
                continue;
            const QString copy = m_dir.filePath(QStringLiteral("lsan.supp"));
            if (!QFile::copy(option.mid(key.size()), copy))
                return fail(QStringLiteral("cannot copy ") + option);
            option = key + copy;
        }
        if (environment->contains(QStringLiteral("LSAN_OPTIONS")))
            environment->insert(QStringLiteral("LSAN_OPTIONS"), options.join(QLatin1Char(':')));
        return true;
    }

    QTemporaryDir m_dir;
    uint m_uid;
    QString m_package;
    QString m_error;
};

// The viewers' private folders in `parent`.
QStringList privateFolders(const QString &parent)
{
    return QDir(parent).entryList({QStringLiteral("kelvane-viewer-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace

class tst_Viewer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void sampleLecture();
    void sampleMadeOnWindows();
    void packageArgumentAndRussianLabel();
    void relativeTemporaryFolder();
    void errors_data();
    void errors();
    void twoViewersAtOnce_data();
    void twoViewersAtOnce();
    void killedViewerSwept();
    void signalsLeaveNothing_data();
    void signalsLeaveNothing();
    void withoutDisplay_data();
    void withoutDisplay();
    void pdfExport();
    void lectureReports_data();
    void lectureReports();
    void wholeLectureToPdf_data();
    void wholeLectureToPdf();
    void framesToPdf();

private:
    QString makePackage(const QString &name, const QColor &colour, const QString &text = QString());

    QScopedPointer<QTemporaryDir> m_dir;
};

QString tst_Viewer::makePackage(const QString &name, const QColor &colour, const QString &text)
{
    RawZip zip;
    zip.add("index.html", cp1251Page(QStringLiteral("<p>%1</p><img src=\"fig.png\">").arg(text)));
    zip.add("fig.png", solidPng(QSize(80, 60), colour));
    const QString path = m_dir->filePath(name);
    return writeFile(path, zip.build().bytes) ? path : QString();
}

void tst_Viewer::init()
{
    QVERIFY(QDir().mkpath(QDir::tempPath()));
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void tst_Viewer::sampleLecture()
{
    // A relative picture path is taken relative to the folder the viewer
    // started in, not to the player's working folder.
    const QString shot = m_dir->filePath(QStringLiteral("lecture.png"));
    const ViewerRun run = runViewer({QStringLiteral("--screenshot"), QStringLiteral("lecture.png"), QStringLiteral("--size"),
                                     QStringLiteral("900x1150")},
                                    m_dir->path());
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QCOMPARE(run.output, QStringList({"ok3", "ok4", "ok5", "ok6", "ok7", "ok8", QStringLiteral("screenshot: ") + shot}));

    const QImage image(shot);
    QCOMPARE(image.size(), QSize(900, 1150));
    // The rod picture's curve (dark red) and the heat bar's hot end, and the
    // green tiles of the buttons in the bottom row.
    QVERIFY2(countPixels(image, QColor(200, 40, 40), 30) > 300,
             qPrintable(QString::number(countPixels(image, QColor(200, 40, 40), 30))));
    const QImage row = image.copy(0, image.height() - 40, image.width(), 40);
    QVERIFY(countPixels(row, QColor(60, 150, 65), 30) > 40);
    // The page's text was drawn: plenty of dark pixels in the upper half.
    QVERIFY(countPixels(image.copy(0, 0, 900, 400), QColor(0, 0, 0), 60) > 2000);

    // The viewer let the player remove its working folder.
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("texttemp"))));
}

void tst_Viewer::sampleMadeOnWindows()
{
    // CP866 names with backslashes, references written with backslashes and
    // in other letter case: both pictures must be there.
    const QString shot = m_dir->filePath(QStringLiteral("windows-lecture.png"));
    const ViewerRun run = runViewer({QStringLiteral("--screenshot"), shot, QStringLiteral("--size"),
                                     QStringLiteral("900x1000"), QStringLiteral(KELVANE_WINDOWS_LECTURE)},
                                    m_dir->path());
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QVERIFY2(!run.errors.contains(QLatin1String("kelvane_player")), qPrintable(run.errors)); // no box
    QCOMPARE(run.output, QStringList({"ok3", "ok4", "ok5", "ok6", "ok7", "ok8", QStringLiteral("screenshot: ") + shot}));

    const QImage image(shot);
    QCOMPARE(image.size(), QSize(900, 1000));
    // The orange resistor of the circuit (30 x 60) and the blue line of the
    // graph.
    const int resistor = countPixels(image, QColor(230, 140, 30), 20);
    const int line = countPixels(image, QColor(40, 90, 200), 30);
    QVERIFY2(resistor >= 30 * 60 * 9 / 10 && line > 600,
             qPrintable(QStringLiteral("resistor %1, line %2").arg(resistor).arg(line)));
    QVERIFY(countPixels(image.copy(0, 0, 900, 200), QColor(0, 0, 0), 60) > 1000);
}

void tst_Viewer::packageArgumentAndRussianLabel()
{
    const QColor colour(220, 20, 160);
    RawZip zip;
    zip.add("index.html", cp1251Page(QStringLiteral("<p>Рисунок:</p><img src=\"fig.png\">")));
    zip.add("fig.png", solidPng(QSize(80, 60), colour));
    const QString package = m_dir->filePath(QStringLiteral("own.zip"));
    QVERIFY(writeFile(package, zip.build().bytes));

    const QString english = m_dir->filePath(QStringLiteral("en.png"));
    const QString russian = m_dir->filePath(QStringLiteral("ru.png"));
    for (const QString &language : {QStringLiteral("en"), QStringLiteral("ru")}) {
        const QString shot = language == QLatin1String("ru") ? russian : english;
        const ViewerRun run = runViewer({QStringLiteral("--lang"), language, QStringLiteral("--screenshot"), shot,
                                         QStringLiteral("--size"), QStringLiteral("500x300"), package},
                                        m_dir->path());
        QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
        QVERIFY(countPixels(QImage(shot), colour) >= 80 * 60 * 9 / 10);
    }
    // The page (right of the contents panel) is the same in both
    // languages; the menu bar at the top and the label in the bottom row
    // differ.
    const QImage en(english);
    const QImage ru(russian);
    QCOMPARE(en.copy(250, 60, 250, 190), ru.copy(250, 60, 250, 190));
    QVERIFY(en.copy(0, 0, 500, 20) != ru.copy(0, 0, 500, 20));
    QVERIFY(en.copy(0, 260, 500, 40) != ru.copy(0, 260, 500, 40));
}

void tst_Viewer::relativeTemporaryFolder()
{
    // The working folder is found again when the player quits, although the
    // current folder has changed in between.
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("tmp")));
    const ViewerRun run = runViewer({QStringLiteral("--screenshot"), QStringLiteral("shot.png")}, m_dir->path(),
                                    QStringLiteral("tmp"));
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QVERIFY(QFileInfo::exists(m_dir->filePath(QStringLiteral("shot.png"))));
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("tmp/texttemp"))));
}

void tst_Viewer::errors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("messages"); // each on standard error

    QTest::newRow("no such package") << QStringList({"no/such/package.zip"}) << 1
                                     << QStringList({"kelvane-viewer: no such package: "});
    QTest::newRow("bad size") << QStringList({"--size", "huge"}) << 1 << QStringList({"kelvane-viewer: --size expects WIDTHxHEIGHT"});
    QTest::newRow("no plug-in") << QStringList({"--plugin", "/nonexistent/libkelvaneplayer.so"}) << 2
                                << QStringList({"cannot load the player plug-in /nonexistent/libkelvaneplayer.so"});
    QTest::newRow("wrong verification text") << QStringList({"--plugin=" KELVANE_FAKE_WRONG_KEY}) << 3
                                             << QStringList({"is not a compatible player plug-in", "version=4.8.7"});
    QTest::newRow("no player inside") << QStringList({"--plugin", KELVANE_FAKE_NO_PLAYER}) << 4
                                      << QStringList({"gives no player window (FakePlayer)"});
    QTest::newRow("not a package") << QStringList({"@notzip", "--screenshot", "@shot"}) << 5
                                   << QStringList({"kelvane-viewer: kelvane_player: ",
                                                   " is not a ZIP archive, so it is not a lecture package.\n"});
    // Nobody answers the password prompt of an unattended run: it is
    // cancelled, not waited for.
    QTest::newRow("locked package") << QStringList({"@locked", "--screenshot", "@shot"}) << 5
                                    << QStringList({": cancelled, nobody to answer it\n"});
}

void tst_Viewer::errors()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, messages);

    const QString notZip = m_dir->filePath(QStringLiteral("notes.zip"));
    QVERIFY(writeFile(notZip, "plain text"));
    arguments.replaceInStrings(QStringLiteral("@notzip"), notZip);
    RawZip locked;
    locked.add("index.html", "<p>secret</p>").encrypted("pw");
    const QString lockedPath = m_dir->filePath(QStringLiteral("locked.zip"));
    QVERIFY(writeFile(lockedPath, locked.build().bytes));
    arguments.replaceInStrings(QStringLiteral("@locked"), lockedPath);
    arguments.replaceInStrings(QStringLiteral("@shot"), m_dir->filePath(QStringLiteral("shot.png")));

    const ViewerRun run = runViewer(arguments, m_dir->path());
    for (const QString &message : qAsConst(messages))
        QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
    QCOMPARE(run.exitCode, exitCode);
    // Whatever went wrong, no working folder is left behind.
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("texttemp"))));
}

void tst_Viewer::twoViewersAtOnce_data()
{
    QTest::addColumn<uint>("secondUid"); // 0: the same user

    QTest::newRow("one user") << 0u;
    // A user id without an account, as in a computer lab.
    QTest::newRow("two users") << 4242u;
}

void tst_Viewer::twoViewersAtOnce()
{
    QFETCH(uint, secondUid);
    if (secondUid != 0 && ::geteuid() != 0)
        QSKIP("Starting a viewer as another user needs root");

    // Both in the system temporary folder (no TMPDIR, no XDG_RUNTIME_DIR),
    // where the player's working folders once met.
    const QString first = makePackage(QStringLiteral("first.zip"), QColor(220, 20, 160));
    QString second = makePackage(QStringLiteral("second.zip"), QColor(20, 180, 200));
    QStringList launcher;
    QString secondViewer = QStringLiteral(KELVANE_VIEWER);
    QProcessEnvironment secondEnvironment = viewerEnvironment(m_dir->path(), QString());
    SecondUserFiles files(secondUid);
    if (secondUid != 0) {
        launcher << QStringLiteral("setpriv") << QStringLiteral("--reuid=") + QString::number(secondUid)
                 << QStringLiteral("--regid=") + QString::number(secondUid) << QStringLiteral("--clear-groups");
        QVERIFY2(files.prepare(second, &secondEnvironment), qPrintable(files.error()));
        second = files.package();
        secondViewer = files.viewer();
    }

    RunningViewer a(first, viewerEnvironment(m_dir->path(), QString()));
    RunningViewer b(second, secondEnvironment, launcher, secondViewer);
    QVERIFY(a.waitUntilOpen());
    QVERIFY2(b.waitUntilOpen(), qPrintable(b.errors()));

    // Each keeps a working folder of its own, in a private folder of its
    // own in the system temporary folder.
    const QString folderA = a.privateFolder();
    const QString folderB = b.privateFolder();
    QCOMPARE(QFileInfo(a.currentFolder()).fileName(), QStringLiteral("texttemp"));
    QCOMPARE(QFileInfo(b.currentFolder()).fileName(), QStringLiteral("texttemp"));
    QVERIFY(folderA != folderB);
    for (const QString &folder : {folderA, folderB}) {
        QCOMPARE(QFileInfo(folder).absolutePath(), QFileInfo(QStringLiteral("/tmp")).canonicalFilePath());
        struct stat status;
        QCOMPARE(::stat(QFile::encodeName(folder).constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, mode_t(0700));
        QCOMPARE(status.st_uid, folder == folderA ? ::geteuid() : uid_t(secondUid ? secondUid : ::geteuid()));
    }
    QCOMPARE(QImage(a.currentFolder() + QStringLiteral("/fig.png")).pixelColor(0, 0), QColor(220, 20, 160));
    QCOMPARE(QImage(b.currentFolder() + QStringLiteral("/fig.png")).pixelColor(0, 0), QColor(20, 180, 200));

    // The first to quit removes its own folder only.
    QCOMPARE(a.stop(SIGTERM), SIGTERM);
    QVERIFY(!QFileInfo::exists(folderA));
    QVERIFY(QFileInfo(b.currentFolder() + QStringLiteral("/index.html")).isFile());
    QCOMPARE(b.stop(SIGTERM), SIGTERM);
    QVERIFY(!QFileInfo::exists(folderB));
}

void tst_Viewer::killedViewerSwept()
{
    // An explicit TMPDIR is the parent of the private folders.
    const QString parent = m_dir->filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(parent));
    const QString package = makePackage(QStringLiteral("lesson.zip"), QColor(220, 20, 160));
    const QProcessEnvironment environment = viewerEnvironment(m_dir->path(), parent);

    RunningViewer killed(package, environment);
    QVERIFY(killed.waitUntilOpen());
    const QString left = killed.privateFolder();
    QCOMPARE(killed.stop(SIGKILL), SIGKILL);
    QVERIFY(QFileInfo(left + QStringLiteral("/texttemp/index.html")).isFile());

    RunningViewer live(package, environment);
    QVERIFY(live.waitUntilOpen());
    const QString liveFolder = live.privateFolder();

    // The next start removes what the killed viewer left, not the live one's.
    const ViewerRun run = runViewer({QStringLiteral("--screenshot"), QStringLiteral("shot.png"), package}, m_dir->path(),
                                    environment);
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QVERIFY(!QFileInfo::exists(left));
    QVERIFY(QFileInfo(live.currentFolder() + QStringLiteral("/index.html")).isFile());
    QCOMPARE(privateFolders(parent), QStringList(QFileInfo(liveFolder).fileName()));

    QCOMPARE(live.stop(SIGTERM), SIGTERM);
    QCOMPARE(privateFolders(parent), QStringList());
}

void tst_Viewer::signalsLeaveNothing_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void tst_Viewer::signalsLeaveNothing()
{
    QFETCH(int, signalNumber);
    const QString parent = m_dir->filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(parent));
    RunningViewer viewer(makePackage(QStringLiteral("lesson.zip"), QColor(220, 20, 160)),
                         viewerEnvironment(m_dir->path(), parent));
    QVERIFY(viewer.waitUntilOpen());
    QCOMPARE(privateFolders(parent).size(), 1);
    // The viewer cleans up, then ends by the signal it was sent.
    QCOMPARE(viewer.stop(signalNumber), signalNumber);
    QCOMPARE(privateFolders(parent), QStringList());
    QVERIFY2(!viewer.errors().contains(QStringLiteral("cannot")), qPrintable(viewer.errors()));
}

void tst_Viewer::withoutDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // on standard output
    QTest::addColumn<QString>("errors"); // on standard error

    QTest::newRow("--help") << QStringList({"--help"}) << 0 << "Usage:"
                            << "";
    QTest::newRow("--version") << QStringList({"--version"}) << 0 << "kelvane-viewer " KELVANE_VERSION << "";
    QTest::newRow("--screenshot") << QStringList({"--screenshot", "shot.png"}) << 0 << "screenshot: "
                                  << "";
    QTest::newRow("a window") << QStringList() << 7 << ""
                              << "kelvane-viewer: no display can be opened";
}

void tst_Viewer::withoutDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, errors);

    QProcessEnvironment environment = viewerEnvironment(m_dir->path(), m_dir->path());
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    const ViewerRun run = runViewer(arguments, m_dir->path(), environment);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.output.join(QLatin1Char('\n')).contains(output), qPrintable(run.output.join(QLatin1Char('\n'))));
    QVERIFY2(run.errors.contains(errors), qPrintable(run.errors));
    if (arguments.contains(QStringLiteral("--screenshot"))) {
        // The sample lecture, drawn offscreen: its curve in dark red.
        const QImage image(m_dir->filePath(QStringLiteral("shot.png")));
        QCOMPARE(image.size(), QSize(960, 820));
        QVERIFY(countPixels(image, QColor(200, 40, 40), 30) > 300);
    }
    QCOMPARE(privateFolders(m_dir->path()), QStringList());
}

void tst_Viewer::pdfExport()
{
    RawZip zip;
    zip.add("index.html", cp1251Page(QStringLiteral("<h1>Теплопроводность стержня</h1><img src=\"a.png\">"
                                                    "<p>Закон Фурье</p><img src=\"b.png\">")));
    zip.add("a.png", solidPng(QSize(80, 60), QColor(220, 20, 160)));
    zip.add("b.png", solidPng(QSize(40, 30), QColor(20, 180, 200)));
    const QString package = m_dir->filePath(QStringLiteral("lesson.zip"));
    QVERIFY(writeFile(package, zip.build().bytes));

    // No display at all: a PDF needs no window.
    QProcessEnvironment environment = viewerEnvironment(m_dir->path(), m_dir->path());
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    const ViewerRun run = runViewer({QStringLiteral("--pdf"), QStringLiteral("lesson.pdf"), package}, m_dir->path(),
                                    environment);
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    const QString pdf = m_dir->filePath(QStringLiteral("lesson.pdf"));
    QVERIFY(run.output.contains(QStringLiteral("pdf: ") + pdf));

    KELVANE_REQUIRE_TOOL("pdftotext");
    KELVANE_REQUIRE_TOOL("pdfimages");
    const ToolRun text = runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}, m_dir->path());
    QVERIFY2(text.ok(), text.describe(QStringLiteral("pdftotext")).constData());
    const QString words = QString::fromUtf8(text.standardOutput);
    QVERIFY2(words.contains(QStringLiteral("Теплопроводность стержня")), qPrintable(words));
    QVERIFY(words.contains(QStringLiteral("Закон Фурье")));

    const ToolRun images = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}, m_dir->path());
    QVERIFY2(images.ok(), images.describe(QStringLiteral("pdfimages")).constData());
    QStringList sizes;
    const QList<QByteArray> lines = images.standardOutput.trimmed().split('\n');
    for (const QByteArray &line : lines.mid(2)) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        QVERIFY(fields.size() > 4);
        sizes << QString::fromLatin1(fields.at(3) + 'x' + fields.at(4));
    }
    QCOMPARE(sizes, QStringList({"80x60", "40x30"}));
    QCOMPARE(privateFolders(m_dir->path()), QStringList());
}

void tst_Viewer::lectureReports_data()
{
    QTest::addColumn<QString>("package"); // empty: the five pages
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("lines"); // prefixes up to the words around a match

    QTest::newRow("contents") << QString() << QStringList("--contents") << 0 << LectureFixture::contentsLines();
    QTest::newRow("contents of the sample") << QStringLiteral(KELVANE_SAMPLE_LECTURE) << QStringList("--contents") << 0
                                            << QStringList({"Лекция 3. Теплопроводность\tindex.html",
                                                            "  Задачи к лекции 3\ttasks.html"});
    QTest::newRow("find") << QString() << QStringList({"--find", "Кварк"}) << 0
                          << QStringList({"part2/c.html\tстраница 3 Здесь кварк", "part2/c.html\tстраница 3 Здесь кварк",
                                          "part2/d.html\t"});
    QTest::newRow("find in the sample") << QStringLiteral(KELVANE_SAMPLE_LECTURE) << QStringList({"--find", "стена"})
                                        << 0 << QStringList({"tasks.html\t"});
    QTest::newRow("nothing found") << QString() << QStringList({"--find", "глюон"}) << 1 << QStringList();
    QTest::newRow("empty text") << QString() << QStringList({"--find", " "}) << 1 << QStringList();
    QTest::newRow("with --pdf") << QString() << QStringList({"--contents", "--pdf", "x.pdf"}) << 1 << QStringList();
}

void tst_Viewer::lectureReports()
{
    QFETCH(QString, package);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, lines);

    if (package.isEmpty()) {
        package = m_dir->filePath(QStringLiteral("five.zip"));
        QVERIFY(writeFile(package, LectureFixture::package()));
    }
    // No display: the lists need no window.
    QProcessEnvironment environment = viewerEnvironment(m_dir->path(), m_dir->path());
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    const ViewerRun run = runViewer(arguments << package, m_dir->path(), environment);
    QVERIFY2(run.exitCode == exitCode, qPrintable(QString::number(run.exitCode) + run.errors));
    QCOMPARE(run.output.size(), lines.size());
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(run.output.at(i).startsWith(lines.at(i)), qPrintable(run.output.at(i)));
    for (const QString &line : run.output) {
        if (arguments.first() == QLatin1String("--find"))
            QVERIFY2(line.section(QLatin1Char('\t'), 1).contains(arguments.at(1), Qt::CaseInsensitive), qPrintable(line));
    }
    QCOMPARE(privateFolders(m_dir->path()), QStringList());
}

void tst_Viewer::wholeLectureToPdf_data()
{
    QTest::addColumn<QString>("package");    // empty: the five pages
    QTest::addColumn<QString>("page");       // --page; empty: all
    QTest::addColumn<QStringList>("sheets"); // the first words on the sheets that start a page, in order
    QTest::addColumn<QStringList>("pictures");

    QTest::newRow("five pages") << QString() << QString()
                                << QStringList({"Не заголовок страница 1", "страница 2", "страница 3", "Часть Б страница 4",
                                                "страница 5"})
                                << QStringList();
    QTest::newRow("one page") << QString() << "part2/c.html" << QStringList("страница 3") << QStringList();
    QTest::newRow("sample with pictures") << QStringLiteral(KELVANE_SAMPLE_LECTURE) << QString()
                                          << QStringList({"Лекция 3. Теплопроводность", "Задачи для самопроверки"})
                                          << QStringList({"360x200", "420x240"});
}

void tst_Viewer::wholeLectureToPdf()
{
    QFETCH(QString, package);
    QFETCH(QString, page);
    QFETCH(QStringList, sheets);
    QFETCH(QStringList, pictures);
    KELVANE_REQUIRE_TOOL("pdftotext");
    KELVANE_REQUIRE_TOOL("pdfimages");

    if (package.isEmpty()) {
        package = m_dir->filePath(QStringLiteral("five.zip"));
        QVERIFY(writeFile(package, LectureFixture::package()));
    }
    QStringList arguments{QStringLiteral("--pdf"), QStringLiteral("lecture.pdf"), package};
    if (!page.isEmpty())
        arguments << QStringLiteral("--page") << page;
    const ViewerRun run = runViewer(arguments, m_dir->path());
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    const QString pdf = m_dir->filePath(QStringLiteral("lecture.pdf"));

    // Each page of the lecture starts a sheet of its own, in the order of
    // the contents; a long page goes on over further sheets.
    const ToolRun text = runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}, m_dir->path());
    QVERIFY2(text.ok(), text.describe(QStringLiteral("pdftotext")).constData());
    QStringList starts;
    for (const QString &sheet : QString::fromUtf8(text.standardOutput).split(QLatin1Char('\f'), Qt::SkipEmptyParts)) {
        const QString words = sheet.simplified();
        for (const QString &expected : sheets) {
            if (words.startsWith(expected))
                starts << expected;
        }
    }
    QCOMPARE(starts, sheets);

    const ToolRun images = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}, m_dir->path());
    QVERIFY2(images.ok(), images.describe(QStringLiteral("pdfimages")).constData());
    QStringList sizes;
    for (const QByteArray &line : images.standardOutput.trimmed().split('\n').mid(2)) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        QVERIFY(fields.size() > 4);
        sizes << QString::fromLatin1(fields.at(3) + 'x' + fields.at(4));
    }
    sizes.removeDuplicates(); // a picture across a sheet's edge is drawn on both
    sizes.sort();
    QCOMPARE(sizes, pictures);

    // A page the lecture does not have.
    const ViewerRun wrong = runViewer({QStringLiteral("--pdf"), QStringLiteral("x.pdf"), package, QStringLiteral("--page"),
                                       QStringLiteral("nowhere.html")},
                                      m_dir->path());
    QCOMPARE(wrong.exitCode, 1);
    QVERIFY2(wrong.errors.contains(QStringLiteral("the lecture has no page nowhere.html")), qPrintable(wrong.errors));
}

void tst_Viewer::framesToPdf()
{
    const QByteArray course = AuthoringCourse::package();
    QVERIFY(!course.isEmpty());
    const QString package = m_dir->filePath(QStringLiteral("course.zip"));
    QVERIFY(writeFile(package, course));
    // The page of frames alone (the whole lecture would add its framed pages).
    const ViewerRun run = runViewer({QStringLiteral("--pdf"), QStringLiteral("course.pdf"), QStringLiteral("--page"),
                                     QStringLiteral("index.html"), package},
                                    m_dir->path());
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    const QString pdf = m_dir->filePath(QStringLiteral("course.pdf"));

    KELVANE_REQUIRE_TOOL("pdftotext");
    KELVANE_REQUIRE_TOOL("pdfimages");
    const ToolRun text = runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}, m_dir->path());
    QVERIFY2(text.ok(), text.describe(QStringLiteral("pdftotext")).constData());
    // All three frames; a narrow frame may break a word over two lines.
    const QString words = QString::fromUtf8(text.standardOutput).simplified().remove(QLatin1Char(' '));
    for (const char *expected : {"Содержание", "Частьвторая", "Перваячасть", "Заметкипреподавателя"})
        QVERIFY2(words.contains(QString::fromUtf8(expected)), qPrintable(words));

    // Their pictures: PNG by a Windows path and a file URL, SVG from a file
    // and from a data address, WebP.
    const ToolRun images = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}, m_dir->path());
    QVERIFY2(images.ok(), images.describe(QStringLiteral("pdfimages")).constData());
    const QList<QByteArray> lines = images.standardOutput.trimmed().split('\n');
    QStringList sizes;
    for (const QByteArray &line : lines.mid(2)) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        QVERIFY(fields.size() > 4);
        sizes << QString::fromLatin1(fields.at(3) + 'x' + fields.at(4));
    }
    QCOMPARE(sizes.size(), 5);
    QCOMPARE(sizes.filter(QStringLiteral("60x40")), sizes);
}

QTEST_MAIN(tst_Viewer)
#include "tst_viewer.moc"
