// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_MAINWINDOW_H
#define KELVANE_MAINWINDOW_H

#include "ikelvanenavigator.h"
#include "ikelvaneplayer.h"

#include <QtCore/QString>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QTextBrowser>
#include <QtWidgets/QWidget>

// Name of the working folder inside QDir::tempPath() into which a package
// is unpacked while it is shown.
static const QString tempDirName = QStringLiteral("texttemp");

// The player window: an HTML pane above a row of controls (back, search,
// zoom). It unpacks a lecture package into the working folder and shows its
// index.html; the back button removes the folder and emits sgQuit(). Hosts
// that offer contents, history and the search through the whole lecture
// reach those through IKelvaneNavigator (mainwindownavigation.cpp).
class CMainWindow : public QWidget, public IKelvanePlayer, public IKelvaneNavigator
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "IKelvanePlayer/1.0")
    Q_INTERFACES(IKelvanePlayer IKelvaneNavigator)

public:
    explicit CMainWindow(QWidget *parent = nullptr);

    void printLabError(QString text);
    bool decompress(const QString &archivePath, const QString &targetFolder, const QString &password);

signals:
    void sgQuit();

public slots:
    bool slOpen(QString filename) override;
    void slFontUp() override;
    void slFontDown() override;
    void slFind() override;

private slots:
    void slQuit();

public:
    QVector<KelvaneLecturePage> lecturePages() override;
    QString currentPage() const override;
    QString startPage() const override;
    int scrollPosition() const override;
    bool openPage(const QString &path, int scrollPosition) override;
    bool canGoBack() const override;
    bool canGoForward() const override;
    bool goBack() override;
    bool goForward() override;
    bool goHome() override;
    QVector<KelvaneLectureMatch> findInLecture(const QString &text) override;
    bool showMatch(const KelvaneLectureMatch &match) override;
    QTextDocument *pageDocument(const QString &path, QObject *parent) override;
    QObject *navigationSignals() override;

private:
    // The unpacking of the rest behind the page: shown, waited for by the
    // navigator, its failures told once.
    void followQueue();
    void queueFinished(const QString &writeFailure, const QStringList &failedEntries);
    // Stops whatever is unpacking; afterwards nothing writes any more.
    void stopUnpacking();
    // The row under the page: back, find, zoom.
    QWidget *createControlRow();
    // The pages' navigator, the search on the page and the window's keys.
    void setUpNavigation();

    QTextBrowser browser;
    QLineEdit findEdit;
};

#endif // KELVANE_MAINWINDOW_H
