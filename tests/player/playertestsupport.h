// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TESTS_PLAYERTESTSUPPORT_H
#define KELVANE_TESTS_PLAYERTESTSUPPORT_H

// Helpers for the tests that drive the player plug-in: capturing the
// process's standard output, closing and recording the modal warning boxes,
// reaching the window's widgets, and small pictures and pages.

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QScopedPointer>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QUrl>
#include <QtGui/QColor>
#include <QtGui/QImage>
#include <QtWidgets/QMessageBox>

class QLabel;
class QUrl;
class QLineEdit;
class QPushButton;
class QTextBrowser;
class QTimer;
class QWidget;

// Redirects file descriptor 1 into a temporary file while it lives, so that
// everything the code under test writes to standard output (flushed) can be
// read back. Qt's messages (which QtTest would print on standard output) are
// recorded separately meanwhile. Make no QVERIFY while a capture is active:
// its message would go to the file.
class StdoutCapture
{
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture &) = delete;
    StdoutCapture &operator=(const StdoutCapture &) = delete;

    // Ends the capture and returns the lines written meanwhile.
    QStringList finish();
    // The qDebug lines recorded during the capture.
    QStringList debugLines() const { return m_debugLines; }

private:
    static void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

    int m_savedFd = -1;
    int m_fileFd = -1;
    QStringList m_lines;
    QStringList m_debugLines;
    QtMessageHandler m_previousHandler = nullptr;
};

// Polls for modal message boxes while it lives; records each one and closes
// it with its OK button (or done() when it has none). Password dialogs are
// recorded too (their label text, prefixed with "password: ") and answered
// with the queued answers, in order; a null answer, or none left, cancels.
class BoxRecorder : public QObject
{
    Q_OBJECT
public:
    struct Box
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
    };

    BoxRecorder();
    ~BoxRecorder() override;

    QList<Box> boxes() const { return m_boxes; }
    QStringList texts() const;
    void answerPasswords(const QStringList &answers) { m_passwords = answers; }
    // Label texts of the password dialogs shown, in order.
    QStringList passwordPrompts() const { return m_prompts; }
    // Box texts and marks in the order they happened.
    QStringList events() const { return m_events; }

public slots:
    // Connect a signal here to see when it came relative to the boxes.
    void mark() { m_events.append(QStringLiteral("<signal>")); }

private:
    void poll();

    QTimer *m_timer;
    QList<Box> m_boxes;
    QStringList m_events;
    QStringList m_passwords;
    QStringList m_prompts;
};

// Catches what the player hands to the desktop (QDesktopServices::openUrl)
// for the given schemes while it lives, so that no real program starts.
class DesktopCatcher : public QObject
{
    Q_OBJECT
public:
    explicit DesktopCatcher(const QStringList &schemes = {QStringLiteral("http"), QStringLiteral("https"),
                                                          QStringLiteral("mailto"), QStringLiteral("ftp"),
                                                          QStringLiteral("file")});
    ~DesktopCatcher() override;
    QList<QUrl> urls() const { return m_urls; }

public slots:
    void open(const QUrl &url) { m_urls.append(url); }

private:
    QStringList m_schemes;
    QList<QUrl> m_urls;
};

class IKelvanePlayer;
class QPluginLoader;
class QTemporaryDir;

// The widgets of a player window, found through its layouts.
struct PlayerWidgets
{
    QTextBrowser *browser = nullptr;
    QWidget *toolBar = nullptr;
    QPushButton *backButton = nullptr;
    QLabel *findLabel = nullptr;
    QLineEdit *findEdit = nullptr;
    QPushButton *findButton = nullptr;
    QPushButton *fontUpButton = nullptr;
    QPushButton *fontDownButton = nullptr;

    static PlayerWidgets of(QWidget *window);
    bool complete() const;
};

// One player window made by the plug-in, as a host has it, with a scratch
// folder for the packages of a test. Make one in init(), drop it in
// cleanup(): the window goes, and so does the working folder.
class PlayerHarness
{
public:
    struct Opening
    {
        bool result = false;
        QStringList lines; // standard output
        QStringList boxes; // texts of the warning boxes
        QStringList passwordPrompts;
    };

    explicit PlayerHarness(const QString &pluginPath);
    ~PlayerHarness();
    PlayerHarness(const PlayerHarness &) = delete;
    PlayerHarness &operator=(const PlayerHarness &) = delete;

    // Loads the plug-in and asks it for its window; false on failure.
    bool start();

    QString savePackage(const QString &fileName, const QByteArray &bytes) const;
    // Opens a package; password dialogs get `passwords`, in order.
    Opening open(const QString &path, const QStringList &passwords = QStringList());
    // Shows the window at `size` and grabs the pane.
    QImage renderedPage(const QSize &size = QSize(700, 500));

    QWidget *window() const;
    IKelvanePlayer *player() const { return m_player; }
    const PlayerWidgets &widgets() const { return m_widgets; }
    QString scratchPath(const QString &name) const;

private:
    QScopedPointer<QPluginLoader> m_loader;
    QPointer<QObject> m_window;
    IKelvanePlayer *m_player = nullptr;
    PlayerWidgets m_widgets;
    QScopedPointer<QTemporaryDir> m_scratch;
};

// The working folder the player unpacks into.
QString workingFolder();

// Writes a file (creating its folder); false on failure.
bool writeFile(const QString &path, const QByteArray &content);

// A PNG picture filled with one colour.
QByteArray solidPng(const QSize &size, const QColor &colour);

// Pixels of `image` within `tolerance` (per channel) of `colour`.
int countPixels(const QImage &image, const QColor &colour, int tolerance = 8);

// A page in Windows-1251 around the given body (written in UTF-8 here); an
// empty charset leaves the meta tag out.
QByteArray cp1251Page(const QString &body, const QByteArray &declaredCharset = "windows-1251");

// Clicks the first link of the pane whose text is `linkText`, as a reader
// does with the mouse; false when there is no such text.
bool clickLink(QTextBrowser *browser, const QString &linkText);

#endif // KELVANE_TESTS_PLAYERTESTSUPPORT_H
