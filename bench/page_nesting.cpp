// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// How long the pane (QTextBrowser) takes to lay out pages whose elements
// nest N levels deep, for the kinds of nesting pages use. The player's
// PageLimits bounds come from these figures.
//
//   g++ -O2 -fPIC bench/page_nesting.cpp -o /tmp/page_nesting $(pkg-config --cflags --libs Qt6Widgets)
//   QT_QPA_PLATFORM=offscreen /tmp/page_nesting
//
// A kind stops at the first depth that takes longer than 8 s.

#include <QtCore/QElapsedTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QTextBrowser>

#include <cstdio>

namespace {

struct Kind
{
    const char *name;
    const char *open;
    const char *close;
    QList<int> depths;
};

qint64 layoutMilliseconds(const Kind &kind, int depth)
{
    const QString html = QString::fromLatin1(kind.open).repeated(depth) + QStringLiteral("x")
        + QString::fromLatin1(kind.close).repeated(depth);
    QTextBrowser pane;
    pane.resize(800, 600);
    pane.show();
    QElapsedTimer clock;
    clock.start();
    pane.setHtml(html);
    pane.document()->size(); // the layout
    QCoreApplication::processEvents();
    return clock.elapsed();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QList<int> deep = {250, 500, 1000, 2000, 4000};
    const Kind kinds[] = {
        {"div", "<div>", "</div>", deep},
        {"b", "<b>", "</b>", deep},
        {"span", "<span>", "</span>", deep},
        {"a", "<a href=\"#x\">", "</a>", deep},
        {"blockquote", "<blockquote>", "</blockquote>", deep},
        {"ul/li", "<ul><li>", "</li></ul>", deep},
        {"table", "<table><tr><td>", "</td></tr></table>", {5, 10, 12, 15}},
    };
    for (const Kind &kind : kinds) {
        for (const int depth : kind.depths) {
            const qint64 ms = layoutMilliseconds(kind, depth);
            std::printf("%-10s %5d levels: %6lld ms\n", kind.name, depth, ms);
            std::fflush(stdout);
            if (ms > 8000)
                break;
        }
    }
    return 0;
}
