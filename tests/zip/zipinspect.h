// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TESTS_ZIPINSPECT_H
#define KELVANE_TESTS_ZIPINSPECT_H

// Reads back the records of an archive written by Zip, field by field and
// independently of UnZip, so that tests can check the bytes on disk; and
// small helpers to lay out input trees.

#include <QtCore/QByteArray>
#include <QtCore/QDateTime>
#include <QtCore/QString>
#include <QtCore/QVector>

struct InspectedLocal
{
    bool valid = false;
    quint16 versionNeeded = 0;
    quint16 flags = 0;
    quint16 method = 0;
    quint16 dosTime = 0;
    quint16 dosDate = 0;
    quint32 crc = 0;
    quint32 compressedSize = 0;
    quint32 uncompressedSize = 0;
    quint16 extraLength = 0;
    QByteArray name;
    qint64 dataOffset = -1; // first byte after name and extra field
};

struct InspectedCentral
{
    quint16 versionMadeBy = 0;
    quint16 versionNeeded = 0;
    quint16 flags = 0;
    quint16 method = 0;
    quint16 dosTime = 0;
    quint16 dosDate = 0;
    quint32 crc = 0;
    quint32 compressedSize = 0;
    quint32 uncompressedSize = 0;
    quint16 extraLength = 0;
    quint16 commentLength = 0;
    quint16 diskStart = 0;
    quint16 internalAttributes = 0;
    quint32 externalAttributes = 0;
    quint32 localHeaderOffset = 0;
    QByteArray name;
    // The sizes and the offset with the record's ZIP64 extra block applied.
    quint64 uncompressedSize64 = 0;
    quint64 compressedSize64 = 0;
    quint64 localHeaderOffset64 = 0;
};

struct InspectedArchive
{
    QString error; // empty when the archive could be read
    qint64 endRecord = -1;
    quint16 diskNumber = 0;
    quint16 directoryDisk = 0;
    quint16 diskEntries = 0;
    quint16 totalEntries = 0;
    quint32 directorySize = 0;
    quint32 directoryOffset = 0;
    QByteArray comment;
    // Set when a ZIP64 locator stands before the end record; the 64-bit
    // values are those of the ZIP64 end record then, else the end record's.
    bool zip64 = false;
    quint64 entries64 = 0;
    quint64 directorySize64 = 0;
    quint64 directoryOffset64 = 0;
    QVector<InspectedCentral> central;

    bool ok() const { return error.isEmpty(); }
    QList<QByteArray> names() const;
    const InspectedCentral *find(const QByteArray &name) const;
};

// The end record is taken from the end of the bytes (the last signature).
// The bytes may be the end of a bigger archive that starts `base` bytes
// before them (offsets in the records count from the archive's start).
InspectedArchive inspectArchive(const QByteArray &bytes, qint64 base = 0);
InspectedLocal inspectLocal(const QByteArray &bytes, qint64 offset);
// Names of the local headers in the order they stand, walking from offset
// `start` over each entry's data (and 16-byte descriptor for flag bit 3).
QList<QByteArray> localNamesInOrder(const QByteArray &bytes, const InspectedArchive &archive, qint64 start = 0);

QByteArray readWholeFile(const QString &path);
// Writes the file, creating its folders.
void writeFile(const QString &path, const QByteArray &content);
void setModified(const QString &path, const QDateTime &time);

// Raw deflate of content fed in 262144-byte chunks, the last one with
// Z_FINISH: the reference for the writer's deflated data.
QByteArray referenceDeflate(const QByteArray &content, int level, int strategy = 0);
quint32 crc32Of(const QByteArray &content);

// Text-like bytes whose deflate output differs between levels.
QByteArray compressibleContent(int size, int seed = 1);
// Bytes that barely compress.
QByteArray randomContent(int size, int seed = 1);

#endif // KELVANE_TESTS_ZIPINSPECT_H
