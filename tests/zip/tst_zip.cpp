// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The writer's archive life and entry records, checked on the bytes it puts
// on the device.
#include "builtmethods.h"
#include "debugrecorder.h"
#include "smalltmpfs.h"
#include "testdevices.h"
#include "zipinspect.h"

#include <kelvanezip/unzip.h>
#include <kelvanezip/zip.h>
#include "write/zip_p.h"

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QLoggingCategory>
#include <QtCore/QScopeGuard>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <functional>
#include <memory>

#include <zlib.h>

namespace {

// Takes away, for the current thread and while it lives, the capabilities
// that let root read any file, so that a file without permissions cannot be
// opened even when the tests run as root.
class WithoutFileOverride
{
public:
    WithoutFileOverride()
    {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        m_header.pid = 0;
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_active = syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~WithoutFileOverride()
    {
        if (m_active)
            syscall(SYS_capset, &m_header, m_saved);
    }

private:
    __user_cap_header_struct m_header;
    __user_cap_data_struct m_saved[2] = {};
    bool m_active = false;
};

QString q(const QString &s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}

// Sysfs files report a size of 4096 whatever their content.
QString sysfsFileWithWrongSize()
{
    const char *const candidates[] = {
        "/sys/kernel/mm/transparent_hugepage/enabled", "/sys/devices/system/cpu/online",
        "/sys/devices/system/cpu/possible", "/sys/power/state", "/sys/kernel/uevent_seqnum"};
    for (const char *c : candidates) {
        const QString path = QString::fromLatin1(c);
        const QFileInfo info(path);
        if (info.exists() && info.size() >= 60 && readWholeFile(path).size() != info.size())
            return path;
    }
    return QString();
}

// Writes the archive that fill() makes with room for n bytes, for every n
// below length, on a FaultyBuffer or (streamed) a StreamSink: each time, the
// writer must end with FileWriteError and the device's reason. The first
// case that does not, described; empty when all do.
QString firstWrongOutcome(qint64 length, bool streamed, const std::function<Zip::ErrorCode(Zip &)> &fill)
{
    const QString reason = QStringLiteral("Unable to write the archive: %1").arg(QLatin1String(writeFailureText()));
    // Thousands of runs: their debug lines would hide the test's own.
    QLoggingCategory::setFilterRules(QStringLiteral("kelvane.zip.debug=false"));
    const auto restoreRules = qScopeGuard([] { QLoggingCategory::setFilterRules(QString()); });
    for (qint64 room = 0; room < length; ++room) {
        QIODevice *device;
        if (streamed) {
            auto *sink = new StreamSink;
            sink->limitWrites(room);
            device = sink;
        } else {
            auto *buffer = new FaultyBuffer;
            buffer->limitWrites(room);
            device = buffer;
        }
        Zip zip;
        zip.createArchive(device);
        const Zip::ErrorCode added = fill(zip);
        const Zip::ErrorCode closed = zip.closeArchive();
        if (closed != Zip::FileWriteError || zip.lastErrorDetail() != reason
            || (added != Zip::Success && added != Zip::FileWriteError)) {
            return QStringLiteral("room for %1 of %2 bytes: add %3, close %4, detail '%5'")
                .arg(room)
                .arg(length)
                .arg(added)
                .arg(closed)
                .arg(zip.lastErrorDetail());
        }
    }
    return QString();
}

} // namespace

Q_DECLARE_METATYPE(Zip::ErrorCode)
Q_DECLARE_METATYPE(Zip::CompressionLevel)
Q_DECLARE_METATYPE(Zip::EncryptionMethod)

class tst_Zip : public QObject
{
    Q_OBJECT

private slots:
    void init();

    // Archive life
    void emptyArchive_data();
    void emptyArchive();
    void commentAndPasswordLife();
    void createArchiveOnExistingFile();
    void createArchiveOnDevice();
    void deviceOwnership();
    void deviceWrittenFromItsPosition();
    void destructorCompletesArchive();
    void centralDirectorySortedByName();
    void shortWrites_data();
    void shortWrites();
    void seekFailure();
    void writeFailsAtEveryByte_data();
    void writeFailsAtEveryByte();
    void fullDiskRemovesCreatedArchive_data();
    void fullDiskRemovesCreatedArchive();
    void archiveInsideAddedFolder_data();
    void archiveInsideAddedFolder();

    // Entries
    void dosTimeAndDate();
    void dosRangeClamped_data();
    void dosRangeClamped();
    void sizeRule_data();
    void sizeRule();
    void compressionLevels_data();
    void compressionLevels();
    void levelRefusedByZlib();
    void folderEntry();
    void storedEntryCrcAndSize();
    void encryptedEntries_data();
    void encryptedEntries();
    void aesEntries_data();
    void aesEntries();
    void sameNameReplaced();
    void unreadableFile_data();
    void unreadableFile();
    void nonAsciiNames();
    void fileChangedBeforeWriting_data();
    void fileChangedBeforeWriting();
    void fileWithUnknownSize();
    void readError_data();
    void readError();

    // Format limits
    void nameLength_data();
    void nameLength();
    void commentLength_data();
    void commentLength();
    void entryCount();
    void offsetsBeyond4GiB_data();
    void offsetsBeyond4GiB();

private:
    QTemporaryDir m_tmp;
    QString m_in;
    int m_case = 0;

    QString newFolder();
    static QByteArray zipFolder(const QString &folder, Zip::CompressionLevel level, const QString &password,
                                Zip::ErrorCode *addResult = nullptr);
};

void tst_Zip::init()
{
    QVERIFY(m_tmp.isValid());
}

QString tst_Zip::newFolder()
{
    const QString path = m_tmp.filePath(QStringLiteral("case%1").arg(++m_case));
    QDir().mkpath(path);
    return path;
}

// The folder's contents, written into an in-memory archive.
QByteArray tst_Zip::zipFolder(const QString &folder, Zip::CompressionLevel level, const QString &password,
                              Zip::ErrorCode *addResult)
{
    QByteArray bytes;
    Zip zip;
    zip.setPassword(password);
    if (zip.createArchive(new QBuffer(&bytes)) != Zip::Success)
        return QByteArray();
    const Zip::ErrorCode ec = zip.addDirectoryContents(folder, level);
    if (addResult)
        *addResult = ec;
    if (zip.closeArchive() != Zip::Success)
        return QByteArray();
    return bytes;
}

// ---------------------------------------------------------------------------
// Archive life
// ---------------------------------------------------------------------------

void tst_Zip::emptyArchive_data()
{
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray record("PK\5\6\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 20);
    QTest::newRow("no comment") << QString() << record + QByteArray(2, '\0');
    QTest::newRow("abc") << QStringLiteral("abc") << record + QByteArray("\3\0abc", 5);
    // Non-ASCII text is kept as UTF-8 rather than lost to "?".
    QTest::newRow("Cyrillic") << QStringLiteral("\u0430\u0431\u0432") << record + QByteArray("\6\0\xd0\xb0\xd0\xb1\xd0\xb2", 8);
}

void tst_Zip::emptyArchive()
{
    QFETCH(QString, comment);
    QFETCH(QByteArray, expected);

    const QString path = m_tmp.filePath(QStringLiteral("empty.zip"));
    Zip zip;
    QCOMPARE(zip.createArchive(path), Zip::Success);
    zip.setArchiveComment(comment);
    QCOMPARE(zip.closeArchive(), Zip::Success);
    QCOMPARE(readWholeFile(path), expected);

    UnZip reader;
    QCOMPARE(reader.openArchive(path), UnZip::Success);
    QVERIFY(reader.fileList().isEmpty());
    QCOMPARE(reader.archiveComment(), comment);
}

void tst_Zip::commentAndPasswordLife()
{
    QByteArray bytes;
    Zip zip;
    QVERIFY(!zip.isOpen());
    zip.setArchiveComment(QStringLiteral("ignored"));
    QCOMPARE(zip.archiveComment(), QString());
    zip.setPassword(QStringLiteral("pw"));

    QCOMPARE(zip.createArchive(new QBuffer(&bytes)), Zip::Success);
    QVERIFY(zip.isOpen());
    zip.setArchiveComment(QStringLiteral("kept"));
    QCOMPARE(zip.archiveComment(), QStringLiteral("kept"));
    QCOMPARE(zip.closeArchive(), Zip::Success);

    QVERIFY(!zip.isOpen());
    QVERIFY(zip.archiveComment().isEmpty());
    QCOMPARE(zip.password(), QStringLiteral("pw"));
    QCOMPARE(zip.closeArchive(), Zip::Success);
    QCOMPARE(inspectArchive(bytes).comment, QByteArray("kept"));

    zip.setArchiveComment(QStringLiteral("after close"));
    QVERIFY(zip.archiveComment().isEmpty());
    zip.clearPassword();
    QVERIFY(zip.password().isNull());
}

void tst_Zip::createArchiveOnExistingFile()
{
    const QString path = m_tmp.filePath(QStringLiteral("existing.zip"));
    writeFile(path, "previous content that is longer than an end record");

    QByteArray bytes; // outlives the archive written into it below
    Zip zip;
    QCOMPARE(zip.createArchive(path, false), Zip::TargetExists);
    QVERIFY(!zip.isOpen());
    QCOMPARE(readWholeFile(path), QByteArray("previous content that is longer than an end record"));

    QCOMPARE(zip.createArchive(path, true), Zip::Success);
    QCOMPARE(zip.closeArchive(), Zip::Success);
    QCOMPARE(readWholeFile(path).size(), 22);

    // A failing createArchive on a name leaves an open archive alone.
    QCOMPARE(zip.createArchive(new QBuffer(&bytes)), Zip::Success);
    QCOMPARE(zip.createArchive(path, false), Zip::TargetExists);
    QCOMPARE(zip.createArchive(m_tmp.filePath(QStringLiteral("no/such/folder/a.zip"))), Zip::FileOpenFailed);
    QVERIFY(zip.isOpen());
    QVERIFY(bytes.isEmpty());
}

void tst_Zip::createArchiveOnDevice()
{
    Zip zip;
    DebugRecorder debug;
    QCOMPARE(zip.createArchive(static_cast<QIODevice *>(nullptr)), Zip::FileOpenFailed);
    QCOMPARE(debug.take(), QStringList{q(QStringLiteral("Invalid device."))});

    int destroyed = 0;
    auto *refusing = new FaultyBuffer(QByteArray(), &destroyed);
    refusing->refuseOpen();
    QCOMPARE(zip.createArchive(refusing), Zip::FileOpenFailed);
    QCOMPARE(destroyed, 1);
    QCOMPARE(debug.take(), QStringList{q(QStringLiteral("Unable to open device for writing."))});
    QVERIFY(!zip.isOpen());
}

void tst_Zip::deviceOwnership()
{
    const QString folder = newFolder();
    writeFile(folder + QStringLiteral("/a.txt"), "a");

    // A second createArchive completes and releases the first archive.
    QByteArray firstBytes;
    int first = 0;
    int second = 0;
    {
        Zip zip;
        QCOMPARE(zip.createArchive(new QBuffer(&firstBytes)), Zip::Success);
        QCOMPARE(zip.addDirectoryContents(folder), Zip::Success);
        zip.setArchiveComment(QStringLiteral("first"));
        QCOMPARE(zip.createArchive(new CountingBuffer(QByteArray(), &first)), Zip::Success);
        QVERIFY(zip.archiveComment().isEmpty());

        const InspectedArchive archive = inspectArchive(firstBytes);
        QVERIFY2(archive.ok(), qPrintable(archive.error));
        QCOMPARE(archive.names(), QList<QByteArray>{"a.txt"});
        QCOMPARE(archive.comment, QByteArray("first"));

        // Each device is deleted once: by the next createArchive, by
        // closeArchive, or by the destructor.
        QCOMPARE(zip.createArchive(new CountingBuffer(QByteArray(), &second)), Zip::Success);
        QCOMPARE(first, 1);
        QCOMPARE(second, 0);
    }
    QCOMPARE(first, 1);
    QCOMPARE(second, 1);

    // The device it already writes to, handed again, is kept for the new
    // archive, not deleted under it.
    int same = 0;
    {
        Zip zip;
        auto *device = new CountingBuffer(QByteArray(), &same);
        QCOMPARE(zip.createArchive(device), Zip::Success);
        QCOMPARE(zip.createArchive(device), Zip::Success);
        QCOMPARE(same, 0);
        QCOMPARE(zip.addDirectoryContents(folder), Zip::Success);
        QCOMPARE(zip.closeArchive(), Zip::Success);
    }
    QCOMPARE(same, 1);

    int third = 0;
    Zip zip;
    QCOMPARE(zip.createArchive(new CountingBuffer(QByteArray(), &third)), Zip::Success);
    QCOMPARE(zip.closeArchive(), Zip::Success);
    QCOMPARE(third, 1);
}

void tst_Zip::deviceWrittenFromItsPosition()
{
    const QString folder = newFolder();
    writeFile(folder + QStringLiteral("/a.txt"), compressibleContent(1000));
    writeFile(folder + QStringLiteral("/b.txt"), "bb");

    const QByteArray prefix(100, 'P');
    QByteArray bytes = prefix;
    auto *device = new QBuffer(&bytes);
    QVERIFY(device->open(QIODevice::ReadWrite));
    QVERIFY(device->seek(prefix.size()));

    Zip zip;
    QCOMPARE(zip.createArchive(device), Zip::Success);
    QCOMPARE(zip.addDirectoryContents(folder, Zip::Level9), Zip::Success);
    QCOMPARE(zip.closeArchive(), Zip::Success);

    QVERIFY(bytes.startsWith(prefix));
    const InspectedArchive archive = inspectArchive(bytes);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    QCOMPARE(archive.central.size(), 2);
    QCOMPARE(archive.central.at(0).localHeaderOffset, quint32(prefix.size()));
    QCOMPARE(inspectLocal(bytes, archive.central.at(0).localHeaderOffset).name, QByteArray("a.txt"));
    QCOMPARE(inspectLocal(bytes, archive.central.at(1).localHeaderOffset).name, QByteArray("b.txt"));
    QCOMPARE(localNamesInOrder(bytes, archive, prefix.size()), (QList<QByteArray>{"a.txt", "b.txt"}));
}

void tst_Zip::destructorCompletesArchive()
{
    const QString folder = newFolder();
    writeFile(folder + QStringLiteral("/a.txt"), compressibleContent(5000));
    const QString path = m_tmp.filePath(QStringLiteral("destructed.zip"));
    {
        Zip zip;
        QCOMPARE(zip.createArchive(path), Zip::Success);
        QCOMPARE(zip.addDirectoryContents(folder, Zip::Level9), Zip::Success);
        zip.setArchiveComment(QStringLiteral("done"));
    }
    const InspectedArchive archive = inspectArchive(readWholeFile(path));
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    QCOMPARE(archive.names(), QList<QByteArray>{"a.txt"});
    QCOMPARE(archive.comment, QByteArray("done"));
}

void tst_Zip::centralDirectorySortedByName()
{
    const QString root = newFolder();
    writeFile(root + QStringLiteral("/x/b.txt"), "written first");
    writeFile(root + QStringLiteral("/y/a.txt"), "written second");
    writeFile(root + QStringLiteral("/y/C.txt"), "upper case");

    QByteArray bytes;
    Zip zip;
    QCOMPARE(zip.createArchive(new QBuffer(&bytes)), Zip::Success);
    QCOMPARE(zip.addDirectoryContents(root + QStringLiteral("/x")), Zip::Success);
    QCOMPARE(zip.addDirectoryContents(root + QStringLiteral("/y")), Zip::Success);
    QCOMPARE(zip.closeArchive(), Zip::Success);

    const InspectedArchive archive = inspectArchive(bytes);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    // Code unit order in the directory; the walk takes a folder's items by
    // name ignoring case.
    QCOMPARE(archive.names(), (QList<QByteArray>{"C.txt", "a.txt", "b.txt"}));
    QCOMPARE(localNamesInOrder(bytes, archive), (QList<QByteArray>{"b.txt", "a.txt", "C.txt"}));
    QCOMPARE(archive.totalEntries, quint16(3));
    QCOMPARE(archive.diskEntries, quint16(3));
    for (const InspectedCentral &c : archive.central)
        QCOMPARE(inspectLocal(bytes, c.localHeaderOffset).name, c.name);
    QCOMPARE(archive.directoryOffset, quint32(archive.endRecord - archive.directorySize));
}

void tst_Zip::shortWrites_data()
{
    QTest::addColumn<Zip::CompressionLevel>("level");
    QTest::addColumn<QString>("password");
    QTest::addColumn<qint64>("writeLimit");
    QTest::addColumn<bool>("failsOnAdd");
    QTest::addColumn<QString>("message");

    // The one entry is named f.txt: its local header and name take 35 bytes.
    const qint64 header = 35;
    const qint64 size = 5000;
    QTest::newRow("local header") << Zip::Level9 << QString() << qint64(20) << true << QString();
    QTest::newRow("name") << Zip::Level9 << QString() << qint64(32) << true << QString();
    QTest::newRow("encryption header") << Zip::StoreOnly << QStringLiteral("pw") << header + 5 << true << QString();
    QTest::newRow("stored data") << Zip::StoreOnly << QString() << header + 100 << true << QString();
    QTest::newRow("deflated data") << Zip::Level9 << QString() << header + 100 << true
                                   << QStringLiteral("Error while writing %1");
    QTest::newRow("completed header") << Zip::StoreOnly << QString() << header + size + 4 << true << QString();
    QTest::newRow("data descriptor") << Zip::StoreOnly << QStringLiteral("pw") << header + 12 + size + 12 + 10
                                     << true << QString();
    QTest::newRow("central record") << Zip::StoreOnly << QString() << header + size + 12 + 20 << false
                                    << QString();
    QTest::newRow("end record") << Zip::StoreOnly << QString() << header + size + 12 + 46 + 5 + 10 << false
                                << QString();
}

void tst_Zip::shortWrites()
{
    QFETCH(Zip::CompressionLevel, level);
    QFETCH(QString, password);
    QFETCH(qint64, writeLimit);
    QFETCH(bool, failsOnAdd);
    QFETCH(QString, message);

    const QString folder = newFolder();
    const QString file = folder + QStringLiteral("/f.txt");
    writeFile(file, compressibleContent(5000));

    int destroyed = 0;
    auto *device = new FaultyBuffer(QByteArray(), &destroyed);
    device->limitWrites(writeLimit);
    Zip zip;
    zip.setPassword(password);
    QCOMPARE(zip.createArchive(device), Zip::Success);
    DebugRecorder debug;
    QCOMPARE(zip.addDirectoryContents(folder, level), failsOnAdd ? Zip::FileWriteError : Zip::Success);
    QCOMPARE(zip.closeArchive(), Zip::FileWriteError); // the device stays full
    QCOMPARE(destroyed, 1);
    // The device's reason, then (deflated data) the file being written; a
    // failure while adding is repeated by closeArchive().
    const QString reason = QStringLiteral("Unable to write the archive: %1").arg(QLatin1String(writeFailureText()));
    QStringList expected{q(reason)};
    if (!message.isEmpty())
        expected.append(q(message.arg(file)));
    if (failsOnAdd)
        expected.append(q(reason));
    QCOMPARE(debug.lines(), expected);
    QCOMPARE(zip.lastErrorDetail(), reason);
}

void tst_Zip::seekFailure()
{
    const QString folder = newFolder();
    writeFile(folder + QStringLiteral("/f.txt"), "content");

    auto *device = new FaultyBuffer;
    device->failSeek(0);
    Zip zip;
    QCOMPARE(zip.createArchive(device), Zip::Success);
    QCOMPARE(zip.addDirectoryContents(folder), Zip::FileSeekError);
    QCOMPARE(device->seekCalls(), 1);
    const QByteArray written = device->data();
    QCOMPARE(zip.closeArchive(), Zip::Success);
    // The entry's local part stays, without a directory record.
    QVERIFY(written.startsWith("PK\3\4"));
    QCOMPARE(inspectLocal(written, 0).name, QByteArray("f.txt"));
}

void tst_Zip::writeFailsAtEveryByte_data()
{
    QTest::addColumn<bool>("streamed");
    QTest::addColumn<int>("threads");
    QTest::addColumn<QString>("password");
    QTest::addColumn<Zip::EncryptionMethod>("cipher");

    for (const bool streamed : {false, true}) {
        const char *kind = streamed ? "streamed" : "seekable";
        QTest::addRow("%s, serial", kind) << streamed << 0 << QString() << Zip::TraditionalEncryption;
        QTest::addRow("%s, parallel", kind) << streamed << 2 << QString() << Zip::TraditionalEncryption;
        QTest::addRow("%s, traditional cipher", kind) << streamed << 0 << QStringLiteral("pw")
                                                      << Zip::TraditionalEncryption;
        QTest::addRow("%s, AES", kind) << streamed << 2 << QStringLiteral("pw") << Zip::Aes128Encryption;
    }
}

// A device that takes only the first n bytes, for every n across the headers,
// data, descriptors and records of a small archive: the writer reports the
// device's reason each time, and never Success. With room for everything,
// the archive reads back (a streamed one as well: no seek, data descriptors).
void tst_Zip::writeFailsAtEveryByte()
{
    QFETCH(bool, streamed);
    QFETCH(int, threads);
    QFETCH(QString, password);
    QFETCH(Zip::EncryptionMethod, cipher);
    if (cipher != Zip::TraditionalEncryption)
        KELVANE_REQUIRE_AES();

    const QString folder = newFolder();
    writeFile(folder + QStringLiteral("/a.txt"), compressibleContent(700));
    writeFile(folder + QStringLiteral("/b.bin"), "short");
    QVERIFY(QDir(folder).mkdir(QStringLiteral("empty")));
    auto configure = [&](Zip &zip) {
        zip.setThreadCount(threads);
        zip.setPassword(password);
        zip.setEncryptionMethod(cipher);
    };

    QByteArray complete;
    {
        QIODevice *device = streamed ? static_cast<QIODevice *>(new StreamSink(&complete)) : new QBuffer(&complete);
        Zip zip;
        configure(zip);
        QCOMPARE(zip.createArchive(device), Zip::Success);
        QCOMPARE(zip.addDirectory(folder, Zip::FolderRelative, Zip::Level6), Zip::Success);
        QCOMPARE(zip.closeArchive(), Zip::Success);
    }
    const QString base = QFileInfo(folder).fileName();
    const QStringList names{base + QStringLiteral("/a.txt"), base + QStringLiteral("/b.bin"),
                            base + QStringLiteral("/empty/")};
    const InspectedArchive archive = inspectArchive(complete);
    QCOMPARE(archive.central.size(), 3);
    for (const InspectedCentral &c : archive.central) {
        // Streamed, every file entry has the descriptor flag and no CRC-32
        // in its local header.
        const bool file = !c.name.endsWith('/');
        const bool descriptor = file && (streamed || (cipher == Zip::TraditionalEncryption && !password.isEmpty()));
        QCOMPARE(bool(c.flags & 0x08), descriptor);
        if (streamed)
            QCOMPARE(inspectLocal(complete, c.localHeaderOffset).crc, quint32(0));
    }
    UnZip reader;
    reader.setPassword(password);
    QCOMPARE(reader.openArchive(new CountingBuffer(complete)), UnZip::Success);
    QCOMPARE(reader.fileList(), names);
    QByteArray content;
    QBuffer out(&content);
    out.open(QIODevice::WriteOnly);
    QCOMPARE(reader.extractFile(names.at(0), &out), UnZip::Success);
    QCOMPARE(content, compressibleContent(700));

    const QString failure = firstWrongOutcome(complete.size(), streamed, [&](Zip &zip) {
        configure(zip);
        return zip.addDirectory(folder, Zip::FolderRelative, Zip::Level6);
    });
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

void tst_Zip::fullDiskRemovesCreatedArchive_data()
{
    QTest::addColumn<int>("threads");
    QTest::addColumn<QString>("content");
    // On a disk filled first, the few bytes written wait in the file's
    // buffer: the seek back to a local header meets the full disk, or, with
    // nothing added, the flush of the end record.
    QTest::newRow("nothing added, full disk") << 0 << QString();
    QTest::newRow("small file, full disk") << 0 << QStringLiteral("small");
    QTest::newRow("serial, fills while writing") << 0 << QStringLiteral("noise");
    QTest::newRow("parallel, fills while writing") << 2 << QStringLiteral("noise");
}

void tst_Zip::fullDiskRemovesCreatedArchive()
{
    QFETCH(int, threads);
    QFETCH(QString, content);
    SmallTmpfs fs(256 * 1024);
    KELVANE_REQUIRE_TMPFS(fs);

    const QString folder = newFolder();
    if (content == QLatin1String("small")) {
        writeFile(folder + QStringLiteral("/small.txt"), "a few bytes");
        QVERIFY(fs.fill());
    } else if (content == QLatin1String("noise")) {
        QByteArray noise(400 * 1024, '\0');
        quint32 x = 1;
        for (char &c : noise)
            c = char((x = x * 1103515245u + 12345u) >> 24);
        writeFile(folder + QStringLiteral("/noise.bin"), noise);
    } else {
        QVERIFY(fs.fill());
    }

    const QString archive = fs.filePath(QStringLiteral("out.zip"));
    Zip zip;
    zip.setThreadCount(threads);
    QCOMPARE(zip.createArchive(archive), Zip::Success);
    if (!content.isEmpty())
        QCOMPARE(zip.addDirectory(folder, Zip::FolderRelative, Zip::StoreOnly), Zip::FileWriteError);
    QCOMPARE(zip.closeArchive(), Zip::FileWriteError);
    QCOMPARE(zip.lastErrorDetail(), QStringLiteral("Unable to write the archive: No space left on device"));
    QVERIFY(!QFile::exists(archive));
    QCOMPARE(zip.isOpen(), false);
}

void tst_Zip::archiveInsideAddedFolder_data()
{
    QTest::addColumn<Zip::CompressionLevel>("level");
    QTest::newRow("stored") << Zip::StoreOnly;
    QTest::newRow("deflated") << Zip::Level1;
}

// Reading the archive while it grows would never reach its end.
void tst_Zip::archiveInsideAddedFolder()
{
    QFETCH(Zip::CompressionLevel, level);

    const QString folder = newFolder();
    writeFile(folder + QStringLiteral("/noise.bin"), randomContent(300000));
    const QString path = folder + QStringLiteral("/self.zip");
    Zip zip;
    QCOMPARE(zip.createArchive(path), Zip::Success);
    DebugRecorder debug;
    QCOMPARE(zip.addDirectoryContents(folder, level), Zip::Success);
    QCOMPARE(debug.lines(), QStringList{q(QStringLiteral("Skipping the archive itself: %1").arg(path))});
    QCOMPARE(zip.closeArchive(), Zip::Success);
    QCOMPARE(inspectArchive(readWholeFile(path)).names(), QList<QByteArray>{"noise.bin"});
}

// ---------------------------------------------------------------------------
// Entries
// ---------------------------------------------------------------------------

void tst_Zip::dosTimeAndDate()
{
    const QString folder = newFolder();
    const QString file = folder + QStringLiteral("/t.txt");
    writeFile(file, "time");
    setModified(file, QDateTime(QDate(2009, 6, 15), QTime(14, 37, 59)));
    QDir().mkdir(folder + QStringLiteral("/empty"));
    setModified(folder + QStringLiteral("/empty"), QDateTime(QDate(2009, 6, 15), QTime(14, 37, 58)));

    QByteArray bytes;
    Zip zip;
    QCOMPARE(zip.createArchive(new QBuffer(&bytes)), Zip::Success);
    QCOMPARE(zip.addDirectory(folder, QStringLiteral("r"), Zip::Level9), Zip::Success);
    QCOMPARE(zip.closeArchive(), Zip::Success);

    const InspectedArchive archive = inspectArchive(bytes);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    const QByteArray folderName = "r/" + QFileInfo(folder).fileName().toLatin1() + '/';
    const InspectedCentral *entry = archive.find(folderName + "t.txt");
    const InspectedCentral *empty = archive.find(folderName + "empty/");
    QVERIFY(entry && empty);
    QCOMPARE(bytes.mid(int(entry->localHeaderOffset) + 10, 4), QByteArray("\xBD\x74\xCF\x3A", 4));
    QCOMPARE(entry->dosTime, quint16(0x74BD));
    QCOMPARE(entry->dosDate, quint16(0x3ACF));
    // Folder entries carry the folder's own time.
    QCOMPARE(bytes.mid(int(empty->localHeaderOffset) + 10, 4), QByteArray("\xBD\x74\xCF\x3A", 4));
}

void tst_Zip::dosRangeClamped_data()
{
    QTest::addColumn<QDateTime>("modified");
    QTest::addColumn<QDateTime>("stored");

    const QDateTime first(QDate(1980, 1, 1), QTime(0, 0, 0));
    const QDateTime last(QDate(2107, 12, 31), QTime(23, 59, 58));
    QTest::newRow("1960") << QDateTime(QDate(1960, 2, 3), QTime(4, 5, 6)) << first;
    QTest::newRow("1975") << QDateTime(QDate(1975, 7, 4), QTime(10, 0, 0)) << first;
    QTest::newRow("1979-12-31 23:59:59") << QDateTime(QDate(1979, 12, 31), QTime(23, 59, 59)) << first;
    QTest::newRow("first second") << first << first;
    QTest::newRow("last second") << last << last;
    QTest::newRow("2108-01-01") << QDateTime(QDate(2108, 1, 1), QTime(0, 0, 0)) << last;
    QTest::newRow("2150") << QDateTime(QDate(2150, 3, 4), QTime(5, 6, 8)) << last;
}

// Times outside the MS-DOS range are stored there as its nearest end, not
// wrapped into it; the extended timestamp (1970 to 2038) or the NTFS field
// keeps the time itself, which the listing shows.
void tst_Zip::dosRangeClamped()
{
    QFETCH(QDateTime, modified);
    QFETCH(QDateTime, stored);
    const QString folder = newFolder();
    const QString file = folder + QStringLiteral("/t.txt");
    writeFile(file, "time");
    setModified(file, modified);
    QCOMPARE(QFileInfo(file).lastModified(), modified);

    QByteArray bytes;
    Zip zip;
    QCOMPARE(zip.createArchive(new QBuffer(&bytes)), Zip::Success);
    QCOMPARE(zip.addFile(file), Zip::Success);
    QCOMPARE(zip.closeArchive(), Zip::Success);
    UnZip reader;
    auto *archive = new QBuffer;
    archive->setData(bytes);
    QCOMPARE(reader.openArchive(archive), UnZip::Success);
    const bool extended = modified.date().year() >= 1970 && modified.date().year() < 2038;
    QCOMPARE(reader.entryList().value(0).lastModified, modified);
    const InspectedArchive inspected = inspectArchive(bytes);
    QVERIFY2(inspected.ok(), qPrintable(inspected.error));
    const InspectedCentral &c = inspected.central.at(0);
    const unsigned char dos[4] = {uchar(c.dosTime), uchar(c.dosTime >> 8), uchar(c.dosDate), uchar(c.dosDate >> 8)};
    QCOMPARE(ZipFormat::decodeDosDateTime(dos, dos + 2), stored);
    QCOMPARE(c.extraLength, quint16(extended ? 9 : 36));
}

void tst_Zip::sizeRule_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<Zip::CompressionLevel>("level");
    QTest::addColumn<int>("method");

    QTest::newRow("0 bytes, level 9") << 0 << Zip::Level9 << 0;
    QTest::newRow("59 bytes, level 9") << 59 << Zip::Level9 << 0;
    QTest::newRow("59 bytes, by type") << 59 << Zip::ByFileType << 0;
    QTest::newRow("60 bytes, level 9") << 60 << Zip::Level9 << 8;
    QTest::newRow("60 bytes, level 1") << 60 << Zip::Level1 << 8;
    QTest::newRow("60 bytes, store only") << 60 << Zip::StoreOnly << 0;
}

void tst_Zip::sizeRule()
{
    QFETCH(int, size);
    QFETCH(Zip::CompressionLevel, level);
    QFETCH(int, method);

    const QString folder = newFolder();
    const QByteArray content = compressibleContent(size);
    writeFile(folder + QStringLiteral("/f.txt"), content);
    const QByteArray bytes = zipFolder(folder, level, QString());
    const InspectedArchive archive = inspectArchive(bytes);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    QCOMPARE(archive.central.size(), 1);
    const InspectedCentral &c = archive.central.at(0);
    QCOMPARE(int(c.method), method);
    QCOMPARE(c.uncompressedSize, quint32(size));
    QCOMPARE(c.crc, crc32Of(content));
    const InspectedLocal local = inspectLocal(bytes, c.localHeaderOffset);
    if (method == 0)
        QCOMPARE(bytes.mid(int(local.dataOffset), int(c.compressedSize)), content);
    else
        QCOMPARE(bytes.mid(int(local.dataOffset), int(c.compressedSize)), referenceDeflate(content, int(level)));
}

void tst_Zip::compressionLevels_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("size");
    QTest::addColumn<Zip::CompressionLevel>("level");
    QTest::addColumn<int>("deflateLevel"); // 0: stored
    QTest::addColumn<bool>("runLength");

    const int small = 20000;
    const int chunks = 262144 * 2; // ends exactly on a chunk boundary
    QTest::newRow("by type: song.MP3") << "song.MP3" << small << Zip::ByFileType << 0 << false;
    QTest::newRow("by type: photo.JPG") << "photo.JPG" << small << Zip::ByFileType << 0 << false;
    QTest::newRow("by type: p.png") << "p.png" << small << Zip::ByFileType << 0 << false;
    QTest::newRow("by type: a.z") << "a.z" << small << Zip::ByFileType << 0 << false;
    QTest::newRow("by type: setup.exe") << "setup.exe" << small << Zip::ByFileType << 2 << false;
    QTest::newRow("by type: x.DEB") << "x.DEB" << small << Zip::ByFileType << 2 << false;
    QTest::newRow("by type: notes.txt") << "notes.txt" << small << Zip::ByFileType << 9 << false;
    QTest::newRow("by type: no dot") << "README" << small << Zip::ByFileType << 9 << false;
    QTest::newRow("by type: backup.tar.gz") << "backup.tar.gz" << small << Zip::ByFileType << 9 << false;
    QTest::newRow("by type alt: setup.exe") << "setup.exe" << small << Zip::ByFileTypeAlt << 2 << false;
    QTest::newRow("by type alt: data.bin.txt") << "data.bin.txt" << small << Zip::ByFileTypeAlt << 9 << false;
    QTest::newRow("default: a.txt") << "a.txt" << small << Zip::LevelDefault << 5 << false;
    QTest::newRow("default: p.png") << "p.png" << small << Zip::LevelDefault << 5 << true;
    QTest::newRow("level 1: p.PNG") << "p.PNG" << small << Zip::Level1 << 1 << true;
    QTest::newRow("level 9: p.png") << "p.png" << small << Zip::Level9 << 9 << true;
    QTest::newRow("level 9: p.png.txt") << "p.png.txt" << small << Zip::Level9 << 9 << false;
    for (int level = 1; level <= 9; ++level) {
        QTest::addRow("level %d: two chunks", level)
            << "big.txt" << chunks << Zip::CompressionLevel(level) << level << false;
    }
    QTest::newRow("level 6: chunk and a byte") << "big.txt" << 262145 << Zip::Level6 << 6 << false;
    QTest::newRow("store only: two chunks") << "big.txt" << chunks << Zip::StoreOnly << 0 << false;
}

void tst_Zip::compressionLevels()
{
    QFETCH(QString, fileName);
    QFETCH(int, size);
    QFETCH(Zip::CompressionLevel, level);
    QFETCH(int, deflateLevel);
    QFETCH(bool, runLength);

    const QByteArray content = compressibleContent(size, size);
    const int strategy = runLength ? Z_RLE : Z_DEFAULT_STRATEGY;
    const QByteArray expected = deflateLevel == 0 ? content : referenceDeflate(content, deflateLevel, strategy);
    // The row only tells the choice apart if another level or strategy
    // gives other bytes. (Run-length matching ignores the level, and some
    // neighbouring levels agree on this content.)
    if (deflateLevel != 0) {
        QVERIFY(expected != referenceDeflate(content, deflateLevel, runLength ? Z_DEFAULT_STRATEGY : Z_RLE));
        if (!runLength)
            QVERIFY(expected != referenceDeflate(content, deflateLevel >= 6 ? 2 : 9));
    }

    const QString folder = newFolder();
    writeFile(folder + QLatin1Char('/') + fileName, content);
    const QByteArray bytes = zipFolder(folder, level, QString());
    const InspectedArchive archive = inspectArchive(bytes);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    QCOMPARE(archive.central.size(), 1);
    const InspectedCentral &c = archive.central.at(0);
    QCOMPARE(c.name, fileName.toLatin1());
    QCOMPARE(int(c.method), deflateLevel == 0 ? 0 : 8);
    QCOMPARE(c.crc, crc32Of(content));
    QCOMPARE(c.uncompressedSize, quint32(size));

    const InspectedLocal local = inspectLocal(bytes, c.localHeaderOffset);
    const QByteArray data = bytes.mid(int(local.dataOffset), int(c.compressedSize));
    QCOMPARE(data.size(), expected.size());
    QVERIFY(data == expected);
}

void tst_Zip::levelRefusedByZlib()
{
    const QString folder = newFolder();
    writeFile(folder + QStringLiteral("/f.txt"), compressibleContent(100));
    QByteArray bytes;
    Zip zip;
    QCOMPARE(zip.createArchive(new QBuffer(&bytes)), Zip::Success);
    DebugRecorder debug;
    int unknownLevel = 42;
    QCOMPARE(zip.addDirectoryContents(folder, Zip::CompressionLevel(unknownLevel)), Zip::ZlibFailure);
    QCOMPARE(debug.lines(), QStringList{QStringLiteral("Could not initialize zlib for compression")});
    QCOMPARE(zip.closeArchive(), Zip::Success);
    const InspectedArchive archive = inspectArchive(bytes);
    QVERIFY(archive.central.isEmpty());
    QCOMPARE(inspectLocal(bytes, 0).name, QByteArray("f.txt"));
}

void tst_Zip::folderEntry()
{
    const QString folder = newFolder();
    QDir().mkpath(folder + QStringLiteral("/e"));
    writeFile(folder + QStringLiteral("/z.txt"), compressibleContent(300));
    QByteArray bytes;
    Zip zip;
    zip.setPassword(QStringLiteral("pw"));
    QCOMPARE(zip.createArchive(new QBuffer(&bytes)), Zip::Success);
    QCOMPARE(zip.addDirectory(folder + QStringLiteral("/e"), QString(), Zip::Level9), Zip::Success);
    QCOMPARE(zip.addDirectoryContents(folder, Zip::Level9), Zip::Success);
    QCOMPARE(zip.closeArchive(), Zip::Success);

    const InspectedArchive archive = inspectArchive(bytes);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    const InspectedCentral *e = archive.find("e/");
    QVERIFY(e);
    QCOMPARE(e->method, quint16(0));
    QCOMPARE(e->flags, quint16(0));
    QCOMPARE(e->crc, 0u);
    QCOMPARE(e->compressedSize, 0u);
    QCOMPARE(e->uncompressedSize, 0u);
    // Made on Unix: the folder's mode above the MS-DOS folder bit.
    QCOMPARE(e->versionMadeBy >> 8, 3);
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(folder + QStringLiteral("/e")).constData(), &st), 0);
    QCOMPARE(e->externalAttributes, (quint32(st.st_mode) << 16) | 0x10u);
    const InspectedLocal local = inspectLocal(bytes, e->localHeaderOffset);
    QCOMPARE(local.flags, quint16(0));
    QCOMPARE(local.crc, 0u);
    QCOMPARE(local.uncompressedSize, 0u);
    // The next local header follows the name directly.
    QCOMPARE(bytes.mid(int(local.dataOffset), 4), QByteArray("PK\3\4"));
    QCOMPARE(inspectLocal(bytes, local.dataOffset).name, QByteArray("z.txt"));
    // The same folder added with ContentsOnly writes nothing.
    QCOMPARE(archive.central.size(), 2);
}

void tst_Zip::storedEntryCrcAndSize()
{
    const QString folder = newFolder();
    const QByteArray content = randomContent(262144 * 2 + 333, 7);
    writeFile(folder + QStringLiteral("/big.jpg"), content);
    const QByteArray bytes = zipFolder(folder, Zip::ByFileType, QString());
    const InspectedArchive archive = inspectArchive(bytes);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    const InspectedCentral &c = archive.central.at(0);
    QCOMPARE(c.method, quint16(0));
    QCOMPARE(c.crc, crc32Of(content));
    QCOMPARE(c.compressedSize, quint32(content.size()));
    QCOMPARE(c.uncompressedSize, quint32(content.size()));
    const InspectedLocal local = inspectLocal(bytes, c.localHeaderOffset);
    QCOMPARE(local.crc, c.crc);
    QCOMPARE(local.compressedSize, c.compressedSize);
    QCOMPARE(local.uncompressedSize, c.uncompressedSize);
    QVERIFY(bytes.mid(int(local.dataOffset), content.size()) == content);
    // No data descriptor: the central directory follows the data.
    QCOMPARE(local.dataOffset + content.size(), qint64(archive.directoryOffset));
}

void tst_Zip::encryptedEntries_data()
{
    QTest::addColumn<Zip::CompressionLevel>("level");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("password");

    QTest::newRow("stored") << Zip::StoreOnly << 1000 << QStringLiteral("pw");
    QTest::newRow("stored, two chunks") << Zip::StoreOnly << 262144 + 10 << QStringLiteral("pw");
    QTest::newRow("deflated") << Zip::Level9 << 300000 << QStringLiteral("pw");
    QTest::newRow("small") << Zip::Level9 << 59 << QStringLiteral("pw");
    QTest::newRow("empty") << Zip::Level9 << 0 << QStringLiteral("pw");
    QTest::newRow("Latin-1 password") << Zip::Level5 << 5000 << QStringLiteral("caf\u00e9");
    QTest::newRow("Cyrillic password") << Zip::Level5 << 5000 << QStringLiteral("\u043f\u0430\u0440\u043e\u043b\u044c");
}

void tst_Zip::encryptedEntries()
{
    QFETCH(Zip::CompressionLevel, level);
    QFETCH(int, size);
    QFETCH(QString, password);

    const QString folder = newFolder();
    const QByteArray content = compressibleContent(size, 3);
    writeFile(folder + QStringLiteral("/secret.txt"), content);
    const QByteArray bytes = zipFolder(folder, level, password);
    const InspectedArchive archive = inspectArchive(bytes);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    QCOMPARE(archive.central.size(), 1);
    const InspectedCentral &c = archive.central.at(0);
    const InspectedLocal local = inspectLocal(bytes, c.localHeaderOffset);

    QCOMPARE(c.flags, quint16(0x0009));
    QCOMPARE(local.flags, quint16(0x0009));
    QCOMPARE(c.crc, crc32Of(content));
    QCOMPARE(c.uncompressedSize, quint32(size));
    const quint32 dataSize = c.method == 0 ? quint32(size) : quint32(referenceDeflate(content, int(level)).size());
    QCOMPARE(c.compressedSize, dataSize + 12);

    // Local header and the 16-byte descriptor carry the central values.
    QCOMPARE(local.crc, c.crc);
    QCOMPARE(local.compressedSize, c.compressedSize);
    QCOMPARE(local.uncompressedSize, c.uncompressedSize);
    const qint64 descriptor = local.dataOffset + c.compressedSize;
    QCOMPARE(bytes.mid(int(descriptor), 4), QByteArray("PK\7\10"));
    const InspectedLocal asLocal = inspectLocal(QByteArray("PK\3\4") + QByteArray(10, '\0')
                                                    + bytes.mid(int(descriptor) + 4, 12) + QByteArray(4, '\0'),
                                                0);
    QCOMPARE(asLocal.crc, c.crc);
    QCOMPARE(asLocal.compressedSize, c.compressedSize);
    QCOMPARE(asLocal.uncompressedSize, c.uncompressedSize);
    QCOMPARE(descriptor + 16, qint64(archive.directoryOffset));

    // Encrypted bytes: not the plain content.
    if (size > 20 && c.method == 0)
        QVERIFY(bytes.indexOf(content.left(20)) < 0);

    UnZip reader;
    reader.setPassword(password);
    QCOMPARE(reader.openArchive(new CountingBuffer(bytes)), UnZip::Success);
    QByteArray out;
    QBuffer outDevice(&out);
    QVERIFY(outDevice.open(QIODevice::WriteOnly));
    QCOMPARE(reader.extractFile(QStringLiteral("secret.txt"), &outDevice), UnZip::Success);
    QVERIFY(out == content);

    // A wrong password normally fails the check byte; if it passes by
    // chance (1 in 256), the data do not decrypt to the content.
    UnZip wrong;
    wrong.setPassword(QStringLiteral("wrong"));
    QCOMPARE(wrong.openArchive(new CountingBuffer(bytes)), UnZip::Success);
    QByteArray wrongOut;
    QBuffer wrongDevice(&wrongOut);
    QVERIFY(wrongDevice.open(QIODevice::WriteOnly));
    const UnZip::ErrorCode wrongResult = wrong.extractFile(QStringLiteral("secret.txt"), &wrongDevice);
    QVERIFY(wrongResult != UnZip::Success || (size == 0 && wrongOut.isEmpty()));
}

void tst_Zip::aesEntries_data()
{
    QTest::addColumn<Zip::EncryptionMethod>("method");
    QTest::addColumn<Zip::CompressionLevel>("level");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("threads");

    QTest::newRow("AES-256, deflated") << Zip::Aes256Encryption << Zip::Level9 << 300000 << 0;
    QTest::newRow("AES-256, deflated, 2 threads") << Zip::Aes256Encryption << Zip::Level9 << 1000000 << 2;
    QTest::newRow("AES-256, stored, 2 threads") << Zip::Aes256Encryption << Zip::StoreOnly << 262144 + 10 << 2;
    QTest::newRow("AES-192, stored") << Zip::Aes192Encryption << Zip::StoreOnly << 5000 << 0;
    QTest::newRow("AES-128, deflated") << Zip::Aes128Encryption << Zip::Level5 << 5000 << 0;
    // The shortest AE-1 entry, and the AE-2 ones below it.
    QTest::newRow("20 bytes, AE-1") << Zip::Aes256Encryption << Zip::Level9 << 20 << 0;
    QTest::newRow("19 bytes, AE-2") << Zip::Aes256Encryption << Zip::Level9 << 19 << 0;
    QTest::newRow("empty, AE-2, 1 thread") << Zip::Aes256Encryption << Zip::Level9 << 0 << 1;
}

// Records, layout and read-back of AES entries; a wrong password and
// damaged data are caught before any byte is trusted.
void tst_Zip::aesEntries()
{
    QFETCH(Zip::EncryptionMethod, method);
    QFETCH(Zip::CompressionLevel, level);
    QFETCH(int, size);
    QFETCH(int, threads);

    const QString folder = newFolder();
    const QByteArray content = compressibleContent(size, 3);
    writeFile(folder + QStringLiteral("/secret.txt"), content);
    const QString password = QStringLiteral("\u043f\u0430\u0440\u043e\u043b\u044c");
    QByteArray bytes;
    {
        Zip zip;
        zip.setPassword(password);
        zip.setEncryptionMethod(method);
        QCOMPARE(zip.encryptionMethod(), method);
        zip.setThreadCount(threads);
        QCOMPARE(zip.createArchive(new QBuffer(&bytes)), Zip::Success);
        if (!aesBuiltIn) {
            // Built without AES: refused before any byte of the entry; the
            // archive stays valid and empty.
            QCOMPARE(zip.addDirectoryContents(folder, level), Zip::ZlibInitFailed);
            QCOMPARE(zip.closeArchive(), Zip::Success);
            const InspectedArchive empty = inspectArchive(bytes);
            QVERIFY2(empty.ok(), qPrintable(empty.error));
            QVERIFY(empty.central.isEmpty());
            QVERIFY(!bytes.contains("secret.txt"));
            return;
        }
        QCOMPARE(zip.addDirectoryContents(folder, level), Zip::Success);
        QCOMPARE(zip.closeArchive(), Zip::Success);
    }
    const InspectedArchive archive = inspectArchive(bytes);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    QCOMPARE(archive.central.size(), 1);
    const InspectedCentral &c = archive.central.at(0);
    const InspectedLocal local = inspectLocal(bytes, c.localHeaderOffset);

    // Method 99, encrypted, no data descriptor; the AES field names the
    // variant, the vendor, the strength and the real method.
    const int strength = 1 + int(method - Zip::Aes128Encryption);
    const bool ae1 = size >= 20;
    const quint16 realMethod = size >= 60 && level != Zip::StoreOnly ? 8 : 0;
    QCOMPARE(c.method, quint16(99));
    QCOMPARE(local.method, quint16(99));
    QCOMPARE(c.flags, quint16(0x0001));
    QCOMPARE(local.flags, quint16(0x0001));
    QCOMPARE(c.versionNeeded, quint16(51));
    QCOMPARE(local.versionNeeded, quint16(51));
    QByteArray field("\x01\x99\x07\x00", 4);
    field += ae1 ? QByteArray("\x01\x00", 2) : QByteArray("\x02\x00", 2);
    field += QByteArray("AE") + char(strength) + char(realMethod) + '\0';
    // The AES field, then the extended timestamp (9 bytes).
    QCOMPARE(c.extraLength, quint16(20));
    QCOMPARE(local.extraLength, quint16(20));
    QCOMPARE(bytes.mid(int(local.dataOffset) - 20, 11), field);
    const qint64 centralRecord = bytes.indexOf("PK\1\2");
    QCOMPARE(bytes.mid(int(centralRecord) + 46 + c.name.size(), 11), field);

    // Salt (8, 12 or 16 bytes), verifier and authentication code around the
    // data; the CRC-32 only in AE-1.
    const quint32 overhead = quint32(4 * strength + 4) + 2 + 10;
    if (realMethod == 0)
        QCOMPARE(c.compressedSize, quint32(size) + overhead);
    else if (threads == 0)
        QCOMPARE(c.compressedSize, quint32(referenceDeflate(content, int(level)).size()) + overhead);
    QCOMPARE(c.crc, ae1 ? crc32Of(content) : 0u);
    QCOMPARE(c.uncompressedSize, quint32(size));
    QCOMPARE(local.crc, c.crc);
    QCOMPARE(local.compressedSize, c.compressedSize);
    QCOMPARE(local.uncompressedSize, c.uncompressedSize);
    QCOMPARE(local.dataOffset + c.compressedSize, qint64(archive.directoryOffset));
    if (size > 20 && realMethod == 0)
        QVERIFY(bytes.indexOf(content.left(20)) < 0);

    auto extract = [](const QByteArray &archiveBytes, const QString &pw, QByteArray *out) {
        UnZip reader;
        reader.setPassword(pw);
        if (reader.openArchive(new CountingBuffer(archiveBytes)) != UnZip::Success)
            return UnZip::FileOpenFailed;
        QBuffer device(out);
        device.open(QIODevice::WriteOnly);
        return reader.extractFile(QStringLiteral("secret.txt"), &device);
    };
    QByteArray out;
    QCOMPARE(extract(bytes, password, &out), UnZip::Success);
    QVERIFY(out == content);
    UnZip info;
    QCOMPARE(info.openArchive(new CountingBuffer(bytes)), UnZip::Success);
    QCOMPARE(info.entryList().value(0).encryption, UnZip::EntryEncryption(UnZip::Aes128 + strength - 1));

    // A wrong password fails the verifier (or, 1 time in 65536, the
    // authentication code); nothing comes out either way.
    QByteArray wrongOut;
    const UnZip::ErrorCode wrong = extract(bytes, QStringLiteral("wrong"), &wrongOut);
    QVERIFY2(wrong == UnZip::PasswordMismatch || wrong == UnZip::CorruptedArchive, qPrintable(QString::number(wrong)));
    QVERIFY(wrongOut.isEmpty());

    // One flipped bit in the data or in the authentication code.
    const qint64 dataStart = local.dataOffset + 4 * strength + 4 + 2;
    for (const qint64 at : {dataStart, local.dataOffset + qint64(c.compressedSize) - 1}) {
        if (at >= local.dataOffset + qint64(c.compressedSize) - 10 && at == dataStart)
            continue; // no data bytes
        QByteArray damaged = bytes;
        damaged[int(at)] = char(damaged.at(int(at)) ^ 0x10);
        QByteArray damagedOut;
        QCOMPARE(extract(damaged, password, &damagedOut), UnZip::CorruptedArchive);
        QVERIFY(damagedOut.isEmpty());
    }
}

void tst_Zip::sameNameReplaced()
{
    const QString root = newFolder();
    writeFile(root + QStringLiteral("/one/same.txt"), "first");
    writeFile(root + QStringLiteral("/two/same.txt"), "second");

    QByteArray bytes;
    Zip zip;
    QCOMPARE(zip.createArchive(new QBuffer(&bytes)), Zip::Success);
    QCOMPARE(zip.addDirectoryContents(root), Zip::Success);
    QCOMPARE(zip.closeArchive(), Zip::Success);

    const InspectedArchive archive = inspectArchive(bytes);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    QCOMPARE(archive.names(), QList<QByteArray>{"same.txt"});
    QCOMPARE(localNamesInOrder(bytes, archive), (QList<QByteArray>{"same.txt", "same.txt"}));
    const InspectedLocal listed = inspectLocal(bytes, archive.central.at(0).localHeaderOffset);
    QCOMPARE(bytes.mid(int(listed.dataOffset), 6), QByteArray("second"));
    QVERIFY(bytes.contains("first"));
}

void tst_Zip::unreadableFile_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("unreadable");
    QTest::addColumn<QList<QByteArray>>("listed");
    QTest::addColumn<QList<QByteArray>>("localHeaders");
    QTest::addColumn<int>("threads");

    for (int threads : {0, 2}) {
        QTest::addRow("between two files, %d threads", threads)
            << QStringList{"top/a.txt", "top/b.txt", "top/c.txt"} << "top/b.txt"
            << QList<QByteArray>{"top/a.txt"} << QList<QByteArray>{"top/a.txt", "top/b.txt"} << threads;
        QTest::addRow("in a subfolder of a folder without files, %d threads", threads)
            << QStringList{"top/sub/bad.txt", "top/sub2/good.txt"} << "top/sub/bad.txt"
            << QList<QByteArray>{} << QList<QByteArray>{"top/sub/bad.txt"} << threads;
        QTest::addRow("after a file of many blocks, %d threads", threads)
            << QStringList{"top/a/big.txt", "top/b.txt", "top/c.txt"} << "top/b.txt"
            << QList<QByteArray>{"top/a/big.txt"} << QList<QByteArray>{"top/a/big.txt", "top/b.txt"} << threads;
    }
}

void tst_Zip::unreadableFile()
{
    QFETCH(QStringList, files);
    QFETCH(QString, unreadable);
    QFETCH(QList<QByteArray>, listed);
    QFETCH(QList<QByteArray>, localHeaders);
    QFETCH(int, threads);

    const QString root = newFolder();
    for (const QString &f : files)
        writeFile(root + QLatin1Char('/') + f, compressibleContent(f.contains("big") ? 1000000 : 100));
    const QString bad = root + QLatin1Char('/') + unreadable;
    QVERIFY(QFile::setPermissions(bad, QFileDevice::Permissions()));

    QByteArray serial;
    for (int t : {0, threads}) {
        QByteArray bytes;
        Zip zip;
        zip.setThreadCount(t);
        QCOMPARE(zip.createArchive(new QBuffer(&bytes)), Zip::Success);
        DebugRecorder debug;
        {
            WithoutFileOverride guard;
            QFile probe(bad);
            QVERIFY2(!probe.open(QIODevice::ReadOnly), "the file stays readable; cannot test");
            QCOMPARE(zip.addDirectory(root + QStringLiteral("/top"), Zip::FolderRelative, Zip::Level9),
                     Zip::FileOpenFailed);
        }
        QCOMPARE(debug.lines(), QStringList{q(QStringLiteral("An error occurred while opening %1").arg(bad))});
        QCOMPARE(zip.closeArchive(), Zip::Success);

        const InspectedArchive archive = inspectArchive(bytes);
        QVERIFY2(archive.ok(), qPrintable(archive.error));
        QCOMPARE(archive.names(), listed);
        QCOMPARE(localNamesInOrder(bytes, archive), localHeaders);
        if (t == 0) {
            serial = bytes;
        } else if (!files.first().contains("big")) {
            // Entries of one block that shrink are the serial bytes, so here
            // the parallel mode leaves the very archive the serial one does.
            QVERIFY(bytes == serial);
        }
    }
}

void tst_Zip::nonAsciiNames()
{
    const QString folder = newFolder();
    const QString one = QStringLiteral("\u0440\u0438\u0441\u0443\u043d\u043e\u043a1.png");
    const QString two = QStringLiteral("\u0440\u0438\u0441\u0443\u043d\u043e\u043a2.png");
    const QString latin = QStringLiteral("caf\u00e9.txt");
    writeFile(folder + QLatin1Char('/') + one, "first picture");
    writeFile(folder + QLatin1Char('/') + two, "second picture");
    writeFile(folder + QLatin1Char('/') + latin, "coffee");
    writeFile(folder + QStringLiteral("/plain.txt"), "ascii");

    const QByteArray bytes = zipFolder(folder, Zip::ByFileType, QString());
    const InspectedArchive archive = inspectArchive(bytes);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    QCOMPARE(archive.central.size(), 4);
    for (const QString &name : {one, two, latin}) {
        const InspectedCentral *c = archive.find(name.toUtf8());
        QVERIFY2(c, qPrintable(name));
        QCOMPARE(c->flags, quint16(0x0800));
        QCOMPARE(c->versionMadeBy, quint16(0x0300)); // Unix host: not an OEM code page name
        const InspectedLocal local = inspectLocal(bytes, c->localHeaderOffset);
        QCOMPARE(local.flags, quint16(0x0800));
        QCOMPARE(local.name, name.toUtf8());
    }
    const InspectedCentral *plain = archive.find("plain.txt");
    QVERIFY(plain);
    QCOMPARE(plain->flags, quint16(0));
    QCOMPARE(plain->versionMadeBy, quint16(0x0300));
    QCOMPARE(plain->versionNeeded, quint16(20));

    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(bytes)), UnZip::Success);
    QStringList expected{one, two, latin, QStringLiteral("plain.txt")};
    expected.sort();
    QCOMPARE(reader.fileList(), expected);
}

void tst_Zip::fileChangedBeforeWriting_data()
{
    QTest::addColumn<int>("sizeListed");
    QTest::addColumn<int>("sizeWritten");
    QTest::addColumn<Zip::CompressionLevel>("level");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("threads");

    for (int threads : {0, 2}) {
        QTest::addRow("grown, stored, %d threads", threads) << 100 << 300000 << Zip::StoreOnly << QString() << threads;
        QTest::addRow("grown, deflated, %d threads", threads) << 100 << 300000 << Zip::Level9 << QString() << threads;
        QTest::addRow("grown past 60 bytes, %d threads", threads) << 10 << 1000 << Zip::Level9 << QString() << threads;
        QTest::addRow("shrunk, deflated, %d threads", threads) << 600000 << 1000 << Zip::Level6 << QString() << threads;
        QTest::addRow("shrunk to nothing, %d threads", threads) << 600000 << 0 << Zip::Level6 << QString() << threads;
        QTest::addRow("grown, deflated, encrypted, %d threads", threads)
            << 100 << 300000 << Zip::Level9 << QStringLiteral("pw") << threads;
        QTest::addRow("shrunk, stored, encrypted, %d threads", threads)
            << 5000 << 70 << Zip::StoreOnly << QStringLiteral("pw") << threads;
    }
}

// The file information is taken when the folder is listed; the file may
// change before its entry is written. What is recorded is what was read.
void tst_Zip::fileChangedBeforeWriting()
{
    QFETCH(int, sizeListed);
    QFETCH(int, sizeWritten);
    QFETCH(Zip::CompressionLevel, level);
    QFETCH(QString, password);
    QFETCH(int, threads);

    const QString folder = newFolder();
    const QString path = folder + QStringLiteral("/changing.txt");
    writeFile(path, compressibleContent(sizeListed, 1));
    const QFileInfo listed(path);
    QCOMPARE(listed.size(), qint64(sizeListed));
    const QByteArray content = compressibleContent(sizeWritten, 2);
    writeFile(path, content);
    QCOMPARE(listed.size(), qint64(sizeListed)); // the information is not refreshed

    QByteArray bytes;
    auto d = std::make_unique<ZipPrivate>();
    d->password = password;
    d->threadCount = threads;
    QCOMPARE(d->createArchive(new QBuffer(&bytes)), Zip::Success);
    QCOMPARE(d->createEntry(listed, QString(), level), Zip::Success);
    QCOMPARE(d->closeArchive(), Zip::Success);
    d->reset();

    const InspectedArchive archive = inspectArchive(bytes);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    const InspectedCentral &c = archive.central.at(0);
    const InspectedLocal local = inspectLocal(bytes, c.localHeaderOffset);
    QCOMPARE(c.uncompressedSize, quint32(sizeWritten));
    QCOMPARE(local.uncompressedSize, quint32(sizeWritten));
    QCOMPARE(c.crc, crc32Of(content));
    QCOMPARE(local.crc, c.crc);
    QCOMPARE(local.compressedSize, c.compressedSize);

    UnZip reader;
    reader.setPassword(password);
    QCOMPARE(reader.openArchive(new CountingBuffer(bytes)), UnZip::Success);
    QByteArray out;
    QBuffer outDevice(&out);
    QVERIFY(outDevice.open(QIODevice::WriteOnly));
    QCOMPARE(reader.extractFile(QStringLiteral("changing.txt"), &outDevice), UnZip::Success);
    QVERIFY(out == content);
}

void tst_Zip::readError_data()
{
    QTest::addColumn<Zip::CompressionLevel>("level");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("threads");
    for (int threads : {0, 2}) {
        QTest::addRow("stored, %d threads", threads) << Zip::StoreOnly << QString() << threads;
        QTest::addRow("deflated, %d threads", threads) << Zip::Level9 << QString() << threads;
        QTest::addRow("deflated, encrypted, %d threads", threads) << Zip::Level9 << QStringLiteral("pw") << threads;
    }
}

// Reading /proc/self/mem from its start fails (nothing is mapped at address
// 0). A link is listed while it points to a plain file of 100 bytes, then
// turned to it.
void tst_Zip::readError()
{
    QFETCH(Zip::CompressionLevel, level);
    QFETCH(QString, password);
    QFETCH(int, threads);

    const QString folder = newFolder();
    const QString link = folder + QStringLiteral("/link.txt");
    writeFile(folder + QStringLiteral("/plain.txt"), compressibleContent(100));
    QVERIFY(QFile::link(folder + QStringLiteral("/plain.txt"), link));
    const QFileInfo listed(link);
    QCOMPARE(listed.size(), qint64(100));
    QVERIFY(QFile::remove(link));
    QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), link));

    QByteArray bytes;
    auto d = std::make_unique<ZipPrivate>();
    d->password = password;
    d->threadCount = threads;
    QCOMPARE(d->createArchive(new QBuffer(&bytes)), Zip::Success);
    DebugRecorder debug;
    QCOMPARE(d->createEntry(listed, QString(), level), Zip::FileReadError);
    QCOMPARE(debug.lines(), QStringList{q(QStringLiteral("Error while reading %1").arg(link))});
    QCOMPARE(d->closeArchive(), Zip::Success);
    d->reset();
    QVERIFY(inspectArchive(bytes).central.isEmpty());
    QCOMPARE(inspectLocal(bytes, 0).name, QByteArray("link.txt"));
}

// Files of the proc and sys file systems report a size (0 or 4096) that has
// nothing to do with their content.
void tst_Zip::fileWithUnknownSize()
{
    const QString sysfs = sysfsFileWithWrongSize();
    QVERIFY2(!sysfs.isEmpty(), "no sysfs file with a misleading size found");
    const QStringList paths{QStringLiteral("/proc/self/status"), sysfs};

    QByteArray bytes;
    auto d = std::make_unique<ZipPrivate>();
    QCOMPARE(d->createArchive(new QBuffer(&bytes)), Zip::Success);
    QCOMPARE(d->createEntry(QFileInfo(paths.at(0)), QStringLiteral("proc/"), Zip::Level9), Zip::Success);
    QCOMPARE(d->createEntry(QFileInfo(paths.at(1)), QStringLiteral("sys/"), Zip::Level9), Zip::Success);
    QCOMPARE(d->closeArchive(), Zip::Success);
    d->reset();

    const InspectedArchive archive = inspectArchive(bytes);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    QCOMPARE(archive.central.size(), 2);
    // Size 0: stored; size 4096: deflated, and finished at the end of the file.
    const InspectedCentral *proc = archive.find("proc/status");
    const InspectedCentral *sys = archive.find("sys/" + QFileInfo(sysfs).fileName().toLatin1());
    QVERIFY(proc && sys);
    QCOMPARE(proc->method, quint16(0));
    QCOMPARE(sys->method, quint16(8));
    QVERIFY(proc->uncompressedSize > 0);
    const QByteArray sysContent = readWholeFile(sysfs);
    QCOMPARE(sys->uncompressedSize, quint32(sysContent.size()));
    QCOMPARE(inspectLocal(bytes, sys->localHeaderOffset).uncompressedSize, quint32(sysContent.size()));

    UnZip reader;
    QCOMPARE(reader.openArchive(new CountingBuffer(bytes)), UnZip::Success);
    QByteArray out;
    QBuffer outDevice(&out);
    QVERIFY(outDevice.open(QIODevice::WriteOnly));
    QCOMPARE(reader.extractFile(QStringLiteral("proc/status"), &outDevice), UnZip::Success);
    QCOMPARE(quint32(out.size()), proc->uncompressedSize);
    QVERIFY(out.contains("Name:"));
    out.clear();
    outDevice.seek(0);
    QCOMPARE(reader.extractFile(QString::fromLatin1(sys->name), &outDevice), UnZip::Success);
    QCOMPARE(out, sysContent);
}

// ---------------------------------------------------------------------------
// Format limits: 16-bit name and comment lengths; counts, sizes and offsets
// past the classic fields in ZIP64 records
// ---------------------------------------------------------------------------

void tst_Zip::nameLength_data()
{
    QTest::addColumn<int>("nameLength");
    QTest::newRow("65535 bytes") << 65535;
    QTest::newRow("65536 bytes") << 65536;
}

void tst_Zip::nameLength()
{
    QFETCH(int, nameLength);

    const QString folder = newFolder();
    const QString file = folder + QStringLiteral("/a.txt");
    writeFile(file, "a");
    // The prefix gets a "/" and the file's name: six more bytes.
    const QString prefix(nameLength - 6, QLatin1Char('x'));

    QByteArray bytes;
    Zip zip;
    QCOMPARE(zip.createArchive(new QBuffer(&bytes)), Zip::Success);
    DebugRecorder debug;
    const Zip::ErrorCode ec = zip.addDirectoryContents(folder, prefix, Zip::Level9);
    QCOMPARE(zip.closeArchive(), Zip::Success);

    const InspectedArchive archive = inspectArchive(bytes);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    if (nameLength <= 65535) {
        QCOMPARE(ec, Zip::Success);
        QVERIFY(debug.lines().isEmpty());
        QCOMPARE(archive.central.size(), 1);
        QCOMPARE(archive.central.at(0).name.size(), nameLength);
    } else {
        QCOMPARE(ec, Zip::FileWriteError);
        QCOMPARE(debug.lines(), QStringList{q(QStringLiteral("Entry name longer than 65535 bytes: %1").arg(file))});
        QCOMPARE(bytes.size(), 22); // nothing but the end record
    }
}

void tst_Zip::commentLength_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("65535 bytes") << 65535;
    QTest::newRow("65536 bytes") << 65536;
}

void tst_Zip::commentLength()
{
    QFETCH(int, length);

    QByteArray bytes;
    Zip zip;
    QCOMPARE(zip.createArchive(new QBuffer(&bytes)), Zip::Success);
    zip.setArchiveComment(QString(length, QLatin1Char('c')));
    DebugRecorder debug;
    const Zip::ErrorCode ec = zip.closeArchive();

    const InspectedArchive archive = inspectArchive(bytes);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    if (length <= 65535) {
        QCOMPARE(ec, Zip::Success);
        QCOMPARE(archive.comment.size(), length);
        QVERIFY(debug.lines().isEmpty());
    } else {
        // Refused, but the archive is complete.
        QCOMPARE(ec, Zip::FileWriteError);
        QCOMPARE(bytes.size(), 22);
        QCOMPARE(debug.lines(),
                 QStringList{q(QStringLiteral("Archive comment longer than 65535 bytes; written without comment."))});
    }
}

// 65535 entries fit the end record's count, as they always did; one more
// takes the ZIP64 end record and its locator, the end record's count then
// holding 0xffff. The entries are folder entries made directly, which spares
// creating 65536 folders on disk; the second archive is written in the
// parallel mode, whose queue of entries without data this also fills.
void tst_Zip::entryCount()
{
    const QString folder = newFolder();
    const QFileInfo info(folder);
    for (const int count : {65535, 65536}) {
        const QString path = m_tmp.filePath(QStringLiteral("many%1.zip").arg(count));
        auto d = std::make_unique<ZipPrivate>();
        d->threadCount = count > 65535 ? 2 : 0;
        QCOMPARE(d->createArchive(new QFile(path)), Zip::Success);
        bool allAdded = true;
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("d%1/").arg(i, 5, 10, QLatin1Char('0'));
            allAdded = d->createEntry(info, name, Zip::Level9) == Zip::Success && allAdded;
        }
        QVERIFY(allAdded);
        // A name already present replaces its record.
        QCOMPARE(d->createEntry(info, QStringLiteral("d00000/"), Zip::Level9), Zip::Success);
        QCOMPARE(d->closeArchive(), Zip::Success);
        d->reset();

        const InspectedArchive archive = inspectArchive(readWholeFile(path));
        QVERIFY2(archive.ok(), qPrintable(archive.error));
        QCOMPARE(archive.zip64, count > 65535);
        QCOMPARE(archive.totalEntries, quint16(qMin(count, 65535)));
        QCOMPARE(archive.entries64, quint64(count));
        QCOMPARE(archive.central.size(), count);
        QCOMPARE(archive.central.constLast().name,
                 QStringLiteral("d%1/").arg(count - 1, 5, 10, QLatin1Char('0')).toLatin1());

        UnZip reader;
        QCOMPARE(reader.openArchive(path), UnZip::Success);
        QCOMPARE(reader.fileList().size(), count);
    }
}

void tst_Zip::offsetsBeyond4GiB_data()
{
    QTest::addColumn<int>("threads");
    QTest::newRow("serial") << 0;
    QTest::newRow("2 threads") << 2;
}

// The archive file is sparse: it is written from just below 4 GiB, so that
// entries start below it, across it and past it. Offsets from 4 GiB on go
// into ZIP64 fields of the central records, the directory's offset into the
// ZIP64 end record; the entries' own records are classic.
void tst_Zip::offsetsBeyond4GiB()
{
    QFETCH(int, threads);
    const QString folder = newFolder();
    writeFile(folder + QStringLiteral("/small/s.txt"), "tiny");
    const QByteArray big = compressibleContent(1000);
    writeFile(folder + QStringLiteral("/big/big.txt"), big);
    writeFile(folder + QStringLiteral("/after/t.txt"), "tail");
    const QString path = m_tmp.filePath(QStringLiteral("sparse.zip"));
    const qint64 start = 0xffffffffLL - 300;

    {
        auto *file = new QFile(path);
        QVERIFY(file->open(QIODevice::ReadWrite | QIODevice::Truncate));
        QVERIFY(file->seek(start));
        Zip zip;
        zip.setThreadCount(threads);
        QCOMPARE(zip.createArchive(file), Zip::Success);
        DebugRecorder debug;
        QCOMPARE(zip.addDirectoryContents(folder + QStringLiteral("/small"), Zip::StoreOnly), Zip::Success);
        QCOMPARE(zip.addDirectoryContents(folder + QStringLiteral("/big"), Zip::Level9), Zip::Success);
        QVERIFY(file->pos() > 0xffffffffLL);
        QCOMPARE(zip.addDirectoryContents(folder + QStringLiteral("/after"), Zip::StoreOnly), Zip::Success);
        QCOMPARE(zip.closeArchive(), Zip::Success);
        QVERIFY(debug.lines().isEmpty());
    }

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.seek(start));
    const QByteArray tail = file.readAll();
    file.close();
    const InspectedArchive archive = inspectArchive(tail, start);
    QVERIFY2(archive.ok(), qPrintable(archive.error));
    QVERIFY(archive.zip64);
    QCOMPARE(archive.directoryOffset, 0xffffffffu);
    QVERIFY(archive.directoryOffset64 > 0xffffffffULL);
    QCOMPARE(archive.names(), (QList<QByteArray>{"big.txt", "s.txt", "t.txt"}));
    const InspectedCentral &bigRecord = archive.central.at(0);
    const InspectedCentral &small = archive.central.at(1);
    const InspectedCentral &after = archive.central.at(2);
    QCOMPARE(small.localHeaderOffset64, quint64(start));
    // Each with its extended timestamp (9 bytes), after any ZIP64 field.
    QCOMPARE(small.extraLength, quint16(9));
    QCOMPARE(small.versionNeeded, quint16(20));
    QVERIFY(bigRecord.localHeaderOffset < 0xffffffffu);
    QCOMPARE(bigRecord.extraLength, quint16(9));
    QCOMPARE(after.localHeaderOffset, 0xffffffffu);
    QVERIFY(after.localHeaderOffset64 > 0xffffffffULL);
    QCOMPARE(after.extraLength, quint16(12 + 9));
    QCOMPARE(after.versionNeeded, quint16(45));
    const InspectedLocal local = inspectLocal(tail, qint64(after.localHeaderOffset64) - start);
    QCOMPARE(local.name, QByteArray("t.txt"));
    QCOMPARE(local.versionNeeded, quint16(20));
    QCOMPARE(local.extraLength, quint16(9));

    UnZip reader;
    QCOMPARE(reader.openArchive(path), UnZip::Success);
    const QList<QPair<QString, QByteArray>> expected{
        {QStringLiteral("s.txt"), "tiny"}, {QStringLiteral("big.txt"), big}, {QStringLiteral("t.txt"), "tail"}};
    for (const auto &e : expected) {
        QByteArray out;
        QBuffer outDevice(&out);
        QVERIFY(outDevice.open(QIODevice::WriteOnly));
        QCOMPARE(reader.extractFile(e.first, &outDevice), UnZip::Success);
        QCOMPARE(out, e.second);
    }
    reader.closeArchive();
    QFile::remove(path);
}

QTEST_GUILESS_MAIN(tst_Zip)
#include "tst_zip.moc"
