// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "packageunpacker.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QSet>
#include <QTextCodec> // Core5Compat in Qt 6

PackageUnpacker::PackageUnpacker(const QString &archivePath)
    : m_archivePath(archivePath)
{
    m_reader.setFileNameCodec(QTextCodec::codecForName("IBM866"));
}

UnZip::ErrorCode PackageUnpacker::open()
{
    const UnZip::ErrorCode result = m_reader.openArchive(m_archivePath);
    m_pending = result == UnZip::Success ? m_reader.fileList() : QStringList();
    m_failed.clear();
    m_rejected.clear();
    return result;
}

QString PackageUnpacker::describe(UnZip::ErrorCode result) const
{
    const QString detail = m_reader.lastErrorDetail();
    return detail.isEmpty() ? m_reader.formatError(result) : m_reader.formatError(result) + QLatin1Char(' ') + detail;
}

bool PackageUnpacker::hasEncryptedEntries() const
{
    const QList<UnZip::ZipEntry> entries = m_reader.entryList();
    for (const UnZip::ZipEntry &entry : entries) {
        if (entry.encrypted)
            return true;
    }
    return false;
}

qint64 PackageUnpacker::pendingSize() const
{
    qint64 total = 0;
    const QSet<QString> pending(m_pending.cbegin(), m_pending.cend());
    const QList<UnZip::ZipEntry> entries = m_reader.entryList();
    for (const UnZip::ZipEntry &entry : entries) {
        if (entry.type == UnZip::File && pending.contains(entry.filename))
            total += qint64(qMin<quint64>(entry.uncompressedSize, quint64(1) << 62));
    }
    return total;
}

qint64 PackageUnpacker::packageSize() const
{
    return QFileInfo(m_archivePath).size();
}

void PackageUnpacker::unpack(const QString &targetFolder, const QString &password,
                             const std::function<bool(qint64, qint64)> &progress)
{
    unpackSome(m_pending, targetFolder, password, progress);
}

void PackageUnpacker::unpackSome(const QStringList &names, const QString &targetFolder, const QString &password,
                                 const std::function<bool(qint64, qint64)> &progress)
{
    const QSet<QString> pending(m_pending.cbegin(), m_pending.cend());
    QStringList wanted;
    for (const QString &name : names) {
        if (pending.contains(name) && !wanted.contains(name))
            wanted.append(name);
    }
    m_reader.setPassword(password);
    m_reader.setProgressHandler(progress);
    const QStringList kept = extract(wanted, targetFolder);
    const QSet<QString> stillPending(kept.cbegin(), kept.cend());
    m_reader.setProgressHandler({});
    const QSet<QString> asked(wanted.cbegin(), wanted.cend());
    QStringList left;
    for (const QString &name : qAsConst(m_pending)) {
        if (!asked.contains(name) || stillPending.contains(name))
            left.append(name);
    }
    m_pending = left;
}

// Extracts the entries and sorts their results; returns those that stay
// pending (cancelled, refused the password).
QStringList PackageUnpacker::extract(const QStringList &names, const QString &targetFolder)
{
    // A working copy: the package's modes must not lock the viewer out of
    // its own files or keep the folder from being removed.
    const QList<UnZip::EntryResult> results = m_reader.extractEntries(names, QDir(targetFolder),
                                                                      UnZip::KeepFolders | UnZip::IgnoreAttributes);
    QStringList pending;
    m_rejected.clear();
    m_cancelled = false;
    for (const UnZip::EntryResult &entry : results) {
        switch (entry.result) {
        case UnZip::Success:
            break;
        case UnZip::PasswordMismatch:
        case UnZip::BadPassword:
            m_rejected.append(entry.filename);
            pending.append(entry.filename);
            break;
        case UnZip::Cancelled:
            m_cancelled = true;
            pending.append(entry.filename);
            break;
        case UnZip::FileWriteError:
            if (m_writeFailure.isEmpty())
                m_writeFailure = entry.detail;
            m_failed.append(entry.filename);
            break;
        default:
            m_failed.append(entry.filename);
            break;
        }
    }
    return pending;
}

QHash<QString, qint64> PackageUnpacker::entrySizes() const
{
    QHash<QString, qint64> sizes;
    const QList<UnZip::ZipEntry> entries = m_reader.entryList();
    for (const UnZip::ZipEntry &entry : entries)
        sizes.insert(entry.filename,
                     entry.type == UnZip::File ? qint64(qMin<quint64>(entry.uncompressedSize, quint64(1) << 62)) : 0);
    return sizes;
}

QStringList PackageUnpacker::failedEntries() const
{
    QStringList all = m_failed + m_rejected;
    // Entries the reader cannot read at all are not in its listing.
    const QList<UnZip::SkippedEntry> skipped = m_reader.skippedEntries();
    for (const UnZip::SkippedEntry &entry : skipped)
        all.append(entry.filename.isEmpty() ? QStringLiteral("(%1)").arg(entry.description) : entry.filename);
    all.sort();
    return all;
}
