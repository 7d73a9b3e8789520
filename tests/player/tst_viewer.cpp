// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// kelvane-viewer run as a separate process on the offscreen platform: the
// sample lecture rendered into a screenshot, and the error paths with their
// messages and exit codes.

#include "playertestsupport.h"

#include <rawzip.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

namespace {

struct ViewerRun
{
    int exitCode = -1;
    QStringList output;
    QString errors;
};

// Runs the viewer in `folder`, which is also its temporary folder unless
// another one is given.
ViewerRun runViewer(const QStringList &arguments, const QString &folder, const QString &tmpDir = QString())
{
    QProcess process;
    process.setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("TMPDIR"), tmpDir.isEmpty() ? folder : tmpDir);
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KELVANE_VIEWER), arguments);
    ViewerRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromLocal8Bit(process.readAllStandardOutput()).split(QLatin1Char('\n'),
                                                                             Qt::SkipEmptyParts);
    run.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
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

private:
    QScopedPointer<QTemporaryDir> m_dir;
};

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
    QCOMPARE(run.output, QStringList({"ok3", "ok4", "ok5", "ok6", "ok7", "ok8",
                                      QStringLiteral("screenshot: ") + shot}));

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
    QCOMPARE(run.output, QStringList({"ok3", "ok4", "ok5", "ok6", "ok7", "ok8",
                                      QStringLiteral("screenshot: ") + shot}));

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
    // The page is the same in both languages; the menu bar at the top and
    // the label in the bottom row differ.
    const QImage en(english);
    const QImage ru(russian);
    QCOMPARE(en.copy(0, 40, 500, 210), ru.copy(0, 40, 500, 210));
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
                                   << QStringList({"kelvane-viewer: kelvane_player: OpenArchive failed\n",
                                                   "kelvane-viewer: kelvane_player: cannot decompress file\n"});
}

void tst_Viewer::errors()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, messages);

    const QString notZip = m_dir->filePath(QStringLiteral("notes.zip"));
    QVERIFY(writeFile(notZip, "plain text"));
    arguments.replaceInStrings(QStringLiteral("@notzip"), notZip);
    arguments.replaceInStrings(QStringLiteral("@shot"), m_dir->filePath(QStringLiteral("shot.png")));

    const ViewerRun run = runViewer(arguments, m_dir->path());
    for (const QString &message : qAsConst(messages))
        QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
    QCOMPARE(run.exitCode, exitCode);
    // Whatever went wrong, no working folder is left behind.
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("texttemp"))));
}

QTEST_MAIN(tst_Viewer)
#include "tst_viewer.moc"
