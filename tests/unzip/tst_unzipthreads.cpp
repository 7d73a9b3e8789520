// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The reader on several threads gives exactly what the serial reader gives:
// the same files, results, diagnostics (in the same order), entries dropped
// from the directory and entries left out of it, for archives full of
// entries that fail in every way the reader knows. Progress reports and
// cancellation, on one thread and on several. The archive is read from a
// buffer and from a file.
#include "debugrecorder.h"
#include "filetree.h"
#include "rawzip.h"

#include <kelvanezip/unzip.h>

#include <QtCore/QBuffer>
#include <QtCore/QCryptographicHash>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <atomic>
#include <functional>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

class tst_UnZipThreads : public QObject
{
    Q_OBJECT

private slots:
    void sameAsSerial_data();
    void sameAsSerial();
    void progressAndCancel_data();
    void progressAndCancel();
    void forkedChild();
};

namespace {

using Builder = std::function<RawZip()>;

// Deterministic content that deflates, of the given size.
QByteArray text(int size, int seed)
{
    QByteArray data;
    data.reserve(size);
    quint32 x = quint32(seed) * 2654435761u + 1;
    while (data.size() < size) {
        x = x * 1103515245u + 12345u;
        data += "lecture ";
        data += QByteArray::number(x >> 20);
        data += (x & 0x100) ? '\n' : ' ';
    }
    data.truncate(size);
    return data;
}

// Good entries of every method and cipher, of sizes whose largest-first
// order differs from the name order, mixed with entries that fail.
RawZip mixedArchive()
{
    RawZip zip;
    zip.add("a-small.txt", text(100, 1)).deflated();
    zip.add("b-big.txt", text(900000, 2)).deflated();
    zip.add("c-bzip2.txt", text(300000, 3)).compressed(RawZip::Bzip2);
    zip.add("d-lzma.txt", text(50000, 4)).compressed(RawZip::Lzma);
    zip.add("e-zstd.txt", text(70000, 5)).compressed(RawZip::Zstd);
    zip.add("f-xz.txt", text(20000, 6)).compressed(RawZip::Xz);
    zip.add("g-stored.bin", text(400000, 7)).stored();
    zip.add("h/").folder();
    zip.add("h/i/deep.txt", text(5000, 8)).deflated().descriptor(RawZip::WithSignature);
    zip.add("j-crypt.txt", text(260000, 9)).deflated().encrypted("pw");
    zip.add("k-aes.txt", text(600000, 10)).deflated().aes("pw", RawZip::Aes256, 2);
    zip.add("l-aes1.txt", text(3000, 11)).compressed(RawZip::Bzip2).aes("pw", RawZip::Aes128, 1);
    zip.add("m-wrongpw.txt", text(200000, 12)).deflated().encrypted("other");
    zip.add("n-wrongaes.txt", text(150000, 13)).aes("other", RawZip::Aes256, 2);
    zip.add("o-crc.txt", text(500000, 14)).deflated().central.crc = 0x12345678;
    zip.entry(zip.count() - 1).local.crc = 0x12345678;
    zip.add("p-local.txt", text(1000, 15)).deflated().local.dosTime = 0x1234;
    zip.add("q-bomb.txt", QByteArray(2000000, '\0')).deflated();
    zip.entry(zip.count() - 1).central.uncompressedSize = 1000;
    zip.entry(zip.count() - 1).local.uncompressedSize = 1000;
    zip.add("r-cut.txt", text(80000, 16)).deflated().raw(QByteArray(100, 'x'));
    zip.add("s-method.txt", text(100, 17)).central.method = 9;
    zip.add("t-empty.txt").stored();
    zip.add("u/v/w.txt", text(700000, 18)).deflated();
    return zip;
}

// Names that climb out, control characters, absolute and odd spellings.
RawZip pathArchive()
{
    RawZip zip;
    zip.add("../evil.txt", text(300000, 20)).deflated();
    zip.add("a/../../evil2.txt", text(200, 21));
    zip.add("/abs.txt", text(100000, 22)).deflated();
    zip.add("ctl\x01.txt", text(100, 23));
    zip.add("x/./y.txt", text(400000, 24)).deflated();
    zip.add("x/y.txt", text(300, 25));
    zip.add("..\\win.txt", text(100, 26)).madeBy(0);
    zip.add("d1/same.txt", text(500000, 27)).deflated();
    zip.add("d2/same.txt", text(1000, 28));
    zip.add("ok/.", text(10, 29));
    zip.add("ok/fine.txt", text(250000, 30)).deflated();
    return zip;
}

// A file where other entries need a folder: the order decides.
RawZip crossingArchive()
{
    RawZip zip;
    zip.add("a", text(1000, 40));
    zip.add("a/", QByteArray()).folder();
    zip.add("a/b.txt", text(600000, 41)).deflated();
    zip.add("c.txt", text(300000, 42)).deflated();
    return zip;
}

// Data that overlaps the next entry, and a directory that ends early.
RawZip overlapArchive()
{
    RawZip zip;
    zip.add("one.txt", text(400000, 50)).deflated();
    zip.add("two.txt", text(300000, 51)).deflated();
    zip.add("three.txt", text(2000, 52));
    zip.entry(0).central.compressedSize = 200000; // reaches into two.txt
    zip.entry(0).local.compressedSize = 200000;
    return zip;
}

QString describe(const QList<UnZip::EntryResult> &results)
{
    QStringList lines;
    for (const UnZip::EntryResult &r : results)
        lines << QStringLiteral("%1 %2 %3").arg(r.filename).arg(int(r.result)).arg(r.detail);
    return lines.join(QLatin1Char('\n'));
}

// Every path below root, with the MD5 of each file's content.
QString treeOf(const QString &root)
{
    QStringList lines;
    for (const QString &path : FileTree::list(root)) {
        QString line = path;
        if (!path.endsWith(QLatin1Char('/')))
            line += QLatin1Char(' ')
                + QString::fromLatin1(QCryptographicHash::hash(FileTree::read(root + QLatin1Char('/') + path),
                                                               QCryptographicHash::Md5)
                                          .toHex());
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

// What one reader does with the archive, as text: every call's result,
// files, diagnostics and the directory afterwards.
struct Outcome
{
    QString extractAll, extractFiles, extractEntries, testEntries;
    QStringList failures; // codes seen, for the fixture's own check
};

// The target folder differs from run to run: it is named <target> here.
QString afterCall(UnZip &reader, DebugRecorder &debug, const QString &result, const QString &target = QString())
{
    QStringList skipped;
    for (const UnZip::SkippedEntry &s : reader.skippedEntries())
        skipped << s.filename + QLatin1Char(' ') + QString::number(int(s.reason));
    QString text = QStringList{result, target.isEmpty() ? QString() : treeOf(target),
                               debug.take().join(QLatin1Char('\n')), reader.lastErrorDetail(),
                               reader.fileList().join(QLatin1Char('|')), skipped.join(QLatin1Char('|'))}
                       .join(QLatin1String("\n--\n"));
    if (!target.isEmpty())
        text.replace(target, QLatin1String("<target>"));
    return text;
}

// The archive is read from a buffer (every thread through the one device)
// or from a file (each thread reading it at its own offsets).
enum class Source { Buffer,
                    File };

Outcome run(const QByteArray &bytes, int threads, UnZip::ExtractionOptions options, Source source = Source::Buffer)
{
    Outcome outcome;
    DebugRecorder debug(DebugRecorder::SwallowOthers);
    QTemporaryDir archiveDir;
    const QString archivePath = archiveDir.filePath(QStringLiteral("archive.zip"));
    if (source == Source::File && !FileTree::write(archivePath, bytes))
        return outcome;
    auto open = [&](UnZip &reader) {
        reader.setPassword(QStringLiteral("pw"));
        reader.setThreadCount(threads);
        if (source == Source::File)
            return reader.openArchive(archivePath);
        auto *buffer = new QBuffer;
        buffer->setData(bytes);
        return reader.openArchive(buffer);
    };

    UnZip reader;
    if (open(reader) != UnZip::Success)
        return outcome;
    const QStringList names = reader.fileList();
    QStringList asked = names;
    asked.insert(1, QStringLiteral("not-there.txt"));
    std::reverse(asked.begin() + asked.size() / 2, asked.end());
    debug.take();

    QTemporaryDir tests;
    const QList<UnZip::EntryResult> tested = reader.testEntries(asked);
    outcome.testEntries = afterCall(reader, debug, describe(tested));
    for (const UnZip::EntryResult &r : tested)
        outcome.failures << QString::number(int(r.result));

    // A new thread count between calls takes effect at the next one.
    if (threads > 0)
        reader.setThreadCount(threads + 1);
    QTemporaryDir each;
    outcome.extractEntries =
        afterCall(reader, debug, describe(reader.extractEntries(asked, QDir(each.path()), options)), each.path());
    reader.setThreadCount(threads);
    QTemporaryDir some;
    const UnZip::ErrorCode first = reader.extractFiles(asked, QDir(some.path()), options);
    outcome.extractFiles = afterCall(reader, debug, QString::number(int(first)), some.path());

    // extractAll on a fresh reader: it drops entries from the directory.
    UnZip all;
    open(all);
    debug.take();
    QTemporaryDir everything;
    const UnZip::ErrorCode ec = all.extractAll(QDir(everything.path()), options);
    outcome.extractAll = afterCall(all, debug, QString::number(int(ec)), everything.path());
    return outcome;
}

// Entries for the progress reports: sizes of several chunks each, every
// method's path through the data (stored, deflate, AES), a folder and an
// empty file that write nothing.
RawZip progressArchive()
{
    RawZip zip;
    for (int i = 0; i < 6; ++i)
        zip.add(QStringLiteral("part%1.txt").arg(i).toLatin1(), text(400000 + 1000 * i, 60 + i)).deflated();
    zip.add("pictures/").folder();
    zip.add("pictures/big.bin", text(1500000, 70)).stored();
    zip.add("pictures/sealed.txt", text(600000, 71)).deflated().aes("pw", RawZip::Aes256, 2);
    zip.add("zero.txt").stored();
    return zip;
}

// An archive that is read slowly, so that the threads are still at work
// when the handler asks them to stop.
class SlowBuffer : public QBuffer
{
protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (maxSize >= 65536)
            QThread::msleep(2);
        return QBuffer::readData(data, maxSize);
    }
};

// What the handler saw.
struct Reports
{
    int calls = 0;
    int callsAfterStop = 0;
    int otherThread = 0;
    int overlapping = 0;
    qint64 lastDone = -1;
    qint64 total = -1;
    bool backwards = false;
    bool beyondTotal = false;
};

} // namespace

Q_DECLARE_METATYPE(Builder)

void tst_UnZipThreads::sameAsSerial_data()
{
    QTest::addColumn<Builder>("builder");
    QTest::addColumn<int>("options");
    QTest::addColumn<QStringList>("expectedFailures"); // codes testEntries must show

    const QStringList mixed{QStringLiteral("2"), QStringLiteral("5"), QStringLiteral("8"), QStringLiteral("15"),
                            QStringLiteral("16")};
    QTest::newRow("mixed") << Builder(mixedArchive) << int(UnZip::KeepFolders) << mixed;
    QTest::newRow("mixed, drop folders") << Builder(mixedArchive) << int(UnZip::DropFolders) << mixed;
    QTest::newRow("paths") << Builder(pathArchive) << int(UnZip::KeepFolders) << QStringList{QStringLiteral("8")};
    QTest::newRow("paths, drop folders") << Builder(pathArchive) << int(UnZip::DropFolders)
                                         << QStringList{QStringLiteral("8")};
    QTest::newRow("file where a folder goes") << Builder(crossingArchive) << int(UnZip::KeepFolders)
                                              << QStringList{QStringLiteral("8")};
    QTest::newRow("overlapping data") << Builder(overlapArchive) << int(UnZip::KeepFolders)
                                      << QStringList{QStringLiteral("15")};
}

void tst_UnZipThreads::sameAsSerial()
{
    QFETCH(Builder, builder);
    QFETCH(int, options);
    QFETCH(QStringList, expectedFailures);
    const QByteArray bytes = builder().build().bytes;
    const UnZip::ExtractionOptions extraction(options);

    const Outcome serial = run(bytes, 0, extraction);
    // The fixture fails in the ways it is meant to, so that the comparison
    // below compares failures and not only successes.
    for (const QString &code : expectedFailures)
        QVERIFY2(serial.failures.contains(code), qPrintable(code + QLatin1String(" not among ") + serial.failures.join(QLatin1Char(' '))));
    QVERIFY(serial.failures.contains(QString::number(int(UnZip::Success))));

    for (const Source source : {Source::Buffer, Source::File}) {
        for (const int threads : {1, 2, 8}) {
            const Outcome parallel = run(bytes, threads, extraction, source);
            QCOMPARE(parallel.testEntries, serial.testEntries);
            QCOMPARE(parallel.extractEntries, serial.extractEntries);
            QCOMPARE(parallel.extractFiles, serial.extractFiles);
            QCOMPARE(parallel.extractAll, serial.extractAll);
        }
    }
}

void tst_UnZipThreads::progressAndCancel_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("stopAtCall"); // 0: never stop

    for (const char *call : {"extractAll", "extractFiles", "extractEntries", "testEntries", "device"}) {
        for (const int threads : {0, 1, 3}) {
            if (QByteArray(call) == "device" && threads > 0)
                continue; // one entry: no threads
            for (const int stop : {0, 1, 5})
                QTest::addRow("%s, %d threads, stop at %d", call, threads, stop)
                    << QString::fromLatin1(call) << threads << stop;
        }
    }
}

void tst_UnZipThreads::progressAndCancel()
{
    QFETCH(QString, call);
    QFETCH(int, threads);
    QFETCH(int, stopAtCall);
    static const RawZip zip = progressArchive();
    static const QByteArray bytes = zip.build().bytes;

    UnZip reader;
    reader.setPassword(QStringLiteral("pw"));
    reader.setThreadCount(threads);
    auto *buffer = new SlowBuffer;
    buffer->setData(bytes);
    QCOMPARE(reader.openArchive(buffer), UnZip::Success);
    qint64 expectedTotal = 0;
    for (const UnZip::ZipEntry &entry : reader.entryList())
        expectedTotal += qint64(entry.uncompressedSize);
    QStringList names = reader.fileList();

    Reports seen;
    std::atomic<int> inside{0};
    const std::thread::id caller = std::this_thread::get_id();
    reader.setProgressHandler([&](qint64 done, qint64 total) {
        if (inside.fetch_add(1) != 0)
            ++seen.overlapping;
        if (std::this_thread::get_id() != caller)
            ++seen.otherThread;
        if (stopAtCall > 0 && seen.calls >= stopAtCall)
            ++seen.callsAfterStop;
        ++seen.calls;
        seen.backwards = seen.backwards || done < seen.lastDone;
        seen.beyondTotal = seen.beyondTotal || done > total;
        seen.lastDone = done;
        seen.total = total;
        inside.fetch_sub(1);
        return stopAtCall == 0 || seen.calls < stopAtCall;
    });

    QTemporaryDir target;
    const QDir dir(target.path());
    QList<UnZip::EntryResult> results;
    UnZip::ErrorCode whole = UnZip::Success;
    QByteArray deviceOutput;
    if (call == QLatin1String("extractAll")) {
        whole = reader.extractAll(dir, UnZip::KeepFolders);
    } else if (call == QLatin1String("extractFiles")) {
        whole = reader.extractFiles(names, dir, UnZip::KeepFolders);
    } else if (call == QLatin1String("extractEntries")) {
        results = reader.extractEntries(names, dir, UnZip::KeepFolders);
    } else if (call == QLatin1String("testEntries")) {
        results = reader.testEntries(names);
    } else {
        names = QStringList{QStringLiteral("pictures/big.bin")};
        expectedTotal = 1500000;
        QBuffer out(&deviceOutput);
        out.open(QIODevice::WriteOnly);
        whole = reader.extractFile(names.first(), &out);
    }

    QCOMPARE(seen.otherThread, 0);
    QCOMPARE(seen.overlapping, 0);
    QVERIFY(!seen.backwards);
    QVERIFY(!seen.beyondTotal);
    QCOMPARE(seen.total, expectedTotal);
    QCOMPARE(seen.callsAfterStop, 0);
    for (const UnZip::EntryResult &r : qAsConst(results))
        whole = r.result == UnZip::Success ? whole : r.result;
    // On several threads the others may finish before the caller has
    // made as many reports as the row asks; its first one comes early.
    const bool stopped = stopAtCall > 0 && seen.calls == stopAtCall;
    QVERIFY(threads > 0 ? stopAtCall != 1 || stopped : stopped == (stopAtCall > 0));
    if (!stopped) {
        QCOMPARE(whole, UnZip::Success);
        QCOMPARE(seen.lastDone, expectedTotal);
        if (call == QLatin1String("device"))
            QCOMPARE(deviceOutput, zip.entry(7).content);
        return;
    }
    QCOMPARE(seen.calls, stopAtCall);
    QVERIFY(threads > 0 || whole == UnZip::Cancelled);
    QVERIFY(whole == UnZip::Cancelled || whole == UnZip::Success);
    QVERIFY(stopAtCall != 1 || whole == UnZip::Cancelled);
    // Serially the stop comes before the last byte; on several threads every
    // byte may be decoded while an entry still waits for its checks, and that
    // entry is then the one cancelled.
    QVERIFY(threads > 0 || whole != UnZip::Cancelled || seen.lastDone < expectedTotal);
    QCOMPARE(reader.formatError(UnZip::Cancelled), QStringLiteral("Extraction cancelled."));

    // What stays is whole files with their content; every entry not done is
    // Cancelled, and the entries failed for no other reason.
    int cancelled = 0;
    for (const UnZip::EntryResult &r : qAsConst(results)) {
        QVERIFY2(r.result == UnZip::Success || r.result == UnZip::Cancelled, qPrintable(r.filename));
        cancelled += r.result == UnZip::Cancelled ? 1 : 0;
        if (call == QLatin1String("extractEntries") && !r.filename.endsWith(QLatin1Char('/')))
            QCOMPARE(QFileInfo::exists(dir.filePath(r.filename)), r.result == UnZip::Success);
    }
    QVERIFY(results.isEmpty() || (cancelled > 0) == (whole == UnZip::Cancelled));
    for (const QString &path : FileTree::list(target.path())) {
        if (path.endsWith(QLatin1Char('/')))
            continue;
        int index = zip.count() - 1;
        while (index >= 0 && zip.entry(index).name != path.toLatin1())
            --index;
        QVERIFY2(index >= 0, qPrintable(path));
        QCOMPARE(FileTree::read(dir.filePath(path)), zip.entry(index).content);
    }
    if (call == QLatin1String("device"))
        QVERIFY(deviceOutput.size() < 1500000);
}

// A reader whose threads were started before fork() extracts in the child
// as in the parent: the child has none of the parent's threads.
void tst_UnZipThreads::forkedChild()
{
#if defined(__SANITIZE_THREAD__)
    QSKIP("the thread sanitizer does not follow a fork() of a process with threads");
#endif
    const QByteArray bytes = progressArchive().build().bytes;
    QTemporaryDir dir;
    const QString archivePath = dir.filePath(QStringLiteral("archive.zip"));
    QVERIFY(FileTree::write(archivePath, bytes));
    UnZip reader;
    reader.setPassword(QStringLiteral("pw"));
    reader.setThreadCount(3);
    QCOMPARE(reader.openArchive(archivePath), UnZip::Success);
    // Files at the top need the target folders to exist on every file system
    // layer.
    const QString inParent = dir.filePath(QStringLiteral("parent"));
    const QString inChild = dir.filePath(QStringLiteral("child"));
    QVERIFY(QDir().mkpath(inParent) && QDir().mkpath(inChild));
    QCOMPARE(reader.extractFiles(reader.fileList(), QDir(inParent)), UnZip::Success);

    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0)
        _exit(reader.extractFiles(reader.fileList(), QDir(inChild)) == UnZip::Success ? 0 : 1);
    int status = 0;
    pid_t reaped = 0;
    QElapsedTimer waited;
    waited.start();
    while ((reaped = waitpid(child, &status, WNOHANG)) == 0 && waited.elapsed() < 60000)
        QThread::msleep(10);
    if (reaped == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        QFAIL("the child did not finish its extraction");
    }
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(treeOf(inChild), treeOf(inParent));
    QVERIFY(QFileInfo(inChild + QLatin1String("/pictures/big.bin")).size() == 1500000);

    // The parent's threads still work after the child has gone.
    QTemporaryDir again;
    QCOMPARE(reader.extractFiles(reader.fileList(), QDir(again.path())), UnZip::Success);
    QCOMPARE(treeOf(again.path()), treeOf(inParent));
}

QTEST_GUILESS_MAIN(tst_UnZipThreads)
#include "tst_unzipthreads.moc"
