// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The writer's parallel mode: the same archive for any thread count, the
// serial writer's entries and records, everything read back byte for byte,
// and a 300 MB file through the whole pipeline.
#include "externaltool.h"
#include "testdevices.h"
#include "zipinspect.h"

#include <kelvanezip/unzip.h>
#include <kelvanezip/zip.h>

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QRandomGenerator>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

Q_DECLARE_METATYPE(Zip::CompressionLevel)

namespace {

constexpr int Block = 256 * 1024;

QByteArray writeArchive(const QString &folder, Zip::CompressionLevel level, const QString &password, int threads)
{
    QByteArray bytes;
    Zip zip;
    zip.setThreadCount(threads);
    zip.setPassword(password);
    if (zip.createArchive(new QBuffer(&bytes)) != Zip::Success
        || zip.addDirectory(folder, QString(), level) != Zip::Success || zip.closeArchive() != Zip::Success) {
        return QByteArray();
    }
    return bytes;
}

// Runs of text and of random bytes, so that a file's blocks change between
// compressible and incompressible, also in the middle of a block.
QByteArray mixedContent(int size, int run, int seed)
{
    QByteArray out;
    for (int i = 0; out.size() < size; ++i)
        out += (i % 2 ? randomContent(run, seed + i) : compressibleContent(run, seed + i));
    out.truncate(size);
    return out;
}

} // namespace

class tst_ZipParallel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void anyThreadCount_data();
    void anyThreadCount();
    void codingFollowsTheBlockBefore();
    void bigFile();

private:
    QTemporaryDir m_tmp;
    QString m_tree;
};

void tst_ZipParallel::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_tree = m_tmp.filePath(QStringLiteral("tree"));
    const QString t = m_tree + QLatin1Char('/');
    writeFile(t + QStringLiteral("empty.txt"), QByteArray());
    writeFile(t + QStringLiteral("small59.txt"), compressibleContent(59, 1));
    writeFile(t + QStringLiteral("one-block.txt"), compressibleContent(Block, 2));
    writeFile(t + QStringLiteral("one-block-and-a-byte.txt"), compressibleContent(Block + 1, 3));
    writeFile(t + QStringLiteral("blocks.txt"), compressibleContent(5 * Block + 1000, 4));
    writeFile(t + QStringLiteral("random.bin"), randomContent(3 * Block + 77, 5));
    writeFile(t + QStringLiteral("random-short.bin"), randomContent(70000, 6));
    writeFile(t + QStringLiteral("mixed.dat"), mixedContent(8 * Block + 5, 300000, 7));
    writeFile(t + QStringLiteral("picture.png"), mixedContent(2 * Block + 9, 100000, 8));
    writeFile(t + QStringLiteral("song.mp3"), randomContent(Block + 3, 9));
    writeFile(t + QStringLiteral("\u0442\u0435\u043a\u0441\u0442/page.html"), compressibleContent(30000, 10));
    QVERIFY(QDir().mkpath(t + QStringLiteral("nested/empty")));
}

void tst_ZipParallel::anyThreadCount_data()
{
    QTest::addColumn<Zip::CompressionLevel>("level");
    QTest::addColumn<QString>("password");
    QTest::newRow("stored") << Zip::StoreOnly << QString();
    QTest::newRow("level 1") << Zip::Level1 << QString();
    QTest::newRow("level 9") << Zip::Level9 << QString();
    QTest::newRow("by type") << Zip::ByFileType << QString();
    QTest::newRow("level 6, encrypted") << Zip::Level6 << QStringLiteral("pw");
    QTest::newRow("by type, encrypted") << Zip::ByFileType << QStringLiteral("\u043f\u0430\u0440\u043e\u043b\u044c");
}

// Archives written with 1, 2 and 8 threads are identical (the random filler
// of encryption headers aside) and hold the serial writer's entries with the
// same records; entries of one block that shrink are the serial bytes; all
// of it reads back to the files' bytes.
void tst_ZipParallel::anyThreadCount()
{
    QFETCH(Zip::CompressionLevel, level);
    QFETCH(QString, password);

    const QByteArray serial = writeArchive(m_tree, level, password, 0);
    const InspectedArchive serialArchive = inspectArchive(serial);
    QVERIFY2(serialArchive.ok(), qPrintable(serialArchive.error));

    QByteArray first;
    for (int threads : {1, 2, 8}) {
        const QByteArray bytes = writeArchive(m_tree, level, password, threads);
        const InspectedArchive archive = inspectArchive(bytes);
        QVERIFY2(archive.ok(), qPrintable(archive.error));
        if (password.isEmpty()) {
            if (first.isEmpty())
                first = bytes;
            QVERIFY2(bytes == first, qPrintable(QStringLiteral("%1 threads").arg(threads)));
        }

        QCOMPARE(localNamesInOrder(bytes, archive), localNamesInOrder(serial, serialArchive));
        QCOMPARE(archive.central.size(), serialArchive.central.size());
        for (int i = 0; i < archive.central.size(); ++i) {
            const InspectedCentral &c = archive.central.at(i);
            const InspectedCentral &s = serialArchive.central.at(i);
            QCOMPARE(c.name, s.name);
            QCOMPARE(c.versionMadeBy, s.versionMadeBy);
            QCOMPARE(c.versionNeeded, s.versionNeeded);
            QCOMPARE(c.flags, s.flags);
            QCOMPARE(c.method, s.method);
            QCOMPARE(c.dosTime, s.dosTime);
            QCOMPARE(c.dosDate, s.dosDate);
            QCOMPARE(c.crc, s.crc);
            QCOMPARE(c.uncompressedSize, s.uncompressedSize);
            const InspectedLocal local = inspectLocal(bytes, c.localHeaderOffset);
            QVERIFY(local.valid);
            QCOMPARE(local.crc, c.crc);
            QCOMPARE(local.compressedSize, c.compressedSize);
            QCOMPARE(local.uncompressedSize, c.uncompressedSize);
            // Incompressible data costs at most the stored blocks' headers.
            const quint32 headers = 5 * (c.uncompressedSize / 40000 + 1) + (password.isEmpty() ? 0 : 12);
            QVERIFY2(c.compressedSize <= c.uncompressedSize + headers, c.name.constData());
            if (password.isEmpty() && c.method == 8 && c.uncompressedSize <= quint32(Block)
                && s.compressedSize < s.uncompressedSize) {
                const InspectedLocal serialLocal = inspectLocal(serial, s.localHeaderOffset);
                QCOMPARE(bytes.mid(int(local.dataOffset), int(c.compressedSize)),
                         serial.mid(int(serialLocal.dataOffset), int(s.compressedSize)));
            }
        }
        // Deflating in blocks costs next to nothing.
        QVERIFY2(bytes.size() <= serial.size() + serial.size() / 333,
                 qPrintable(QStringLiteral("%1 bytes, serial %2").arg(bytes.size()).arg(serial.size())));

        UnZip reader;
        reader.setPassword(password);
        QCOMPARE(reader.openArchive(new CountingBuffer(bytes)), UnZip::Success);
        QTemporaryDir out;
        QVERIFY(out.isValid());
        QCOMPARE(reader.extractAll(out.path()), UnZip::Success);
        for (const InspectedCentral &c : archive.central) {
            const QString name = QString::fromUtf8(c.name);
            const QString extracted = out.filePath(name);
            if (name.endsWith(QLatin1Char('/'))) {
                QVERIFY2(QFileInfo(extracted).isDir(), qPrintable(name));
                continue;
            }
            QVERIFY2(readWholeFile(extracted) == readWholeFile(m_tmp.filePath(name)), qPrintable(name));
        }
    }
}

// Blocks of random bytes alternate with blocks that repeat 4 KiB of random
// bytes: the match search shrinks the latter, Huffman codes alone do not. The
// first block does not shrink, so every later one is coded without search,
// and stored, however the workers guessed.
void tst_ZipParallel::codingFollowsTheBlockBefore()
{
    QByteArray content;
    for (int i = 0; i < 16; ++i)
        content += i % 2 ? randomContent(4096, i).repeated(Block / 4096) : randomContent(Block, i);
    const QString folder = m_tmp.filePath(QStringLiteral("alternating"));
    writeFile(folder + QStringLiteral("/a.dat"), content);

    QByteArray first;
    for (int threads : {1, 2, 8}) {
        const QByteArray bytes = writeArchive(folder, Zip::Level6, QString(), threads);
        if (first.isEmpty())
            first = bytes;
        QVERIFY2(bytes == first, qPrintable(QStringLiteral("%1 threads").arg(threads)));
    }
    const InspectedArchive archive = inspectArchive(first);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    QCOMPARE(archive.central.size(), 1);
    QCOMPARE(archive.central.at(0).method, quint16(8));
    QVERIFY(archive.central.at(0).compressedSize > quint32(content.size()));

    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(first)), UnZip::Success);
    QByteArray out;
    QBuffer device(&out);
    QVERIFY(device.open(QIODevice::WriteOnly));
    QCOMPARE(reader.extractFile(QStringLiteral("alternating/a.dat"), &device), UnZip::Success);
    QVERIFY(out == content);
}

// A 300 MB file of text and random runs, on tmpfs: written with two threads,
// checked by Info-ZIP unzip and read back by UnZip against the file.
void tst_ZipParallel::bigFile()
{
    KELVANE_REQUIRE_TOOL("unzip");
    const QString shm = QStringLiteral("/dev/shm");
    QTemporaryDir dir(QFileInfo(shm).isWritable() ? shm + QStringLiteral("/kelvane-big-XXXXXX") : QString());
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("in"));
    const QString path = folder + QStringLiteral("/big.dat");
    QVERIFY(QDir().mkpath(folder));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QRandomGenerator rng(12);
        const QByteArray text = compressibleContent(4 << 20, 13);
        QByteArray random(4 << 20, '\0');
        for (int i = 0; i < 75; ++i) {
            if (i % 5 == 2) {
                QCOMPARE(file.write(text.mid(i * 1000)), qint64(text.size() - i * 1000));
            } else {
                rng.fillRange(reinterpret_cast<quint32 *>(random.data()), random.size() / 4);
                QCOMPARE(file.write(random), qint64(random.size()));
            }
        }
    }
    const qint64 size = QFileInfo(path).size();
    QVERIFY(size > 300000000);

    const QString archivePath = dir.filePath(QStringLiteral("big.zip"));
    {
        Zip zip;
        zip.setThreadCount(2);
        QCOMPARE(zip.createArchive(archivePath), Zip::Success);
        QCOMPARE(zip.addDirectoryContents(folder, Zip::Level6), Zip::Success);
        QCOMPARE(zip.closeArchive(), Zip::Success);
    }
    const ToolRun run = runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), archivePath}, dir.path());
    QVERIFY2(run.ok(), run.describe(QStringLiteral("unzip -tq")).constData());

    UnZip reader;
    QCOMPARE(reader.openArchive(archivePath), UnZip::Success);
    QCOMPARE(reader.entryList().size(), 1);
    QCOMPARE(qint64(reader.entryList().at(0).uncompressedSize), size);
    QVERIFY(reader.entryList().at(0).compressedSize < quint32(size));
    QFile original(path);
    QVERIFY(original.open(QIODevice::ReadOnly));
    ComparingDevice compare(&original);
    QVERIFY(compare.open(QIODevice::WriteOnly));
    QCOMPARE(reader.extractFile(QStringLiteral("big.dat"), &compare), UnZip::Success);
    QCOMPARE(compare.firstDifference(), qint64(-1));
    QCOMPARE(compare.bytesCompared(), size);
}

QTEST_GUILESS_MAIN(tst_ZipParallel)
#include "tst_zipparallel.moc"
