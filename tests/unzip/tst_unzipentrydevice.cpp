// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// UnZip::openEntry() and readEntry(): every method under every cipher read
// through a device in odd-sized pieces; a wrong CRC-32, authentication code
// or size fails the read that would hand out the entry's last bytes, never
// an earlier one; stored entries seek; several devices share one archive;
// a device whose archive went away fails its reads; the device reads the
// archive as it is read itself.
#include "builtmethods.h"
#include "bytefixtures.h"
#include "entrycipher.h"
#include "rawzip.h"
#include <kelvanezip/unzip.h>

#include <QtCore/QBuffer>
#include <QtTest/QtTest>

Q_DECLARE_METATYPE(UnZip::ErrorCode)
Q_DECLARE_METATYPE(RawZip::Method)

namespace {

enum class Damage { None,
                    Crc,
                    Mac,
                    SizeLarger,
                    SizeSmaller };

bool keepsCrc(Cipher cipher)
{
    return cipher != Cipher::Aes192Ae2 && cipher != Cipher::Aes256Ae2;
}

bool isAes(Cipher cipher)
{
    return cipher != Cipher::None && cipher != Cipher::Traditional;
}

// Compressible text, then random bytes: several of the device's buffers.
QByteArray content()
{
    QByteArray bytes;
    for (int i = 0; bytes.size() < 150000; ++i)
        bytes += "Line " + QByteArray::number(i) + " of the lecture.\n";
    return bytes + randomBytes(90000, 3);
}

// An archive device that counts the bytes read from it.
class CountingBuffer : public QBuffer
{
public:
    qint64 bytesRead = 0;

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = QBuffer::readData(data, maxSize);
        bytesRead += qMax<qint64>(n, 0);
        return n;
    }
};

// Reads the device to its end (or its first failure) in pieces of the size.
struct ReadOutcome
{
    QByteArray data;
    qint64 last = 0;  // what the last read returned
    int failures = 0; // reads that returned -1
};

ReadOutcome readInPieces(QIODevice *device, int piece)
{
    ReadOutcome outcome;
    QByteArray buffer(piece, '\0');
    for (;;) {
        outcome.last = device->read(buffer.data(), piece);
        if (outcome.last < 0)
            ++outcome.failures;
        if (outcome.last <= 0)
            return outcome;
        outcome.data += buffer.left(int(outcome.last));
    }
}

} // namespace

Q_DECLARE_METATYPE(Cipher)
Q_DECLARE_METATYPE(Damage)

class tst_UnZipEntryDevice : public QObject
{
    Q_OBJECT

private slots:
    void streamsEveryMethod_data();
    void streamsEveryMethod();
    void storedEntriesSeek();
    void devicesShareTheArchive();
    void openFailures_data();
    void openFailures();
    void readsAsItGoes();
};

void tst_UnZipEntryDevice::streamsEveryMethod_data()
{
    QTest::addColumn<RawZip::Method>("method");
    QTest::addColumn<bool>("endMarkerFlag");
    QTest::addColumn<Cipher>("cipher");
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QString>("reason");

    const struct
    {
        const char *name;
        RawZip::Method method;
        bool flag;
    } methods[] = {
        {"stored", RawZip::Stored, false},
        {"deflated", RawZip::Deflated, false},
        {"bzip2", RawZip::Bzip2, false},
        {"lzma, end marker", RawZip::Lzma, true},
        {"lzma, sized", RawZip::Lzma, false},
        {"zstd", RawZip::Zstd, false},
        {"xz", RawZip::Xz, false},
    };
    const struct
    {
        const char *name;
        Cipher cipher;
    } ciphers[] = {
        {"plain", Cipher::None},
        {"traditional", Cipher::Traditional},
        {"AES-128 AE-1", Cipher::Aes128Ae1},
        {"AES-192 AE-2", Cipher::Aes192Ae2},
        {"AES-256 AE-1", Cipher::Aes256Ae1},
        {"AES-256 AE-2", Cipher::Aes256Ae2},
    };
    const QString crc = QStringLiteral("do not match their CRC-32");
    const QString mac = QStringLiteral("authentication code");
    for (const auto &m : methods) {
        for (const auto &c : ciphers) {
            QTest::addRow("%s, %s", m.name, c.name) << m.method << m.flag << c.cipher << Damage::None << QString();
            if (keepsCrc(c.cipher)) {
                QTest::addRow("%s, %s, wrong CRC-32", m.name, c.name)
                    << m.method << m.flag << c.cipher << Damage::Crc << crc;
            }
            if (isAes(c.cipher)) {
                QTest::addRow("%s, %s, wrong authentication code", m.name, c.name)
                    << m.method << m.flag << c.cipher << Damage::Mac << mac;
            }
        }
    }
    const QString shorter = QStringLiteral("end before their recorded size");
    const QString longer = QStringLiteral("run beyond their recorded size");
    QTest::newRow("deflated, recorded size larger") << RawZip::Deflated << false << Cipher::None
                                                    << Damage::SizeLarger << shorter;
    QTest::newRow("deflated, recorded size smaller") << RawZip::Deflated << false << Cipher::None
                                                     << Damage::SizeSmaller << longer;
    QTest::newRow("zstd, AES-256 AE-2, recorded size smaller") << RawZip::Zstd << false << Cipher::Aes256Ae2
                                                               << Damage::SizeSmaller << longer;
    QTest::newRow("stored, traditional, recorded size larger") << RawZip::Stored << false << Cipher::Traditional
                                                               << Damage::SizeLarger << shorter;
}

void tst_UnZipEntryDevice::streamsEveryMethod()
{
    QFETCH(RawZip::Method, method);
    QFETCH(bool, endMarkerFlag);
    QFETCH(Cipher, cipher);
    QFETCH(Damage, damage);
    QFETCH(QString, reason);
    KELVANE_REQUIRE_METHOD(method);
    if (isAes(cipher))
        KELVANE_REQUIRE_AES();

    static const QByteArray large = content();
    RawZip zip;
    const QList<QPair<QByteArray, QByteArray>> files = {{"large.bin", large}, {"empty.txt", {}}, {"short.txt", "short"}};
    for (const auto &file : files) {
        RawZip::Entry &e = zip.add(file.first, file.second);
        if (method == RawZip::Deflated)
            e.deflated();
        else if (method != RawZip::Stored)
            e.compressed(method, endMarkerFlag);
        e.versionNeeded = method == RawZip::Stored || method == RawZip::Deflated ? 20 : 63;
        protect(e, cipher);
    }
    RawZip::Entry &damaged = zip.entry(0);
    // The high byte of the CRC-32 checks the traditional password: it stays.
    const quint32 wrongCrc = RawZip::crc32(large) ^ 0x00010001;
    if (damage == Damage::Crc)
        damaged.central.crc = damaged.local.crc = wrongCrc;
    const quint32 size = quint32(large.size());
    if (damage == Damage::SizeLarger)
        damaged.central.uncompressedSize = damaged.local.uncompressedSize = size + 1;
    if (damage == Damage::SizeSmaller)
        damaged.central.uncompressedSize = damaged.local.uncompressedSize = size - 1;
    RawZip::Archive archive = zip.build();
    if (damage == Damage::Mac) {
        const RawZip::EntryLayout &layout = archive.entries.at(0);
        archive.bytes.data()[layout.dataOffset + layout.dataSize - 1] ^= 0x20;
    }

    UnZip reader;
    reader.setPassword(QStringLiteral("pw"));
    QCOMPARE(openBytes(reader, archive.bytes), UnZip::Success);
    for (const auto &file : files) {
        const QString name = QString::fromLatin1(file.first);
        UnZip::ErrorCode ec = UnZip::NoArchiveYet;
        const std::unique_ptr<QIODevice> device = reader.openEntry(name, &ec);
        QCOMPARE(ec, UnZip::Success);
        QVERIFY(device && device->isOpen() && device->isReadable() && !device->isWritable());
        QCOMPARE(device->isSequential(), method != RawZip::Stored || cipher != Cipher::None);
        const bool broken = damage != Damage::None && file.first == "large.bin";
        const ReadOutcome outcome = readInPieces(device.get(), 10007);
        if (!broken) {
            QCOMPARE(outcome.failures, 0);
            QCOMPARE(outcome.last, qint64(0));
            QVERIFY2(outcome.data == file.second, file.first.constData());
            QVERIFY(device->atEnd());
            QCOMPARE(reader.readEntry(name, &ec), file.second);
            QCOMPARE(ec, UnZip::Success);
            continue;
        }
        // Only the read that reaches the end fails, and it hands out none of
        // the last bytes.
        QCOMPARE(outcome.failures, 1);
        QVERIFY2(device->errorString().contains(reason), qPrintable(device->errorString()));
        QVERIFY(device->errorString().contains(name));
        QVERIFY(outcome.data.size() > large.size() - 65536 - 10007);
        QVERIFY(outcome.data.size() < large.size());
        QVERIFY(large.startsWith(outcome.data));
        QCOMPARE(device->read(16), QByteArray());
        QVERIFY(reader.readEntry(name, &ec).isEmpty());
        QVERIFY(ec != UnZip::Success);
    }
}

void tst_UnZipEntryDevice::storedEntriesSeek()
{
    const QByteArray data = randomBytes(200000, 11);
    RawZip zip;
    zip.add("good.bin", data);
    zip.add("bad.bin", data).central.crc = RawZip::crc32(data) ^ 1;
    zip.entry(1).local.crc = RawZip::crc32(data) ^ 1;
    zip.add("packed.txt", QByteArray(5000, 'x')).deflated();
    UnZip reader;
    QCOMPARE(openBytes(reader, zip.build().bytes), UnZip::Success);

    const std::unique_ptr<QIODevice> good = reader.openEntry(QStringLiteral("good.bin"));
    QVERIFY(good && !good->isSequential());
    QCOMPARE(good->size(), qint64(data.size()));
    // Reads here and there, back and forth; then the whole from the start.
    for (const qint64 at : {qint64(150000), qint64(7), qint64(199990), qint64(65536), qint64(0)}) {
        QVERIFY(good->seek(at));
        QCOMPARE(good->pos(), at);
        QCOMPARE(good->read(1000), data.mid(int(at), 1000));
    }
    QVERIFY(!good->seek(data.size() + 1));
    QVERIFY(!good->seek(-1));
    QVERIFY(good->seek(0));
    QCOMPARE(good->readAll(), data);
    QVERIFY(good->atEnd());
    QVERIFY(good->seek(100));
    QCOMPARE(good->read(10), data.mid(100, 10));

    // The CRC-32 of what was read in order from the start fails the read that
    // reaches the end, even after seeks elsewhere.
    const std::unique_ptr<QIODevice> bad = reader.openEntry(QStringLiteral("bad.bin"));
    QVERIFY(bad->seek(190000));
    QCOMPARE(bad->read(10000), data.mid(190000));
    QVERIFY(bad->seek(0));
    QCOMPARE(bad->read(190000), data.left(190000));
    char tail[20000];
    QCOMPARE(bad->read(tail, sizeof tail), qint64(-1));
    QVERIFY2(bad->errorString().contains(QLatin1String("CRC-32")), qPrintable(bad->errorString()));

    const std::unique_ptr<QIODevice> packed = reader.openEntry(QStringLiteral("packed.txt"));
    QVERIFY(packed->isSequential());
    QCOMPARE(packed->read(10), QByteArray(10, 'x'));
    QVERIFY(!packed->seek(0));
    QCOMPARE(packed->bytesAvailable(), qint64(4990));
    QCOMPARE(packed->readAll(), QByteArray(4990, 'x'));
}

void tst_UnZipEntryDevice::devicesShareTheArchive()
{
    KELVANE_REQUIRE_METHOD(12);
    KELVANE_REQUIRE_AES();
    const QByteArray a = randomBytes(100000, 1);
    const QByteArray b = QByteArray(300000, 'b') + randomBytes(1000, 2);
    const QByteArray c = randomBytes(70000, 3);
    RawZip zip;
    zip.add("a.bin", a);
    zip.add("b.txt", b).compressed(RawZip::Bzip2).versionNeeded = 46;
    zip.add("c.bin", c).deflated().aes("pw", RawZip::Aes256, 1);
    zip.add("d.txt", "d").deflated();
    auto reader = std::make_unique<UnZip>();
    reader->setPassword(QStringLiteral("pw"));
    QCOMPARE(openBytes(*reader, zip.build().bytes), UnZip::Success);

    // Three devices read in turns, with the reader's own calls in between.
    std::unique_ptr<QIODevice> devices[] = {reader->openEntry(QStringLiteral("a.bin")),
                                            reader->openEntry(QStringLiteral("b.txt")),
                                            reader->openEntry(QStringLiteral("c.bin"))};
    QByteArray read[3];
    for (int round = 0; round < 400; ++round) {
        for (int i = 0; i < 3; ++i)
            read[i] += devices[i]->read(997);
        if (round % 50 == 0)
            QCOMPARE(reader->readEntry(QStringLiteral("d.txt")), QByteArray("d"));
    }
    QVERIFY(read[0] == a);
    QVERIFY(read[1] == b);
    QVERIFY(read[2] == c);
    for (const auto &device : devices)
        QVERIFY(device->atEnd() && device->errorString() == QBuffer().errorString());

    // Once the archive is closed, or the reader is gone, reads fail.
    std::unique_ptr<QIODevice> early = reader->openEntry(QStringLiteral("b.txt"));
    QCOMPARE(early->read(10), QByteArray(10, 'b'));
    reader->closeArchive();
    QCOMPARE(early->read(10), QByteArray());
    QVERIFY2(early->errorString().contains(QLatin1String("closed")), qPrintable(early->errorString()));
    QCOMPARE(openBytes(*reader, zip.build().bytes), UnZip::Success);
    std::unique_ptr<QIODevice> late = reader->openEntry(QStringLiteral("a.bin"));
    reader.reset();
    QCOMPARE(late->read(10), QByteArray());
    QVERIFY(late->errorString().contains(QLatin1String("closed")));
}

void tst_UnZipEntryDevice::openFailures_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<UnZip::ErrorCode>("expected");

    QTest::newRow("no archive") << false << "a.txt"
                                << "pw" << UnZip::NoArchiveYet;
    QTest::newRow("no such entry") << true << "z.txt"
                                   << "pw" << UnZip::FileMissing;
    QTest::newRow("traditional, wrong password") << true << "t.txt"
                                                 << "wrong" << UnZip::PasswordMismatch;
    QTest::newRow("traditional, no password") << true << "t.txt" << QString() << UnZip::PasswordMismatch;
    QTest::newRow("AES, wrong password") << true << "s.txt"
                                         << "wrong" << UnZip::PasswordMismatch;
    QTest::newRow("local header of another method") << true << "h.txt"
                                                    << "pw" << UnZip::InconsistentHeaders;
    QTest::newRow("plain entry, any password") << true << "a.txt"
                                               << "wrong" << UnZip::Success;
}

void tst_UnZipEntryDevice::openFailures()
{
    QFETCH(bool, open);
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(UnZip::ErrorCode, expected);
    KELVANE_REQUIRE_AES();

    RawZip zip;
    zip.add("a.txt", "plain").deflated();
    zip.add("t.txt", "traditional").encrypted("pw");
    zip.add("s.txt", "aes").aes("pw");
    zip.add("h.txt", "header").deflated().local.method = 0;
    UnZip reader;
    reader.setPassword(password);
    if (open)
        QCOMPARE(openBytes(reader, zip.build().bytes), UnZip::Success);
    UnZip::ErrorCode ec = UnZip::Success;
    const std::unique_ptr<QIODevice> device = reader.openEntry(name, &ec);
    QCOMPARE(ec, expected);
    QCOMPARE(bool(device), expected == UnZip::Success);
    QCOMPARE(bool(reader.openEntry(name)), expected == UnZip::Success);
    ec = UnZip::Success;
    const QByteArray data = reader.readEntry(name, &ec);
    QCOMPARE(ec, expected);
    QCOMPARE(data, expected == UnZip::Success ? QByteArray("plain") : QByteArray());
}

void tst_UnZipEntryDevice::readsAsItGoes()
{
    // Random bytes deflate to about their own size: what the device has read
    // of the archive follows what it has handed out.
    const QByteArray data = randomBytes(4 << 20, 5);
    RawZip zip;
    zip.add("big.bin", data).deflated(1);
    auto *archive = new CountingBuffer;
    archive->setData(zip.build().bytes);
    UnZip reader;
    QCOMPARE(reader.openArchive(archive), UnZip::Success);
    const std::unique_ptr<QIODevice> device = reader.openEntry(QStringLiteral("big.bin"));
    QVERIFY(device);
    const qint64 before = archive->bytesRead;
    QByteArray head = device->read(1 << 20);
    QCOMPARE(head, data.left(1 << 20));
    QVERIFY2(archive->bytesRead - before < (1 << 20) + 200000, QByteArray::number(archive->bytesRead - before));
    head += device->readAll();
    QVERIFY(head == data);
    QVERIFY(archive->bytesRead - before >= data.size());
}

QTEST_GUILESS_MAIN(tst_UnZipEntryDevice)
#include "tst_unzipentrydevice.moc"
