// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_UNPACKBUDGET_H
#define KELVANE_UNPACKBUDGET_H

#include <QtCore/QCoreApplication>
#include <QtCore/QString>

class QWidget;

// Whether a package may be unpacked where its working folder goes, decided
// before anything is written: the room it needs against the free space
// there, and a bound on how far it may expand without the reader's consent.
//
// A package that does not fit is refused with one message naming the room
// needed and the room free. One that would unpack to more than 1 GiB and
// more than 20 times its own size (a package of zeros, a "bomb"), or that
// would leave the file system all but full, is unpacked only when the
// reader agrees.
class UnpackBudget
{
    Q_DECLARE_TR_FUNCTIONS(UnpackBudget)

public:
    enum Verdict { Fits,
                   Ask,
                   NoRoom };

    struct Figures
    {
        qint64 needed = 0;      // bytes the package unpacks to
        qint64 packageSize = 0; // bytes of the package file
        qint64 free = -1;       // bytes free where it goes; -1: unknown
        qint64 capacity = -1;   // bytes of that file system; -1: unknown
        QString folder;         // where it goes
    };

    static const qint64 expansionLimit = qint64(1) << 30;
    static const int ratioLimit = 20;

    // The figures for unpacking `needed` bytes from `packagePath` into
    // `folder` (which must exist).
    static Figures measure(qint64 needed, const QString &packagePath, const QString &folder);
    static Verdict judge(const Figures &figures);
    static QString noRoomText(const Figures &figures);
    static QString questionText(const Figures &figures);
    // The object name of the question box, by which hosts and tests find it.
    static const char *questionName();

    // Asks whether a package judged Ask is to be unpacked; true when the
    // reader agrees (a box closed any other way refuses).
    static bool ask(const Figures &figures, QWidget *parent, const QString &title);

private:
    // What must stay free after unpacking for the system to go on working.
    static qint64 reserve(const Figures &figures);
};

#endif // KELVANE_UNPACKBUDGET_H
