// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PASSWORDPROMPT_H
#define KELVANE_PASSWORDPROMPT_H

#include <QtCore/QCoreApplication>
#include <QtCore/QString>

class QWidget;

// Asks the reader for the password of an encrypted package, in a modal
// dialog with a hidden entry field.
class PasswordPrompt
{
    Q_DECLARE_TR_FUNCTIONS(PasswordPrompt)
public:
    // The object name of the dialog, by which hosts and tests find it.
    static const char *dialogName();

    // `again`: the password given before was wrong. Returns false when the
    // reader cancels.
    static bool ask(QWidget *parent, const QString &packageName, bool again, QString *password);
};

#endif // KELVANE_PASSWORDPROMPT_H
