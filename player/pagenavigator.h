// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PAGENAVIGATOR_H
#define KELVANE_PAGENAVIGATOR_H

#include "navigationhistory.h"
#include "referenceresolver.h"

#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtCore/QUrl>

class QTextBrowser;

// Shows the pages of an unpacked package in the pane and follows their
// links. Pages, plain text and pictures of the package are shown in the
// pane; other files of the package (video, sound, documents, archives) and
// web or mail addresses go to the desktop's default program while the page
// stays; nothing outside the package is opened. Every page shown is
// remembered, so goBack() leads through all of them to the first.
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

signals:
    // Something the reader should know: a link that leads nowhere.
    void warning(const QString &text);

private:
    bool show(const NavigationHistory::Location &location);
    bool openOnDesktop(const QString &path, const QString &reference);
    void scrollTo(const NavigationHistory::Location &location);

    QTextBrowser *m_browser;
    ReferenceResolver m_resolver;
    NavigationHistory m_history;
};

#endif // KELVANE_PAGENAVIGATOR_H
