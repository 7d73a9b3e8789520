// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_PLAYERPLUGIN_H
#define KELVANE_HOST_PLAYERPLUGIN_H

#include "exitcodes.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QPluginLoader>
#include <QtCore/QString>

class IKelvanePlayer;
class QObject;
class QWidget;

// The player plug-in: loaded, its verification text checked, and its window
// asked for. The window belongs to the caller once created.
class PlayerPlugin
{
    Q_DECLARE_TR_FUNCTIONS(PlayerPlugin)

public:
    // Where the program finds its plug-in: beside it in the build tree,
    // otherwise in the installed tree's plug-in folder.
    static QString defaultPath();

    // Loads the library and checks its verification text; ExitOk or the
    // exit code of the failure, with errorString().
    ViewerExitCode load(const QString &path);
    // Asks the loaded plug-in for its window (the translators must be
    // installed before, since the window translates its label once).
    ViewerExitCode createWindow();

    QObject *instance() const { return m_instance; }
    IKelvanePlayer *player() const { return m_player; }
    QWidget *window() const { return m_window; }
    QString fileName() const { return m_loader.fileName(); }
    QString errorString() const { return m_error; }

private:
    QPluginLoader m_loader;
    QObject *m_instance = nullptr;
    IKelvanePlayer *m_player = nullptr;
    QWidget *m_window = nullptr;
    QString m_error;
};

#endif // KELVANE_HOST_PLAYERPLUGIN_H
