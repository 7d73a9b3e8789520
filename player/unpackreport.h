// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_UNPACKREPORT_H
#define KELVANE_UNPACKREPORT_H

#include <QtCore/QCoreApplication>
#include <QtCore/QString>
#include <QtCore/QStringList>

// The message that names the entries of a package that could not be
// unpacked: the first ten, then how many more there are.
class UnpackReport
{
    Q_DECLARE_TR_FUNCTIONS(UnpackReport)
public:
    static const int namesShown = 10;
    // Longer names are shortened in the middle so the box stays readable.
    static const int longestName = 80;

    static QString text(const QStringList &entries);
};

#endif // KELVANE_UNPACKREPORT_H
