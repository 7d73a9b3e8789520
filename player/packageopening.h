// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PACKAGEOPENING_H
#define KELVANE_PACKAGEOPENING_H

#include <QtCore/QCoreApplication>
#include <QtCore/QString>

#include <functional>
#include <memory>

class PackageUnpacker;
class PageNavigator;
class QWidget;

// The opening of one package that exists, from clearing the working folder
// to showing the start page: the file checked, the archive opened, its room
// and expansion judged before anything is written, the working folder made
// and filled on a worker thread, the start page found and shown. A large
// package is filled in two parts: its start page with what that page
// shows, then the page is shown while an UnpackQueue (a child of the
// window) unpacks the rest behind it. Every
// failure is told in exactly one message, with its cause; an opening that
// was stopped (Cancel, the window closed, the program ending) tells nothing
// and leaves no working folder.
class PackageOpening
{
    // The window's texts, translated as the window's own.
    Q_DECLARE_TR_FUNCTIONS(CMainWindow)

public:
    using Report = std::function<void(const QString &text)>;

    PackageOpening(QWidget *window, PageNavigator *navigator, Report report);

    // False after a failure that has been reported, or a stop.
    bool open(const QString &package);

    // The working folder inside QDir::tempPath(), absolute; empty when there
    // is no usable temporary folder.
    static QString workingFolderPath();
    // True when anything at all sits at `path`, a dangling link included.
    static bool entryExists(const QString &path);

private:
    bool clearWorkingFolder();
    bool mayUnpack(const PackageUnpacker &unpacker, const QString &package);
    bool unpack(PackageUnpacker &unpacker, const QString &package);
    // The start page and its parts first; the rest too when it is small.
    bool unpackFirstPart(PackageUnpacker &unpacker, const QString &package, const QString &startEntry);
    // After an unpacking: a stop or a failed write ends the opening.
    bool unpackedWell(const PackageUnpacker &unpacker, bool stopped);
    bool showFirstPart(std::unique_ptr<PackageUnpacker> unpacker, const QString &startEntry);
    bool showStartPage(const PackageUnpacker &unpacker);
    void removeWorkingFolder();

    QWidget *m_window;
    PageNavigator *m_navigator;
    Report m_report;
    QString m_workPath;
};

#endif // KELVANE_PACKAGEOPENING_H
