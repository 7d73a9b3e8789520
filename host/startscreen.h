// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_STARTSCREEN_H
#define KELVANE_HOST_STARTSCREEN_H

#include <QtWidgets/QWidget>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class ViewerSettings;

// The viewer's home screen, shown when no lecture is open: at the start
// without a package, and when the player's back button has closed the
// lecture. It lists the recent lectures (title, file name, when last
// opened) and offers Open and the sample lecture.
class StartScreen : public QWidget
{
    Q_OBJECT
public:
    StartScreen(ViewerSettings &settings, const QString &samplePackage, QWidget *parent);

    QTreeWidget *recentList() const { return m_recent; }
    QPushButton *openButton() const { return m_open; }
    QPushButton *sampleButton() const { return m_sample; }

public slots:
    // Lists the recent lectures anew.
    void refresh();

signals:
    void packageChosen(const QString &path);
    void openRequested();

private:
    void choose(QTreeWidgetItem *item);

    ViewerSettings &m_settings;
    QString m_samplePackage;
    QTreeWidget *m_recent;
    QPushButton *m_open;
    QPushButton *m_sample;
};

#endif // KELVANE_HOST_STARTSCREEN_H
