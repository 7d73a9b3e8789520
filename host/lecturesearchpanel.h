// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_LECTURESEARCHPANEL_H
#define KELVANE_HOST_LECTURESEARCHPANEL_H

#include <ikelvanenavigator.h>

#include <QtCore/QVector>
#include <QtWidgets/QDockWidget>

class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// The search through every page of the lecture at once: a field, and a
// list of the matches with their page's title and the words around each.
// A click opens the page with the match selected.
class LectureSearchPanel : public QDockWidget
{
    Q_OBJECT
public:
    LectureSearchPanel(IKelvaneNavigator *navigator, QWidget *parent);

    QLineEdit *field() const { return m_field; }
    QTreeWidget *results() const { return m_results; }
    QLabel *summary() const { return m_summary; }

public slots:
    // Shows the panel with the cursor in its field, text selected.
    void activate();
    // Searches for the field's text and lists the matches.
    void search();
    // Forgets the matches (another package was opened).
    void clear();

private:
    void open(QTreeWidgetItem *item);

    IKelvaneNavigator *m_navigator;
    QLineEdit *m_field;
    QLabel *m_summary;
    QTreeWidget *m_results;
    QVector<KelvaneLectureMatch> m_matches;
};

#endif // KELVANE_HOST_LECTURESEARCHPANEL_H
