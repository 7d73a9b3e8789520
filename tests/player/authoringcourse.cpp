// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "authoringcourse.h"

#include "playertestsupport.h"

#include <rawzip.h>

#include <QtCore/QBuffer>
#include <QtCore/QFile>
#include <QtGui/QImage>
#include <QtGui/QImageWriter>

namespace AuthoringCourse {

namespace {

// LZW data in which every code is a pixel: a clear code before each two,
// so the codes stay three bits wide (the table never grows past 8).
QByteArray gifPixels(int count, int colourIndex)
{
    QByteArray bytes;
    quint32 bits = 0;
    int used = 0;
    auto put = [&](int code) {
        bits |= quint32(code) << used;
        used += 3;
        while (used >= 8) {
            bytes.append(char(bits & 0xff));
            bits >>= 8;
            used -= 8;
        }
    };
    for (int i = 0; i < count; i += 2) {
        put(4); // clear
        put(colourIndex);
        if (i + 1 < count)
            put(colourIndex);
    }
    put(5); // end
    if (used > 0)
        bytes.append(char(bits & 0xff));
    QByteArray blocks;
    for (int at = 0; at < bytes.size(); at += 255) {
        const QByteArray block = bytes.mid(at, 255);
        blocks.append(char(block.size())).append(block);
    }
    return blocks.append('\0');
}

void appendLittle16(QByteArray &bytes, int value)
{
    bytes.append(char(value & 0xff)).append(char((value >> 8) & 0xff));
}

QByteArray page(const QString &body, const QString &head = QString())
{
    return QByteArray("<html><head><meta charset=\"utf-8\">") + head.toUtf8() + "</head><body>" + body.toUtf8()
        + "</body></html>";
}

QString framesetPage()
{
    return QStringLiteral("<html><head><title>Курс</title></head>"
                          "<frameset cols=\"25%,*\"><frame name=\"contents\" src=\"contents.html\">"
                          "<frameset rows=\"60%,*,40\"><frame name=\"main\" src=\"parts/part1.html\">"
                          "<frame name=\"notes\" src=\"notes.html\">"
                          "<frame name=\"site\" src=\"https://example.org/course?a=1&amp;b=2\"></frameset>"
                          "<noframes><body>Эта страница использует фреймы, но ваш браузер их не "
                          "поддерживает.</body></noframes></frameset></html>");
}

} // namespace

QByteArray picture(const QByteArray &format, const QColor &colour)
{
    if (format == "svg")
        return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"60\" height=\"40\">"
                              "<rect width=\"60\" height=\"40\" fill=\"%1\"/></svg>")
            .arg(colour.name())
            .toUtf8();
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(100); // lossless WebP
    return writer.write(image) ? bytes : QByteArray();
}

QByteArray animatedGif(const QColor &first, const QColor &second)
{
    const int width = 60;
    const int height = 40;
    QByteArray gif("GIF89a");
    appendLittle16(gif, width);
    appendLittle16(gif, height);
    gif.append(char(0x81)).append('\0').append('\0'); // a table of 4 colours
    for (const QColor &colour : {first, second, QColor(Qt::black), QColor(Qt::white)})
        gif.append(char(colour.red())).append(char(colour.green())).append(char(colour.blue()));
    gif.append("\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00", 19); // loop for ever
    for (int frame = 0; frame < 2; ++frame) {
        gif.append("\x21\xf9\x04\x00", 4);
        appendLittle16(gif, 15); // 150 ms
        gif.append('\0').append('\0');
        gif.append(',');
        appendLittle16(gif, 0);
        appendLittle16(gif, 0);
        appendLittle16(gif, width);
        appendLittle16(gif, height);
        gif.append('\0').append('\x02'); // no local table; codes of 2 + 1 bits
        gif.append(gifPixels(width * height, frame));
    }
    return gif.append(';');
}

QByteArray exported(const QString &name)
{
    QFile file(QStringLiteral(KELVANE_AUTHORING_DATA "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray package()
{
    const QByteArray writer = exported(QStringLiteral("writer-xhtml.xhtml"));
    const QByteArray slides = exported(QStringLiteral("impress.html"));
    const QByteArray web = exported(QStringLiteral("writer-embedded.html"));
    const QByteArray svg = picture("svg", red);
    const QByteArray webp = picture("webp", blue);
    if (writer.isEmpty() || slides.isEmpty() || web.isEmpty() || webp.isEmpty())
        return QByteArray();

    RawZip zip;
    zip.add("index.html", framesetPage().toUtf8());
    zip.add("contents.html",
            page(QStringLiteral("<h3>Содержание</h3><p><a href=\"parts/part1.html\">Часть первая</a></p>"
                                "<p><a href=\"parts/part2.html\">Часть вторая</a></p>"
                                "<p><a href=\"writer.xhtml\" target=\"_top\">Конспект</a></p>"
                                "<p><a href=\"slides.html\" target=\"_top\">Слайды</a></p>"
                                "<p><a href=\"web.html\" target=\"_top\">Веб-страница</a></p>"
                                "<p><a href=\"styled.html\" target=\"_top\">Оформление</a></p>"
                                "<p><a href=\"long.html\" target=\"_top\">Примечания</a></p>"
                                "<p><a href=\"javascript:window.print()\">Печать</a></p>"
                                "<p><a href=\"javascript:void(document.bgColor='red')\">Фон</a></p>"),
                 QStringLiteral("<base target=\"main\">")));
    zip.add("notes.html",
            page(QStringLiteral("<p>Заметки преподавателя <img src=\"file:///C:/Users/teacher/Documents/scan.png\">"
                                "<img src=\"data:image/svg+xml,%3Csvg xmlns=%22http://www.w3.org/2000/svg%22 "
                                "width=%2260%22 height=%2240%22%3E%3Crect width=%2260%22 height=%2240%22 "
                                "fill=%22%23149696%22/%3E%3C/svg%3E\"></p>")));
    zip.add("pictures/scan.png", solidPng(QSize(60, 40), yellow));
    zip.add("styled.html",
            page(QStringLiteral("<div class=\"header\"><h1>Электростатика</h1><p class=\"subtitle\">Лекция для "
                                "первого курса</p></div><p class=\"banner\">Светлый текст на картинке</p><div class=\"menu\"><a href=\"index.html\">Главная</a>"
                                "<a href=\"long.html\">Лекции</a><a href=\"writer.xhtml\">Задачи</a></div>"),
                 QStringLiteral("<link rel=\"stylesheet\" type=\"text/css\" href=\"css/site.css\">")));
    zip.add("css/site.css", QByteArray(".header { background: linear-gradient(to bottom, #1d3c6e, #3a6db0); "
                                       "color: #f4f4f4; }\n.subtitle { color: #f4f4f4; }\n"
                                       ".banner { background: url(../pictures/vector.svg); color: #fafafa; }\n"
                                       ".menu a { display: block; padding: 4px; }\n"));
    QString notes;
    for (int i = 1; i <= 60; ++i)
        notes += QStringLiteral("<p>Абзац %1 основного текста лекции.</p>").arg(i);
    zip.add("long.html", page(QStringLiteral("<p><a href=\"#note1\">К примечанию</a></p>%1"
                                             "<p><a name=\"note1\"></a>Примечание 1: опыт Кулона.</p>%1")
                                  .arg(notes)));
    zip.add("parts/part1.html",
            page(QStringLiteral("<h2>Первая часть</h2><p><img src=\"C:\\Users\\teacher\\Desktop\\lecture\\b\\img1.png\">"
                                "<img src=\"../pictures/vector.svg\"><img src=\"../pictures/photo.webp\"></p>")));
    zip.add("parts/part2.html",
            page(QStringLiteral("<h2>Вторая часть</h2><iframe src=\"../inner.html\">Ваш браузер не показывает "
                                "встроенные фреймы.</iframe><iframe width=\"560\" height=\"315\" "
                                "src=\"https://www.youtube.com/embed/lecture42\"></iframe>")));
    zip.add("inner.html", page(QStringLiteral("<p>Встроенная страница <img src=\"pictures/moving.gif\"></p>")));
    zip.add("a/img1.png", solidPng(QSize(60, 40), orange));
    zip.add("b/img1.png", solidPng(QSize(60, 40), violet));
    zip.add("pictures/vector.svg", svg);
    zip.add("pictures/photo.webp", webp);
    zip.add("pictures/moving.gif", animatedGif(red, blue));
    zip.add("writer.xhtml", writer);
    zip.add("slides.html", slides);
    zip.add("web.html", web);
    return zip.build().bytes;
}

} // namespace AuthoringCourse
