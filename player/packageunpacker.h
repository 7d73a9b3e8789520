// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PACKAGEUNPACKER_H
#define KELVANE_PACKAGEUNPACKER_H

#include <kelvanezip/unzip.h>

#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>

// Unpacks a lecture package into a folder entry by entry, and remembers the
// entries that could not be unpacked, so that the reader can be told.
//
// Names stored without the UTF-8 flag that are not UTF-8 either are read as
// CP866: packages come from Russian Windows, whose archivers write names in
// its DOS code page. Encrypted entries that refuse the password are kept
// aside, so that unpack() can try them again with another one.
class PackageUnpacker
{
public:
    explicit PackageUnpacker(const QString &archivePath);

    UnZip::ErrorCode open();
    // The reader's sentence for a result, with its detail when it has one.
    QString describe(UnZip::ErrorCode result) const;
    // The names of the entries, sorted.
    QStringList entryNames() const { return m_reader.fileList(); }
    bool hasEncryptedEntries() const;

    // The bytes the entries not unpacked yet will take (their recorded
    // sizes), and the package file's own size.
    qint64 pendingSize() const;
    qint64 packageSize() const;

    // Unpacks every entry not unpacked yet below `targetFolder`, encrypted
    // ones with `password`. The reader's progress goes to `progress`, which
    // may stop the unpacking (see UnZip::setProgressHandler()); the
    // entries not unpacked then stay pending.
    void unpack(const QString &targetFolder, const QString &password,
                const std::function<bool(qint64, qint64)> &progress = {});
    // The same for those of `names` that are still pending; the others
    // are passed over.
    void unpackSome(const QStringList &names, const QString &targetFolder, const QString &password,
                    const std::function<bool(qint64, qint64)> &progress = {});

    // The entries not unpacked yet, in name order.
    QStringList pendingEntries() const { return m_pending; }
    // The recorded sizes of the entries' content, by name; 0 for folders.
    QHash<QString, qint64> entrySizes() const;
    // The content of an entry read from the archive; empty on failure.
    QByteArray readEntry(const QString &name) { return m_reader.readEntry(name); }

    // After unpack(): the unpacking was stopped by its progress handler.
    bool cancelled() const { return m_cancelled; }
    // After unpack(): the reason of the first write that failed (a full
    // disk), in the system's words; empty when every write succeeded.
    QString writeFailure() const { return m_writeFailure; }

    // After unpack(): entries refused the password.
    bool passwordRejected() const { return !m_rejected.isEmpty(); }
    // Entries that could not be unpacked, in name order: failures, password
    // refusals, and the entries the reader leaves out of its listing (an
    // unknown method, for instance; a nameless one is given by its reason).
    QStringList failedEntries() const;

private:
    QStringList extract(const QStringList &names, const QString &targetFolder);

    QString m_archivePath;
    UnZip m_reader;
    QStringList m_pending;
    QStringList m_failed;
    QStringList m_rejected;
    QString m_writeFailure;
    bool m_cancelled = false;
};

#endif // KELVANE_PACKAGEUNPACKER_H
