// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_IKELVANENAVIGATOR_H
#define KELVANE_IKELVANENAVIGATOR_H

#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtCore/QVector>

class QTextDocument;

// A page of the lecture as its contents list it.
struct KelvaneLecturePage
{
    QString path; // inside the package, folders separated by "/"
    QString title;
    int level = 0;      // how deep the links found it; 0 for the start page
    bool linked = true; // false: a page of the package that no link reaches
};

// A match of the search through the whole lecture.
struct KelvaneLectureMatch
{
    QString path;       // the page, inside the package
    QString title;      // the page's title
    QString context;    // the words around the match
    QString text;       // what was searched for
    int occurrence = 0; // the how-manieth match on its page, from 0
};

// What a host may ask of the player window besides IKelvanePlayer: the
// lecture's pages, moving between them, the search through all of them,
// and a page's document for printing. Reached with
// qobject_cast<IKelvaneNavigator*> on the same window as IKelvanePlayer.
// navigationSignals() gives an object that emits "locationChanged()" when
// another page or place is shown and "findWrapped()" when the find field's
// search went on from the top of the page.
class IKelvaneNavigator
{
public:
    virtual ~IKelvaneNavigator() = default;

    // The pages in reading order: the start page, those its links reach
    // (depth first), then the others. Empty while no package is open.
    virtual QVector<KelvaneLecturePage> lecturePages() = 0;
    virtual QString currentPage() const = 0;
    // The page the lecture starts with, inside the package.
    virtual QString startPage() const = 0;
    virtual int scrollPosition() const = 0;
    // Shows a page (a path inside the package) at a scroll position; false
    // when the package has no such page.
    virtual bool openPage(const QString &path, int scrollPosition) = 0;

    virtual bool canGoBack() const = 0;
    virtual bool canGoForward() const = 0;
    virtual bool goBack() = 0;
    virtual bool goForward() = 0;
    virtual bool goHome() = 0;

    virtual QVector<KelvaneLectureMatch> findInLecture(const QString &text) = 0;
    // Opens the match's page with the match selected and in view.
    virtual bool showMatch(const KelvaneLectureMatch &match) = 0;

    // The page as the pane shows it, pictures included, owned by `parent`;
    // null when the package has no such page.
    virtual QTextDocument *pageDocument(const QString &path, QObject *parent) = 0;

    virtual QObject *navigationSignals() = 0;
};

Q_DECLARE_INTERFACE(IKelvaneNavigator, "IKelvaneNavigator/1.0")

#endif // KELVANE_IKELVANENAVIGATOR_H
