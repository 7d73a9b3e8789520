// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_PARALLELEXTRACTOR_P_H
#define KELVANE_PARALLELEXTRACTOR_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// Extracts or tests entries on several threads. Every thread runs the serial
// reader's own code for one entry at a time (path checks, local header,
// password, authentication code, decoding, CRC-32, removal of a failed
// file) on a reader context of its own: its own buffers and decoders, and
// an ArchiveView of the one open archive. The entries are handed out in the
// archive's order, those large enough to end the run alone first. Each thread keeps the diagnostics of an entry instead of logging
// them, so that the caller can log them in list order afterwards and the
// outcome reads as the serial reader's.
//
// Entries whose output paths meet form one group that a single thread
// extracts in list order: the same file under different spellings, two
// files of one name under DropFolders. When one entry would need a folder
// where another writes a file, the whole list is one group.

#include <kelvanezip/unzip.h>
#include "common/ziplog_p.h"
#include "read/unzip_p.h"

#include <QtCore/QString>
#include <QtCore/QVector>

class DiscardDevice;
class QDir;
class ZipEntryP;

class ParallelExtractor
{
public:
    struct Item
    {
        QString name;               // the directory's key
        ZipEntryP *entry = nullptr; // null: not in the directory, not run
        UnZip::ErrorCode result = UnZip::Success;
        QVector<ZipDiagnostic::Line> lines; // its diagnostics, in order
        bool ran = false;
        QString outputPath;                  // extraction that stops at a failure: the file written, for removal
        QStringList folders;                 // extraction: the folders it made sure of
        QVector<UnzipPrivate::Stamp> stamps; // extraction: its folder's, for the end of the call
    };

    ParallelExtractor(UnzipPrivate &reader, int threads);

    // Tests one entry on the reader: decodes it into the device, then holds
    // what came out against the recorded size and CRC-32 once more (a
    // stored entry may be shorter than its record and still match its CRC).
    static UnZip::ErrorCode testEntry(UnzipPrivate &reader, const QString &name, ZipEntryP &entry,
                                      DiscardDevice &device);

    // Where the serial reader writes the entry, relative to the target
    // folder (not cleaned of a leading "/"); empty for entries that write
    // nothing: a folder entry under DropFolders, names refused for what they
    // hold alone.
    static QString outputRelativePath(const QString &key, const ZipEntryP &entry, UnZip::ExtractionOptions options);

    // Extracts the items below dir. With stopAtFailure, no item listed after
    // one that failed is started (those already done stay as they are).
    void extract(QVector<Item> &items, const QDir &dir, UnZip::ExtractionOptions options, bool stopAtFailure);
    // Decodes the items' data and checks it, writing nothing.
    void test(QVector<Item> &items);

private:
    struct Task
    {
        QVector<int> items; // in list order
        quint64 weight = 0;
    };
    enum class Mode { Extract,
                      Test };

    // The groups of the items; each file item's outputPath is set below
    // target unless target is empty.
    QVector<Task> extractionTasks(QVector<Item> &items, const QString &target, UnZip::ExtractionOptions options) const;
    QVector<Task> testTasks(const QVector<Item> &items) const;
    void handOutOrder(const QVector<Item> &items, QVector<Task> &tasks) const;
    void run(QVector<Item> &items, QVector<Task> tasks, Mode mode, const QDir *dir,
             UnZip::ExtractionOptions options, bool stopAtFailure);

    UnzipPrivate &m_reader;
    const int m_threads;
};

#endif // KELVANE_PARALLELEXTRACTOR_P_H
