// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "playerplugin.h"

#include <ikelvaneplayer.h>
#include <pluginverification.h>

#include <QtCore/QFileInfo>
#include <QtCore/QLibrary>
#include <QtWidgets/QWidget>

namespace {

bool verificationMatches(const QString &pluginPath, QString *reported)
{
    QLibrary library(pluginPath);
    using VerificationFunction = const char *(*)();
    const auto function = reinterpret_cast<VerificationFunction>(
        library.resolve("qt_plugin_query_verification_data"));
    if (!function) {
        *reported = QStringLiteral("(no qt_plugin_query_verification_data: %1)").arg(library.errorString());
        return false;
    }
    const char *text = function();
    *reported = QString::fromLatin1(text ? text : "(null)");
    return text && qstrcmp(text, KELVANE_PLUGIN_VERIFICATION_DATA) == 0;
}

} // namespace

QString PlayerPlugin::defaultPath()
{
    const QString programFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    const QString beside = programFolder + QLatin1String(KELVANE_PLUGIN_FILE_NAME);
    if (QFileInfo(beside).isFile())
        return beside;
    return QFileInfo(programFolder + QLatin1String(KELVANE_PLUGIN_FROM_PROGRAM) + QLatin1Char('/')
                     + QLatin1String(KELVANE_PLUGIN_FILE_NAME))
        .absoluteFilePath();
}

ViewerExitCode PlayerPlugin::load(const QString &path)
{
    m_loader.setFileName(path);
    if (!m_loader.load()) {
        m_error = tr("cannot load the player plug-in %1: %2").arg(path, m_loader.errorString());
        return ExitPluginNotLoaded;
    }
    QString reported;
    if (!verificationMatches(m_loader.fileName(), &reported)) {
        m_error = tr("%1 is not a compatible player plug-in; its verification text is:\n%2")
                      .arg(m_loader.fileName(), reported);
        return ExitWrongVerification;
    }
    return ExitOk;
}

ViewerExitCode PlayerPlugin::createWindow()
{
    m_instance = m_loader.instance();
    m_player = qobject_cast<IKelvanePlayer *>(m_instance);
    m_window = qobject_cast<QWidget *>(m_instance);
    if (!m_player || !m_window) {
        m_error = tr("%1 gives no player window (%2)")
                      .arg(m_loader.fileName(), m_instance ? QString::fromLatin1(m_instance->metaObject()->className()) : m_loader.errorString());
        m_player = nullptr;
        m_window = nullptr;
        return ExitNoPlayer;
    }
    return ExitOk;
}
