// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TESTS_AUTHORINGCOURSE_H
#define KELVANE_TESTS_AUTHORINGCOURSE_H

// A lecture as authoring tools leave it, shared by the tests of the pane
// and of the viewer's PDF export: a start page of frames (contents on the
// left; the part and the notes on the right, one above the other), pages
// with inline frames, pictures in SVG, WebP, animated GIF, data addresses
// and with paths of the author's Windows machine, a page with an external
// style sheet, and the exports of a real word processor and slide program
// (tests/player/authoring, made by make-exports.py there).

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtGui/QColor>

namespace AuthoringCourse {

const QColor red(220, 30, 30);
const QColor blue(40, 60, 210);
const QColor green(30, 170, 60); // the picture in the word processor's export
const QColor orange(230, 140, 30);
const QColor violet(130, 40, 170);
const QColor yellow(200, 190, 30);
const QColor teal(20, 150, 150);
// The header of the styled page: light text on a background the pane
// cannot draw (a gradient).
const QColor headerText(244, 244, 244);

// The package; empty when a data file or a picture could not be made.
QByteArray package();

// A picture of one colour in `format` ("svg", "webp", "png").
QByteArray picture(const QByteArray &format, const QColor &colour);
// A GIF that shows `first` and then `second`, over and over.
QByteArray animatedGif(const QColor &first, const QColor &second);
// A file of the word processor's and slide program's exports.
QByteArray exported(const QString &name);

} // namespace AuthoringCourse

#endif // KELVANE_TESTS_AUTHORINGCOURSE_H
