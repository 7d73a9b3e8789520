// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Lecture packages as people make them on Windows, opened through the
// plug-in as a host does: names in the DOS code page, references written
// with backslashes and in any letter case, pages in subfolders with and
// without a declared code page, links to the web and to files the pane
// cannot show, and entries that cannot be unpacked. What is checked is what
// the reader sees: pictures drawn, the text of the page reached by clicking,
// boxes, and what was handed to the desktop.

#include "playertestsupport.h"

#include <rawzip.h>

#include <ikelvaneplayer.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QTextCodec>
#include <QtTest/QtTest>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QTextBrowser>

namespace {

const QColor red(220, 30, 30);
const QColor green(30, 170, 60);
const QColor blue(40, 60, 210);

QByteArray cp866(const QString &name)
{
    return QTextCodec::codecForName("IBM866")->fromUnicode(name);
}

QByteArray picture(const QColor &colour)
{
    return solidPng(QSize(60, 40), colour);
}

// At least 90 % of one 60 x 40 picture in this colour.
bool shows(const QImage &page, const QColor &colour)
{
    return countPixels(page, colour) >= 60 * 40 * 9 / 10;
}

QString pixelReport(const QImage &page)
{
    return QStringLiteral("red %1, green %2, blue %3")
        .arg(countPixels(page, red))
        .arg(countPixels(page, green))
        .arg(countPixels(page, blue));
}

} // namespace

class tst_LecturePackages : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void cyrillicNames_data();
    void cyrillicNames();
    void windowsArchives_data();
    void windowsArchives();
    void windowsReferences_data();
    void windowsReferences();
    void pagesInSubfolders();
    void pageDecoding_data();
    void pageDecoding();
    void links_data();
    void links();
    void entriesNotUnpackedAreNamed();
    void sampleMadeOnWindows();

private:
    QTextBrowser *pane() const { return m_harness->widgets().browser; }
    void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    QScopedPointer<PlayerHarness> m_harness;
};

void tst_LecturePackages::init()
{
    m_harness.reset(new PlayerHarness(QStringLiteral(KELVANE_PLAYER_PLUGIN)));
    QVERIFY(m_harness->start());
}

void tst_LecturePackages::cleanup()
{
    m_harness.reset();
}

void tst_LecturePackages::pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(pane()->viewport(), key, modifiers);
}

void tst_LecturePackages::cyrillicNames_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("host"); // "version made by", high byte

    // Explorer's "Send to compressed folder" and WinRAR: DOS code page, no
    // flag; 7-Zip and newer tools: UTF-8 with the flag; some archivers on
    // other systems: UTF-8 without the flag.
    QTest::newRow("CP866, MS-DOS host") << 0 << 0;
    QTest::newRow("CP866, NTFS host") << 0 << 10;
    QTest::newRow("UTF-8 with flag") << 1 << 0;
    QTest::newRow("UTF-8 without flag") << 2 << 3;
}

void tst_LecturePackages::cyrillicNames()
{
    QFETCH(int, style);
    QFETCH(int, host);

    const auto storedName = [style](const QString &name) {
        return style == 0 ? cp866(name) : name.toUtf8();
    };
    RawZip zip;
    const auto add = [&](const QString &name, const QByteArray &content) {
        RawZip::Entry &entry = zip.add(storedName(name), content).deflated();
        entry.versionMadeBy = quint16((host << 8) | 20);
        if (style == 1)
            entry.utf8Flag();
    };
    add(QStringLiteral("index.html"),
        cp1251Page(QStringLiteral("<p><img src=\"Рисунки/Схема опыта.png\"></p>"
                                  "<p><a href=\"Занятия/Второе занятие.html\">дальше</a></p>")));
    add(QStringLiteral("Рисунки/Схема опыта.png"), picture(red));
    add(QStringLiteral("Рисунки/График.png"), picture(blue));
    add(QStringLiteral("Занятия/Второе занятие.html"),
        cp1251Page(QStringLiteral("<h1>Второе занятие</h1><img src=\"../Рисунки/График.png\">")));

    const PlayerHarness::Opening opening = m_harness->open(m_harness->savePackage(QStringLiteral("names.zip"),
                                                                                  zip.build().bytes));
    QVERIFY(opening.result);
    QCOMPARE(opening.boxes, QStringList());
    // Unpacked under their real names.
    QVERIFY(QFileInfo(workingFolder() + QStringLiteral("/Рисунки/Схема опыта.png")).isFile());
    QVERIFY(QFileInfo(workingFolder() + QStringLiteral("/Занятия/Второе занятие.html")).isFile());

    QImage page = m_harness->renderedPage();
    QVERIFY2(shows(page, red), qPrintable(pixelReport(page)));

    QVERIFY(clickLink(pane(), QStringLiteral("дальше")));
    QVERIFY(pane()->toPlainText().contains(QStringLiteral("Второе занятие")));
    page = m_harness->renderedPage();
    QVERIFY2(shows(page, blue) && !shows(page, red), qPrintable(pixelReport(page)));
}

void tst_LecturePackages::windowsArchives_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("Info-ZIP: CP866 and Unicode Path fields") << "unicode path";
    QTest::newRow("Unicode Path fields over ANSI names") << "unicode path, ansi";
    QTest::newRow("backslashes, MS-DOS host") << "backslashes 0";
    QTest::newRow("backslashes, NTFS host") << "backslashes 10";
    QTest::newRow("backslashes, VFAT host") << "backslashes 14";
    QTest::newRow("self-extractor stub in front") << "stub";
}

void tst_LecturePackages::windowsArchives()
{
    QFETCH(QString, kind);

    RawZip zip;
    const auto add = [&](const QString &name, const QByteArray &content) {
        QByteArray stored = cp866(name);
        if (kind.startsWith(QLatin1String("backslashes")))
            stored.replace('/', '\\');
        if (kind == QLatin1String("unicode path, ansi"))
            stored = QTextCodec::codecForName("Windows-1251")->fromUnicode(name);
        RawZip::Entry &entry = zip.add(stored, content).deflated();
        entry.madeBy(quint8(kind.section(QLatin1Char(' '), 1).toInt()));
        if (kind.startsWith(QLatin1String("unicode path"))) {
            entry.madeBy(3); // Info-ZIP on Unix
            entry.centralExtra = RawZip::unicodeBlock(0x7075, stored, name.toUtf8());
            entry.localExtra = entry.centralExtra;
        }
    };
    add(QStringLiteral("index.html"),
        cp1251Page(QStringLiteral("<p><img src=\"Рисунки\\Схема.png\"></p>"
                                  "<p><a href=\"Занятия\\Второе.html\">дальше</a></p>")));
    add(QStringLiteral("Рисунки/Схема.png"), picture(red));
    add(QStringLiteral("Рисунки/График.png"), picture(blue));
    add(QStringLiteral("Занятия/Второе.html"),
        cp1251Page(QStringLiteral("<h1>Второе</h1><p><img src=\"..\\Рисунки\\График.png\"></p>")));
    QByteArray bytes = zip.build().bytes;
    if (kind == QLatin1String("stub"))
        bytes.prepend("#!/bin/sh\necho 'a self-extracting lecture'\nexit 0\n" + QByteArray(3000, '#') + '\n');

    const PlayerHarness::Opening opening = m_harness->open(m_harness->savePackage(QStringLiteral("w.zip"), bytes));
    QVERIFY(opening.result);
    QCOMPARE(opening.boxes, QStringList());
    QVERIFY(QFileInfo(workingFolder() + QStringLiteral("/Рисунки/Схема.png")).isFile());
    QVERIFY(QFileInfo(workingFolder() + QStringLiteral("/Занятия/Второе.html")).isFile());
    QImage page = m_harness->renderedPage();
    QVERIFY2(shows(page, red), qPrintable(pixelReport(page)));
    QVERIFY(clickLink(pane(), QStringLiteral("дальше")));
    QCOMPARE(pane()->toPlainText().section(QLatin1Char('\n'), 0, 0), QStringLiteral("Второе"));
    page = m_harness->renderedPage();
    QVERIFY2(shows(page, blue), qPrintable(pixelReport(page)));
}

void tst_LecturePackages::windowsReferences_data()
{
    QTest::addColumn<QString>("reference"); // as written in the page
    QTest::addColumn<QStringList>("files"); // red, then green: their names in the package
    QTest::addColumn<QString>("expected");  // "red", "green" or "none"

    const QStringList picture = {"img/pic.png"};
    QTest::newRow("backslash") << "img\\pic.png" << picture << "red";
    QTest::newRow("folder in capitals") << "IMG/pic.png" << picture << "red";
    QTest::newRow("backslash, capitals") << "IMG\\PIC.PNG" << picture << "red";
    QTest::newRow("dot folder, backslash") << ".\\img\\pic.png" << picture << "red";
    QTest::newRow("name in other case") << "Pic.PNG" << QStringList{"pic.png"} << "red";
    QTest::newRow("percent escape") << "my%20pic.png" << QStringList{"my pic.png"} << "red";
    QTest::newRow("escaped Cyrillic") << "%D0%A0%D0%B8%D1%81.png" << QStringList{"Рис.png"} << "red";
    QTest::newRow("Cyrillic in other case") << "РИСУНОК.png" << QStringList{"рисунок.png"} << "red";
    QTest::newRow("root-relative") << "/img/pic.png" << picture << "red";
    QTest::newRow("exact match wins") << "pic.png" << QStringList{"Pic.png", "pic.png"} << "green";
    QTest::newRow("exact match wins, folder") << "Img/pic.png" << QStringList{"img/pic.png", "Img/pic.png"}
                                              << "green";
    QTest::newRow("two in other case") << "PIC.png" << QStringList{"pic.png", "Pic.png"} << "none";
    QTest::newRow("backslash kept in a name") << "old\\pic2.png" << QStringList{"old\\pic2.png"} << "red";
    QTest::newRow("missing") << "img\\other.png" << picture << "none";
    // A blue picture outside the working folder is never drawn.
    QTest::newRow("absolute path outside") << "@outside" << picture << "none";
    QTest::newRow("file URL outside") << "file://@outside" << picture << "none";
    QTest::newRow("climbing out") << "../@scratch/outside.png" << picture << "none";
    QTest::newRow("climbing out, backslashes") << "..\\@scratch\\outside.png" << picture << "none";
}

void tst_LecturePackages::windowsReferences()
{
    QFETCH(QString, reference);
    QFETCH(QStringList, files);
    QFETCH(QString, expected);

    const QString outside = m_harness->scratchPath(QStringLiteral("outside.png"));
    QVERIFY(writeFile(outside, picture(blue)));
    reference.replace(QLatin1String("@outside"), outside);
    reference.replace(QLatin1String("@scratch"), QFileInfo(outside).dir().dirName());

    RawZip zip;
    zip.add("index.html", cp1251Page(QStringLiteral("<p>Рисунок</p><img src=\"%1\">").arg(reference)));
    const QList<QColor> colours = {red, green};
    for (int i = 0; i < files.size(); ++i)
        zip.add(files.at(i).toUtf8(), picture(colours.at(i))).utf8Flag();
    QVERIFY(m_harness->open(m_harness->savePackage(QStringLiteral("refs.zip"), zip.build().bytes)).result);

    const QImage page = m_harness->renderedPage();
    QVERIFY(!page.isNull());
    QCOMPARE(shows(page, red), expected == QLatin1String("red"));
    QCOMPARE(shows(page, green), expected == QLatin1String("green"));
    QVERIFY2(countPixels(page, blue) == 0, qPrintable(pixelReport(page)));
    QVERIFY2(expected != QLatin1String("none") || (countPixels(page, red) == 0 && countPixels(page, green) == 0),
             qPrintable(pixelReport(page)));
}

void tst_LecturePackages::pagesInSubfolders()
{
    RawZip zip;
    zip.add("index.html", cp1251Page(QStringLiteral("<h1>Оглавление</h1><p><img src=\"img/title.png\"></p>"
                                                    "<p><a href=\"pages\\second.html\">вторая</a></p>")));
    zip.add("img/title.png", picture(red));
    zip.add("img/figure.png", picture(blue));
    zip.add("pages/second.html",
            cp1251Page(QStringLiteral("<h1>Вторая страница</h1><p><img src=\"..\\img\\figure.png\"></p>"
                                      "<p><a href=\"third.html\">третья</a> <a href=\"../index.html\">начало</a></p>")));
    zip.add("pages/third.html",
            cp1251Page(QStringLiteral("<h1>Третья страница</h1><p><a href=\"deeper/fourth.html\">четвёртая</a></p>")));
    zip.add("pages/deeper/fourth.html",
            cp1251Page(QStringLiteral("<h1>Четвёртая страница</h1><p><img src=\"../../img/title.png\"></p>"
                                      "<p><a href=\"../../index.html\">к началу</a></p>")));
    QVERIFY(m_harness->open(m_harness->savePackage(QStringLiteral("pages.zip"), zip.build().bytes)).result);
    QVERIFY(shows(m_harness->renderedPage(), red));
    QVERIFY(QTest::qWaitForWindowActive(m_harness->window()));

    const auto heading = [this] { return pane()->toPlainText().section(QLatin1Char('\n'), 0, 0); };
    // Down, beside, down again, and from there up to the start; the zoom
    // goes along.
    const qreal size = pane()->font().pointSizeF();
    m_harness->player()->slFontUp();
    m_harness->player()->slFontUp();
    QVERIFY(clickLink(pane(), QStringLiteral("вторая")));
    QCOMPARE(heading(), QStringLiteral("Вторая страница"));
    QCOMPARE(pane()->document()->defaultFont().pointSizeF(), size + 2);
    QImage page = m_harness->renderedPage();
    QVERIFY2(shows(page, blue) && !shows(page, red), qPrintable(pixelReport(page)));
    QVERIFY(clickLink(pane(), QStringLiteral("третья")));
    QCOMPARE(heading(), QStringLiteral("Третья страница"));
    QVERIFY(clickLink(pane(), QStringLiteral("четвёртая")));
    QCOMPARE(heading(), QStringLiteral("Четвёртая страница"));
    QVERIFY(shows(m_harness->renderedPage(), red));
    QVERIFY(clickLink(pane(), QStringLiteral("к началу")));
    QCOMPARE(heading(), QStringLiteral("Оглавление"));

    // Back through every page to the start, by either key; the first page
    // is the end of the way back.
    const QStringList way = {"Четвёртая страница", "Третья страница", "Вторая страница", "Оглавление"};
    for (int i = 0; i < way.size(); ++i) {
        if (i % 2 == 0)
            pressKey(Qt::Key_Left, Qt::AltModifier);
        else
            pressKey(Qt::Key_Backspace);
        QCOMPARE(heading(), way.at(i));
    }
    pressKey(Qt::Key_Backspace);
    QCOMPARE(heading(), QStringLiteral("Оглавление"));
    QVERIFY(shows(m_harness->renderedPage(), red));

    // Backspace in the find field edits the field and leaves the page alone.
    QVERIFY(clickLink(pane(), QStringLiteral("вторая")));
    QLineEdit *field = m_harness->widgets().findEdit;
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("abc"));
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(field->text(), QStringLiteral("ab"));
    QCOMPARE(heading(), QStringLiteral("Вторая страница"));
    // Alt+Left goes back from anywhere in the window.
    QTest::keyClick(field, Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(heading(), QStringLiteral("Оглавление"));

    // Pages left behind do not pile up in memory.
    QTRY_COMPARE(pane()->findChildren<QTextDocument *>().size(), 1);
}

void tst_LecturePackages::pageDecoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    const QString text = QStringLiteral("Теплопроводность — перенос тепла");
    const QByteArray utf8 = text.toUtf8();
    const auto page = [](const QByteArray &head, const QByteArray &body) {
        return "<html><head>" + head + "</head><body><p>" + body + "</p></body></html>";
    };
    const QString utf8ReadAs1251 = QTextCodec::codecForName("Windows-1251")->toUnicode(utf8);

    QTest::newRow("1251, declared") << cp1251Page(text) << text;
    QTest::newRow("1251, no declaration") << cp1251Page(text, QByteArray()) << text;
    QTest::newRow("1251, declared UTF-8") << cp1251Page(text, "utf-8") << text;
    QTest::newRow("UTF-8, meta charset") << page("<meta charset=\"utf-8\">", utf8) << text;
    QTest::newRow("UTF-8, http-equiv") << page("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">",
                                               utf8)
                                       << text;
    QTest::newRow("UTF-8, unquoted, after a title")
        << page("<title>x</title><meta charset=utf8>", utf8) << text;
    QTest::newRow("UTF-8 with byte-order mark") << QByteArray("\xEF\xBB\xBF") + page("", utf8) << text;
    QTest::newRow("UTF-8 with mark, declared 1251")
        << QByteArray("\xEF\xBB\xBF") + page("<meta charset=\"windows-1251\">", utf8) << text;
    QTest::newRow("UTF-8, no declaration") << page("", utf8) << utf8ReadAs1251;
    QTest::newRow("UTF-8, declared in a comment") << page("<!-- <meta charset=\"utf-8\"> -->", utf8)
                                                  << utf8ReadAs1251;
    QTest::newRow("UTF-8, charset named in the text") << page("", "charset=utf-8 " + utf8)
                                                      << QStringLiteral("charset=utf-8 ") + utf8ReadAs1251;
    QTest::newRow("UTF-8, declared KOI8-R") << page("<meta charset=\"koi8-r\">", utf8) << utf8ReadAs1251;
    QByteArray utf16("\xFF\xFE");
    for (const QChar c : text) {
        utf16.append(char(c.unicode() & 0xff));
        utf16.append(char(c.unicode() >> 8));
    }
    QTest::newRow("UTF-16 with byte-order mark (Notepad)") << utf16 << text;
}

void tst_LecturePackages::pageDecoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);

    // The same rule for the start page and for a linked one.
    RawZip start;
    start.add("index.html", bytes);
    QVERIFY(m_harness->open(m_harness->savePackage(QStringLiteral("start.zip"), start.build().bytes)).result);
    QCOMPARE(pane()->toPlainText(), expected);

    RawZip zip;
    zip.add("index.html", "<p><a href=\"linked.html\">link</a></p>");
    zip.add("linked.html", bytes);
    QVERIFY(m_harness->open(m_harness->savePackage(QStringLiteral("linked.zip"), zip.build().bytes)).result);
    m_harness->renderedPage();
    QVERIFY(clickLink(pane(), QStringLiteral("link")));
    QCOMPARE(pane()->toPlainText(), expected);
}

void tst_LecturePackages::links_data()
{
    QTest::addColumn<QString>("href");
    QTest::addColumn<QString>("outcome"); // "desktop: URL", "box: text", "pane: text" or "pane: red"

    QTest::newRow("web") << "http://example.org/lecture"
                         << "desktop: http://example.org/lecture";
    QTest::newRow("secure web") << "https://example.org/a?b=1#c"
                                << "desktop: https://example.org/a?b=1#c";
    QTest::newRow("mail") << "mailto:teacher@example.org"
                          << "desktop: mailto:teacher@example.org";
    QTest::newRow("video") << "media\\Опыт.MP4"
                           << "desktop: file:@/media/опыт.mp4";
    QTest::newRow("document") << "doc/lecture.pdf"
                              << "desktop: file:@/doc/lecture.pdf";
    QTest::newRow("slides") << "doc/Slides.ppt"
                            << "desktop: file:@/doc/Slides.ppt";
    QTest::newRow("archive") << "doc/more.zip"
                             << "desktop: file:@/doc/more.zip";
    QTest::newRow("large text") << "big.txt"
                                << "desktop: file:@/big.txt";
    QTest::newRow("text") << "notes.txt"
                          << "pane: Заметки к лекции";
    QTest::newRow("picture") << "img/pic.png"
                             << "pane: red";
    QTest::newRow("folder") << "doc/"
                            << "pane: Документы";
    QTest::newRow("file URL") << "file:///etc/hostname"
                              << "box: The link \"file:///etc/hostname\" leads outside the lecture and is not followed.";
    QTest::newRow("climbing out") << "../../../../../../etc/hostname"
                                  << "box: The link \"../../../../../../etc/hostname\" leads outside the lecture and "
                                     "is not followed.";
    QTest::newRow("drive letter") << "C:\\Windows\\win.ini"
                                  << "box: The link \"c:\\Windows\\win.ini\" leads outside the lecture and is not "
                                     "followed.";
    QTest::newRow("missing page") << "Lecture2.html"
                                  << "box: The lecture has no file \"Lecture2.html\".";
    QTest::newRow("launcher") << "tools/start.desktop"
                              << "box: \"tools/start.desktop\" is not a document and is not opened from a lecture.";
    QTest::newRow("script") << "tools/run.sh"
                            << "box: \"tools/run.sh\" is not a document and is not opened from a lecture.";
}

void tst_LecturePackages::links()
{
    QFETCH(QString, href);
    QFETCH(QString, outcome);

    RawZip zip;
    zip.add("index.html", cp1251Page(QStringLiteral("<h1>Ссылки</h1><p><a href=\"%1\">открыть</a></p>").arg(href.toHtmlEscaped())));
    zip.add(cp866(QStringLiteral("media/опыт.mp4")), QByteArray(4096, '\x11'));
    zip.add("doc/lecture.pdf", "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    zip.add("doc/Slides.ppt", QByteArray(2048, '\0')).deflated();
    zip.add("doc/more.zip", RawZip().build().bytes);
    zip.add("doc/index.html", cp1251Page(QStringLiteral("Документы")));
    zip.add("big.txt", QByteArray(17 * 1024 * 1024, 'a')).deflated(1);
    zip.add("notes.txt", QStringLiteral("Заметки к лекции").toUtf8());
    zip.add("img/pic.png", picture(red));
    zip.add("tools/start.desktop", "[Desktop Entry]\nType=Application\nExec=touch /tmp/kelvane-pwned\n");
    zip.add("tools/run.sh", "#!/bin/sh\ntouch /tmp/kelvane-pwned\n");
    QVERIFY(m_harness->open(m_harness->savePackage(QStringLiteral("links.zip"), zip.build().bytes)).result);
    m_harness->renderedPage();
    QVERIFY(QTest::qWaitForWindowActive(m_harness->window()));

    DesktopCatcher desktop;
    BoxRecorder boxes;
    QVERIFY(clickLink(pane(), QStringLiteral("открыть")));

    const QString kind = outcome.section(QStringLiteral(": "), 0, 0);
    const QString detail = outcome.section(QStringLiteral(": "), 1);
    if (kind == QLatin1String("pane")) {
        QVERIFY(boxes.texts().isEmpty());
        QVERIFY(desktop.urls().isEmpty());
        if (detail == QLatin1String("red"))
            QVERIFY(shows(m_harness->renderedPage(), red));
        else
            QVERIFY2(pane()->toPlainText().contains(detail), qPrintable(pane()->toPlainText()));
        pressKey(Qt::Key_Backspace);
    } else if (kind == QLatin1String("desktop")) {
        QVERIFY2(boxes.texts().isEmpty(), qPrintable(boxes.texts().join(QLatin1Char('\n'))));
        const QUrl url = detail.startsWith(QLatin1String("file:@"))
            ? QUrl::fromLocalFile(workingFolder() + detail.mid(6))
            : QUrl(detail);
        QCOMPARE(desktop.urls(), QList<QUrl>{url});
    } else {
        QVERIFY(desktop.urls().isEmpty());
        QCOMPARE(boxes.texts(), QStringList{detail});
    }
    // The page with the link is shown again, or has stayed.
    QVERIFY(pane()->toPlainText().startsWith(QStringLiteral("Ссылки")));
    QVERIFY(!QFile::exists(QStringLiteral("/tmp/kelvane-pwned")));
}

void tst_LecturePackages::entriesNotUnpackedAreNamed()
{
    RawZip zip;
    zip.add("index.html", cp1251Page(QStringLiteral("<h1>Лекция</h1><img src=\"pic.png\">"))).deflated();
    zip.add("pic.png", picture(green));
    // Twelve damaged pictures (wrong CRC-32), a page whose data do not
    // inflate, and an entry in a method nobody knows, which the reader leaves
    // out of its listing.
    for (int i = 1; i <= 12; ++i) {
        RawZip::Entry &entry = zip.add(QStringLiteral("Рисунки/рис%1.png").arg(i, 2, 10, QLatin1Char('0')).toUtf8(),
                                       picture(red));
        entry.utf8Flag();
        entry.central.crc = 0x1234;
        entry.local.crc = 0x1234;
    }
    zip.add("broken.html", "x").deflated().raw(QByteArray("\xff\xff\xff\xff", 4));
    zip.add("method.bin", "data").raw("data").method = 99;

    const PlayerHarness::Opening opening = m_harness->open(m_harness->savePackage(QStringLiteral("damaged.zip"),
                                                                                  zip.build().bytes));
    QVERIFY(opening.result);
    QCOMPARE(opening.lines, QStringList({"ok5", "ok6", "ok7", "ok8"}));
    QStringList expected = {"Files of the lecture that could not be unpacked (14):", "broken.html", "method.bin"};
    for (int i = 1; i <= 8; ++i)
        expected.append(QStringLiteral("Рисунки/рис%1.png").arg(i, 2, 10, QLatin1Char('0')));
    expected.append(QStringLiteral("and 4 more"));
    QCOMPARE(opening.boxes, QStringList{expected.join(QLatin1Char('\n'))});

    // What could be unpacked is shown.
    QVERIFY(pane()->toPlainText().contains(QStringLiteral("Лекция")));
    QVERIFY(shows(m_harness->renderedPage(), green));
}

void tst_LecturePackages::sampleMadeOnWindows()
{
    const QColor resistor(230, 140, 30);
    const QColor line(40, 90, 200);
    const PlayerHarness::Opening opening = m_harness->open(QStringLiteral(KELVANE_WINDOWS_LECTURE));
    QVERIFY(opening.result);
    QCOMPARE(opening.boxes, QStringList());
    QImage page = m_harness->renderedPage(QSize(900, 1000));
    QVERIFY(countPixels(page, resistor, 20) >= 30 * 60 * 9 / 10);
    QVERIFY(countPixels(page, line, 30) > 600);
    QVERIFY(QTest::qWaitForWindowActive(m_harness->window()));

    const auto heading = [this] { return pane()->toPlainText().section(QLatin1Char('\n'), 0, 0); };
    QVERIFY(clickLink(pane(), QStringLiteral("закон Ома")));
    QCOMPARE(heading(), QStringLiteral("Закон Ома для участка цепи")); // a page without a declaration
    page = m_harness->renderedPage(QSize(900, 1000));
    QVERIFY(countPixels(page, line, 30) > 600 && countPixels(page, resistor, 20) == 0);
    QVERIFY(clickLink(pane(), QStringLiteral("Задачи")));
    QCOMPARE(heading(), QStringLiteral("Задачи для самопроверки"));
    QVERIFY(clickLink(pane(), QStringLiteral("Закон Ома")));
    QCOMPARE(heading(), QStringLiteral("Закон Ома для участка цепи"));
    QVERIFY(clickLink(pane(), QStringLiteral("К лекции")));
    QCOMPARE(heading(), QStringLiteral("Лекция 4. Электрическая цепь"));

    DesktopCatcher desktop;
    QVERIFY(clickLink(pane(), QStringLiteral("статья о законе Ома")));
    QCOMPARE(desktop.urls(), QList<QUrl>{QUrl(QStringLiteral("https://ru.wikipedia.org/wiki/Закон_Ома"))});
    QCOMPARE(heading(), QStringLiteral("Лекция 4. Электрическая цепь"));

    for (int i = 0; i < 4; ++i)
        pressKey(Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(heading(), QStringLiteral("Лекция 4. Электрическая цепь"));
}

QTEST_MAIN(tst_LecturePackages)
#include "tst_lecturepackages.moc"
