// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The viewer's window around the real player plug-in, driven in process on
// the offscreen platform: opening by Ctrl+O, by a drop and from the recent
// list, printing and PDF export, the About box, the remembered zoom and
// geometry, the fit to the screen, and every way a session ends.

#include "playertestsupport.h"

#include <externaltool.h>
#include <rawzip.h>

#include <commandline.h>
#include <translations.h>
#include <startscreen.h>
#include <viewersession.h>
#include <workfolder.h>
#include <viewersettings.h>
#include <viewerwindow.h>
#include <windowstate.h>

#include <ikelvaneplayer.h>

#include <QtCore/QMimeData>
#include <QtCore/QRegularExpression>
#include <QtCore/QPluginLoader>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>
#include <QtCore/QUrl>
#include <QtGui/QScreen>
#include <QtPrintSupport/QPrintDialog>
#include <QtTest/QtTest>
#include <QShortcut> // QtGui in Qt 6, QtWidgets in Qt 5
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTextBrowser>

#include <functional>

namespace {

const QColor magenta(220, 20, 160);
const QColor cyan(20, 180, 200);

// Calls `answer` with the first modal dialog of type T that shows up.
template<typename T>
class DialogAnswer : public QObject
{
public:
    explicit DialogAnswer(std::function<void(T *)> answer)
        : m_answer(std::move(answer))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            m_timer.stop();
            ++seen;
            m_answer(dialog);
        });
        m_timer.start(20);
    }
    int seen = 0;

private:
    QTimer m_timer;
    std::function<void(T *)> m_answer;
};

// Types a path into a file dialog and accepts it, as a user would (the
// dialog's selectFile() leaves the name field alone while it has focus).
void choose(QFileDialog *dialog, const QString &path)
{
    auto *nameField = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    QVERIFY(nameField);
    nameField->setText(path);
    QMetaObject::invokeMethod(dialog, "accept");
}

// A key pressed on the window, which is made active first, as it is again
// for a user once a dialog it opened has closed.
void press(QWidget &window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, key, modifiers);
}

} // namespace

class tst_ViewerWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void openWithKeyAndDialog();
    void dropPackage_data();
    void dropPackage();
    void recentPackages();
    void printAndExport();
    void aboutBox_data();
    void aboutBox();
    void zoomAndGeometryRemembered();
    void fitsAvailableScreen();
    void sessionEnds_data();
    void sessionEnds();

private:
    QString makePackage(const QString &relativePath, const QColor &colour);
    void showWindow(ViewerWindow &window);
    QWidget *playerWindow();
    IKelvanePlayer *player() { return qobject_cast<IKelvanePlayer *>(m_loader.instance()); }
    bool pageShows(ViewerWindow &window, const QColor &colour);

    QPluginLoader m_loader{QStringLiteral(KELVANE_PLAYER_PLUGIN)};
    QScopedPointer<QTemporaryDir> m_dir;
    QByteArray m_tmpDir;
};

void tst_ViewerWindow::initTestCase()
{
    QVERIFY2(m_loader.load(), qPrintable(m_loader.errorString()));
    m_tmpDir = qgetenv("TMPDIR");
}

void tst_ViewerWindow::init()
{
    QVERIFY(QDir().mkpath(QDir::tempPath()));
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    // Settings of this test alone, never the user's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir->filePath(QStringLiteral("config")));
}

void tst_ViewerWindow::cleanup()
{
    // A fresh player window for each test (the plug-in makes a new one once
    // the old one is gone).
    delete m_loader.instance();
    qputenv("TMPDIR", m_tmpDir);
    QDir::setCurrent(QDir::tempPath());
}

QString tst_ViewerWindow::makePackage(const QString &relativePath, const QColor &colour)
{
    RawZip zip;
    zip.add("index.html", cp1251Page(QStringLiteral("<p>Рисунок:</p><img src=\"fig.png\">")));
    zip.add("fig.png", solidPng(QSize(80, 60), colour));
    const QString path = m_dir->filePath(relativePath);
    return writeFile(path, zip.build().bytes) ? path : QString();
}

QWidget *tst_ViewerWindow::playerWindow()
{
    return qobject_cast<QWidget *>(m_loader.instance());
}

void tst_ViewerWindow::showWindow(ViewerWindow &window)
{
    window.resize(600, 400);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

bool tst_ViewerWindow::pageShows(ViewerWindow &window, const QColor &colour)
{
    return countPixels(window.grab().toImage(), colour) >= 80 * 60 * 9 / 10;
}

void tst_ViewerWindow::openWithKeyAndDialog()
{
    const QString one = makePackage(QStringLiteral("a/one.zip"), magenta);
    const QString two = makePackage(QStringLiteral("b/two.zip"), cyan);
    ViewerSettings settings;
    ViewerWindow window(playerWindow(), player(), settings);
    showWindow(window);
    QCOMPARE(window.windowTitle(), QStringLiteral("Kelvane"));

    QString startFolder;
    QStringList filters;
    {
        DialogAnswer<QFileDialog> answer([&](QFileDialog *dialog) {
            filters = dialog->nameFilters();
            choose(dialog, one);
        });
        press(window, Qt::Key_O, Qt::ControlModifier);
        QTRY_COMPARE(answer.seen, 1);
    }
    QCOMPARE(filters, QStringList({"Lecture packages (*.zip)", "All files (*)"}));
    QCOMPARE(window.windowTitle(), QStringLiteral("one.zip - Kelvane"));
    QCOMPARE(window.package(), one);
    QTRY_VERIFY(pageShows(window, magenta));

    // The dialog starts where the last package came from; the second
    // package replaces the first in the same player window.
    {
        DialogAnswer<QFileDialog> answer([&](QFileDialog *dialog) {
            startFolder = dialog->directory().absolutePath();
            choose(dialog, two);
        });
        press(window, Qt::Key_O, Qt::ControlModifier);
        QTRY_COMPARE(answer.seen, 1);
    }
    QCOMPARE(startFolder, QFileInfo(one).absolutePath());
    QCOMPARE(window.windowTitle(), QStringLiteral("two.zip - Kelvane"));
    QCOMPARE(window.centralWidget(), playerWindow());
    QTRY_VERIFY(pageShows(window, cyan));
    QVERIFY(!pageShows(window, magenta));
    QCOMPARE(settings.recentPackages(), QStringList({two, one}));

    // A cancelled dialog changes nothing.
    {
        DialogAnswer<QFileDialog> answer([](QFileDialog *dialog) { dialog->reject(); });
        press(window, Qt::Key_O, Qt::ControlModifier);
        QTRY_COMPARE(answer.seen, 1);
    }
    QCOMPARE(window.package(), two);
}

void tst_ViewerWindow::dropPackage_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("urlCount");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("package") << "drop.zip" << 1 << true;
    QTest::newRow("upper-case suffix") << "DROP.ZIP" << 1 << true;
    QTest::newRow("not a package") << "drop.txt" << 1 << false;
    QTest::newRow("two files") << "drop.zip" << 2 << false;
}

void tst_ViewerWindow::dropPackage()
{
    QFETCH(QString, fileName);
    QFETCH(int, urlCount);
    QFETCH(bool, accepted);

    const QString path = makePackage(fileName, magenta);
    ViewerSettings settings;
    ViewerWindow window(playerWindow(), player(), settings);
    showWindow(window);

    QList<QUrl> urls;
    for (int i = 0; i < urlCount; ++i)
        urls.append(QUrl::fromLocalFile(path));
    QMimeData data;
    data.setUrls(urls);
    // Dropped on the page, which as a read-only pane takes no drops itself.
    QWidget *target = window.page()->viewport();
    const QPoint point = target->rect().center();
    QDragEnterEvent enter(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    if (accepted)
        QCOMPARE(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCOMPARE(drop.isAccepted(), accepted);

    if (accepted) {
        QTRY_COMPARE(window.windowTitle(), fileName + QStringLiteral(" - Kelvane"));
        QTRY_VERIFY(pageShows(window, magenta));
        QCOMPARE(settings.recentPackages(), QStringList(path));
    } else {
        QTest::qWait(50);
        QCOMPARE(window.package(), QString());
        QVERIFY(settings.recentPackages().isEmpty());
    }
}

void tst_ViewerWindow::recentPackages()
{
    ViewerSettings settings;
    QStringList made;
    for (int i = 0; i < 12; ++i) {
        const QString path = makePackage(QStringLiteral("p%1.zip").arg(i), i == 3 ? cyan : magenta);
        settings.rememberPackage(path);
        made.prepend(path);
    }
    settings.rememberPackage(made.at(5)); // again: moves to the head, no duplicate
    QVERIFY(QFile::remove(made.at(1)));

    QStringList expected = made.mid(0, 11);
    expected.move(5, 0);
    expected = expected.mid(0, ViewerSettings::maxRecentPackages);
    QCOMPARE(settings.recentPackages(), expected);

    ViewerWindow window(playerWindow(), player(), settings);
    showWindow(window);
    QMenu *menu = window.recentMenu();
    emit menu->aboutToShow();
    QList<QAction *> entries = menu->actions();
    QCOMPARE(entries.size(), ViewerSettings::maxRecentPackages + 2); // + separator + Clear
    QVERIFY(entries.at(0)->text().contains(QFileInfo(expected.at(0)).fileName()));
    // The vanished package is offered but cannot be chosen.
    const int vanished = int(expected.indexOf(made.at(1)));
    QVERIFY(vanished > 0);
    QVERIFY(!entries.at(vanished)->isEnabled());
    QVERIFY(entries.at(0)->isEnabled());

    // Choosing an entry opens that package and puts it at the head.
    const QString chosen = QFileInfo(made.at(8)).absoluteFilePath();
    const int index = int(expected.indexOf(chosen));
    entries.at(index)->trigger();
    QCOMPARE(window.package(), chosen);
    QCOMPARE(settings.recentPackages().first(), chosen);
    QTRY_VERIFY(pageShows(window, cyan));

    // Clearing the list.
    emit menu->aboutToShow();
    entries = menu->actions();
    entries.last()->trigger();
    QVERIFY(settings.recentPackages().isEmpty());
    emit menu->aboutToShow();
    QCOMPARE(menu->actions().size(), 1);
    QVERIFY(!menu->actions().first()->isEnabled());
}

void tst_ViewerWindow::printAndExport()
{
    const QString package = makePackage(QStringLiteral("print/lesson.zip"), magenta);
    ViewerSettings settings;
    ViewerWindow window(playerWindow(), player(), settings);
    showWindow(window);
    QVERIFY(window.openPackage(package));

    // Ctrl+P offers the print dialog; cancelling it prints nothing.
    {
        DialogAnswer<QPrintDialog> answer([](QPrintDialog *dialog) { dialog->reject(); });
        press(window, Qt::Key_P, Qt::ControlModifier);
        QTRY_COMPARE(answer.seen, 1);
    }

    // Export to PDF, to a name without suffix: ".pdf" is added, and the
    // dialog proposes the package's name in its folder.
    QString proposed;
    const QString chosen = m_dir->filePath(QStringLiteral("print/handout"));
    {
        DialogAnswer<QFileDialog> answer([&](QFileDialog *dialog) {
            proposed = dialog->selectedFiles().value(0);
            choose(dialog, chosen);
        });
        press(window, Qt::Key_E, Qt::ControlModifier);
        QTRY_COMPARE(answer.seen, 1);
    }
    QCOMPARE(proposed, m_dir->filePath(QStringLiteral("print/lesson.pdf")));
    const QString pdf = chosen + QStringLiteral(".pdf");
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(5) == "%PDF-");

    KELVANE_REQUIRE_TOOL("pdfimages");
    const ToolRun images = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}, m_dir->path());
    QVERIFY2(images.ok(), images.describe(QStringLiteral("pdfimages")).constData());
    // A header of two lines, then one line per picture: the 80x60 one.
    const QList<QByteArray> lines = images.standardOutput.trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines.at(2).simplified().contains(" image 80 60 rgb"), lines.at(2).constData());
}

void tst_ViewerWindow::aboutBox_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("English") << "en" << QStringList({"Kelvane Viewer " KELVANE_VERSION, "Ctrl+O", "Open a lecture package", "Ctrl+P", "Export the whole lecture to PDF", "F1", "F9", "Ctrl+Shift+F", "Alt+Right", "Ctrl+D"});
    QTest::newRow("Russian") << "ru" << QStringList({"Kelvane Viewer " KELVANE_VERSION, "Ctrl+O", "Открыть пакет лекции", "Экспорт всей лекции в PDF", "F1", "Искать по всей лекции", "Закладка на показанное место"});
}

void tst_ViewerWindow::aboutBox()
{
    QFETCH(QString, language);
    QFETCH(QStringList, expected);

    Translations translations(language);
    ViewerSettings settings;
    ViewerWindow window(playerWindow(), player(), settings);
    showWindow(window);
    BoxRecorder boxes;
    press(window, Qt::Key_F1);
    QTRY_COMPARE(boxes.boxes().size(), 1);
    const QString text = boxes.texts().first();
    for (const QString &part : expected)
        QVERIFY2(text.contains(part), qPrintable(text));

    // Every key of the window, the player's own included, has its row.
    QStringList listed;
    const QRegularExpression keyCell(QStringLiteral("<td><b>(.*?)</b></td>"));
    for (auto match = keyCell.globalMatch(text); match.hasNext();)
        listed << match.next().captured(1).split(QStringLiteral(", "));
    QList<QKeySequence> windowKeys;
    for (const QShortcut *shortcut : window.findChildren<QShortcut *>())
        windowKeys << shortcut->key();
    for (const QAction *action : window.findChildren<QAction *>())
        windowKeys << action->shortcuts();
    windowKeys.removeAll(QKeySequence());
    QVERIFY(windowKeys.size() >= 12);
    for (const QKeySequence &keys : windowKeys) {
        const QString name = keys.toString(QKeySequence::NativeText).toHtmlEscaped();
        QVERIFY2(listed.contains(name), qPrintable(name + QStringLiteral(" missing in ") + listed.join(QLatin1Char(' '))));
    }

    QCOMPARE(window.menuBar()->actions().first()->text(), language == QLatin1String("ru") ? QStringLiteral("&Файл") : QStringLiteral("&File"));
}

void tst_ViewerWindow::zoomAndGeometryRemembered()
{
    ViewerSettings settings;
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize size(available.width() * 3 / 4, available.height() * 2 / 3);
    qreal zoomedSize = 0;
    {
        ViewerWindow window(playerWindow(), player(), settings);
        WindowState state(settings, &window, window.page(), player());
        state.restore(QSize(), QSize(300, 200));
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // Zoomed by the player's keys, pressed in the viewer's window: each
        // makes the page's text larger.
        qreal before = window.page()->font().pointSizeF();
        for (const QKeySequence &keys : {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal),
                                         QKeySequence(Qt::CTRL | Qt::Key_Plus)}) {
            QTest::keySequence(&window, keys);
            const qreal after = window.page()->font().pointSizeF();
            QVERIFY2(after > before, qPrintable(keys.toString()));
            before = after;
        }
        zoomedSize = before;
        window.resize(size);
        state.save();
    }
    QVERIFY(settings.zoomDelta() > 0);
    delete m_loader.instance();

    // A new window (as at the next start) gets both back.
    ViewerWindow window(playerWindow(), player(), settings);
    const qreal base = window.page()->font().pointSizeF();
    QVERIFY(base < zoomedSize);
    WindowState state(settings, &window, window.page(), player());
    state.restore(QSize(), QSize(300, 200));
    QCOMPARE(window.page()->font().pointSizeF(), zoomedSize);
    QCOMPARE(window.size(), size);
}

void tst_ViewerWindow::fitsAvailableScreen()
{
    // Whatever the saved or asked size, and at any scale factor (this test
    // runs again with QT_SCALE_FACTOR=2), the window and its button row
    // stay within the screen.
    ViewerSettings settings;
    ViewerWindow window(playerWindow(), player(), settings);
    WindowState state(settings, &window, window.page(), player());
    state.restore(QSize(5000, 4000), QSize(300, 200));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    state.fitToScreen();

    const QRect available = window.screen()->availableGeometry();
    QVERIFY2(available.contains(window.frameGeometry()),
             qPrintable(QStringLiteral("%1,%2 %3x%4 outside %5x%6").arg(window.frameGeometry().x()).arg(window.frameGeometry().y()).arg(window.frameGeometry().width()).arg(window.frameGeometry().height()).arg(available.width()).arg(available.height())));
    const PlayerWidgets widgets = PlayerWidgets::of(playerWindow());
    QVERIFY(widgets.complete());
    for (QWidget *button : {static_cast<QWidget *>(widgets.backButton), static_cast<QWidget *>(widgets.fontDownButton)}) {
        const QRect onScreen(button->mapToGlobal(QPoint(0, 0)), button->size());
        QVERIFY(button->isVisible());
        QVERIFY(available.contains(onScreen));
    }

    // The pure fitting rule: shrink to the room left by the frame, then
    // move inside.
    const QRect screen(0, 0, 400, 300);
    QCOMPARE(WindowState::fitted(QRect(350, 250, 100, 100), QMargins(2, 20, 2, 2), screen), QRect(298, 198, 100, 100));
    QCOMPARE(WindowState::fitted(QRect(-50, -50, 900, 900), QMargins(2, 20, 2, 2), screen), QRect(2, 20, 396, 278));
}

void tst_ViewerWindow::sessionEnds_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("back button, then Ctrl+Q") << "back";
    QTest::newRow("window closed") << "close";
    QTest::newRow("Ctrl+Q") << "quit";
    QTest::newRow("no package: start screen") << "start";
}

void tst_ViewerWindow::sessionEnds()
{
    QFETCH(QString, way);
    // The session loads the plug-in itself.
    m_loader.unload();

    ViewerOptions options;
    options.package = makePackage(QStringLiteral("session.zip"), magenta);
    options.packageGiven = way != QLatin1String("start");
    options.pluginPath = QStringLiteral(KELVANE_PLAYER_PLUGIN);
    Translations translations(QStringLiteral("en"));
    const QString parent = PrivateWorkFolder::parentFolder();
    ViewerSession session(options, translations);

    QString folder;
    QString current;
    bool pictureShown = false;
    bool startScreenShown = false;
    QTimer::singleShot(300, [&] {
        folder = QFile::decodeName(qgetenv("TMPDIR"));
        current = QDir::currentPath();
        auto *window = qobject_cast<ViewerWindow *>(QApplication::activeWindow());
        if (!window)
            return;
        pictureShown = pageShows(*window, magenta);
        if (way == QLatin1String("back")) {
            // The lecture closes; the viewer stays until Ctrl+Q.
            PlayerWidgets::of(window->centralWidget()).backButton->click();
            QTimer::singleShot(100, window, [&, window] {
                startScreenShown = window->startScreen() && window->startScreen()->isVisible();
                QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
            });
        } else if (way == QLatin1String("start")) {
            startScreenShown = window->startScreen() && window->startScreen()->isVisible();
            window->close();
        } else if (way == QLatin1String("close")) {
            window->close();
        } else {
            QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
        }
    });
    const int code = session.run();
    QCOMPARE(code, 0);
    QCOMPARE(session.terminationSignal(), 0);
    if (way == QLatin1String("start")) {
        QVERIFY(startScreenShown);
        QVERIFY(!pictureShown);
        QVERIFY(!QFileInfo::exists(folder));
        QVERIFY(m_loader.load());
        return;
    }
    QCOMPARE(startScreenShown, way == QLatin1String("back"));
    QVERIFY(pictureShown);
    // The private folder lived in the test's temporary folder, held the
    // player's working folder while the package was open, and is gone.
    QCOMPARE(QFileInfo(folder).absolutePath(), QFileInfo(parent).canonicalFilePath());
    QVERIFY(QFileInfo(folder).fileName().startsWith(QStringLiteral("kelvane-viewer-")));
    QCOMPARE(current, folder + QStringLiteral("/texttemp"));
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(m_loader.load());
}

QTEST_MAIN(tst_ViewerWindow)
#include "tst_viewerwindow.moc"
