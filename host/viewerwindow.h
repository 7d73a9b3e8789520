// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_VIEWERWINDOW_H
#define KELVANE_HOST_VIEWERWINDOW_H

#include <QtCore/QString>
#include <QtWidgets/QMainWindow>

class ContentsPanel;
class IKelvaneNavigator;
class IKelvanePlayer;
class LectureSearchPanel;
class NavigationBar;
class ReadingPlaces;
class QAction;
class QMenu;
class QTextBrowser;
class StartScreen;
class ViewerSettings;

// The viewer's main window: the player's window in the middle, and around
// it the application's menus and keys (open, recent packages, print, PDF
// export, about), package drops and a title that names the package.
// Every package is opened through the player's slOpen on the same window.
class ViewerWindow : public QMainWindow
{
    Q_OBJECT

public:
    ViewerWindow(QWidget *playerWindow, IKelvanePlayer *player, ViewerSettings &settings);
    ~ViewerWindow() override;

    // The player's page pane, found in its widget tree; null when it has none.
    QTextBrowser *page() const { return m_page; }
    QString package() const { return m_package; }

    QMenu *recentMenu() const { return m_recentMenu; }
    // The parts that need the player's IKelvaneNavigator; null without it.
    NavigationBar *navigationBar() const { return m_navigationBar; }
    ContentsPanel *contentsPanel() const { return m_contents; }
    LectureSearchPanel *searchPanel() const { return m_search; }
    // The home screen; null until it was first shown.
    StartScreen *startScreen() const { return m_startScreen; }
    ReadingPlaces *readingPlaces() const { return m_places; }

    // The text of the About box: version and keys.
    static QString aboutText();

public slots:
    // Opens the package in the player; `remember` adds it to the recent
    // packages. A missing file is reported here, since the player takes a
    // path that names nothing as nothing to do.
    bool openPackage(const QString &path, bool remember = true);
    void chooseAndOpen();
    // Shows the home screen in place of the page: at the start without a
    // package, and when the player's back button closed the lecture.
    void showStartScreen();
    void printPage();
    void exportPdf();
    void showAbout();

private:
    void createActions();
    void createLectureTools(QMenu *view);
    void leaveLecture();
    void fillRecentMenu();
    void updateTitle();
    void showPlayer();
    void setLectureToolsEnabled(bool enabled);

    QWidget *m_playerWindow;
    IKelvanePlayer *m_player;
    ViewerSettings &m_settings;
    QTextBrowser *m_page = nullptr;
    QString m_package;

    QAction *m_open = nullptr;
    QAction *m_print = nullptr;
    QAction *m_export = nullptr;
    QAction *m_quit = nullptr;
    QAction *m_about = nullptr;
    QMenu *m_recentMenu = nullptr;

    IKelvaneNavigator *m_navigator = nullptr;
    NavigationBar *m_navigationBar = nullptr;
    ContentsPanel *m_contents = nullptr;
    LectureSearchPanel *m_search = nullptr;
    StartScreen *m_startScreen = nullptr;
    ReadingPlaces *m_places = nullptr;
};

#endif // KELVANE_HOST_VIEWERWINDOW_H
