// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Lectures as authoring tools export them, opened through the plug-in as a
// host does: a start page of frames with links into frames, inline frames
// and online video, pictures in SVG, WebP, animated GIF and data addresses,
// paths left from the author's Windows machine, formulas, table borders and
// colours of style sheets, script links and jumps within a page. What is
// checked is what the reader sees: text and where it stands, pictures drawn,
// what went to the desktop, and where the back key leads.

#include "authoringcourse.h"
#include "playertestsupport.h"

#include <ikelvaneplayer.h>

#include <QtCore/QTimer>
#include <QtGui/QAbstractTextDocumentLayout>
#include <QtGui/QMovie>
#include <QtGui/QTextBlock>
#include <QtPrintSupport/QPrintDialog>
#include <QtTest/QtTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QTextBrowser>

using namespace AuthoringCourse;

namespace {

// At least 90 % of one 60 x 40 picture in this colour.
bool shows(const QImage &page, const QColor &colour)
{
    return countPixels(page, colour) >= 60 * 40 * 9 / 10;
}

// Where the text starts in the pane's viewport; invalid when absent.
QRect placeOf(QTextBrowser *pane, const QString &text)
{
    const QTextCursor found = pane->document()->find(text);
    if (found.isNull())
        return QRect();
    QTextCursor start = found;
    start.setPosition(found.selectionStart());
    return pane->cursorRect(start);
}

// Pixels of `area` far from white: text or lines drawn there.
int inkIn(const QImage &image, const QRect &area)
{
    int ink = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 140)
                ++ink;
        }
    }
    return ink;
}

} // namespace

class tst_AuthoringExports : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pictures_data();
    void pictures();
    void framesSideBySide();
    void linksIntoFrames();
    void formulasAndTableBorders();
    void readableStyles();
    void scriptLinks();
    void jumpsWithinPage();

private:
    QTextBrowser *pane() const { return m_harness->widgets().browser; }
    void back() { QTest::keyClick(pane()->viewport(), Qt::Key_Left, Qt::AltModifier); }
    bool openCourse();
    int moviesPlaying() const { return int(pane()->findChildren<QMovie *>().size()); }

    QScopedPointer<PlayerHarness> m_harness;
};

void tst_AuthoringExports::init()
{
    m_harness.reset(new PlayerHarness(QStringLiteral(KELVANE_PLAYER_PLUGIN)));
    QVERIFY(m_harness->start());
}

void tst_AuthoringExports::cleanup()
{
    m_harness.reset();
}

bool tst_AuthoringExports::openCourse()
{
    const QByteArray bytes = package();
    if (bytes.isEmpty())
        return false;
    const PlayerHarness::Opening opening = m_harness->open(m_harness->savePackage(QStringLiteral("course.zip"), bytes));
    if (!opening.result || !opening.boxes.isEmpty())
        return false;
    m_harness->renderedPage(QSize(1000, 800));
    return QTest::qWaitForWindowActive(m_harness->window());
}

void tst_AuthoringExports::pictures_data()
{
    QTest::addColumn<QString>("link"); // clicked first; empty: the start page
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("drawn");

    QTest::newRow("SVG") << QString() << red << true;
    QTest::newRow("WebP") << QString() << blue << true;
    QTest::newRow("C:\\ path, its folder decides") << QString() << violet << true;
    QTest::newRow("C:\\ path, same name elsewhere") << QString() << orange << false;
    QTest::newRow("file:///C:/ URL") << QString() << yellow << true;
    QTest::newRow("data: percent-encoded SVG") << QString() << teal << true;
    QTest::newRow("data: base64, word processor") << QStringLiteral("Конспект") << green << true;
    QTest::newRow("data: base64, slides") << QStringLiteral("Слайды") << green << true;
    QTest::newRow("data: base64, HTML export") << QStringLiteral("Веб-страница") << green << true;
}

void tst_AuthoringExports::pictures()
{
    QFETCH(QString, link);
    QFETCH(QColor, colour);
    QFETCH(bool, drawn);
    QVERIFY(openCourse());
    if (!link.isEmpty())
        QVERIFY(clickLink(pane(), link));
    const QImage page = m_harness->renderedPage(QSize(1000, 800));
    QCOMPARE(shows(page, colour), drawn);
    // No picture of the view is missing (the pane draws a grey box then).
    QVERIFY(countPixels(page, QColor(238, 238, 238), 0) < 94 * 70 / 2);
}

void tst_AuthoringExports::framesSideBySide()
{
    QVERIFY(openCourse());
    const QString text = pane()->toPlainText();
    for (const char *expected : {"Содержание", "Первая часть", "Заметки преподавателя"})
        QVERIFY2(text.contains(QString::fromUtf8(expected)), qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("не поддерживает")));
    // An online frame is its address, which goes to the desktop only when clicked.
    const QString site = QStringLiteral("https://example.org/course?a=1&b=2");
    QVERIFY(text.contains(site));

    // Contents at the left; the part at the right, the notes under it.
    const QRect contents = placeOf(pane(), QStringLiteral("Содержание"));
    const QRect part = placeOf(pane(), QStringLiteral("Первая часть"));
    const QRect notes = placeOf(pane(), QStringLiteral("Заметки преподавателя"));
    QVERIFY2(part.left() > contents.left() + 150 && qAbs(part.top() - contents.top()) < 40,
             qPrintable(QStringLiteral("contents at %1,%2; part at %3,%4")
                            .arg(contents.left())
                            .arg(contents.top())
                            .arg(part.left())
                            .arg(part.top())));
    QVERIFY(qAbs(notes.left() - part.left()) < 20 && notes.top() > part.bottom());
    // The frames' widths as the page gives them: a quarter for the contents.
    QVERIFY(part.left() > 1000 / 4 - 20 && part.left() < 1000 / 4 + 40);

    // Every frame is searched.
    m_harness->widgets().findEdit->setText(QStringLiteral("преподавателя"));
    m_harness->player()->slFind();
    QCOMPARE(pane()->textCursor().selectedText(), QStringLiteral("преподавателя"));
}

void tst_AuthoringExports::linksIntoFrames()
{
    QVERIFY(openCourse());
    DesktopCatcher desktop;
    QVERIFY(clickLink(pane(), QStringLiteral("Часть вторая")));
    QString text = pane()->toPlainText();
    // Only the main frame changed; the inline frames are shown in place.
    QVERIFY2(text.contains(QStringLiteral("Вторая часть")) && !text.contains(QStringLiteral("Первая часть")),
             qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Содержание")) && text.contains(QStringLiteral("Заметки преподавателя")));
    QVERIFY(text.contains(QStringLiteral("Встроенная страница")));
    QVERIFY(!text.contains(QStringLiteral("Ваш браузер")));
    const QString video = QStringLiteral("https://www.youtube.com/embed/lecture42");
    QVERIFY2(text.contains(video), qPrintable(text));
    QVERIFY(desktop.urls().isEmpty());

    // The GIF of the inline frame plays: both of its pictures are seen.
    QCOMPARE(moviesPlaying(), 1);
    bool sawRed = false;
    bool sawBlue = false;
    for (int i = 0; i < 40 && !(sawRed && sawBlue); ++i) {
        const QImage page = m_harness->renderedPage(QSize(1000, 800));
        sawRed = sawRed || shows(page, red);
        sawBlue = sawBlue || shows(page, blue);
        QTest::qWait(25);
    }
    QVERIFY(sawRed && sawBlue);

    QVERIFY(clickLink(pane(), video));
    QCOMPARE(desktop.urls(), QList<QUrl>{QUrl(video)});

    back();
    text = pane()->toPlainText();
    QVERIFY(text.contains(QStringLiteral("Первая часть")) && !text.contains(QStringLiteral("Вторая часть")));
    QTRY_COMPARE(moviesPlaying(), 0); // it stopped with its page

    // A link to the whole window leaves the frames.
    QVERIFY(clickLink(pane(), QStringLiteral("Конспект")));
    QVERIFY(!pane()->toPlainText().contains(QStringLiteral("Содержание")));
    back();
    QVERIFY(pane()->toPlainText().contains(QStringLiteral("Содержание")));
}

void tst_AuthoringExports::formulasAndTableBorders()
{
    QVERIFY(openCourse());
    QVERIFY(clickLink(pane(), QStringLiteral("Конспект")));
    const QString text = pane()->toPlainText();
    QVERIFY2(text.contains(QStringLiteral("R = ρ·l/S")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("√x + x2")), qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("rho")));
    // The exponent is raised.
    const QTextCursor two = pane()->document()->find(QStringLiteral("x2"));
    QTextCursor exponent(pane()->document());
    exponent.setPosition(two.selectionEnd());
    QCOMPARE(exponent.charFormat().verticalAlignment(), QTextCharFormat::AlignSuperScript);

    // A line is drawn between the cells "Диэлектрики" and "Фарфор".
    const QImage page = m_harness->renderedPage(QSize(1000, 800));
    QTextCursor word = pane()->document()->find(QStringLiteral("Диэлектрики"));
    QTextCursor end = word;
    end.setPosition(word.selectionEnd());
    const QRect left = pane()->cursorRect(end);
    const QRect right = placeOf(pane(), QStringLiteral("Фарфор"));
    QVERIFY(right.left() > left.left());
    // A column inked over the whole line height: no letter is that tall.
    bool line = false;
    for (int x = left.left() - 2; x <= right.left() + 1 && !line; ++x)
        line = inkIn(page, QRect(x, left.top(), 1, left.height())) >= left.height() * 9 / 10;
    QVERIFY2(line, "no border between the cells");
}

void tst_AuthoringExports::readableStyles()
{
    QVERIFY(openCourse());
    QVERIFY(clickLink(pane(), QStringLiteral("Оформление")));
    const QString text = pane()->toPlainText();
    QVERIFY2(!text.contains(QStringLiteral("ГлавнаяЛекции")) && !text.contains(QStringLiteral("ЛекцииЗадачи")),
             qPrintable(text));
    // The subtitle, on a gradient, and the banner, on a picture, stand out
    // from what is drawn behind them (the most common colour where they are).
    const QImage page = m_harness->renderedPage(QSize(1000, 800));
    for (const char *light : {"Лекция для", "Светлый текст"}) {
        const QRect subtitle = placeOf(pane(), QString::fromUtf8(light));
        QVERIFY(subtitle.isValid());
        const QRect area = QRect(subtitle.left(), subtitle.top(), 120, subtitle.height()).intersected(page.rect());
        QHash<QRgb, int> colours;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x)
                ++colours[page.pixel(x, y)];
        }
        QRgb ground = 0;
        for (auto it = colours.cbegin(); it != colours.cend(); ++it) {
            if (it.value() > colours.value(ground))
                ground = it.key();
        }
        int standingOut = 0;
        for (auto it = colours.cbegin(); it != colours.cend(); ++it) {
            if (qAbs(qGray(it.key()) - qGray(ground)) > 90)
                standingOut += it.value();
        }
        QVERIFY2(standingOut > 40, light);
    }
}

void tst_AuthoringExports::scriptLinks()
{
    QVERIFY(openCourse());
    DesktopCatcher desktop({QStringLiteral("javascript"), QStringLiteral("http"), QStringLiteral("file")});
    BoxRecorder boxes;
    const QString before = pane()->toPlainText();
    QVERIFY(clickLink(pane(), QStringLiteral("Фон")));
    QCOMPARE(pane()->toPlainText(), before);

    // Printing asks for the printer; the reader cancels here.
    QString dialogTitle;
    QTimer::singleShot(200, this, [&dialogTitle] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QPrintDialog *>(widget); dialog && dialog->isVisible()) {
                dialogTitle = dialog->windowTitle();
                dialog->reject();
            }
        }
    });
    QVERIFY(clickLink(pane(), QStringLiteral("Печать")));
    QTRY_COMPARE(dialogTitle, QStringLiteral("Print the page"));
    QVERIFY(desktop.urls().isEmpty());
    QVERIFY(boxes.texts().isEmpty());
    QCOMPARE(pane()->toPlainText(), before);
}

void tst_AuthoringExports::jumpsWithinPage()
{
    QVERIFY(openCourse());
    QVERIFY(clickLink(pane(), QStringLiteral("Примечания")));
    QScrollBar *scroll = pane()->verticalScrollBar();
    QCOMPARE(scroll->value(), 0);
    QVERIFY(clickLink(pane(), QStringLiteral("К примечанию")));
    const int atNote = scroll->value();
    QVERIFY(atNote > 0);
    // Read on further down, then follow the link again from there.
    scroll->setValue(scroll->maximum());
    back();
    QCOMPARE(scroll->value(), 0);
    QVERIFY(pane()->toPlainText().contains(QStringLiteral("Примечание 1")));
    back();
    QVERIFY(pane()->toPlainText().contains(QStringLiteral("Содержание")));
}

QTEST_MAIN(tst_AuthoringExports)
#include "tst_authoringexports.moc"
