// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_NAVIGATIONHISTORY_H
#define KELVANE_NAVIGATIONHISTORY_H

#include <QtCore/QMap>
#include <QtCore/QString>
#include <QtCore/QVector>

// The pages shown since the package was opened, and the jumps within a
// page, so that the reader can go back through each of them to the first
// one, and forward again until a new page is shown.
class NavigationHistory
{
public:
    struct Location
    {
        QString path;     // the file shown
        QString fragment; // the anchor it was opened at
        int scrollPosition = 0;
        // For a page of frames: the pages its links loaded into frames.
        QMap<QString, QString> frames;

        bool sameView(const Location &other) const { return path == other.path && frames == other.frames; }
    };

    void clear()
    {
        m_visited.clear();
        m_ahead.clear();
    }
    bool isEmpty() const { return m_visited.isEmpty(); }

    // A new page is shown; the current one becomes the way back.
    void visit(const Location &location)
    {
        m_visited.append(location);
        m_ahead.clear();
    }
    // Remembers where the current page was scrolled to before it is left.
    void setCurrentScrollPosition(int position);

    bool canGoBack() const { return m_visited.size() > 1; }
    // Leaves the current page; returns the one to show again.
    Location goBack();
    bool canGoForward() const { return !m_ahead.isEmpty(); }
    // Returns to the location left by the last goBack().
    Location goForward();

    Location current() const { return m_visited.isEmpty() ? Location() : m_visited.constLast(); }
    int depth() const { return int(m_visited.size()); }

private:
    QVector<Location> m_visited;
    QVector<Location> m_ahead; // left by going back, the nearest last
};

#endif // KELVANE_NAVIGATIONHISTORY_H
