// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PAGENAVIGATOR_H
#define KELVANE_PAGENAVIGATOR_H

#include "lecturecontents.h"
#include "navigationhistory.h"
#include "referenceresolver.h"

#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QSharedPointer>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QUrl>

class QTextBrowser;
class QTextDocument;
class UnpackQueue;

// Shows the pages of an unpacked package in the pane and follows their
// links. Pages, plain text and pictures of the package are shown in the
// pane; other files of the package (video, sound, documents, archives) and
// web or mail addresses go to the desktop's default program while the page
// stays; nothing outside the package is opened. Every page shown, and every
// jump to an anchor of a page, is remembered with where the page was
// scrolled to, so goBack() leads through all of them to the first. Links of
// a page of frames load into the frame they name; script links only print.
//
// While the package is still unpacking (see UnpackQueue), a page asked for
// that is not on disk yet, or whose parts are not, is waited for: the queue
// brings it in out of turn. Pictures that land after their page was shown
// are drawn then.
class PageNavigator : public QObject
{
    Q_OBJECT
public:
    PageNavigator(QTextBrowser *browser, QObject *parent);

    // Shows the first page of the package unpacked at `root`; the way back
    // starts anew.
    bool start(const QString &root, const QString &page);
    bool goBack();
    bool goForward();
    // Shows the first page again, as a step of its own on the way back.
    bool goHome();
    // Shows a page of the package (an absolute path below the root) at a
    // scroll position or, when `fragment` is given, at that anchor.
    bool openPage(const QString &path, int scrollPosition = 0, const QString &fragment = QString());
    void followLink(const QUrl &link);

    bool canGoBack() const { return m_history.canGoBack(); }
    bool canGoForward() const { return m_history.canGoForward(); }
    QString currentPage() const { return m_history.current().path; }
    QString startPage() const { return m_startPage; }
    QString root() const { return m_resolver.root(); }
    const ReferenceResolver &resolver() const { return m_resolver; }
    int scrollPosition() const;
    // The lecture's pages, read once per package on first use.
    const LectureContents &contents() const;
    // The same with every page's text read, for the search.
    const LectureContents &searchableContents() const;
    // A path of the package as "folder/page.html"; the absolute path of one.
    QString packagePath(const QString &absolutePath) const;
    QString absolutePath(const QString &packagePath) const;

    // A document of the page at `path` as the pane would show it (pictures
    // read from the package), owned by `parent`; null when it cannot be read.
    QTextDocument *pageDocument(const QString &path, QObject *parent) const;

    // The frames of the page shown, when it is a page of frames.
    QStringList frameNames() const { return m_frameNames; }

    // The unpacking of the package's rest, while it runs.
    void setQueue(UnpackQueue *queue);
    // Waits until the whole package is unpacked (at once when it is);
    // false when the unpacking was stopped first.
    Q_INVOKABLE bool waitForLecture();

signals:
    // Something the reader should know: a link that leads nowhere.
    void warning(const QString &text);
    // A link of the page asks for the page to be printed.
    void printRequested();
    // Another page or place is shown, or the way back or forward changed.
    void locationChanged();
    // The find field's search went on from the top of the page.
    void findWrapped();
    // A page was not laid out (too large, nested too deep): why, and its
    // file. The pane shows a short note in its place.
    void pageRefused(const QString &reason, const QString &path);
    // The lecture's pages have changed: the rest of the package is unpacked.
    void contentsChanged();

private:
    // Brings the file at `path` in when it is still to be unpacked; false
    // when the wait was stopped, or another one is going on.
    bool bringIn(const QString &path) const;
    void filesLanded();
    void queueEnded();
    // A link to a file of the package: its page shown, in its frame when
    // it names one, or the file opened on the desktop.
    void followInPackage(const ReferenceResolver::Target &target, const QString &frame, const QString &written);
    void followScriptLink(const QUrl &link);
    bool go(const NavigationHistory::Location &next);
    bool show(const NavigationHistory::Location &location);
    // The page's document; `refusal` says why it holds a note instead of
    // the page (too large, nested too deep), empty when it holds the page.
    QTextDocument *composeDocument(const NavigationHistory::Location &location, QObject *parent,
                                   QStringList *frameNames, QString *refusal) const;
    bool openOnDesktop(const QString &path, const QString &reference);
    void scrollTo(const NavigationHistory::Location &location);

    QTextBrowser *m_browser;
    ReferenceResolver m_resolver;
    NavigationHistory m_history;
    QStringList m_frameNames;
    QString m_startPage;
    mutable QSharedPointer<LectureContents> m_contents;
    QPointer<UnpackQueue> m_queue;
    mutable bool m_waiting = false;
};

#endif // KELVANE_PAGENAVIGATOR_H
