// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "passwordprompt.h"

#include <QtWidgets/QInputDialog>
#include <QtWidgets/QLineEdit>

const char *PasswordPrompt::dialogName()
{
    return "kelvane_password_dialog";
}

bool PasswordPrompt::ask(QWidget *parent, const QString &packageName, bool again, QString *password)
{
    QInputDialog dialog(parent);
    dialog.setObjectName(QLatin1String(dialogName()));
    dialog.setWindowTitle(tr("Password"));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setLabelText(again
                            ? tr("The password is wrong. Enter the password of the lecture \"%1\" again:").arg(packageName)
                            : tr("The lecture \"%1\" is protected by a password. Enter the password:").arg(packageName));
    dialog.setOkButtonText(tr("OK"));
    dialog.setCancelButtonText(tr("Cancel"));
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *password = dialog.textValue();
    return true;
}
