// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "translations.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QLibraryInfo>
#include <QtCore/QLocale>

// The viewer's resources live in a static library, whose registration is
// only linked in when something refers to it.
static void registerViewerResources()
{
    Q_INIT_RESOURCE(viewer);
}

namespace {

QString qtTranslationsFolder()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
}

} // namespace

Translations::Translations(const QString &language)
    : m_russian(wantsRussian(language))
{
    registerViewerResources();
    if (!m_russian)
        return;
    install(m_viewer, QStringLiteral(":/kelvane_viewer/viewer_ru.qm"));
    install(m_qt, qtTranslationsFolder() + QStringLiteral("/qtbase_ru.qm"));
}

Translations::~Translations()
{
    QCoreApplication::removeTranslator(&m_player);
    QCoreApplication::removeTranslator(&m_qt);
    QCoreApplication::removeTranslator(&m_viewer);
}

bool Translations::installPlayerCatalogue()
{
    return !m_russian || install(m_player, QStringLiteral(":/kelvane_player_res/player.qm"));
}

bool Translations::wantsRussian(const QString &language)
{
    if (!language.isEmpty())
        return language.startsWith(QLatin1String("ru"), Qt::CaseInsensitive);
    return QLocale::system().language() == QLocale::Russian;
}

bool Translations::install(QTranslator &translator, const QString &file)
{
    return translator.load(file) && QCoreApplication::installTranslator(&translator);
}
