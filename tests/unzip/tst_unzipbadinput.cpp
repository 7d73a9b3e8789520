// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// UnZip on damaged and hostile archives: truncation at every offset, every
// byte changed, failing seeks and reads, garbage central records, fake
// signatures in comments and large files without an end record. Whatever the
// input, the reader returns, writes nothing outside its target, and never
// reports success for content other than the entry's own.
#include "debugrecorder.h"
#include "filetree.h"
#include "rawzip.h"
#include "testdevices.h"
#include <kelvanezip/unzip.h>

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QMap>
#include <QtCore/QRandomGenerator>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

namespace {

// Entries of every kind the reader handles.
RawZip sampleZip()
{
    RawZip zip;
    zip.add("stored.txt", "A stored text entry.\n").withComment("stored entry");
    zip.add("deflated.txt", QByteArray("deflate me, deflate me, deflate me\n").repeated(20)).deflated();
    zip.add("docs/", QByteArray());
    zip.add("docs/enc-stored.bin", "encrypted and stored").encrypted("pw");
    zip.add("docs/enc-deflated.txt", QByteArray("secret lines\n").repeated(30)).deflated().encrypted("pw").descriptor(RawZip::WithSignature);
    zip.add("dd-nosig.txt", "descriptor without signature").descriptor(RawZip::WithoutSignature);
    zip.add("empty.txt", QByteArray());
    zip.end.comment = "sample archive";
    return zip;
}

QMap<QString, QByteArray> contentsOf(const RawZip &zip)
{
    QMap<QString, QByteArray> contents;
    for (int i = 0; i < zip.count(); ++i)
        contents.insert(QString::fromLatin1(zip.entry(i).name), zip.entry(i).content);
    return contents;
}

// Runs every reader operation on the device and checks the invariants;
// returns a description of the first violation, or an empty string.
class Harness
{
public:
    explicit Harness(const QMap<QString, QByteArray> &contents)
        : m_root(scratchFolder() + QStringLiteral("/kelvane-badinput-XXXXXX"))
        , m_contents(contents)
    {
        m_target = m_root.filePath(QStringLiteral("t"));
        QDir().mkpath(m_target);
        FileTree::write(m_root.filePath(QStringLiteral("outside.txt")), "outside");
    }

    // Files left by earlier runs stay: they hold known content as well, and
    // removing them every time costs more than the runs themselves.
    QString run(QIODevice *device)
    {
        UnZip reader;
        reader.setPassword(QStringLiteral("pw"));
        if (reader.openArchive(device) != UnZip::Success)
            return checkOutside();
        const QStringList names = reader.fileList();
        for (const QString &name : names) {
            QByteArray out;
            QBuffer buffer(&out);
            buffer.open(QIODevice::WriteOnly);
            if (reader.extractFile(name, &buffer) == UnZip::Success && !name.endsWith(QLatin1Char('/'))) {
                if (!m_contents.contains(name) || m_contents.value(name) != out)
                    return QStringLiteral("wrong content reported as success for %1").arg(name);
            }
        }
        reader.extractAll(m_target);
        if (++m_runs % 5 == 0) {
            reader.extractAll(m_target, UnZip::DropFolders);
            reader.extractFiles(names, m_target);
        }
        // Whatever is left below the target is the content of an entry of
        // the same last name component (DropFolders flattens the names).
        for (const QString &path : FileTree::list(m_target)) {
            if (path.endsWith(QLatin1Char('/')))
                continue;
            const QByteArray written = FileTree::read(m_target + QLatin1Char('/') + path);
            bool known = false;
            for (auto it = m_contents.constBegin(); !known && it != m_contents.constEnd(); ++it)
                known = it.key().section(QLatin1Char('/'), -1) == path.section(QLatin1Char('/'), -1)
                    && it.value() == written;
            if (!known)
                return QStringLiteral("unexpected content left in %1").arg(path);
        }
        return checkOutside();
    }

    QString rootPath() const { return m_root.path(); }

private:
    // Thousands of runs rewrite the same small files: on a disk that discards
    // freed blocks this is slow, so memory-backed storage is used when there.
    static QString scratchFolder()
    {
        const QFileInfo shm(QStringLiteral("/dev/shm"));
        return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    }

    QString checkOutside() const
    {
        const QStringList all = FileTree::list(m_root.path());
        for (const QString &path : all) {
            if (path != QLatin1String("outside.txt") && path != QLatin1String("t/")
                && !path.startsWith(QLatin1String("t/")) && path != QLatin1String("archive.zip"))
                return QStringLiteral("written outside the target: %1").arg(path);
        }
        if (FileTree::read(m_root.filePath(QStringLiteral("outside.txt"))) != "outside")
            return QStringLiteral("outside.txt changed");
        return QString();
    }

    QTemporaryDir m_root;
    QString m_target;
    QMap<QString, QByteArray> m_contents;
    int m_runs = 0;
};

} // namespace

class tst_UnZipBadInput : public QObject
{
    Q_OBJECT

private slots:
    void sampleIsSound();
    void truncatedAtEveryOffset();
    void everyByteChanged();
    void failingSeeks();
    void failingReads();
    void garbageCentralRecords();
    void hostileNamesAndOffsets();
    void fakeSignaturesInComment();
    void largeFileWithoutEndRecord();
};

void tst_UnZipBadInput::sampleIsSound()
{
    const RawZip zip = sampleZip();
    const QByteArray bytes = zip.build().bytes;
    UnZip reader;
    reader.setPassword(QStringLiteral("pw"));
    QCOMPARE(reader.openArchive(new CountingBuffer(bytes)), UnZip::Success);
    QCOMPARE(reader.fileList().size(), zip.count());
    QTemporaryDir target;
    DebugRecorder debug;
    QCOMPARE(reader.extractAll(target.path()), UnZip::Success);
    QVERIFY(debug.lines().isEmpty());
    const QMap<QString, QByteArray> contents = contentsOf(zip);
    for (auto it = contents.constBegin(); it != contents.constEnd(); ++it) {
        if (!it.key().endsWith(QLatin1Char('/')))
            QCOMPARE(FileTree::read(target.filePath(it.key())), it.value());
    }
    Harness harness(contents);
    QCOMPARE(harness.run(new CountingBuffer(bytes)), QString());
}

void tst_UnZipBadInput::truncatedAtEveryOffset()
{
    const RawZip zip = sampleZip();
    const QByteArray bytes = zip.build().bytes;
    Harness harness(contentsOf(zip));
    DebugRecorder quiet(DebugRecorder::SwallowOthers);
    const QString file = harness.rootPath() + QStringLiteral("/archive.zip");
    for (int size = 0; size < bytes.size(); ++size) {
        const QByteArray cut = bytes.left(size);
        QString failure = harness.run(new CountingBuffer(cut));
        if (failure.isEmpty() && size % 3 == 0) {
            // Files seek past their end where buffers refuse to.
            FileTree::write(file, cut);
            failure = harness.run(new QFile(file));
        }
        if (!failure.isEmpty())
            QFAIL(qPrintable(QStringLiteral("cut at %1: %2").arg(size).arg(failure)));
    }
}

void tst_UnZipBadInput::everyByteChanged()
{
    const RawZip zip = sampleZip();
    const QByteArray bytes = zip.build().bytes;
    Harness harness(contentsOf(zip));
    DebugRecorder quiet(DebugRecorder::SwallowOthers);
    for (int offset = 0; offset < bytes.size(); ++offset) {
        for (const char change : {char(0xff), char(0x01), char(0x80)}) {
            QByteArray damaged = bytes;
            damaged[offset] = char(damaged.at(offset) ^ change);
            const QString failure = harness.run(new CountingBuffer(damaged));
            if (!failure.isEmpty())
                QFAIL(qPrintable(QStringLiteral("byte %1 ^ %2: %3").arg(offset).arg(int(uchar(change))).arg(failure)));
        }
    }
}

void tst_UnZipBadInput::failingSeeks()
{
    const RawZip zip = sampleZip();
    const QByteArray bytes = zip.build().bytes;
    Harness harness(contentsOf(zip));
    DebugRecorder quiet(DebugRecorder::SwallowOthers);
    // Count the seeks of an undisturbed run, then fail each one in turn.
    auto *counting = new FaultyBuffer(bytes);
    int calls = 0;
    {
        UnZip reader;
        reader.setPassword(QStringLiteral("pw"));
        QCOMPARE(reader.openArchive(counting), UnZip::Success);
        QTemporaryDir target;
        QCOMPARE(reader.extractAll(target.path()), UnZip::Success);
        calls = counting->seekCalls();
    }
    QVERIFY(calls > 10);
    for (int call = 0; call < calls + 40; ++call) {
        auto *device = new FaultyBuffer(bytes);
        device->failSeek(call);
        const QString failure = harness.run(device);
        if (!failure.isEmpty())
            QFAIL(qPrintable(QStringLiteral("seek %1 failing: %2").arg(call).arg(failure)));
    }
}

void tst_UnZipBadInput::failingReads()
{
    const RawZip zip = sampleZip();
    const QByteArray bytes = zip.build().bytes;
    Harness harness(contentsOf(zip));
    DebugRecorder quiet(DebugRecorder::SwallowOthers);
    for (int offset = 0; offset < bytes.size(); ++offset) {
        auto *device = new FaultyBuffer(bytes);
        device->failReadsIn(offset, offset + 1);
        const QString failure = harness.run(device);
        if (!failure.isEmpty())
            QFAIL(qPrintable(QStringLiteral("read error at %1: %2").arg(offset).arg(failure)));
    }
}

void tst_UnZipBadInput::garbageCentralRecords()
{
    const RawZip zip = sampleZip();
    const RawZip::Archive sound = zip.build();
    const QByteArray local = sound.bytes.left(int(sound.centralDirectory));
    Harness harness(contentsOf(zip));
    DebugRecorder quiet(DebugRecorder::SwallowOthers);
    for (quint32 seed = 0; seed < 400; ++seed) {
        QRandomGenerator random(seed);
        QByteArray central;
        const int records = random.bounded(1, 6);
        for (int r = 0; r < records; ++r) {
            QByteArray record(46, '\0');
            for (int i = 4; i < 46; ++i)
                record[i] = char(random.bounded(256));
            RawZip::putUInt(record, 0, 0x02014b50);
            // Mostly plausible fields, with a share of wild ones.
            if (random.bounded(2)) {
                RawZip::putUShort(record, 10, random.bounded(2) ? 0 : 8);
                RawZip::putUShort(record, 6, 20);
                RawZip::putUShort(record, 28, quint16(random.bounded(0, 12)));
                RawZip::putUShort(record, 30, quint16(random.bounded(0, 8)));
                RawZip::putUShort(record, 32, quint16(random.bounded(0, 8)));
                RawZip::putUInt(record, 42, quint32(random.bounded(0, local.size() + 10)));
                RawZip::putUInt(record, 20, quint32(random.bounded(0, 2000)));
            }
            const int variable = random.bounded(0, 40);
            for (int i = 0; i < variable; ++i)
                record += char(random.bounded(256));
            central += record;
        }
        RawZip end;
        end.end.totalEntries = quint16(records);
        end.end.directoryOffset = quint32(local.size());
        const QByteArray bytes = local + central + end.build().bytes;
        const QString failure = harness.run(new CountingBuffer(bytes));
        if (!failure.isEmpty())
            QFAIL(qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(failure)));
    }
}

void tst_UnZipBadInput::hostileNamesAndOffsets()
{
    // Central records whose names climb out, pointing at real local headers
    // whose names say the same: refused, nothing written outside.
    RawZip zip;
    zip.add("../escape.txt", "escape");
    zip.add("/../escape2.txt", "escape");
    zip.add("a/../../escape3.txt", "escape");
    zip.add("ok.txt", "ok");
    // Two records sharing one local header, and one pointing at a central record.
    zip.add("twin.txt", "twin");
    const RawZip::Archive first = zip.build();
    RawZip::Entry &alias = zip.add("twin.txt ", "twin");
    alias.localHeaderOffset = quint32(first.entries.at(4).localHeader);
    zip.add("points-at-directory", "x").localHeaderOffset = quint32(first.centralDirectory);
    Harness harness(contentsOf(zip));
    DebugRecorder quiet(DebugRecorder::SwallowOthers);
    QCOMPARE(harness.run(new CountingBuffer(zip.build().bytes)), QString());
}

void tst_UnZipBadInput::fakeSignaturesInComment()
{
    RawZip real;
    real.add("real.txt", "real");
    const QByteArray archive = real.build().bytes;
    const QByteArray realRecord = archive.right(22);

    // A comment that holds signatures of other records but no end record:
    // the real end record is found.
    RawZip other;
    other.add("real.txt", "real");
    other.end.comment = QByteArray("PK\1\2 PK\3\4 PK\7\10 PK\5 \6PK\5");
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(other.build().bytes)), UnZip::Success);
    QCOMPARE(reader.fileList(), QStringList{"real.txt"});

    // A fake end record inside the comment: the highest record wins. It
    // claims no entries and a comment of its own.
    QByteArray fake("PK\5\6", 4);
    fake += QByteArray(6, '\0');
    fake += QByteArray("\0\0", 2); // no entries
    fake += QByteArray(8, '\0');
    fake += QByteArray("\4\0", 2) + "FAKE"; // comment "FAKE"
    RawZip withFake;
    withFake.add("real.txt", "real");
    withFake.end.comment = "intro " + fake;
    QCOMPARE(reader.openArchive(new CountingBuffer(withFake.build().bytes)), UnZip::Success);
    QVERIFY(reader.fileList().isEmpty());
    QCOMPARE(reader.archiveComment(), QStringLiteral("FAKE"));

    // A fake record that claims entries at a wild offset, and one whose
    // comment runs past the device: failures, no crash.
    QByteArray wild = fake;
    RawZip::putUShort(wild, 10, 3);
    RawZip::putUInt(wild, 16, 0x7fffffff);
    withFake.end.comment = "x" + wild;
    QCOMPARE(reader.openArchive(new CountingBuffer(withFake.build().bytes)), UnZip::FileSeekError);
    QByteArray longComment = fake;
    RawZip::putUShort(longComment, 20, 500);
    withFake.end.comment = longComment;
    QCOMPARE(reader.openArchive(new CountingBuffer(withFake.build().bytes)), UnZip::Success);
    QCOMPARE(reader.archiveComment(), QStringLiteral("FAKE"));

    // A fake record pointing at the real directory: the real entries, the
    // fake's comment.
    QByteArray pointing = realRecord.left(20) + QByteArray("\4\0", 2) + "MINE";
    withFake.end.comment = pointing;
    QCOMPARE(reader.openArchive(new CountingBuffer(withFake.build().bytes)), UnZip::Success);
    QCOMPARE(reader.fileList(), QStringList{"real.txt"});
    QCOMPARE(reader.archiveComment(), QStringLiteral("MINE"));

    // Every position of a fake record in a long comment is found.
    Harness harness(contentsOf(real));
    DebugRecorder quiet(DebugRecorder::SwallowOthers);
    for (int at = 0; at < 300; ++at) {
        RawZip many;
        many.add("real.txt", "real");
        many.end.comment = QByteArray(at, 'c') + fake + QByteArray(300 - at, 'd');
        QCOMPARE(reader.openArchive(new CountingBuffer(many.build().bytes)), UnZip::Success);
        QCOMPARE(reader.archiveComment(), QStringLiteral("FAKE"));
        QCOMPARE(harness.run(new CountingBuffer(many.build().bytes)), QString());
    }
}

void tst_UnZipBadInput::largeFileWithoutEndRecord()
{
    // Four megabytes of data holding near misses of the signature but no end
    // record: rejected after one backward pass.
    QByteArray bytes = QByteArray("PK\5\7abcdefgPK\4\6").repeated(4 * 1024 * 1024 / 15);
    QElapsedTimer timer;
    timer.start();
    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(bytes)), UnZip::IncompatibleArchive);
    qDebug("4 MB without an end record rejected in %lld ms", timer.elapsed());

    // The only end record at position 0 is found after walking the file.
    bytes.replace(0, 22, RawZip().build().bytes);
    QCOMPARE(reader.openArchive(new CountingBuffer(bytes)), UnZip::Success);
    QVERIFY(reader.fileList().isEmpty());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.zip"));
    QVERIFY(FileTree::write(path, bytes.mid(22)));
    QCOMPARE(reader.openArchive(path), UnZip::IncompatibleArchive);
}

QTEST_GUILESS_MAIN(tst_UnZipBadInput)
#include "tst_unzipbadinput.moc"
