// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "packageunpacker.h"

#include <QtCore/QDir>
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

bool PackageUnpacker::hasEncryptedEntries() const
{
    const QList<UnZip::ZipEntry> entries = m_reader.entryList();
    for (const UnZip::ZipEntry &entry : entries) {
        if (entry.encrypted)
            return true;
    }
    return false;
}

void PackageUnpacker::unpack(const QString &targetFolder, const QString &password)
{
    m_reader.setPassword(password);
    const QDir target(targetFolder);
    QStringList rejected;
    for (const QString &name : qAsConst(m_pending)) {
        const UnZip::ErrorCode result = m_reader.extractFile(name, target, UnZip::KeepFolders);
        if (result == UnZip::Success)
            continue;
        if (result == UnZip::PasswordMismatch || result == UnZip::BadPassword)
            rejected.append(name);
        else
            m_failed.append(name);
    }
    m_pending = rejected;
    m_rejected = rejected;
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
