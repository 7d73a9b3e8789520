// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TESTS_LECTUREFIXTURE_H
#define KELVANE_TESTS_LECTUREFIXTURE_H

#include "playertestsupport.h"

#include <rawzip.h>

#include <QtCore/QStringList>

// A lecture of five pages in two folders, in Windows-1251: the start page
// links to part1/a.html and part1/b.html, a.html on to part2/c.html (and
// back); part2/d.html is linked from nowhere. Each page says "page N"
// ("страница N") with N its place in reading order, and the word "кварк"
// stands on c.html and d.html only. The lines are those that --contents
// prints.
namespace LectureFixture {

inline QByteArray package()
{
    RawZip zip;
    zip.add("index.html",
            cp1251Page(QStringLiteral("<title>Введение</title><h1>Не заголовок</h1><p>страница 1</p>"
                                      "<p><a href=\"part1/a.html\">первая</a> <a href='part1/b.html#x'>вторая</a>"
                                      " <a href=\"http://example.org/\">сеть</a> <a href=part1/a.html>снова</a></p>")));
    zip.add("part1/a.html",
            cp1251Page(QStringLiteral("<title>Часть А</title><p>страница 2</p><p><a href=\"../part2/c.html\">дальше</a>"
                                      " <a href=\"../index.html\">начало</a></p>")));
    zip.add("part2/c.html", cp1251Page(QStringLiteral("<p>страница 3</p><p>Здесь кварк и ещё раз кварк.</p>")));
    zip.add("part1/b.html",
            cp1251Page(QString(QStringLiteral("<h2>Часть Б</h2><p>страница 4</p>"))
                       + QStringLiteral("<p>Текст для прокрутки.</p>").repeated(60)
                       + QStringLiteral("<p><a name=\"x\">якорь</a></p>")));
    zip.add("part2/d.html", cp1251Page(QStringLiteral("<title>Приложение</title><p>страница 5: кварк</p>")));
    zip.add("part2/pic.png", solidPng(QSize(8, 8), Qt::red));
    return zip.build().bytes;
}

inline QStringList contentsLines()
{
    return {QStringLiteral("Введение\tindex.html"), QStringLiteral("  Часть А\tpart1/a.html"),
            QStringLiteral("    c.html\tpart2/c.html"), QStringLiteral("  Часть Б\tpart1/b.html"),
            QStringLiteral("Other pages"), QStringLiteral("  Приложение\tpart2/d.html")};
}

} // namespace LectureFixture

#endif // KELVANE_TESTS_LECTUREFIXTURE_H
