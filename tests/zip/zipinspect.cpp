// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "zipinspect.h"

#include "filetree.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QRandomGenerator>

#include <utime.h>
#include <zlib.h>

namespace {

quint16 u16(const QByteArray &b, qint64 at)
{
    return quint16(uchar(b.at(int(at))) | (uchar(b.at(int(at + 1))) << 8));
}

quint32 u32(const QByteArray &b, qint64 at)
{
    return quint32(u16(b, at)) | (quint32(u16(b, at + 2)) << 16);
}

quint64 u64(const QByteArray &b, qint64 at)
{
    return quint64(u32(b, at)) | (quint64(u32(b, at + 4)) << 32);
}

// Applies a ZIP64 extra block (ID 1) of the extra field at `at`: its 8-byte
// values replace, in order, the fields that hold 0xffffffff.
void applyZip64(const QByteArray &b, qint64 at, int length, InspectedCentral *c)
{
    for (qint64 p = at; p + 4 <= at + length;) {
        const quint16 id = u16(b, p);
        const quint16 size = u16(b, p + 2);
        if (id == 1) {
            qint64 v = p + 4;
            for (quint64 *field : {&c->uncompressedSize64, &c->compressedSize64, &c->localHeaderOffset64}) {
                if (*field == 0xffffffffu && v + 8 <= p + 4 + size) {
                    *field = u64(b, v);
                    v += 8;
                }
            }
        }
        p += 4 + size;
    }
}

} // namespace

QList<QByteArray> InspectedArchive::names() const
{
    QList<QByteArray> list;
    for (const InspectedCentral &c : central)
        list.append(c.name);
    return list;
}

const InspectedCentral *InspectedArchive::find(const QByteArray &name) const
{
    for (const InspectedCentral &c : central) {
        if (c.name == name)
            return &c;
    }
    return nullptr;
}

InspectedArchive inspectArchive(const QByteArray &bytes, qint64 base)
{
    InspectedArchive a;
    const qint64 end = bytes.lastIndexOf(QByteArray("PK\5\6", 4));
    if (end < 0 || end + 22 > bytes.size()) {
        a.error = QStringLiteral("no end record");
        return a;
    }
    a.endRecord = base + end;
    a.diskNumber = u16(bytes, end + 4);
    a.directoryDisk = u16(bytes, end + 6);
    a.diskEntries = u16(bytes, end + 8);
    a.totalEntries = u16(bytes, end + 10);
    a.directorySize = u32(bytes, end + 12);
    a.directoryOffset = u32(bytes, end + 16);
    const quint16 commentLength = u16(bytes, end + 20);
    if (end + 22 + commentLength != bytes.size()) {
        a.error = QStringLiteral("comment length does not reach the end");
        return a;
    }
    a.comment = bytes.mid(int(end + 22), commentLength);
    a.entries64 = a.totalEntries;
    a.directorySize64 = a.directorySize;
    a.directoryOffset64 = a.directoryOffset;
    qint64 directoryEnd = end;
    if (end >= 20 && bytes.mid(int(end - 20), 4) == QByteArray("PK\6\7", 4)) {
        const qint64 record = qint64(u64(bytes, end - 12)) - base;
        if (record < 0 || record + 56 > end - 20 || bytes.mid(int(record), 4) != QByteArray("PK\6\6", 4)) {
            a.error = QStringLiteral("ZIP64 locator does not point to a ZIP64 end record");
            return a;
        }
        a.zip64 = true;
        a.entries64 = u64(bytes, record + 32);
        a.directorySize64 = u64(bytes, record + 40);
        a.directoryOffset64 = u64(bytes, record + 48);
        directoryEnd = record;
    }

    qint64 p = qint64(a.directoryOffset64) - base;
    for (quint64 i = 0; i < a.entries64; ++i) {
        if (p < 0 || p + 46 > directoryEnd || bytes.mid(int(p), 4) != QByteArray("PK\1\2", 4)) {
            a.error = QStringLiteral("central record %1 missing").arg(i);
            return a;
        }
        InspectedCentral c;
        c.versionMadeBy = u16(bytes, p + 4);
        c.versionNeeded = u16(bytes, p + 6);
        c.flags = u16(bytes, p + 8);
        c.method = u16(bytes, p + 10);
        c.dosTime = u16(bytes, p + 12);
        c.dosDate = u16(bytes, p + 14);
        c.crc = u32(bytes, p + 16);
        c.compressedSize = u32(bytes, p + 20);
        c.uncompressedSize = u32(bytes, p + 24);
        const quint16 nameLength = u16(bytes, p + 28);
        c.extraLength = u16(bytes, p + 30);
        c.commentLength = u16(bytes, p + 32);
        c.diskStart = u16(bytes, p + 34);
        c.internalAttributes = u16(bytes, p + 36);
        c.externalAttributes = u32(bytes, p + 38);
        c.localHeaderOffset = u32(bytes, p + 42);
        c.name = bytes.mid(int(p + 46), nameLength);
        c.uncompressedSize64 = c.uncompressedSize;
        c.compressedSize64 = c.compressedSize;
        c.localHeaderOffset64 = c.localHeaderOffset;
        applyZip64(bytes, p + 46 + nameLength, c.extraLength, &c);
        a.central.append(c);
        p += 46 + nameLength + c.extraLength + c.commentLength;
    }
    if (p != directoryEnd)
        a.error = QStringLiteral("central directory does not end at the end record");
    else if (quint64(p + base) - a.directoryOffset64 != a.directorySize64)
        a.error = QStringLiteral("directory size field is wrong");
    return a;
}

InspectedLocal inspectLocal(const QByteArray &bytes, qint64 p)
{
    InspectedLocal l;
    if (p < 0 || p + 30 > bytes.size() || bytes.mid(int(p), 4) != QByteArray("PK\3\4", 4))
        return l;
    l.versionNeeded = u16(bytes, p + 4);
    l.flags = u16(bytes, p + 6);
    l.method = u16(bytes, p + 8);
    l.dosTime = u16(bytes, p + 10);
    l.dosDate = u16(bytes, p + 12);
    l.crc = u32(bytes, p + 14);
    l.compressedSize = u32(bytes, p + 18);
    l.uncompressedSize = u32(bytes, p + 22);
    const quint16 nameLength = u16(bytes, p + 26);
    l.extraLength = u16(bytes, p + 28);
    l.name = bytes.mid(int(p + 30), nameLength);
    l.dataOffset = p + 30 + nameLength + l.extraLength;
    l.valid = true;
    return l;
}

QList<QByteArray> localNamesInOrder(const QByteArray &bytes, const InspectedArchive &archive, qint64 start)
{
    QList<QByteArray> names;
    qint64 p = start;
    while (p < archive.directoryOffset) {
        const InspectedLocal l = inspectLocal(bytes, p);
        if (!l.valid) {
            names.append("<no local header>");
            break;
        }
        names.append(l.name);
        p = l.dataOffset + l.compressedSize + ((l.flags & 0x08) ? 16 : 0);
    }
    return names;
}

QByteArray readWholeFile(const QString &path)
{
    return FileTree::read(path);
}

void writeFile(const QString &path, const QByteArray &content)
{
    if (!FileTree::write(path, content))
        qFatal("cannot write %s", qPrintable(path));
}

void setModified(const QString &path, const QDateTime &time)
{
    // utime() also works on folders, which QFile cannot open.
    utimbuf times;
    times.actime = time_t(time.toSecsSinceEpoch());
    times.modtime = times.actime;
    if (utime(QFile::encodeName(path).constData(), &times) != 0)
        qFatal("cannot set the time of %s", qPrintable(path));
}

QByteArray referenceDeflate(const QByteArray &content, int level, int strategy)
{
    constexpr int chunk = 262144;
    z_stream s = {};
    if (deflateInit2(&s, level, Z_DEFLATED, -15, 8, strategy) != Z_OK)
        return QByteArray();
    QByteArray out;
    QByteArray buffer(chunk, '\0');
    int pos = 0;
    int flush = Z_NO_FLUSH;
    do {
        const int n = qMin(chunk, int(content.size()) - pos);
        flush = pos + n == content.size() ? Z_FINISH : Z_NO_FLUSH;
        s.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(content.constData())) + pos;
        s.avail_in = uInt(n);
        pos += n;
        do {
            s.next_out = reinterpret_cast<Bytef *>(buffer.data());
            s.avail_out = chunk;
            deflate(&s, flush);
            out.append(buffer.constData(), chunk - int(s.avail_out));
        } while (s.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&s);
    return out;
}

quint32 crc32Of(const QByteArray &content)
{
    return quint32(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(content.constData()),
                         uInt(content.size())));
}

QByteArray compressibleContent(int size, int seed)
{
    static const char *const words[] = {
        "lecture", "package", "index", "page", "picture", "the", "of", "and", "archive",
        "folder", "entry", "viewer", "zip", "deflate", "window", "text"};
    QRandomGenerator rng{quint32(seed)};
    QByteArray out;
    out.reserve(size + 16);
    while (out.size() < size) {
        out += words[rng.bounded(16)];
        out += rng.bounded(10) == 0 ? '\n' : ' ';
        if (rng.bounded(20) == 0)
            out += QByteArray::number(rng.bounded(100000));
    }
    out.truncate(size);
    return out;
}

QByteArray randomContent(int size, int seed)
{
    QRandomGenerator rng{quint32(seed)};
    QByteArray out(size, '\0');
    for (int i = 0; i < size; ++i)
        out[i] = char(rng.bounded(256));
    return out;
}
