// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// CMainWindow as IKelvaneNavigator: the lecture's pages, the way back and
// forward, and the search through every page, for hosts that offer them.

#include "mainwindow.h"

#include "lecturesearch.h"
#include "pagenavigator.h"

#include <QtGui/QTextCursor>
#include <QtGui/QTextDocument>

namespace {

PageNavigator *navigatorOf(const QObject *window)
{
    return window->findChild<PageNavigator *>();
}

} // namespace

QVector<KelvaneLecturePage> CMainWindow::lecturePages()
{
    PageNavigator *navigator = navigatorOf(this);
    QVector<KelvaneLecturePage> pages;
    if (navigator->root().isEmpty())
        return pages;
    for (const LectureContents::Entry &entry : navigator->contents().entries())
        pages.append(KelvaneLecturePage{navigator->packagePath(entry.path), entry.title, entry.level, entry.linked});
    return pages;
}

QString CMainWindow::currentPage() const
{
    const PageNavigator *navigator = navigatorOf(this);
    const QString page = navigator->currentPage();
    return page.isEmpty() ? QString() : navigator->packagePath(page);
}

QString CMainWindow::startPage() const
{
    const PageNavigator *navigator = navigatorOf(this);
    const QString page = navigator->startPage();
    return page.isEmpty() ? QString() : navigator->packagePath(page);
}

int CMainWindow::scrollPosition() const
{
    return navigatorOf(this)->scrollPosition();
}

bool CMainWindow::openPage(const QString &path, int scrollPosition)
{
    PageNavigator *navigator = navigatorOf(this);
    const QString page = navigator->absolutePath(path);
    return !page.isEmpty() && navigator->openPage(page, scrollPosition);
}

bool CMainWindow::canGoBack() const
{
    return navigatorOf(this)->canGoBack();
}

bool CMainWindow::canGoForward() const
{
    return navigatorOf(this)->canGoForward();
}

bool CMainWindow::goBack()
{
    return navigatorOf(this)->goBack();
}

bool CMainWindow::goForward()
{
    return navigatorOf(this)->goForward();
}

bool CMainWindow::goHome()
{
    return navigatorOf(this)->goHome();
}

QVector<KelvaneLectureMatch> CMainWindow::findInLecture(const QString &text)
{
    PageNavigator *navigator = navigatorOf(this);
    QVector<KelvaneLectureMatch> found;
    // The search goes through every page: it waits for those still to come.
    if (navigator->root().isEmpty() || !navigator->waitForLecture())
        return found;
    const LectureContents &contents = navigator->searchableContents();
    for (const LectureSearch::Match &match : LectureSearch::find(contents, text)) {
        const LectureContents::Entry &entry = contents.entries().at(match.entry);
        found.append(KelvaneLectureMatch{navigator->packagePath(entry.path), entry.title, match.context,
                                         text.simplified(), match.occurrence});
    }
    return found;
}

bool CMainWindow::showMatch(const KelvaneLectureMatch &match)
{
    if (!openPage(match.path, 0) || match.text.isEmpty())
        return false;
    // The match of that number on the page as shown; the first one when the
    // pane's text has fewer (markup the pane lays out otherwise).
    QTextCursor cursor;
    QTextCursor found = browser.document()->find(match.text, cursor);
    for (int i = 0; i < match.occurrence && !found.isNull(); ++i) {
        cursor = found;
        found = browser.document()->find(match.text, cursor);
    }
    if (found.isNull())
        found = browser.document()->find(match.text);
    if (found.isNull())
        return false;
    browser.setTextCursor(found);
    browser.ensureCursorVisible();
    return true;
}

QTextDocument *CMainWindow::pageDocument(const QString &path, QObject *parent)
{
    PageNavigator *navigator = navigatorOf(this);
    const QString page = navigator->absolutePath(path);
    return page.isEmpty() ? nullptr : navigator->pageDocument(page, parent);
}

QObject *CMainWindow::navigationSignals()
{
    return navigatorOf(this);
}
