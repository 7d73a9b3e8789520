// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Finding one's way in a lecture, in the viewer's window around the real
// player plug-in on the offscreen platform: the contents panel, Back,
// Forward and Home, and the search through every page.

#include "lecturefixture.h"

#include <contentspanel.h>
#include <lecturesearchpanel.h>
#include <bookmarksmenu.h>
#include <navigationbar.h>
#include <readingplaces.h>
#include <startscreen.h>
#include <viewersettings.h>
#include <viewerwindow.h>

#include <ikelvanenavigator.h>
#include <ikelvaneplayer.h>

#include <QTextCodec> // Core5Compat in Qt 6
#include <QtCore/QPluginLoader>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>
#include <QAction> // QtWidgets in Qt 5, QtGui in Qt 6
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStyleFactory>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QTextBrowser>
#include <QtWidgets/QToolTip>
#include <QtWidgets/QTreeWidget>

namespace {

// The tree as lines: titles indented by two spaces a level.
QStringList treeLines(const QTreeWidget *tree)
{
    QStringList lines;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget *>(tree)); *it; ++it) {
        int depth = 0;
        for (QTreeWidgetItem *parent = (*it)->parent(); parent; parent = parent->parent())
            ++depth;
        lines << QString(2 * depth, QLatin1Char(' ')) + (*it)->text(0);
    }
    return lines;
}

// What the contents panel shows for the lines --contents prints.
QStringList panelLines(const QStringList &contentsLines)
{
    QStringList lines;
    for (const QString &line : contentsLines)
        lines << line.section(QLatin1Char('\t'), 0, 0);
    return lines;
}

void clickItem(QTreeWidget *tree, QTreeWidgetItem *item)
{
    QVERIFY(item);
    tree->scrollToItem(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualItemRect(item).center());
}

} // namespace

class tst_LectureNavigation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void contentsPanel_data();
    void contentsPanel();
    void backForwardHome();
    void searchWholeLecture_data();
    void searchWholeLecture();
    void contentsToggleRemembered();
    void startScreenAfterQuit();
    void placeKeptByContent_data();
    void placeKeptByContent();
    void bookmarks();
    void readableUnderDarkTheme_data();
    void readableUnderDarkTheme();

private:
    void openInWindow(const QString &package);
    IKelvaneNavigator *navigator() { return qobject_cast<IKelvaneNavigator *>(m_loader.instance()); }
    QWidget *playerWindow() { return qobject_cast<QWidget *>(m_loader.instance()); }
    QTextBrowser *page() { return m_window->page(); }
    QString pageText() { return page()->document()->toPlainText(); }

    QPluginLoader m_loader{QStringLiteral(KELVANE_PLAYER_PLUGIN)};
    QScopedPointer<QTemporaryDir> m_dir;
    QScopedPointer<ViewerSettings> m_settings;
    QScopedPointer<ViewerWindow> m_window;
    QString m_fivePages;
};

void tst_LectureNavigation::initTestCase()
{
    QVERIFY2(m_loader.load(), qPrintable(m_loader.errorString()));
}

void tst_LectureNavigation::init()
{
    QVERIFY(QDir().mkpath(QDir::tempPath()));
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir->filePath(QStringLiteral("config")));
    m_fivePages = m_dir->filePath(QStringLiteral("five.zip"));
    QVERIFY(writeFile(m_fivePages, LectureFixture::package()));
    m_settings.reset(new ViewerSettings);
}

void tst_LectureNavigation::cleanup()
{
    m_window.reset();
    delete m_loader.instance();
    QDir::setCurrent(QDir::tempPath());
}

void tst_LectureNavigation::openInWindow(const QString &package)
{
    m_window.reset(new ViewerWindow(playerWindow(), qobject_cast<IKelvanePlayer *>(playerWindow()), *m_settings));
    m_window->resize(760, 560);
    m_window->show();
    QApplication::setActiveWindow(m_window.data());
    QVERIFY(QTest::qWaitForWindowActive(m_window.data()));
    QVERIFY(m_window->openPackage(package));
    QVERIFY(m_window->contentsPanel() && m_window->navigationBar() && m_window->searchPanel());
}

void tst_LectureNavigation::contentsPanel_data()
{
    QTest::addColumn<QString>("package");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<QString>("clickedPath");
    QTest::addColumn<QString>("clickedText");

    QTest::newRow("five pages in two folders") << QString() << panelLines(LectureFixture::contentsLines())
                                               << "Приложение"
                                               << "part2/d.html"
                                               << "страница 5";
    QTest::newRow("bundled sample") << QStringLiteral(KELVANE_SAMPLE_LECTURE)
                                    << QStringList({"Лекция 3. Теплопроводность", "  Задачи к лекции 3"})
                                    << "Задачи к лекции 3"
                                    << "tasks.html"
                                    << "Задачи для самопроверки";
}

void tst_LectureNavigation::contentsPanel()
{
    QFETCH(QString, package);
    QFETCH(QStringList, lines);
    QFETCH(QString, clicked);
    QFETCH(QString, clickedPath);
    QFETCH(QString, clickedText);

    openInWindow(package.isEmpty() ? m_fivePages : package);
    ContentsPanel *contents = m_window->contentsPanel();
    QVERIFY(contents->isVisible());
    QCOMPARE(treeLines(contents->tree()), lines);
    // The start page is highlighted; a click opens another page, which is
    // highlighted then.
    QCOMPARE(contents->tree()->currentItem(), contents->itemOf(QStringLiteral("index.html")));
    QTreeWidgetItem *item = contents->itemOf(clickedPath);
    QVERIFY(item);
    QCOMPARE(item->text(0), clicked);
    clickItem(contents->tree(), item);
    QCOMPARE(navigator()->currentPage(), clickedPath);
    QVERIFY2(pageText().contains(clickedText), qPrintable(pageText()));
    QCOMPARE(contents->tree()->currentItem(), item);
    // Going back moves the highlight along.
    QVERIFY(navigator()->goBack());
    QCOMPARE(contents->tree()->currentItem(), contents->itemOf(QStringLiteral("index.html")));
}

void tst_LectureNavigation::backForwardHome()
{
    openInWindow(m_fivePages);
    NavigationBar *bar = m_window->navigationBar();
    QAction *back = bar->backAction();
    QAction *forward = bar->forwardAction();
    QAction *home = bar->homeAction();
    const auto states = [&] {
        return QStringLiteral("%1%2%3 %4")
            .arg(back->isEnabled() ? 'B' : '-')
            .arg(forward->isEnabled() ? 'F' : '-')
            .arg(home->isEnabled() ? 'H' : '-')
            .arg(navigator()->currentPage());
    };
    const auto press = [&](Qt::Key key) {
        QApplication::setActiveWindow(m_window.data());
        QTest::keyClick(m_window.data(), key, Qt::AltModifier);
    };
    QCOMPARE(states(), QStringLiteral("--- index.html"));

    QVERIFY(clickLink(page(), QStringLiteral("первая")));
    QCOMPARE(states(), QStringLiteral("B-H part1/a.html"));
    QVERIFY(clickLink(page(), QStringLiteral("дальше")));
    QCOMPARE(states(), QStringLiteral("B-H part2/c.html"));
    back->trigger();
    QCOMPARE(states(), QStringLiteral("BFH part1/a.html"));
    press(Qt::Key_Left);
    QCOMPARE(states(), QStringLiteral("-F- index.html"));
    press(Qt::Key_Right);
    QCOMPARE(states(), QStringLiteral("BFH part1/a.html"));
    forward->trigger();
    QCOMPARE(states(), QStringLiteral("B-H part2/c.html"));
    QVERIFY(pageText().contains(QStringLiteral("страница 3")));

    // Home is a step of its own: the way forward is gone, back leads to c.html.
    back->trigger();
    press(Qt::Key_Home);
    QCOMPARE(states(), QStringLiteral("B-- index.html"));
    back->trigger();
    QCOMPARE(states(), QStringLiteral("BFH part1/a.html"));

    // A jump to an anchor counts, and forward comes back to the place.
    home->trigger();
    QVERIFY(clickLink(page(), QStringLiteral("вторая")));
    const int anchored = page()->verticalScrollBar()->value();
    QVERIFY(anchored > 0);
    QCOMPARE(states(), QStringLiteral("B-H part1/b.html"));
    page()->verticalScrollBar()->setValue(anchored / 2);
    back->trigger();
    QCOMPARE(states(), QStringLiteral("BF- index.html"));
    forward->trigger();
    QCOMPARE(states(), QStringLiteral("B-H part1/b.html"));
    QCOMPARE(page()->verticalScrollBar()->value(), anchored / 2); // where it was left, not the anchor
}

void tst_LectureNavigation::searchWholeLecture_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found"); // path, title
    QTest::addColumn<int>("clicked");
    QTest::addColumn<int>("clickedOccurrence"); // the how-manieth on the page shown

    QTest::newRow("two pages, one twice") << "КВАРК"
                                          << QStringList({"part2/c.html c.html", "part2/c.html c.html",
                                                          "part2/d.html Приложение"})
                                          << 1 << 1;
    QTest::newRow("the other page") << "кварк" << QStringList({"part2/c.html c.html", "part2/c.html c.html", "part2/d.html Приложение"})
                                    << 2 << 0;
    QTest::newRow("every page") << "страница" << QStringList({"index.html Введение", "part1/a.html Часть А", "part2/c.html c.html", "part1/b.html Часть Б", "part2/d.html Приложение"})
                                << 3 << 0;
    QTest::newRow("nowhere") << "глюон" << QStringList() << -1 << 0;
}

void tst_LectureNavigation::searchWholeLecture()
{
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    QFETCH(int, clicked);
    QFETCH(int, clickedOccurrence);

    openInWindow(m_fivePages);
    LectureSearchPanel *panel = m_window->searchPanel();
    QVERIFY(!panel->isVisible());
    QApplication::setActiveWindow(m_window.data());
    QTest::keyClick(m_window.data(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(panel->isVisible());
    QTRY_VERIFY(panel->field()->hasFocus());
    panel->field()->setText(text); // keyClicks takes Latin letters only
    QTest::keyClick(panel->field(), Qt::Key_Return);

    QStringList listed;
    QTreeWidget *results = panel->results();
    for (int i = 0; i < results->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = results->topLevelItem(i);
        listed << item->toolTip(0) + QLatin1Char(' ') + item->text(0);
        QVERIFY2(item->text(1).contains(text, Qt::CaseInsensitive), qPrintable(item->text(1)));
    }
    QCOMPARE(listed, found);
    if (clicked < 0) {
        QCOMPARE(panel->summary()->text(), QStringLiteral("\"глюон\" is on no page of the lecture."));
        return;
    }
    QVERIFY(panel->summary()->text().contains(QString::number(found.size())));

    clickItem(results, results->topLevelItem(clicked));
    QCOMPARE(navigator()->currentPage(), found.at(clicked).section(QLatin1Char(' '), 0, 0));
    const QTextCursor selection = page()->textCursor();
    QCOMPARE(selection.selectedText().toLower(), text.toLower());
    int expectedStart = -1;
    for (int i = 0; i <= clickedOccurrence; ++i)
        expectedStart = int(pageText().indexOf(text, expectedStart + 1, Qt::CaseInsensitive));
    QCOMPARE(selection.selectionStart(), expectedStart);
}

void tst_LectureNavigation::contentsToggleRemembered()
{
    openInWindow(m_fivePages);
    QVERIFY(m_window->contentsPanel()->isVisible());
    QApplication::setActiveWindow(m_window.data());
    QTest::keyClick(m_window.data(), Qt::Key_F9);
    QVERIFY(!m_window->contentsPanel()->isVisible());
    QVERIFY(!m_settings->contentsShown());
    cleanup();

    // As at the next start: hidden, until F9 again.
    openInWindow(m_fivePages);
    QVERIFY(!m_window->contentsPanel()->isVisible());
    QApplication::setActiveWindow(m_window.data());
    QTest::keyClick(m_window.data(), Qt::Key_F9);
    QVERIFY(m_window->contentsPanel()->isVisible());
    QVERIFY(m_settings->contentsShown());
}

void tst_LectureNavigation::startScreenAfterQuit()
{
    openInWindow(m_fivePages);
    QVERIFY(QFileInfo::exists(workingFolder()));
    // The player's back button closes the lecture, not the viewer.
    PlayerWidgets::of(playerWindow()).backButton->click();
    StartScreen *start = m_window->startScreen();
    QVERIFY(start);
    QCOMPARE(m_window->centralWidget(), start);
    QVERIFY(start->isVisible());
    QVERIFY(!playerWindow()->isVisible());
    QVERIFY(!QFileInfo::exists(workingFolder()));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Kelvane"));
    QCOMPARE(m_window->package(), QString());
    QVERIFY(!m_window->navigationBar()->isEnabled());
    QCOMPARE(m_window->contentsPanel()->tree()->topLevelItemCount(), 0);

    // The recent lecture by its title, file name and time; a click opens it.
    QTreeWidget *recent = start->recentList();
    QCOMPARE(recent->topLevelItemCount(), 1);
    QTreeWidgetItem *item = recent->topLevelItem(0);
    QCOMPARE(item->text(0), QStringLiteral("Введение"));
    QCOMPARE(item->text(1), QStringLiteral("five.zip"));
    QVERIFY(!item->text(2).isEmpty());
    QVERIFY(qAbs(m_settings->lastOpened(m_fivePages).secsTo(QDateTime::currentDateTimeUtc())) < 60);
    clickItem(recent, item);
    QCOMPARE(m_window->centralWidget(), playerWindow());
    QVERIFY(playerWindow()->isVisible() && !start->isVisible());
    QCOMPARE(m_window->package(), m_fivePages);
    QVERIFY(pageText().contains(QStringLiteral("страница 1")));
    QCOMPARE(treeLines(m_window->contentsPanel()->tree()), panelLines(LectureFixture::contentsLines()));
    QVERIFY(m_window->navigationBar()->isEnabled());

    // The sample is one click away and does not join the recent lectures.
    PlayerWidgets::of(playerWindow()).backButton->click();
    QCOMPARE(m_window->centralWidget(), start);
    QVERIFY(start->sampleButton()->isEnabled());
    start->sampleButton()->click();
    QCOMPARE(m_window->centralWidget(), playerWindow());
    QVERIFY(pageText().contains(QStringLiteral("Теплопроводность")));
    QCOMPARE(m_settings->recentPackages(), QStringList(m_fivePages));
}

void tst_LectureNavigation::placeKeptByContent_data()
{
    QTest::addColumn<QString>("reopened"); // how the package comes back
    QTest::addColumn<bool>("restored");

    QTest::newRow("same file") << "same" << true;
    QTest::newRow("renamed and moved copy") << "copy" << true;
    QTest::newRow("changed package") << "changed" << false;
}

void tst_LectureNavigation::placeKeptByContent()
{
    QFETCH(QString, reopened);
    QFETCH(bool, restored);

    openInWindow(m_fivePages);
    clickItem(m_window->contentsPanel()->tree(), m_window->contentsPanel()->itemOf(QStringLiteral("part1/b.html")));
    QCOMPARE(navigator()->currentPage(), QStringLiteral("part1/b.html"));
    const int position = page()->verticalScrollBar()->maximum() / 2;
    QVERIFY(position > 100);
    page()->verticalScrollBar()->setValue(position);
    // As at the end of a session: the window goes, then the player.
    cleanup();

    QString package = m_fivePages;
    if (reopened == QLatin1String("copy")) {
        package = m_dir->filePath(QStringLiteral("elsewhere/renamed.zip"));
        QVERIFY(QDir().mkpath(QFileInfo(package).absolutePath()));
        QVERIFY(QFile::copy(m_fivePages, package));
        QVERIFY(QFile::remove(m_fivePages));
    } else if (reopened == QLatin1String("changed")) {
        QByteArray bytes = LectureFixture::package();
        RawZip more;
        more.add("index.html", cp1251Page(QStringLiteral("<p>новое начало</p><a href=\"part1/b.html\">b</a>")));
        more.add("part1/b.html", cp1251Page(QStringLiteral("<p>другая</p>").repeated(200)));
        QVERIFY(writeFile(package, more.build().bytes));
    }
    openInWindow(package);
    if (restored) {
        QCOMPARE(navigator()->currentPage(), QStringLiteral("part1/b.html"));
        QTRY_COMPARE(page()->verticalScrollBar()->value(), position);
        QCOMPARE(m_window->contentsPanel()->tree()->currentItem()->text(0), QStringLiteral("Часть Б"));
        // The start page is one step back.
        QVERIFY(m_window->navigationBar()->backAction()->isEnabled());
    } else {
        QCOMPARE(navigator()->currentPage(), QStringLiteral("index.html"));
        QCOMPARE(page()->verticalScrollBar()->value(), 0);
    }
}

void tst_LectureNavigation::bookmarks()
{
    openInWindow(m_fivePages);
    auto *menu = m_window->findChild<BookmarksMenu *>();
    QVERIFY(menu);
    QVERIFY(m_window->menuBar()->actions().contains(menu->menuAction()));
    const auto entries = [menu] {
        emit menu->aboutToShow();
        QStringList texts;
        for (const QAction *action : menu->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return texts;
    };
    const QString add = QStringLiteral("&Add Bookmark");
    const QString remove = QStringLiteral("&Remove the Bookmarks of This Lecture");
    QCOMPARE(entries(), QStringList({add, "-", remove}));

    // Ctrl+D on c.html, then on b.html scrolled down.
    QVERIFY(navigator()->openPage(QStringLiteral("part2/c.html"), 0));
    QApplication::setActiveWindow(m_window.data());
    QTest::keyClick(m_window.data(), Qt::Key_D, Qt::ControlModifier);
    QVERIFY(navigator()->openPage(QStringLiteral("part1/b.html"), 0));
    const int position = page()->verticalScrollBar()->maximum() / 3;
    page()->verticalScrollBar()->setValue(position);
    QTest::keyClick(m_window.data(), Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(entries(), QStringList({add, "-", "c.html", "Часть Б", "-", remove}));

    // A bookmark leads to its page and place.
    QVERIFY(navigator()->goHome());
    menu->actions().at(3)->trigger();
    QCOMPARE(navigator()->currentPage(), QStringLiteral("part1/b.html"));
    QTRY_COMPARE(page()->verticalScrollBar()->value(), position);

    // Per lecture: the sample has none, and they come back with this one.
    QVERIFY(m_window->openPackage(QStringLiteral(KELVANE_SAMPLE_LECTURE), false));
    QTRY_COMPARE(entries(), QStringList({add, "-", remove}));
    QVERIFY(m_window->openPackage(m_fivePages));
    QTRY_COMPARE(entries(), QStringList({add, "-", "c.html", "Часть Б", "-", remove}));
    menu->actions().last()->trigger();
    QTRY_COMPARE(entries(), QStringList({add, "-", remove}));
}

void tst_LectureNavigation::readableUnderDarkTheme_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("text");

    const QColor white(255, 255, 255);
    const QColor black(0, 0, 0);
    QTest::newRow("no colours") << "<body>" << white << black;
    QTest::newRow("own white page") << "<body bgcolor=\"#ffffff\">" << white << black;
    QTest::newRow("own dark text") << "<body style=\"color: #000000\">" << white << black;
    QTest::newRow("own colours") << "<body bgcolor=\"#000080\" style=\"color: #ffff00\">" << QColor(0, 0, 128)
                                 << QColor(255, 255, 0);
}

void tst_LectureNavigation::readableUnderDarkTheme()
{
    QFETCH(QString, body);
    QFETCH(QColor, background);
    QFETCH(QColor, text);

    // A dark desktop theme, set before the player's window is made.
    const QPalette lightPalette = QApplication::palette();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(25, 25, 25));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(45, 45, 45));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    QApplication::setPalette(dark);

    RawZip zip;
    const QString words = QStringLiteral("<p><b>ТЕМНОТА И СВЕТ</b></p>").repeated(30);
    zip.add("index.html", QTextCodec::codecForName("Windows-1251")->fromUnicode(QStringLiteral("<html>%1%2</body></html>").arg(body, words)));
    const QString package = m_dir->filePath(QStringLiteral("theme.zip"));
    QVERIFY(writeFile(package, zip.build().bytes));
    openInWindow(package);

    const QImage shown = page()->viewport()->grab().toImage();
    const int area = shown.width() * shown.height();
    const int backgroundShare = countPixels(shown, background, 10) * 100 / area;
    const int textPixels = countPixels(shown, text, 60);
    // The viewer's own panels follow the theme.
    const QColor panelBase = m_window->contentsPanel()->tree()->palette().color(QPalette::Base);
    QApplication::setPalette(lightPalette);
    QVERIFY2(backgroundShare > 60, qPrintable(QString::number(backgroundShare)));
    QVERIFY2(textPixels > 500, qPrintable(QString::number(textPixels)));
    QCOMPARE(panelBase, QColor(25, 25, 25));
}

QTEST_MAIN(tst_LectureNavigation)
#include "tst_lecturenavigation.moc"
