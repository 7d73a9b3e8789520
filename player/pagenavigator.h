// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PAGENAVIGATOR_H
#define KELVANE_PAGENAVIGATOR_H

#include "navigationhistory.h"
#include "referenceresolver.h"

#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QUrl>

class QTextBrowser;

// Shows the pages of an unpacked package in the pane and follows their
// links. Pages, plain text and pictures of the package are shown in the
// pane; other files of the package (video, sound, documents, archives) and
// web or mail addresses go to the desktop's default program while the page
// stays; nothing outside the package is opened. Every page shown, and every
// jump to an anchor of a page, is remembered with where the page was
// scrolled to, so goBack() leads through all of them to the first. Links of
// a page of frames load into the frame they name; script links only print.
class PageNavigator : public QObject
{
    Q_OBJECT
public:
    PageNavigator(QTextBrowser *browser, QObject *parent);

    // Shows the first page of the package unpacked at `root`; the way back
    // starts anew.
    bool start(const QString &root, const QString &page);
    bool goBack();
    void followLink(const QUrl &link);

    QString currentPage() const { return m_history.current().path; }

    // The frames of the page shown, when it is a page of frames.
    QStringList frameNames() const { return m_frameNames; }

signals:
    // Something the reader should know: a link that leads nowhere.
    void warning(const QString &text);
    // A link of the page asks for the page to be printed.
    void printRequested();
    // A page was not laid out (too large, nested too deep): why, and its
    // file. The pane shows a short note in its place.
    void pageRefused(const QString &reason, const QString &path);

private:
    void followScriptLink(const QUrl &link);
    void go(const NavigationHistory::Location &next);
    bool show(const NavigationHistory::Location &location);
    bool openOnDesktop(const QString &path, const QString &reference);
    void scrollTo(const NavigationHistory::Location &location);

    QTextBrowser *m_browser;
    ReferenceResolver m_resolver;
    NavigationHistory m_history;
    QStringList m_frameNames;
};

#endif // KELVANE_PAGENAVIGATOR_H
