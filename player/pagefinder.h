// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PAGEFINDER_H
#define KELVANE_PAGEFINDER_H

#include <QtCore/QObject>
#include <QtGui/QPalette>

class QLineEdit;
class QTextBrowser;

// Searches the pane for the text of the find field, forward from the pane's
// cursor; at the end of the page it goes on from the top and says so. When
// the page has no match at all, the field turns red and says so in its tool
// tip until its text changes.
class PageFinder : public QObject
{
    Q_OBJECT
public:
    PageFinder(QTextBrowser *browser, QLineEdit *field, QObject *parent);

    // Selects the next occurrence, the first one again after the last; false
    // when there is none. An empty field finds nothing and shows no sign.
    bool findNext();
    // Puts the cursor into the field with its text selected, ready to type.
    void focusField();

signals:
    // The search reached the end of the page and went on from the top.
    void wrapped();

private:
    void showNotFound(bool notFound);

    QTextBrowser *m_browser;
    QLineEdit *m_field;
    QPalette m_normalPalette;
    QString m_normalToolTip;
    bool m_showsNotFound = false;
};

#endif // KELVANE_PAGEFINDER_H
