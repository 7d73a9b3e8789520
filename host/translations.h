// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_TRANSLATIONS_H
#define KELVANE_HOST_TRANSLATIONS_H

#include <QtCore/QString>
#include <QtCore/QTranslator>

// The catalogues of the viewer's language, installed while the object lives:
// the viewer's own (embedded), Qt's for its dialogs (when the system has
// it), and later the player's, which only exists once the plug-in is loaded.
class Translations
{
public:
    // language: "ru..." for Russian, anything else for English, empty for
    // the system locale's language.
    explicit Translations(const QString &language);
    ~Translations();
    Translations(const Translations &) = delete;
    Translations &operator=(const Translations &) = delete;

    bool russian() const { return m_russian; }
    // Installs the player's catalogue from the loaded plug-in's resources;
    // false when the plug-in holds none.
    bool installPlayerCatalogue();

    static bool wantsRussian(const QString &language);

private:
    bool install(QTranslator &translator, const QString &file);

    bool m_russian = false;
    QTranslator m_viewer;
    QTranslator m_qt;
    QTranslator m_player;
};

#endif // KELVANE_HOST_TRANSLATIONS_H
