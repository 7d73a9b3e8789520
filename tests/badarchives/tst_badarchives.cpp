// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Hostile and broken archives: for each, no crash, bounded work, a clear
// result code for the bad entry, the good entries still extracted, and
// nothing written or removed outside the target folder.

#include "builtmethods.h"
#include "bytefixtures.h"
#include "countingdevice.h"
#include "filetree.h"
#include "rawzip.h"
#include "sandbox.h"

#include <kelvanezip/unzip.h>

#include <QtCore/QBuffer>
#include <QtCore/QRandomGenerator>
#include <QtCore/QTemporaryFile>
#include <QtTest/QtTest>

#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(UnZip::ErrorCode)
Q_DECLARE_METATYPE(RawZip::Method)

namespace {

QStringList *capturedLines = nullptr;

void captureMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg && capturedLines)
        capturedLines->append(message);
}

// A QBuffer that counts the bytes read from it.
class CountingBuffer : public QBuffer
{
public:
    explicit CountingBuffer(const QByteArray &bytes, qint64 *counter)
        : m_counter(counter)
    {
        setData(bytes);
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = QBuffer::readData(data, maxSize);
        if (n > 0)
            *m_counter += n;
        return n;
    }

private:
    qint64 *m_counter;
};

QByteArray fileContent(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A string as the debug stream prints it: quoted, with control characters escaped.
QString debugText(const QString &text)
{
    QString out;
    QDebug(&out).nospace() << text;
    return out;
}

bool existsNoFollow(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// Bytes that look random, deterministic, and never hold a signature's "PK".
QByteArray noise(int size, quint32 seed)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator rng(seed);
    rng.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    for (int i = 0; i + 1 < size; ++i) {
        if (bytes[i] == 'P' && bytes[i + 1] == 'K')
            bytes[i + 1] = 'k';
    }
    return bytes;
}

// A raw deflate stream of `megabytes` MiB of zeros, made without deflating
// them all: one fully flushed MiB is independent of what precedes it, so its
// bytes can be repeated, and an empty final block ends the stream.
QByteArray zeroStream(int megabytes)
{
    z_stream s = {};
    deflateInit2(&s, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    QByteArray zeros(1 << 20, '\0');
    QByteArray block(1 << 16, '\0');
    s.next_in = reinterpret_cast<Bytef *>(zeros.data());
    s.avail_in = uInt(zeros.size());
    s.next_out = reinterpret_cast<Bytef *>(block.data());
    s.avail_out = uInt(block.size());
    deflate(&s, Z_FULL_FLUSH);
    block.resize(int(block.size() - s.avail_out));
    QByteArray tail(64, '\0');
    s.next_out = reinterpret_cast<Bytef *>(tail.data());
    s.avail_out = uInt(tail.size());
    deflate(&s, Z_FINISH);
    tail.resize(int(tail.size() - s.avail_out));
    deflateEnd(&s);
    return block.repeated(megabytes) + tail;
}

// CRC-32 of `size` zero bytes, joined from the CRC of one MiB of zeros
// rather than computed over all of them.
quint32 crcOfZeros(qint64 size)
{
    const QByteArray zeros(1 << 20, '\0');
    const uLong block = crc32(0, reinterpret_cast<const Bytef *>(zeros.constData()), uInt(zeros.size()));
    uLong crc = 0;
    qint64 done = 0;
    for (; done + zeros.size() <= size; done += zeros.size())
        crc = crc32_combine(crc, block, zeros.size());
    crc = crc32(crc, reinterpret_cast<const Bytef *>(zeros.constData()), uInt(size - done));
    return quint32(crc);
}

// A small archive with one entry of every kind the reader handles.
RawZip smallArchive()
{
    RawZip zip;
    zip.add("dir/");
    zip.add("dir/deflated.txt", QByteArray("deflated text ").repeated(40)).deflated();
    zip.add("stored.txt", "stored content").stored();
    zip.add("described.txt", QByteArray("descriptor ").repeated(20)).deflated().descriptor(RawZip::WithSignature);
    zip.add("bare.txt", "no descriptor signature").descriptor(RawZip::WithoutSignature);
    zip.add("secret.txt", QByteArray("encrypted ").repeated(10)).deflated().encrypted("kelvane").descriptor(RawZip::WithSignature);
    zip.add("empty.txt");
    zip.end.comment = "archive comment";
    return zip;
}

// Extracts every entry of an archive that may be broken, to memory and to the
// sandbox (when given), and checks what must hold for any input. Returns the first
// violation, empty when none.
QString extractAnything(const QByteArray &bytes, Sandbox *sandbox)
{
    UnZip unzip;
    unzip.setPassword(QStringLiteral("kelvane"));
    if (openBytes(unzip, bytes) != UnZip::Success)
        return QString();
    const QList<UnZip::ZipEntry> entries = unzip.entryList();
    for (const UnZip::ZipEntry &e : entries) {
        CountingDevice out;
        const UnZip::ErrorCode ec = unzip.extractFile(e.filename, &out);
        if (e.compression == UnZip::Deflated && out.count > e.uncompressedSize)
            return QStringLiteral("%1 inflated beyond its recorded size").arg(e.filename);
        if (ec == UnZip::Success && out.crc != e.crc)
            return QStringLiteral("%1 extracted with a wrong CRC-32").arg(e.filename);
    }
    if (!sandbox)
        return QString();
    if (unzip.extractAll(sandbox->target(), UnZip::KeepFolders) != UnZip::Success)
        return QStringLiteral("extractAll failed on an open archive");
    const QString changes = sandbox->outsideChanges();
    sandbox->clearTarget();
    return changes;
}

} // namespace

class TestBadArchives : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void namesLeavingTheTarget_data();
    void namesLeavingTheTarget();
    void controlCharacters_data();
    void controlCharacters();
    void deepNames_data();
    void deepNames();
    void linksInTheTarget_data();
    void linksInTheTarget();

    void highRatioDeflate();
    void highRatioOtherMethods_data();
    void highRatioOtherMethods();
    void otherStreamsRunPastTheirSize_data();
    void otherStreamsRunPastTheirSize();
    void overlappingEntries();
    void sharedLocalHeader();
    void deflateRunsPastItsSize();
    void storedEntryCutOff_data();
    void storedEntryCutOff();
    void descriptorDisagrees_data();
    void descriptorDisagrees();
    void localHeaderDisagrees_data();
    void localHeaderDisagrees();

    void truncatedAtEveryOffset();
    void endRecordKeptBodyTruncated();
    void singleByteCorruptions();

    void noEndRecord();
    void fakeSignaturesInComment_data();
    void fakeSignaturesInComment();
    void directoryOffsetAbuse_data();
    void directoryOffsetAbuse();
    void hugeCountTinyDirectory();

    void zip64SizesPastTheArchive_data();
    void zip64SizesPastTheArchive();
    void zip64LocatorAnywhere();
    void zip64HugeEntryCount();
    void offsetCorrectionAbuse_data();
    void offsetCorrectionAbuse();
    void hostileExtraFields_data();
    void hostileExtraFields();
    void unicodePathLeavingTheTarget_data();
    void unicodePathLeavingTheTarget();
    void zip64EntryPast4GiB();

    void wrongPasswordPassesCheckByte_data();
    void wrongPasswordPassesCheckByte();

private:
    QStringList m_lines;
};

void TestBadArchives::init()
{
    m_lines.clear();
    capturedLines = &m_lines;
    qInstallMessageHandler(captureMessages);
}

void TestBadArchives::cleanup()
{
    qInstallMessageHandler(nullptr);
    capturedLines = nullptr;
}

// ---------------------------------------------------------------------------
// Names
// ---------------------------------------------------------------------------

void TestBadArchives::namesLeavingTheTarget_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<UnZip::ErrorCode>("expected");
    QTest::addColumn<QString>("created"); // relative to the target; empty: nothing

    const QString none;
    QTest::newRow("dotdot file") << QByteArray("../evil.txt") << UnZip::FileOpenFailed << none;
    QTest::newRow("dotdot inside") << QByteArray("a/../../evil.txt") << UnZip::FileOpenFailed << none;
    QTest::newRow("dotdot deep") << QByteArray("a/b/../../../../evil.txt") << UnZip::FileOpenFailed << none;
    QTest::newRow("dotdot folder") << QByteArray("../evil/") << UnZip::DirectoryCreationFailed << none;
    QTest::newRow("dotdot in folder entry") << QByteArray("a/../../x/") << UnZip::DirectoryCreationFailed << none;
    QTest::newRow("leaf dotdot") << QByteArray("a/..") << UnZip::FileOpenFailed << none;
    QTest::newRow("leaf dot") << QByteArray("a/.") << UnZip::FileOpenFailed << none;
    QTest::newRow("only dot") << QByteArray(".") << UnZip::FileOpenFailed << none;
    QTest::newRow("only dotdot") << QByteArray("..") << UnZip::FileOpenFailed << none;
    QTest::newRow("only slash") << QByteArray("/") << UnZip::Success << none;
    QTest::newRow("only slashes") << QByteArray("///") << UnZip::Success << none;
    QTest::newRow("dot folder") << QByteArray("./") << UnZip::Success << none;
    // Absolute names stay below the target: the name is joined to it.
    QTest::newRow("absolute") << QByteArray("/etc/evil.txt") << UnZip::Success << QStringLiteral("etc/evil.txt");
    QTest::newRow("absolute at root") << QByteArray("/evil.txt") << UnZip::Success << QStringLiteral("evil.txt");
    QTest::newRow("absolute folder") << QByteArray("/tmp/evil/") << UnZip::Success << QStringLiteral("tmp/evil");
    QTest::newRow("dot slash") << QByteArray("./a.txt") << UnZip::Success << QStringLiteral("a.txt");
    // Names from an MS-DOS host (the builder's default) separate their
    // folders with backslashes, and are checked after the conversion.
    QTest::newRow("backslash climb") << QByteArray("..\\..\\evil.txt") << UnZip::FileOpenFailed << QString();
    QTest::newRow("backslash climb inside") << QByteArray("a\\..\\..\\evil.txt") << UnZip::FileOpenFailed
                                            << QString();
    QTest::newRow("backslash folder climb") << QByteArray("..\\evil\\") << UnZip::DirectoryCreationFailed
                                            << QString();
    QTest::newRow("drive letter") << QByteArray("c:\\windows\\evil.txt") << UnZip::Success
                                  << QStringLiteral("c:/windows/evil.txt");
    QTest::newRow("backslash absolute") << QByteArray("\\etc\\evil.txt") << UnZip::Success
                                        << QStringLiteral("etc/evil.txt");
    QTest::newRow("drive letter slash") << QByteArray("c:/evil.txt") << UnZip::Success
                                        << QStringLiteral("c:/evil.txt");
}

void TestBadArchives::namesLeavingTheTarget()
{
    QFETCH(QByteArray, name);
    QFETCH(UnZip::ErrorCode, expected);
    QFETCH(QString, created);

    Sandbox sandbox;
    QVERIFY(sandbox.isValid());
    RawZip zip;
    zip.add(name, name.endsWith('/') || name.endsWith('\\') ? QByteArray() : QByteArray("payload"));
    zip.add("good.txt", "good");
    const QByteArray bytes = zip.build().bytes;

    UnZip unzip;
    QCOMPARE(openBytes(unzip, bytes), UnZip::Success);
    const QString entryName = QString::fromLatin1(name);
    QVERIFY(unzip.contains(entryName));
    QCOMPARE(unzip.extractFile(entryName, sandbox.target(), UnZip::KeepFolders), expected);
    if (expected != UnZip::Success) {
        QCOMPARE(m_lines, QStringList{debugText(QStringLiteral("Refusing entry outside the target folder: %1").arg(entryName))});
        QCOMPARE(sandbox.targetContents(), QStringList());
    } else if (!created.isEmpty()) {
        QVERIFY2(existsNoFollow(sandbox.target() + QLatin1Char('/') + created), qPrintable(created));
    } else {
        QCOMPARE(sandbox.targetContents(), QStringList());
    }
    QCOMPARE(sandbox.outsideChanges(), QString());

    // extractAll goes on past the refused entry.
    QCOMPARE(unzip.extractAll(sandbox.target(), UnZip::KeepFolders), UnZip::Success);
    QCOMPARE(fileContent(sandbox.target() + QStringLiteral("/good.txt")), QByteArray("good"));
    QCOMPARE(sandbox.outsideChanges(), QString());
}

void TestBadArchives::controlCharacters_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<UnZip::ErrorCode>("expected");

    QTest::newRow("NUL") << QByteArray("a\0b.txt", 7) << UnZip::FileOpenFailed;
    QTest::newRow("NUL before dotdot") << QByteArray("ok.txt\0/../../evil", 18) << UnZip::FileOpenFailed;
    QTest::newRow("NUL in folder part") << QByteArray("d\0ir/x.txt", 10) << UnZip::FileOpenFailed;
    QTest::newRow("NUL in folder entry") << QByteArray("dir\0x/", 6) << UnZip::DirectoryCreationFailed;
    QTest::newRow("newline") << QByteArray("a\nb.txt") << UnZip::FileOpenFailed;
    QTest::newRow("tab") << QByteArray("a\tb.txt") << UnZip::FileOpenFailed;
    QTest::newRow("escape") << QByteArray("\x1b[31mred.txt") << UnZip::FileOpenFailed;
    QTest::newRow("delete") << QByteArray("a\x7f.txt") << UnZip::FileOpenFailed;
    QTest::newRow("carriage return folder") << QByteArray("a\r/") << UnZip::DirectoryCreationFailed;
}

void TestBadArchives::controlCharacters()
{
    QFETCH(QByteArray, name);
    QFETCH(UnZip::ErrorCode, expected);

    Sandbox sandbox;
    RawZip zip;
    zip.add(name, name.endsWith('/') ? QByteArray() : QByteArray("payload"));
    zip.add("good.txt", "good");
    UnZip unzip;
    QCOMPARE(openBytes(unzip, zip.build().bytes), UnZip::Success);
    const QString entryName = QString::fromLatin1(name.constData(), name.size());
    QVERIFY(unzip.contains(entryName));
    QCOMPARE(unzip.extractFile(entryName, sandbox.target(), UnZip::KeepFolders), expected);
    // Nothing at all is created, not even the part before a NUL.
    QCOMPARE(sandbox.targetContents(), QStringList());
    // The debug stream escapes the control characters it quotes.
    QCOMPARE(m_lines, QStringList{debugText(QStringLiteral("Refusing entry with a control character in its name: %1").arg(entryName))});
    QCOMPARE(unzip.extractAll(sandbox.target(), UnZip::KeepFolders), UnZip::Success);
    QCOMPARE(sandbox.targetContents(), QStringList{QStringLiteral("good.txt")});
    QCOMPARE(sandbox.outsideChanges(), QString());
}

void TestBadArchives::deepNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<UnZip::ErrorCode>("expected");

    QTest::addColumn<bool>("blocked");

    // 65535 bytes, the longest name the format holds: 32767 levels. The path
    // is longer than the system can name, so the entry is refused before any
    // folder is made.
    QTest::newRow("65535-byte file name") << QByteArray("a/").repeated(32767) + "x"
                                          << UnZip::FileOpenFailed << false;
    QTest::newRow("65535-byte file name, blocked") << QByteArray("a/").repeated(32767) + "x"
                                                   << UnZip::FileOpenFailed << true;
    QTest::newRow("65534-byte folder name, blocked") << QByteArray("a/").repeated(32767)
                                                     << UnZip::DirectoryCreationFailed << true;
    // A thousand levels fit the path limit and are all made.
    QTest::newRow("1000 levels") << QByteArray("d/").repeated(1000) + "deep.txt" << UnZip::Success << false;
}

void TestBadArchives::deepNames()
{
    QFETCH(QByteArray, name);
    QFETCH(UnZip::ErrorCode, expected);
    QFETCH(bool, blocked);

    Sandbox sandbox;
    if (blocked) {
        QVERIFY(QDir().mkpath(sandbox.target() + QStringLiteral("/a/a")));
        FileTree::write(sandbox.target() + QStringLiteral("/a/a/a"), "in the way");
    }
    RawZip zip;
    zip.add(name, name.endsWith('/') ? QByteArray() : QByteArray("deep"));
    zip.add("good.txt", "good");
    UnZip unzip;
    QCOMPARE(openBytes(unzip, zip.build().bytes), UnZip::Success);
    const QString entryName = QString::fromLatin1(name);
    QCOMPARE(unzip.extractFile(entryName, sandbox.target(), UnZip::KeepFolders), expected);
    if (expected == UnZip::Success)
        QCOMPARE(fileContent(sandbox.target() + QLatin1Char('/') + entryName), QByteArray("deep"));
    QCOMPARE(unzip.extractAll(sandbox.target(), UnZip::KeepFolders), UnZip::Success);
    QCOMPARE(fileContent(sandbox.target() + QStringLiteral("/good.txt")), QByteArray("good"));
    QCOMPARE(sandbox.outsideChanges(), QString());
}

void TestBadArchives::linksInTheTarget_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<UnZip::ErrorCode>("expected");
    QTest::addColumn<QString>("created");

    const QString none;
    QTest::newRow("through relative link") << QByteArray("up/evil.txt") << UnZip::FileOpenFailed << none;
    QTest::newRow("through absolute link") << QByteArray("abs/evil.txt") << UnZip::FileOpenFailed << none;
    QTest::newRow("new folder through link") << QByteArray("up/new/evil.txt") << UnZip::FileOpenFailed << none;
    QTest::newRow("folder entry through link") << QByteArray("abs/new/") << UnZip::DirectoryCreationFailed << none;
    QTest::newRow("over link to file") << QByteArray("file") << UnZip::FileOpenFailed << none;
    QTest::newRow("over link to folder") << QByteArray("up") << UnZip::FileOpenFailed << none;
    QTest::newRow("over dangling link") << QByteArray("dangling") << UnZip::FileOpenFailed << none;
    QTest::newRow("through dangling link") << QByteArray("dangling/x.txt") << UnZip::FileOpenFailed << none;
    QTest::newRow("through link inside") << QByteArray("inner/ok.txt") << UnZip::Success << QStringLiteral("sub/ok.txt");
    QTest::newRow("folder through link inside") << QByteArray("inner/more/") << UnZip::Success
                                                << QStringLiteral("sub/more");
}

void TestBadArchives::linksInTheTarget()
{
    QFETCH(QByteArray, name);
    QFETCH(UnZip::ErrorCode, expected);
    QFETCH(QString, created);

    Sandbox sandbox;
    const QString t = sandbox.target();
    QVERIFY(QDir().mkpath(t + QStringLiteral("/sub")));
    QVERIFY(QFile::link(QStringLiteral("../../outside"), t + QStringLiteral("/up")));
    QVERIFY(QFile::link(sandbox.outsideFolder(), t + QStringLiteral("/abs")));
    QVERIFY(QFile::link(QStringLiteral("../../outside/keep.txt"), t + QStringLiteral("/file")));
    QVERIFY(QFile::link(QStringLiteral("../../nowhere"), t + QStringLiteral("/dangling")));
    QVERIFY(QFile::link(QStringLiteral("sub"), t + QStringLiteral("/inner")));
    const QStringList before = sandbox.targetContents();

    RawZip zip;
    zip.add(name, name.endsWith('/') ? QByteArray() : QByteArray("payload"));
    UnZip unzip;
    QCOMPARE(openBytes(unzip, zip.build().bytes), UnZip::Success);
    QCOMPARE(unzip.extractFile(QString::fromLatin1(name), t, UnZip::KeepFolders), expected);
    if (expected == UnZip::Success)
        QVERIFY2(existsNoFollow(t + QLatin1Char('/') + created), qPrintable(created));
    else
        QCOMPARE(sandbox.targetContents(), before);
    QVERIFY(QFileInfo(t + QStringLiteral("/up")).isSymLink());
    QVERIFY(QFileInfo(t + QStringLiteral("/file")).isSymLink());
    QCOMPARE(sandbox.outsideChanges(), QString());
}

// ---------------------------------------------------------------------------
// Bombs and data that does not fit its records
// ---------------------------------------------------------------------------

void TestBadArchives::highRatioDeflate()
{
    // 1 GiB of zeros in about a megabyte of deflate data, recorded as 4 KiB.
    const int megabytes = 1024;
    const QByteArray stream = zeroStream(megabytes);
    QVERIFY(stream.size() < 2 * 1024 * 1024);
    RawZip zip;
    RawZip::Entry &bomb = zip.add("bomb.bin").deflated().raw(stream);
    bomb.central.uncompressedSize = bomb.local.uncompressedSize = 4096;
    bomb.central.crc = bomb.local.crc = crcOfZeros(4096);
    zip.add("good.txt", "good");
    const QByteArray bytes = zip.build().bytes;

    qint64 bytesRead = 0;
    UnZip unzip;
    QCOMPARE(unzip.openArchive(new CountingBuffer(bytes, &bytesRead)), UnZip::Success);
    CountingDevice out;
    const qint64 readBefore = bytesRead;
    QCOMPARE(unzip.extractFile(QStringLiteral("bomb.bin"), &out), UnZip::CorruptedArchive);
    QVERIFY(out.count <= 4096);
    // One chunk of input is enough to find out; the rest is never read.
    QVERIFY2(bytesRead - readBefore <= 262144 + 1024, qPrintable(QString::number(bytesRead - readBefore)));
    QCOMPARE(m_lines, QStringList{QStringLiteral("\"Entry inflates beyond its recorded size: bomb.bin\"")});

    Sandbox sandbox;
    QCOMPARE(unzip.extractAll(sandbox.target(), UnZip::KeepFolders), UnZip::Success);
    QCOMPARE(sandbox.targetContents(), QStringList{QStringLiteral("good.txt")});
    QVERIFY(!unzip.contains(QStringLiteral("bomb.bin")));
    QVERIFY(m_lines.contains(QStringLiteral("Removing corrupted entry \"bomb.bin\"")));
}

void TestBadArchives::highRatioOtherMethods_data()
{
    QTest::addColumn<RawZip::Method>("method");
    QTest::addColumn<bool>("aes");
    QTest::addColumn<bool>("damagedCode");
    QTest::newRow("bzip2") << RawZip::Bzip2 << false << false;
    QTest::newRow("lzma") << RawZip::Lzma << false << false;
    QTest::newRow("zstd") << RawZip::Zstd << false << false;
    QTest::newRow("xz") << RawZip::Xz << false << false;
    QTest::newRow("bzip2 in AES-256") << RawZip::Bzip2 << true << false;
    QTest::newRow("xz in AES-256") << RawZip::Xz << true << false;
    // The authentication code is checked before anything is decoded: the
    // bomb never goes off.
    QTest::newRow("xz in AES-256, authentication code damaged") << RawZip::Xz << true << true;
}

void TestBadArchives::highRatioOtherMethods()
{
    QFETCH(RawZip::Method, method);
    QFETCH(bool, aes);
    QFETCH(bool, damagedCode);
    KELVANE_REQUIRE_METHOD(method);
    if (aes)
        KELVANE_REQUIRE_AES();

    // 64 MiB of zeros, recorded as 4 KiB of zeros.
    static QHash<int, QByteArray> streams;
    if (!streams.contains(method))
        streams.insert(method, RawZip::compress(method, QByteArray(64 << 20, '\0')));
    const QByteArray stream = streams.value(method);
    QVERIFY(stream.size() < 262144);
    RawZip zip;
    RawZip::Entry &bomb = zip.add("bomb.bin").compressed(method);
    bomb.raw(aes ? RawZip::encryptAes("pw", RawZip::Aes256, QByteArray(16, 's'), stream) : stream);
    if (aes) {
        bomb.aes("pw", RawZip::Aes256, 1);
        bomb.centralExtra = bomb.localExtra = QByteArray(); // the builder adds the AES field
    }
    bomb.versionNeeded = 63;
    bomb.central.uncompressedSize = bomb.local.uncompressedSize = 4096;
    bomb.central.crc = bomb.local.crc = crcOfZeros(4096);
    zip.add("good.txt", "good");
    RawZip::Archive archive = zip.build();
    if (damagedCode)
        archive.bytes.data()[archive.entries.at(0).dataOffset + archive.entries.at(0).dataSize - 1] ^= 0x20;

    qint64 bytesRead = 0;
    UnZip unzip;
    unzip.setPassword(QStringLiteral("pw"));
    QCOMPARE(unzip.openArchive(new CountingBuffer(archive.bytes, &bytesRead)), UnZip::Success);
    CountingDevice out;
    const qint64 readBefore = bytesRead;
    QCOMPARE(unzip.extractFile(QStringLiteral("bomb.bin"), &out), UnZip::CorruptedArchive);
    QVERIFY(out.count <= (damagedCode ? 0 : 4096));
    // The entry's own bytes (twice for AES: authentication, then decryption)
    // and its local header, nothing more.
    const qint64 entryBytes = archive.entries.at(0).end - archive.entries.at(0).localHeader;
    QVERIFY2(bytesRead - readBefore <= (aes ? 2 : 1) * entryBytes,
             qPrintable(QString::number(bytesRead - readBefore)));
    QCOMPARE(m_lines, QStringList{damagedCode ? QStringLiteral("\"Authentication code mismatch: bomb.bin\"") : QStringLiteral("\"Entry inflates beyond its recorded size: bomb.bin\"")});

    Sandbox sandbox;
    QCOMPARE(unzip.extractAll(sandbox.target(), UnZip::KeepFolders), UnZip::Success);
    QCOMPARE(sandbox.targetContents(), QStringList{QStringLiteral("good.txt")});
    QVERIFY(!unzip.contains(QStringLiteral("bomb.bin")));
}

void TestBadArchives::otherStreamsRunPastTheirSize_data()
{
    QTest::addColumn<RawZip::Method>("method");
    QTest::addColumn<int>("keep"); // bytes of the stream the entry keeps; < 0: all but that many
    const struct
    {
        const char *name;
        RawZip::Method method;
    } methods[] = {{"bzip2", RawZip::Bzip2}, {"lzma", RawZip::Lzma}, {"zstd", RawZip::Zstd}, {"xz", RawZip::Xz}};
    for (const auto &m : methods) {
        QTest::addRow("%s, first byte", m.name) << m.method << 1;
        QTest::addRow("%s, first half", m.name) << m.method << 0;
        QTest::addRow("%s, all but the last byte", m.name) << m.method << -1;
    }
}

void TestBadArchives::otherStreamsRunPastTheirSize()
{
    QFETCH(RawZip::Method, method);
    QFETCH(int, keep);
    KELVANE_REQUIRE_METHOD(method);
    const QByteArray content = noise(100000, 3) + QByteArray(100000, 'z');
    const QByteArray stream = RawZip::compress(method, content);
    const int kept = keep > 0 ? keep : keep == 0 ? int(stream.size()) / 2
                                                 : int(stream.size()) + keep;
    RawZip zip;
    RawZip::Entry &e = zip.add("cut.bin", content).compressed(method).raw(stream.left(kept));
    e.versionNeeded = 63;
    // The rest of the stream follows, but belongs to no entry.
    e.trailingData = stream.mid(kept);
    zip.add("after.txt", "after");
    UnZip unzip;
    QCOMPARE(openBytes(unzip, zip.build().bytes), UnZip::Success);
    CountingDevice out;
    QCOMPARE(unzip.extractFile(QStringLiteral("cut.bin"), &out), UnZip::CorruptedArchive);
    // Without the last byte the content may be out whole: the stream's own
    // end is missing all the same.
    QVERIFY(out.count <= quint64(content.size()));
    QCOMPARE(m_lines, QStringList{QStringLiteral("\"Compressed data runs past the entry's size: cut.bin\"")});
    CountingDevice after;
    QCOMPARE(unzip.extractFile(QStringLiteral("after.txt"), &after), UnZip::Success);
    QCOMPARE(after.count, quint64(5));
}

void TestBadArchives::overlappingEntries()
{
    // Each entry's data claims to run to the end of the last entry's data,
    // over all the local headers that follow it.
    const int count = 300;
    RawZip zip;
    for (int i = 0; i < count; ++i)
        zip.add(QByteArray("f") + QByteArray::number(i), QByteArray(1000, char('a' + i % 26))).stored();
    const RawZip::Archive plain = zip.build();
    const qint64 end = plain.entries.last().end;
    for (int i = 0; i < count - 1; ++i) {
        RawZip::Entry &e = zip.entry(i);
        const quint32 size = quint32(end - plain.entries.at(i).dataOffset);
        e.central.compressedSize = e.local.compressedSize = size;
        e.central.uncompressedSize = e.local.uncompressedSize = size;
    }
    UnZip unzip;
    QCOMPARE(openBytes(unzip, zip.build().bytes), UnZip::Success);
    QCOMPARE(unzip.fileList().size(), count);

    CountingDevice out;
    QCOMPARE(unzip.extractFile(QStringLiteral("f0"), &out), UnZip::InconsistentHeaders);
    QCOMPARE(out.count, quint64(0));
    QCOMPARE(m_lines, QStringList{QStringLiteral("\"Entry data overlaps the next entry: f0\"")});

    Sandbox sandbox;
    QCOMPARE(unzip.extractAll(sandbox.target(), UnZip::KeepFolders), UnZip::Success);
    // Only the last entry, which overlaps nothing, is written.
    const QString last = QStringLiteral("f%1").arg(count - 1);
    QCOMPARE(sandbox.targetContents(), QStringList{last});
    QCOMPARE(fileContent(sandbox.target() + QLatin1Char('/') + last), QByteArray(1000, char('a' + (count - 1) % 26)));
    QCOMPARE(m_lines.filter(QRegularExpression(QStringLiteral("^\"Entry data overlaps the next entry: f\\d+\"$"))).size(), count);
}

void TestBadArchives::sharedLocalHeader()
{
    RawZip zip;
    // A thousand central records name the same local header, each with the
    // same sizes, CRC-32 and method: only the name tells them apart.
    const QByteArray content = QByteArray("shared data ").repeated(100);
    zip.add("shared.txt", content).deflated();
    for (int i = 0; i < 1000; ++i)
        zip.add(QByteArray("alias") + QByteArray::number(i), content).deflated().localHeaderOffset = 0;
    UnZip unzip;
    QCOMPARE(openBytes(unzip, zip.build().bytes), UnZip::Success);
    QCOMPARE(unzip.fileList().size(), 1001);
    CountingDevice out;
    QCOMPARE(unzip.extractFile(QStringLiteral("alias7"), &out), UnZip::InconsistentHeaders);
    QCOMPARE(m_lines, QStringList{QStringLiteral("Filename in local header mismatches.")});
    Sandbox sandbox;
    QCOMPARE(unzip.extractAll(sandbox.target(), UnZip::KeepFolders), UnZip::Success);
    QCOMPARE(sandbox.targetContents(), QStringList{QStringLiteral("shared.txt")});
    QCOMPARE(fileContent(sandbox.target() + QStringLiteral("/shared.txt")), content);
}

void TestBadArchives::deflateRunsPastItsSize()
{
    const QByteArray content = noise(200000, 1);
    const QByteArray stream = RawZip::deflate(content);
    RawZip zip;
    RawZip::Entry &e = zip.add("long.bin", content).deflated();
    const quint32 half = quint32(stream.size() / 2);
    e.central.compressedSize = e.local.compressedSize = half;
    // The rest of the stream still follows, but belongs to no entry.
    e.raw(stream.left(int(half)));
    e.trailingData = stream.mid(int(half));
    zip.add("after.txt", "after");
    UnZip unzip;
    QCOMPARE(openBytes(unzip, zip.build().bytes), UnZip::Success);
    CountingDevice out;
    QCOMPARE(unzip.extractFile(QStringLiteral("long.bin"), &out), UnZip::CorruptedArchive);
    QVERIFY(out.count < quint64(content.size()));
    QCOMPARE(m_lines, QStringList{QStringLiteral("\"Compressed data runs past the entry's size: long.bin\"")});

    Sandbox sandbox;
    QCOMPARE(unzip.extractAll(sandbox.target(), UnZip::KeepFolders), UnZip::Success);
    QCOMPARE(sandbox.targetContents(), QStringList{QStringLiteral("after.txt")});
}

void TestBadArchives::storedEntryCutOff_data()
{
    QTest::addColumn<bool>("directoryFirst");
    QTest::addColumn<UnZip::ErrorCode>("expected");
    // The data would run into the central directory: refused before reading.
    QTest::newRow("into the directory") << false << UnZip::InconsistentHeaders;
    // The directory lies before the entry, so the data runs into the end of
    // the file: the read comes back short and the CRC-32 differs.
    QTest::newRow("past the end of the file") << true << UnZip::CorruptedArchive;
}

void TestBadArchives::storedEntryCutOff()
{
    QFETCH(bool, directoryFirst);
    QFETCH(UnZip::ErrorCode, expected);

    const QByteArray content = noise(5000, 2);
    RawZip zip;
    RawZip::Entry &e = zip.add("cut.bin", content).stored();
    e.central.compressedSize = e.local.compressedSize = 1000000;
    e.central.uncompressedSize = e.local.uncompressedSize = 1000000;
    e.raw(content);
    RawZip::Archive a = zip.build();
    QByteArray bytes = a.bytes;
    if (directoryFirst) {
        // Move the central directory in front of the local part.
        const QByteArray local = bytes.left(int(a.centralDirectory));
        QByteArray central = bytes.mid(int(a.centralDirectory), int(a.endRecord - a.centralDirectory));
        QByteArray endRecord = bytes.mid(int(a.endRecord));
        RawZip::putUInt(central, 42, quint32(central.size()));
        RawZip::putUInt(endRecord, 16, 0);
        bytes = central + local + endRecord;
    }
    Sandbox sandbox;
    UnZip unzip;
    QCOMPARE(openBytes(unzip, bytes), UnZip::Success);
    QCOMPARE(unzip.extractFile(QStringLiteral("cut.bin"), sandbox.target(), UnZip::KeepFolders), expected);
    QCOMPARE(sandbox.targetContents(), QStringList());
    QCOMPARE(unzip.extractAll(sandbox.target(), UnZip::KeepFolders), UnZip::Success);
    QCOMPARE(sandbox.targetContents(), QStringList());
    QCOMPARE(unzip.contains(QStringLiteral("cut.bin")), expected != UnZip::CorruptedArchive);
}

void TestBadArchives::descriptorDisagrees_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("field");
    for (const int kind : {int(RawZip::WithSignature), int(RawZip::WithoutSignature)}) {
        const char *k = kind == RawZip::WithSignature ? "signed" : "unsigned";
        for (const char *field : {"crc", "compressed", "uncompressed"})
            QTest::addRow("%s %s", k, field) << kind << QString::fromLatin1(field);
    }
}

void TestBadArchives::descriptorDisagrees()
{
    QFETCH(int, kind);
    QFETCH(QString, field);

    RawZip zip;
    RawZip::Entry &e = zip.add("d.txt", QByteArray("descriptor data ").repeated(30)).deflated().descriptor(RawZip::Descriptor(kind));
    if (field == QLatin1String("crc"))
        e.dataDescriptor.crc = 0x12345678;
    else if (field == QLatin1String("compressed"))
        e.dataDescriptor.compressedSize = 3;
    else
        e.dataDescriptor.uncompressedSize = 3;
    zip.add("good.txt", "good").descriptor(RawZip::Descriptor(kind));

    Sandbox sandbox;
    UnZip unzip;
    QCOMPARE(openBytes(unzip, zip.build().bytes), UnZip::Success);
    QCOMPARE(unzip.extractFile(QStringLiteral("d.txt"), sandbox.target(), UnZip::KeepFolders),
             UnZip::InconsistentHeaders);
    QCOMPARE(sandbox.targetContents(), QStringList());
    QCOMPARE(unzip.extractAll(sandbox.target(), UnZip::KeepFolders), UnZip::Success);
    QCOMPARE(sandbox.targetContents(), QStringList{QStringLiteral("good.txt")});
}

void TestBadArchives::localHeaderDisagrees_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("withDescriptor");
    QTest::addColumn<UnZip::ErrorCode>("expected");

    const struct
    {
        const char *field;
        UnZip::ErrorCode plain;
        UnZip::ErrorCode described;
    } rows[] = {
        {"method", UnZip::InconsistentHeaders, UnZip::InconsistentHeaders},
        {"flags low byte", UnZip::InconsistentHeaders, UnZip::InconsistentHeaders},
        {"flags high byte", UnZip::InconsistentHeaders, UnZip::InconsistentHeaders},
        {"time low byte", UnZip::InconsistentHeaders, UnZip::InconsistentHeaders},
        {"time high byte", UnZip::InconsistentHeaders, UnZip::InconsistentHeaders},
        {"date low byte", UnZip::InconsistentHeaders, UnZip::InconsistentHeaders},
        {"date high byte", UnZip::InconsistentHeaders, UnZip::InconsistentHeaders},
        // With a data descriptor these three are not compared.
        {"crc", UnZip::InconsistentHeaders, UnZip::Success},
        {"compressed size", UnZip::InconsistentHeaders, UnZip::Success},
        {"uncompressed size", UnZip::InconsistentHeaders, UnZip::Success},
        {"name", UnZip::InconsistentHeaders, UnZip::InconsistentHeaders},
        {"name length 0", UnZip::InconsistentHeaders, UnZip::InconsistentHeaders},
        {"signature", UnZip::IncompatibleArchive, UnZip::IncompatibleArchive},
    };
    for (const auto &row : rows) {
        QTest::addRow("%s", row.field) << QString::fromLatin1(row.field) << false << row.plain;
        QTest::addRow("%s, descriptor", row.field) << QString::fromLatin1(row.field) << true << row.described;
    }
}

void TestBadArchives::localHeaderDisagrees()
{
    QFETCH(QString, field);
    QFETCH(bool, withDescriptor);
    QFETCH(UnZip::ErrorCode, expected);

    RawZip zip;
    RawZip::Entry &e = zip.add("entry.txt", QByteArray("local header test ").repeated(20)).deflated();
    if (withDescriptor)
        e.descriptor(RawZip::WithSignature);
    RawZip::Fields &l = e.local;
    if (field == QLatin1String("method"))
        l.method = 0;
    else if (field == QLatin1String("flags low byte"))
        l.flags = quint16(e.flags | 0x02);
    else if (field == QLatin1String("flags high byte"))
        l.flags = quint16(e.flags | 0x0200);
    else if (field == QLatin1String("time low byte"))
        l.dosTime = quint16(e.dosTime + 1);
    else if (field == QLatin1String("time high byte"))
        l.dosTime = quint16(e.dosTime + 0x100);
    else if (field == QLatin1String("date low byte"))
        l.dosDate = quint16(e.dosDate + 1);
    else if (field == QLatin1String("date high byte"))
        l.dosDate = quint16(e.dosDate + 0x200);
    else if (field == QLatin1String("crc"))
        l.crc = 0xdeadbeef;
    else if (field == QLatin1String("compressed size"))
        l.compressedSize = 7;
    else if (field == QLatin1String("uncompressed size"))
        l.uncompressedSize = 7;
    else if (field == QLatin1String("name"))
        l.name = QByteArray("other.txt");
    else if (field == QLatin1String("name length 0"))
        l.nameLength = 0;
    else if (field == QLatin1String("signature"))
        zip.localHeaderHook = [](int index, QByteArray &record) { if (index == 0) record[2] = 7; };
    zip.add("good.txt", "good");

    Sandbox sandbox;
    UnZip unzip;
    QCOMPARE(openBytes(unzip, zip.build().bytes), UnZip::Success);
    QCOMPARE(unzip.extractFile(QStringLiteral("entry.txt"), sandbox.target(), UnZip::KeepFolders), expected);
    const QStringList expectedLines = field == QLatin1String("name")
        ? QStringList{QStringLiteral("Filename in local header mismatches.")}
        : QStringList();
    QCOMPARE(m_lines, expectedLines);
    QCOMPARE(existsNoFollow(sandbox.target() + QStringLiteral("/entry.txt")), expected == UnZip::Success);
    QCOMPARE(unzip.extractAll(sandbox.target(), UnZip::KeepFolders), UnZip::Success);
    QVERIFY(existsNoFollow(sandbox.target() + QStringLiteral("/good.txt")));
}

// ---------------------------------------------------------------------------
// Truncation and corruption
// ---------------------------------------------------------------------------

void TestBadArchives::truncatedAtEveryOffset()
{
    const RawZip::Archive a = smallArchive().build();
    QVERIFY(a.bytes.size() < 4096);
    const qint64 endRecordEnd = a.endRecord + 22;
    for (int size = 0; size < a.bytes.size(); ++size) {
        UnZip unzip;
        const UnZip::ErrorCode ec = openBytes(unzip, a.bytes.left(size));
        // Before the whole end record there is no end record to find; after
        // it, the comment is cut short and read as far as it goes.
        const UnZip::ErrorCode expected = size < endRecordEnd ? UnZip::IncompatibleArchive : UnZip::Success;
        QVERIFY2(ec == expected, qPrintable(QStringLiteral("size %1: %2").arg(size).arg(int(ec))));
        QCOMPARE(unzip.isOpen(), expected == UnZip::Success);
        if (unzip.isOpen()) {
            QCOMPARE(unzip.archiveComment(), QString::fromLatin1(QByteArray("archive comment").left(int(size - endRecordEnd))));
            QCOMPARE(unzip.fileList().size(), 7);
        }
    }
}

void TestBadArchives::endRecordKeptBodyTruncated()
{
    // The body cut at every offset, the end record (with the offsets it had)
    // put right behind what is left.
    const RawZip::Archive a = smallArchive().build();
    const QByteArray endRecord = a.bytes.mid(int(a.endRecord));
    Sandbox sandbox;
    int opened = 0;
    for (int size = 0; size < a.endRecord; ++size) {
        const QString problem = extractAnything(a.bytes.left(size) + endRecord, &sandbox);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("size %1: %2").arg(size).arg(problem)));
        UnZip unzip;
        opened += openBytes(unzip, a.bytes.left(size) + endRecord) == UnZip::Success;
    }
    // Cuts inside the central directory leave an archive that opens.
    QVERIFY(opened > 0);
}

void TestBadArchives::singleByteCorruptions()
{
    const QByteArray original = smallArchive().build().bytes;
    QRandomGenerator rng(20260606);
    Sandbox sandbox;
    for (int i = 0; i < 3000; ++i) {
        QByteArray bytes = original;
        const int pos = int(rng.bounded(bytes.size()));
        bytes[pos] = char(bytes[pos] ^ (1 + rng.bounded(255)));
        // Every variant goes to memory; one in four also to the folder,
        // which costs file-system work.
        const QString problem = extractAnything(bytes, i % 4 == 0 ? &sandbox : nullptr);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("variant %1 (byte %2): %3").arg(i).arg(pos).arg(problem)));
    }
}

// ---------------------------------------------------------------------------
// End record abuse
// ---------------------------------------------------------------------------

void TestBadArchives::noEndRecord()
{
    // 64 MiB that hold no end record: rejected after one backward pass
    // (the time it takes is measured by scripts/bench-badarchives.sh).
    const QByteArray bytes = noise(64 * 1024 * 1024, 3);
    qint64 bytesRead = 0;
    UnZip unzip;
    QCOMPARE(unzip.openArchive(new CountingBuffer(bytes, &bytesRead)), UnZip::IncompatibleArchive);
    // Each byte is read about once (the blocks overlap by three bytes).
    QVERIFY2(bytesRead < qint64(bytes.size()) + bytes.size() / 1000, qPrintable(QString::number(bytesRead)));
}

void TestBadArchives::fakeSignaturesInComment_data()
{
    QTest::addColumn<QByteArray>("comment");
    QTest::addColumn<bool>("onDisk");
    QTest::addColumn<UnZip::ErrorCode>("expected");
    QTest::addColumn<int>("entries");

    // The highest signature wins; its comment, cut at the end of the device,
    // is what there is of it, and its directory offset lies past the end.
    QTest::newRow("bare signatures") << QByteArray("PK\x05\x06").repeated(5000) << false << UnZip::FileSeekError << 0;

    QByteArray fake(22, '\0');
    RawZip::putUInt(fake, 0, 0x06054b50);
    RawZip::putUShort(fake, 10, 1);
    RawZip::putUInt(fake, 16, 0xfffffff0);
    // Whole fake records that point far past the end of the file.
    QTest::newRow("records pointing past the end, file") << fake.repeated(2000) << true
                                                         << UnZip::CorruptedArchive << 0;
    QTest::newRow("records pointing past the end, buffer") << fake.repeated(2000) << false
                                                           << UnZip::FileSeekError << 0;
    // A fake record that points at the real directory reads it.
    QByteArray honest = fake;
    RawZip::putUInt(honest, 16, 0); // patched to the real offset in the test
    QTest::newRow("record pointing at the directory") << honest.repeated(100) << false << UnZip::Success << 2;
}

void TestBadArchives::fakeSignaturesInComment()
{
    QFETCH(QByteArray, comment);
    QFETCH(bool, onDisk);
    QFETCH(UnZip::ErrorCode, expected);
    QFETCH(int, entries);

    RawZip zip;
    zip.add("a.txt", "a");
    zip.add("b.txt", "b").deflated();
    zip.end.comment = comment;
    const qint64 directory = zip.build().centralDirectory;
    if (expected == UnZip::Success) {
        for (int i = 0; i < comment.size(); i += 22)
            RawZip::putUInt(zip.end.comment, i + 16, quint32(directory));
    }
    const QByteArray bytes = zip.build().bytes;

    UnZip unzip;
    if (onDisk) {
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write(bytes);
        file.close();
        QCOMPARE(unzip.openArchive(file.fileName()), expected);
    } else {
        QCOMPARE(openBytes(unzip, bytes), expected);
    }
    QCOMPARE(unzip.fileList().size(), entries);
}

void TestBadArchives::directoryOffsetAbuse_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<bool>("onDisk");
    QTest::addColumn<UnZip::ErrorCode>("expected");

    QTest::newRow("past the end, file") << QStringLiteral("past") << true << UnZip::CorruptedArchive;
    QTest::newRow("past the end, buffer") << QStringLiteral("past") << false << UnZip::FileSeekError;
    // The ZIP64 placeholder with no ZIP64 end record: the directory is taken
    // from where its size puts it, the other offsets stay as they are.
    QTest::newRow("highest offset, file") << QStringLiteral("max") << true << UnZip::Success;
    // Elsewhere inside the archive: the directory is found where the end
    // record's position and the directory size place it, and every offset
    // is moved by the difference, which leads this entry's offset to no
    // local header: listed, but nothing extracted.
    QTest::newRow("into the end record") << QStringLiteral("self") << false << UnZip::Success;
    QTest::newRow("into the comment") << QStringLiteral("comment") << false << UnZip::Success;
    QTest::newRow("into a local header") << QStringLiteral("local") << false << UnZip::Success;
}

void TestBadArchives::directoryOffsetAbuse()
{
    QFETCH(QString, where);
    QFETCH(bool, onDisk);
    QFETCH(UnZip::ErrorCode, expected);

    RawZip zip;
    zip.add("a.txt", "a");
    zip.end.comment = "comment";
    const RawZip::Archive plain = zip.build();
    if (where == QLatin1String("past"))
        zip.end.directoryOffset = quint32(plain.bytes.size() + 1000);
    else if (where == QLatin1String("max"))
        zip.end.directoryOffset = 0xffffffffu;
    else if (where == QLatin1String("self"))
        zip.end.directoryOffset = quint32(plain.endRecord);
    else if (where == QLatin1String("comment"))
        zip.end.directoryOffset = quint32(plain.endRecord + 22);
    else
        zip.end.directoryOffset = 0;
    const QByteArray bytes = zip.build().bytes;

    Sandbox sandbox;
    UnZip unzip;
    if (onDisk) {
        const QString path = sandbox.root() + QStringLiteral("/archive.zip");
        FileTree::write(path, bytes);
        QCOMPARE(unzip.openArchive(path), expected);
    } else {
        QCOMPARE(openBytes(unzip, bytes), expected);
    }
    QCOMPARE(unzip.fileList(), unzip.isOpen() ? QStringList{QStringLiteral("a.txt")} : QStringList());
    if (unzip.isOpen()) {
        const bool readable = where == QLatin1String("max");
        QCOMPARE(unzip.extractFile(QStringLiteral("a.txt"), sandbox.target()) == UnZip::Success, readable);
        QCOMPARE(unzip.extractAll(sandbox.target()), UnZip::Success);
        QCOMPARE(sandbox.targetContents(), readable ? QStringList{QStringLiteral("a.txt")} : QStringList());
    }
}

void TestBadArchives::hugeCountTinyDirectory()
{
    RawZip zip;
    zip.add("only.txt", "only");
    zip.end.totalEntries = 65535;
    zip.end.diskEntries = 65535;
    UnZip unzip;
    QCOMPARE(openBytes(unzip, zip.build().bytes), UnZip::Success);
    QCOMPARE(unzip.fileList(), QStringList{QStringLiteral("only.txt")});
    Sandbox sandbox;
    QCOMPARE(unzip.extractAll(sandbox.target()), UnZip::Success);
    QCOMPARE(fileContent(sandbox.target() + QStringLiteral("/only.txt")), QByteArray("only"));
}

// ---------------------------------------------------------------------------
// Encryption
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// ZIP64 records, extra fields and data in front
// ---------------------------------------------------------------------------

void TestBadArchives::zip64SizesPastTheArchive_data()
{
    QTest::addColumn<quint64>("compressedSize");
    QTest::addColumn<quint64>("uncompressedSize");
    QTest::addColumn<bool>("afterDirectory"); // the entry's local part after the end record
    QTest::addColumn<UnZip::ErrorCode>("expected");

    const quint64 real = 0; // replaced by the entry's own size
    const quint64 max = ~quint64(0);
    QTest::newRow("compressed 2^64-1") << max << real << false << UnZip::InconsistentHeaders;
    QTest::newRow("compressed 2^63") << (quint64(1) << 63) << real << false << UnZip::InconsistentHeaders;
    QTest::newRow("compressed 5 GiB") << (quint64(5) << 30) << real << false << UnZip::InconsistentHeaders;
    QTest::newRow("compressed 2^64-1, after the directory") << max << real << true << UnZip::InconsistentHeaders;
    QTest::newRow("compressed 2^64-20, after the directory") << max - 19 << real << true
                                                             << UnZip::InconsistentHeaders;
    // A recorded size is a bound, not a promise: the data decide.
    QTest::newRow("uncompressed 2^64-1") << real << max << false << UnZip::Success;
    QTest::newRow("uncompressed 2^64-1, after the directory") << real << max << true << UnZip::Success;
}

void TestBadArchives::zip64SizesPastTheArchive()
{
    QFETCH(quint64, compressedSize);
    QFETCH(quint64, uncompressedSize);
    QFETCH(bool, afterDirectory);
    QFETCH(UnZip::ErrorCode, expected);

    const QByteArray content = QByteArray("zip64 sizes ").repeated(100);
    RawZip zip;
    zip.add("first.txt", "first");
    RawZip::Entry &e = zip.add("big.bin", content).deflated().zip64();
    for (RawZip::Fields *f : {&e.central, &e.local}) {
        if (compressedSize)
            f->compressedSize64 = compressedSize;
        if (uncompressedSize)
            f->uncompressedSize64 = uncompressedSize;
    }
    zip.add("last.txt", "last");
    zip.zip64End.present = true;
    if (afterDirectory) {
        // The local header and data behind the end record, where no later
        // local header or directory bounds them.
        RawZip local;
        local.add(e.name, content).deflated().zip64();
        local.entry(0).local = e.local;
        local.end.present = false;
        const RawZip::Archive plain = zip.build();
        const QByteArray part = local.build().bytes.left(int(local.build().centralDirectory));
        zip.entry(1).localHeaderOffset = 0xffffffffu;
        zip.entry(1).central.localHeaderOffset64 = quint64(plain.bytes.size());
        zip.trailer = part;
    }
    const QByteArray bytes = zip.build().bytes;

    qint64 bytesRead = 0;
    UnZip unzip;
    QCOMPARE(unzip.openArchive(new CountingBuffer(bytes, &bytesRead)), UnZip::Success);
    QCOMPARE(unzip.fileList(), (QStringList{"big.bin", "first.txt", "last.txt"}));
    CountingDevice out;
    QCOMPARE(unzip.extractFile(QStringLiteral("big.bin"), &out), expected);
    QCOMPARE(out.count, expected == UnZip::Success ? quint64(content.size()) : quint64(0));
    // Nothing is read beyond a few passes over the archive.
    QVERIFY2(bytesRead < 4 * bytes.size(), qPrintable(QString::number(bytesRead)));
    QCOMPARE(extractAnything(bytes, nullptr), QString());
}

void TestBadArchives::zip64LocatorAnywhere()
{
    // The locator's pointer to the ZIP64 end record set to every position
    // of the archive and to the extremes; with and without the record right
    // in front of the locator. Every archive either opens with its entries or
    // is refused; none is read wrongly.
    for (const bool adjacent : {true, false}) {
        RawZip zip = smallArchive();
        zip.zip64End.present = true;
        if (!adjacent)
            zip.zip64End.extensibleData = QByteArray(12, 'e');
        const qint64 size = zip.build().bytes.size();
        QVector<quint64> pointers{~quint64(0), ~quint64(0) - 55, quint64(1) << 63, quint64(size) * 1000};
        for (qint64 p = 0; p < size + 60; ++p)
            pointers.append(quint64(p));
        const qint64 real = zip.build().zip64EndRecord;
        for (const quint64 pointer : pointers) {
            zip.zip64End.locatorOffset = pointer;
            const QByteArray bytes = zip.build().bytes;
            UnZip unzip;
            const UnZip::ErrorCode ec = openBytes(unzip, bytes);
            const QString where = QStringLiteral("adjacent %1, pointer %2").arg(adjacent).arg(pointer);
            if (adjacent || pointer == quint64(real)) {
                QVERIFY2(ec == UnZip::Success, qPrintable(where));
                QVERIFY2(unzip.fileList().size() == 7, qPrintable(where));
            } else {
                // The classic end record holds only placeholders.
                QVERIFY2(ec != UnZip::Success, qPrintable(where));
            }
            QCOMPARE(extractAnything(bytes, nullptr), QString());
        }
    }
}

void TestBadArchives::zip64HugeEntryCount()
{
    // 2^64-1 entries announced, two present: the two are read, nothing is
    // reserved for the others.
    RawZip zip;
    zip.add("a.txt", "a");
    zip.add("b.txt", "b").deflated();
    zip.zip64End.present = true;
    zip.zip64End.totalEntries = ~quint64(0);
    zip.zip64End.diskEntries = ~quint64(0);
    Sandbox sandbox;
    UnZip unzip;
    QCOMPARE(openBytes(unzip, zip.build().bytes), UnZip::Success);
    QCOMPARE(unzip.fileList(), (QStringList{"a.txt", "b.txt"}));
    QCOMPARE(unzip.extractAll(sandbox.target()), UnZip::Success);
    QCOMPARE(fileContent(sandbox.target() + QStringLiteral("/b.txt")), QByteArray("b"));
    // Announced, but no directory where the record says: refused.
    zip.zip64End.directoryOffset = 3;
    zip.zip64End.directorySize = 1;
    QCOMPARE(openBytes(unzip, zip.build().bytes), UnZip::CorruptedArchive);
}

void TestBadArchives::offsetCorrectionAbuse_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<UnZip::ErrorCode>("expected");
    QTest::addColumn<int>("entries");

    // The directory size larger than the position of the end record, zero,
    // or the largest value: no correction can be made, and the archive
    // with no directory where claimed is refused.
    QTest::newRow("size past the start") << QStringLiteral("size-large") << UnZip::CorruptedArchive << 0;
    QTest::newRow("size zero") << QStringLiteral("size-zero") << UnZip::CorruptedArchive << 0;
    QTest::newRow("size max") << QStringLiteral("size-max") << UnZip::FileSeekError << 0;
    // A correction that moves the local header offsets before the start
    // of the device or past 64 bits: listed, never read.
    QTest::newRow("offsets before the start") << QStringLiteral("negative") << UnZip::Success << 3;
    QTest::newRow("offsets past 64 bits") << QStringLiteral("wrap") << UnZip::Success << 3;
    // Data in front and a directory offset that was right all along:
    // offsets count the data in front, nothing is moved.
    QTest::newRow("prefix counted") << QStringLiteral("counted") << UnZip::Success << 3;
    // A stub in front of a ZIP64 archive whose end record is not right
    // in front of its locator: no ZIP64 record found, refused.
    QTest::newRow("stub, zip64 record elsewhere") << QStringLiteral("zip64-gap") << UnZip::FileSeekError << 0;
}

void TestBadArchives::offsetCorrectionAbuse()
{
    QFETCH(QString, how);
    QFETCH(UnZip::ErrorCode, expected);
    QFETCH(int, entries);

    RawZip zip;
    zip.add("a.txt", "a");
    zip.add("b.txt", QByteArray("b").repeated(300)).deflated();
    zip.add("c/").folder();
    const QByteArray stub = QByteArray("MZ stub ").repeated(64);
    if (how == QLatin1String("size-large")) {
        zip.end.directorySize = 0x7fffffff;
        zip.end.directoryOffset = 5;
    } else if (how == QLatin1String("size-zero")) {
        zip.end.directorySize = 0;
        zip.end.directoryOffset = 5;
    } else if (how == QLatin1String("size-max")) {
        zip.end.directorySize = 0xffffffffu;
        zip.end.directoryOffset = 0xfffffff0u;
    } else if (how == QLatin1String("negative")) {
        // The directory stated far behind where it is: every offset moves back.
        const RawZip::Archive a = zip.build();
        zip.end.directoryOffset = quint32(a.centralDirectory + 1000);
        zip.prepended = QByteArray(2000, 'p');
    } else if (how == QLatin1String("wrap")) {
        zip.prepended = stub;
        for (int i = 0; i < zip.count(); ++i) {
            zip.entry(i).zip64(RawZip::Zip64Central);
            zip.entry(i).central.localHeaderOffset64 = ~quint64(0) - quint64(i);
        }
    } else if (how == QLatin1String("counted")) {
        zip.prefix = stub;
    } else if (how == QLatin1String("zip64-gap")) {
        zip.prepended = stub;
        zip.zip64End.present = true;
        zip.zip64End.extensibleData = QByteArray(8, 'x');
    }
    const QByteArray bytes = zip.build().bytes;
    Sandbox sandbox;
    UnZip unzip;
    QCOMPARE(openBytes(unzip, bytes), expected);
    QCOMPARE(unzip.fileList().size(), entries);
    if (unzip.isOpen()) {
        QCOMPARE(unzip.extractAll(sandbox.target()), UnZip::Success);
        if (how == QLatin1String("counted"))
            QCOMPARE(sandbox.targetContents().size(), 3);
        QCOMPARE(sandbox.outsideChanges(), QString());
    }
    QCOMPARE(extractAnything(bytes, &sandbox), QString());
}

void TestBadArchives::hostileExtraFields_data()
{
    QTest::addColumn<QByteArray>("centralExtra");
    QTest::addColumn<QByteArray>("localExtra");
    QTest::addColumn<bool>("placeholders"); // the central record's sizes and offset hold 0xffffffff
    QTest::addColumn<UnZip::ErrorCode>("openResult");

    const QByteArray block = RawZip::zip64Block({5, 5, 0});
    QTest::newRow("block size past the field") << QByteArray("\x01\x00\xff\xff", 4) + QByteArray(20, '\0')
                                               << QByteArray() << true << UnZip::CorruptedArchive;
    QTest::newRow("block size past the field, no placeholders") << QByteArray("\x01\x00\xff\xff", 4)
                                                                << QByteArray("\x01\x00\xff\xff", 4) << false
                                                                << UnZip::Success;
    QTest::newRow("empty zip64 block") << RawZip::extraBlock(1, QByteArray()) << QByteArray() << true
                                       << UnZip::CorruptedArchive;
    QTest::newRow("zip64 block one byte short") << block.left(block.size() - 1) << QByteArray() << true
                                                << UnZip::CorruptedArchive;
    QByteArray manyBlocks;
    while (manyBlocks.size() + 4 <= 65535)
        manyBlocks += RawZip::extraBlock(0x7075, QByteArray());
    QTest::newRow("16383 empty unicode blocks") << manyBlocks << manyBlocks << false << UnZip::Success;
    QTest::newRow("three bytes of padding") << QByteArray(3, '\xff') << QByteArray(3, '\xff') << false
                                            << UnZip::Success;
    QTest::newRow("second zip64 block ignored") << block + RawZip::zip64Block({1, 1, 1}) << QByteArray() << true
                                                << UnZip::Success;
    // A local block whose values disagree with the central record.
    QTest::newRow("local zip64 values differ") << block << RawZip::zip64Block({5, 6}) << true << UnZip::Success;
}

void TestBadArchives::hostileExtraFields()
{
    QFETCH(QByteArray, centralExtra);
    QFETCH(QByteArray, localExtra);
    QFETCH(bool, placeholders);
    QFETCH(UnZip::ErrorCode, openResult);

    RawZip zip;
    RawZip::Entry &e = zip.add("hello", "hello").stored();
    e.centralExtra = centralExtra;
    e.localExtra = localExtra;
    if (placeholders) {
        e.central.compressedSize = 0xffffffffu;
        e.central.uncompressedSize = 0xffffffffu;
        e.localHeaderOffset = 0xffffffffu;
    }
    if (localExtra.startsWith(RawZip::zip64Block({5, 6}))) {
        e.local.compressedSize = 0xffffffffu;
        e.local.uncompressedSize = 0xffffffffu;
    }
    zip.add("good.txt", "good");
    const QByteArray bytes = zip.build().bytes;
    UnZip unzip;
    QCOMPARE(openBytes(unzip, bytes), openResult);
    if (openResult != UnZip::Success)
        return;
    QCOMPARE(unzip.fileList(), (QStringList{"good.txt", "hello"}));
    CountingDevice out;
    const UnZip::ErrorCode ec = unzip.extractFile(QStringLiteral("hello"), &out);
    QCOMPARE(ec, localExtra.startsWith(RawZip::zip64Block({5, 6})) ? UnZip::InconsistentHeaders : UnZip::Success);
    QCOMPARE(out.count, ec == UnZip::Success ? quint64(5) : quint64(0));
    Sandbox sandbox;
    QCOMPARE(extractAnything(bytes, &sandbox), QString());
}

void TestBadArchives::unicodePathLeavingTheTarget_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("host");
    QTest::addColumn<UnZip::ErrorCode>("expected");

    // The Unicode Path block gives the name; it goes through the same
    // checks as any stored name.
    QTest::newRow("dotdot") << QByteArray("../evil.txt") << 3 << UnZip::FileOpenFailed;
    QTest::newRow("deep dotdot") << QByteArray("a/../../../evil.txt") << 3 << UnZip::FileOpenFailed;
    QTest::newRow("backslash dotdot, windows host") << QByteArray("..\\..\\evil.txt") << 10 << UnZip::FileOpenFailed;
    QTest::newRow("backslash dotdot, unix host") << QByteArray("..\\..\\evil.txt") << 3 << UnZip::Success;
    QTest::newRow("control character") << QByteArray("evil\x1b[2J.txt") << 3 << UnZip::FileOpenFailed;
    QTest::newRow("absolute") << QByteArray("/etc/evil.txt") << 3 << UnZip::Success;
}

void TestBadArchives::unicodePathLeavingTheTarget()
{
    QFETCH(QByteArray, text);
    QFETCH(int, host);
    QFETCH(UnZip::ErrorCode, expected);

    RawZip zip;
    RawZip::Entry &e = zip.add("harmless.txt", "payload").madeBy(quint8(host));
    e.centralExtra = RawZip::unicodeBlock(0x7075, "harmless.txt", text);
    e.localExtra = e.centralExtra;
    Sandbox sandbox;
    UnZip unzip;
    QCOMPARE(openBytes(unzip, zip.build().bytes), UnZip::Success);
    const QString name = QString::fromUtf8(text);
    QCOMPARE(unzip.fileList(), QStringList{name});
    QCOMPARE(unzip.extractFile(name, sandbox.target()), expected);
    QCOMPARE(sandbox.outsideChanges(), QString());
    QCOMPARE(sandbox.targetContents().isEmpty(), expected != UnZip::Success);
}

void TestBadArchives::zip64EntryPast4GiB()
{
    // One deflated entry of 4 GiB and 1 MiB of zeros, its sizes in ZIP64
    // blocks: the 64-bit count of the bytes written and the CRC-32 over
    // all of them reach the recorded values.
    const int megabytes = 4097;
    const quint64 size = quint64(megabytes) << 20;
    RawZip zip;
    zip.add("zeros.bin").deflated().zip64().raw(zeroStream(megabytes));
    for (RawZip::Fields *f : {&zip.entry(0).central, &zip.entry(0).local})
        f->uncompressedSize64 = size;
    zip.entry(0).central.crc = crcOfZeros(qint64(size));
    zip.entry(0).local.crc = zip.entry(0).central.crc;
    zip.zip64End.present = true;
    UnZip unzip;
    QCOMPARE(openBytes(unzip, zip.build().bytes), UnZip::Success);
    QCOMPARE(unzip.entryList().first().uncompressedSize, size);
    CountingDevice out;
    QCOMPARE(unzip.extractFile(QStringLiteral("zeros.bin"), &out), UnZip::Success);
    QCOMPARE(out.count, size);
    QCOMPARE(out.crc, zip.entry(0).central.crc.value());
}

void TestBadArchives::wrongPasswordPassesCheckByte_data()
{
    QTest::addColumn<bool>("deflated");
    QTest::addColumn<bool>("withDescriptor");
    QTest::newRow("stored") << false << false;
    QTest::newRow("stored, descriptor") << false << true;
    QTest::newRow("deflated") << true << false;
    QTest::newRow("deflated, descriptor") << true << true;
}

void TestBadArchives::wrongPasswordPassesCheckByte()
{
    QFETCH(bool, deflated);
    QFETCH(bool, withDescriptor);

    const QByteArray content = QByteArray("the secret lecture, line after line\n").repeated(100);
    RawZip zip;
    RawZip::Entry &e = zip.add("secret.txt", content).encrypted("right");
    if (deflated)
        e.deflated();
    if (withDescriptor)
        e.descriptor(RawZip::WithSignature);
    const QByteArray bytes = zip.build().bytes;

    UnZip unzip;
    QCOMPARE(openBytes(unzip, bytes), UnZip::Success);
    // One wrong password in 256 passes the one-byte check.
    QString wrong;
    UnZip::ErrorCode ec = UnZip::PasswordMismatch;
    for (int i = 0; i < 100000 && ec == UnZip::PasswordMismatch; ++i) {
        wrong = QStringLiteral("wrong%1").arg(i);
        unzip.setPassword(wrong);
        CountingDevice out;
        ec = unzip.extractFile(QStringLiteral("secret.txt"), &out);
    }
    QVERIFY2(ec != UnZip::PasswordMismatch, "no wrong password passed the check byte");
    QVERIFY2(ec == UnZip::CorruptedArchive || ec == UnZip::ZlibFailure, qPrintable(QString::number(int(ec))));

    Sandbox sandbox;
    QCOMPARE(unzip.extractFile(QStringLiteral("secret.txt"), sandbox.target(), UnZip::KeepFolders), ec);
    QCOMPARE(sandbox.targetContents(), QStringList());
    QCOMPARE(unzip.extractAll(sandbox.target(), UnZip::KeepFolders), UnZip::Success);
    QCOMPARE(sandbox.targetContents(), QStringList());

    // The right password still works on a fresh reader.
    UnZip good;
    good.setPassword(QStringLiteral("right"));
    QCOMPARE(openBytes(good, bytes), UnZip::Success);
    QCOMPARE(good.extractFile(QStringLiteral("secret.txt"), sandbox.target()), UnZip::Success);
    QCOMPARE(fileContent(sandbox.target() + QStringLiteral("/secret.txt")), content);
}

QTEST_GUILESS_MAIN(TestBadArchives)
#include "tst_badarchives.moc"
