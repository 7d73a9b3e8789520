// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_VIEWERSESSION_H
#define KELVANE_HOST_VIEWERSESSION_H

#include "commandline.h"
#include "workfolder.h"

#include <QtCore/QObject>

class QWidget;
class IKelvanePlayer;
class TerminationSignals;
class Translations;

// One run of the viewer: the private working folder, the plug-in and its
// window, the chosen kind of run (a window, a screenshot, a PDF), and the
// clean-up on every way out.
class ViewerSession : public QObject
{
    Q_OBJECT

public:
    ViewerSession(const ViewerOptions &options, Translations &translations);
    ~ViewerSession() override;

    // Runs and returns the exit code. When a termination signal ended the
    // run, terminationSignal() gives it (the caller ends the process by it
    // once everything is cleaned up).
    int run();
    int terminationSignal() const { return m_signal; }

private:
    int runWithPlugin(TerminationSignals &terminations);
    int showWindow(QWidget *playerWindow, IKelvanePlayer *player, TerminationSignals &terminations);
    int renderUnattended(QWidget *playerWindow, IKelvanePlayer *player, TerminationSignals &terminations);
    int writePdf(QWidget *playerWindow); // an exit code
    int reportLecture(QWidget *playerWindow, IKelvanePlayer *player);
    // A failure before any window exists: on standard error, and in a box
    // when a window was asked for.
    void tellBeforeWindow(const QString &text);

private slots:
    void playerQuit();

private:
    ViewerOptions m_options;
    Translations &m_translations;
    PrivateWorkFolder m_folder;
    bool m_endedByPlayer = false;
    int m_signal = 0;
};

#endif // KELVANE_HOST_VIEWERSESSION_H
