// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "packageopening.h"

#include "folderutils.h"
#include "mainwindow.h"
#include "packagecheck.h"
#include "packageparts.h"
#include "packageunpacker.h"
#include "pagenavigator.h"
#include "passwordprompt.h"
#include "startpage.h"
#include "unpackbudget.h"
#include "unpackreport.h"
#include "unpackqueue.h"
#include "unpackrun.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <sys/types.h>
#endif

namespace {

// Creates the working folder, readable, writable and searchable by the
// owner only. It must be new: anything that appeared at the path since it
// was cleared makes the creation fail instead of being used.
bool createPrivateFolder(const QString &path)
{
#ifdef Q_OS_UNIX
    return ::mkdir(QFile::encodeName(path).constData(), S_IRWXU) == 0;
#else
    if (PackageOpening::entryExists(path) || !QDir().mkdir(path))
        return false;
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#endif
}

// A rest smaller than this is unpacked before the page is shown: it takes
// less time than the page takes to appear.
const qint64 smallestBackground = qint64(8) * 1024 * 1024;

enum class Unpacking { Done,
                       PasswordRefused,
                       Stopped };

// Unpacks the package on a worker thread (see UnpackRun), asking for its
// password when it has encrypted entries, and again after a wrong one.
Unpacking unpackWithPassword(PackageUnpacker &unpacker, const QString &targetFolder, QWidget *window,
                             const QString &packageName)
{
    UnpackRun run(window, packageName);
    auto unpackOnce = [&](const QString &password) {
        const bool ran = run.run([&](const UnpackRun::Handler &progress) {
            unpacker.unpack(targetFolder, password, progress);
        });
        return ran && !unpacker.cancelled();
    };
    QString password;
    bool again = false;
    if (unpacker.hasEncryptedEntries()) {
        if (!PasswordPrompt::ask(window, packageName, again, &password))
            return Unpacking::PasswordRefused;
    }
    if (!unpackOnce(password))
        return Unpacking::Stopped;
    while (unpacker.passwordRejected()) {
        again = true;
        if (!PasswordPrompt::ask(window, packageName, again, &password))
            return Unpacking::PasswordRefused;
        if (!unpackOnce(password))
            return Unpacking::Stopped;
    }
    return Unpacking::Done;
}

} // namespace

PackageOpening::PackageOpening(QWidget *window, PageNavigator *navigator, Report report)
    : m_window(window)
    , m_navigator(navigator)
    , m_report(std::move(report))
    , m_workPath(workingFolderPath())
{
}

QString PackageOpening::workingFolderPath()
{
    // Qt answers an empty path when TMPDIR names no folder: the working
    // folder must then never end up at the root of the file system.
    const QString temporaryFolder = QDir::tempPath();
    if (temporaryFolder.isEmpty())
        return QString();
    // Absolute, since the working folder becomes the current folder.
    return QDir(temporaryFolder).absolutePath() + QLatin1Char('/') + tempDirName;
}

bool PackageOpening::entryExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool PackageOpening::open(const QString &package)
{
    if (!clearWorkingFolder())
        return false;
    // A package given by a path relative to the working folder was removed
    // with it.
    if (!QFile::exists(package)) {
        m_report(tr("File does not exist"));
        return false;
    }
    const QString problem = PackageCheck::fileProblem(package);
    if (!problem.isEmpty()) {
        m_report(problem);
        return false;
    }
    std::unique_ptr<PackageUnpacker> unpacker(new PackageUnpacker(package));
    const UnZip::ErrorCode opened = unpacker->open();
    if (opened != UnZip::Success) {
        m_report(PackageCheck::archiveProblem(package, unpacker->describe(opened)));
        return false;
    }
    if (!mayUnpack(*unpacker, package))
        return false;
    if (m_workPath.isEmpty() || !createPrivateFolder(m_workPath)) {
        m_report(QObject::tr("cannot create dir ") + tempDirName);
        return false;
    }
    QDir::setCurrent(m_workPath);
    // Encrypted packages are unpacked whole, so that the password is
    // settled before the page is shown.
    const QString startEntry = unpacker->hasEncryptedEntries()
        ? QString()
        : PackageParts(unpacker->entryNames(), m_workPath).startPage();
    if (startEntry.isEmpty())
        return unpack(*unpacker, package) && showStartPage(*unpacker);
    return unpackFirstPart(*unpacker, package, startEntry) && showFirstPart(std::move(unpacker), startEntry);
}

bool PackageOpening::clearWorkingFolder()
{
    // Whatever sits at the working folder's path goes first: a folder left
    // by an earlier opening, or a link someone put there (removed as a link,
    // never followed).
    if (!m_workPath.isEmpty() && entryExists(m_workPath) && !util_deleteDir(m_workPath)) {
        m_report(tr("please manual remove dir = (%1)").arg(m_workPath));
        return false;
    }
    return true;
}

bool PackageOpening::mayUnpack(const PackageUnpacker &unpacker, const QString &package)
{
    const QString folder = m_workPath.isEmpty() ? QString() : QFileInfo(m_workPath).absolutePath();
    const UnpackBudget::Figures figures = UnpackBudget::measure(unpacker.pendingSize(), package, folder);
    switch (UnpackBudget::judge(figures)) {
    case UnpackBudget::Fits:
        return true;
    case UnpackBudget::NoRoom:
        m_report(UnpackBudget::noRoomText(figures));
        return false;
    case UnpackBudget::Ask:
        break;
    }
    return UnpackBudget::ask(figures, m_window, tr("kelvane_player"));
}

bool PackageOpening::unpack(PackageUnpacker &unpacker, const QString &package)
{
    const Unpacking unpacked = unpackWithPassword(unpacker, m_workPath, m_window, QFileInfo(package).fileName());
    if (unpacked == Unpacking::PasswordRefused) {
        m_report(tr("The lecture was not opened: it is protected by a password."));
        return false;
    }
    return unpackedWell(unpacker, unpacked == Unpacking::Stopped);
}

bool PackageOpening::unpackFirstPart(PackageUnpacker &unpacker, const QString &package, const QString &startEntry)
{
    UnpackRun run(m_window, QFileInfo(package).fileName());
    const PackageParts parts(unpacker.entryNames(), m_workPath);
    const QString workPath = m_workPath;
    const bool ran = run.run([&unpacker, &parts, &startEntry, &workPath](const UnpackRun::Handler &progress) {
        parts.bringIn(startEntry, [&](const QStringList &names) {
            unpacker.unpackSome(names, workPath, QString(), progress);
            return !unpacker.cancelled();
        });
        // A start page written under another name than its entry's (see
        // UnZip) is found as before, once everything is unpacked.
        const bool startThere = QFileInfo(workPath + QLatin1Char('/') + startEntry).isFile();
        if (!unpacker.cancelled() && (!startThere || unpacker.pendingSize() < smallestBackground))
            unpacker.unpack(workPath, QString(), progress);
    });
    return unpackedWell(unpacker, !ran || unpacker.cancelled());
}

bool PackageOpening::unpackedWell(const PackageUnpacker &unpacker, bool stopped)
{
    if (stopped) {
        // Cancelled, the window closed or the program asked to end:
        // nothing to tell, nothing to keep.
        removeWorkingFolder();
        return false;
    }
    if (!unpacker.writeFailure().isEmpty()) {
        removeWorkingFolder();
        m_report(tr("The lecture could not be unpacked: %1").arg(unpacker.writeFailure()));
        return false;
    }
    // Relative references of the page (pictures, linked pages) are loaded
    // from the current folder.
    QDir::setCurrent(m_workPath);
    return true;
}

bool PackageOpening::showFirstPart(std::unique_ptr<PackageUnpacker> unpacker, const QString &startEntry)
{
    if (unpacker->pendingEntries().isEmpty())
        return showStartPage(*unpacker);
    if (!m_navigator->start(m_workPath, m_workPath + QLatin1Char('/') + startEntry)) {
        removeWorkingFolder();
        return false; // the navigator has said why
    }
    // The rest behind the page; its failures are told when it ends.
    new UnpackQueue(m_window, std::move(unpacker), m_workPath);
    return true;
}

bool PackageOpening::showStartPage(const PackageUnpacker &unpacker)
{
    const QString startPage = StartPage::find(m_workPath);
    if (startPage.isEmpty()) {
        const QString tooLong = PackageCheck::startPageProblem(m_workPath, unpacker.entryNames());
        m_report(tooLong.isEmpty() ? tr("The package has no start page: there is no index.html in it.") : tooLong);
        return false;
    }
    if (!m_navigator->start(m_workPath, startPage))
        return false; // the navigator has said why
    const QStringList failed = unpacker.failedEntries();
    if (!failed.isEmpty())
        m_report(UnpackReport::text(failed));
    return true;
}

void PackageOpening::removeWorkingFolder()
{
    QDir::setCurrent(QFileInfo(m_workPath).absolutePath());
    if (entryExists(m_workPath))
        util_deleteDir(m_workPath);
}
