// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// UnZip: the traditional encryption: the key set-up, the password test on
// the encryption header (check byte from the CRC or from the time), keys that
// run across chunks, password bytes, and the failures of the test.
#include "bytefixtures.h"
#include "debugrecorder.h"
#include "filetree.h"
#include "rawzip.h"
#include "testdevices.h"
#include <kelvanezip/unzip.h>
#include "common/zipcipher_p.h"

#include <QtCore/QRandomGenerator>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

// The cipher is checked against zlib's CRC table, not the component's own.
#include <zlib.h>

Q_DECLARE_METATYPE(UnZip::ErrorCode)

namespace {

// 12:34:56 on a day whose CRC top byte and time high byte differ.
const quint16 testTime = RawZip::dosTime(12, 34, 56);

} // namespace

class tst_UnZipCrypt : public QObject
{
    Q_OBJECT

private slots:
    void keySetUp();
    void checkByte_data();
    void checkByte();
    void wrongOrMissingPassword_data();
    void wrongOrMissingPassword();
    void wrongPasswordPassingTheCheck_data();
    void wrongPasswordPassingTheCheck();
    void keysAcrossChunks_data();
    void keysAcrossChunks();
    void emptyEncryptedFile();
    void shortEncryptionHeader_data();
    void shortEncryptionHeader();
    void passwordBytes_data();
    void passwordBytes();
};

void tst_UnZipCrypt::keySetUp()
{
    const z_crc_t *table = get_crc_table();
    unsigned int keys[3];
    ZipCipher::initKeys(keys, QByteArray(), table);
    QCOMPARE(keys[0], 0x12345678u);
    QCOMPARE(keys[1], 0x23456789u);
    QCOMPARE(keys[2], 0x34567890u);

    // Only the low 8 bits of the byte count.
    unsigned int a[3] = {1, 2, 3};
    unsigned int b[3] = {1, 2, 3};
    ZipCipher::updateKeys(a, 0xe9, table);
    ZipCipher::updateKeys(b, int(char(0xe9)), table);
    QCOMPARE(a[0], b[0]);
    QCOMPARE(a[1], b[1]);
    QCOMPARE(a[2], b[2]);

    // Encrypting and decrypting with keys from the same password round-trip.
    QByteArray data = randomBytes(1000, 7);
    const QByteArray plain = data;
    ZipCipher::initKeys(keys, "pw", table);
    ZipCipher::encrypt(keys, reinterpret_cast<unsigned char *>(data.data()), data.size(), table);
    QVERIFY(data != plain);
    ZipCipher::initKeys(keys, "pw", table);
    ZipCipher::decrypt(keys, reinterpret_cast<unsigned char *>(data.data()), data.size(), table);
    QCOMPARE(data, plain);
}

void tst_UnZipCrypt::checkByte_data()
{
    QTest::addColumn<bool>("descriptor");
    QTest::addColumn<bool>("deflate");
    QTest::addColumn<QString>("check");
    QTest::addColumn<int>("byte10");
    QTest::addColumn<UnZip::ErrorCode>("expected");

    for (const bool deflate : {false, true}) {
        const char *m = deflate ? "deflated" : "stored";
        QTest::addRow("%s, crc check", m) << false << deflate << "crc" << -1 << UnZip::Success;
        QTest::addRow("%s, time check without descriptor", m) << false << deflate << "time" << -1
                                                              << UnZip::PasswordMismatch;
        QTest::addRow("%s, descriptor, time check", m) << true << deflate << "time" << -1 << UnZip::Success;
        QTest::addRow("%s, descriptor, crc check", m) << true << deflate << "crc" << -1 << UnZip::PasswordMismatch;
        QTest::addRow("%s, byte 10 not consulted", m) << false << deflate << "crc" << 0x5a << UnZip::Success;
        QTest::addRow("%s, descriptor, byte 10 not consulted", m) << true << deflate << "time" << 0xa5
                                                                  << UnZip::Success;
    }
}

void tst_UnZipCrypt::checkByte()
{
    QFETCH(bool, descriptor);
    QFETCH(bool, deflate);
    QFETCH(QString, check);
    QFETCH(int, byte10);
    QFETCH(UnZip::ErrorCode, expected);

    const QByteArray content("The quick brown fox jumps over the lazy dog, twice. The quick brown fox.");
    const quint32 crc = RawZip::crc32(content);
    QVERIFY(uchar(crc >> 24) != uchar(testTime >> 8));
    RawZip zip;
    RawZip::Entry &e = zip.add("e.txt", content).encrypted("secret").time(testTime, RawZip::dosDate(2021, 3, 4));
    if (descriptor)
        e.descriptor(RawZip::WithSignature);
    if (deflate)
        e.deflated();
    e.checkByte = check == QLatin1String("crc") ? uchar(crc >> 24) : uchar(testTime >> 8);
    if (byte10 >= 0) {
        QVERIFY(uchar(byte10) != uchar(testTime & 0xff));
        e.headerByte10 = uchar(byte10);
    }
    UnZip reader;
    reader.setPassword(QStringLiteral("secret"));
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    DebugRecorder debug;
    QByteArray out;
    QCOMPARE(extractToBytes(reader, QStringLiteral("e.txt"), &out), expected);
    if (expected == UnZip::Success) {
        QCOMPARE(out, content);
        QVERIFY(debug.lines().isEmpty());
    } else {
        QVERIFY(out.isEmpty());
        QCOMPARE(debug.lines(), QStringList{QStringLiteral("\"Unable to decrypt e.txt\"")});
    }
}

void tst_UnZipCrypt::wrongOrMissingPassword_data()
{
    QTest::addColumn<bool>("setPassword");
    QTest::addColumn<QString>("password");
    QTest::newRow("none") << false << QString();
    QTest::newRow("empty") << true << QString(QLatin1String(""));
    QTest::newRow("wrong") << true << QStringLiteral("Secret");
    QTest::newRow("longer") << true << QStringLiteral("secret ");
}

void tst_UnZipCrypt::wrongOrMissingPassword()
{
    QFETCH(bool, setPassword);
    QFETCH(QString, password);
    RawZip zip;
    zip.add("a.txt", "alpha").encrypted("secret");
    zip.add("b.txt", QByteArray(5000, 'b')).deflated().encrypted("secret").descriptor(RawZip::WithoutSignature);
    zip.add("plain.txt", "plain");
    UnZip reader;
    if (setPassword)
        reader.setPassword(password);
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);

    DebugRecorder debug;
    QByteArray out;
    QCOMPARE(extractToBytes(reader, QStringLiteral("a.txt"), &out), UnZip::PasswordMismatch);
    QVERIFY(out.isEmpty());
    QTemporaryDir target;
    QCOMPARE(reader.extractFile(QStringLiteral("b.txt"), target.path()), UnZip::PasswordMismatch);
    QVERIFY(FileTree::list(target.path()).isEmpty());
    QCOMPARE(debug.take(), (QStringList{"\"Unable to decrypt a.txt\"", "\"Unable to decrypt b.txt\""}));

    QCOMPARE(reader.extractAll(target.path()), UnZip::Success);
    QCOMPARE(debug.take(), (QStringList{"\"Unable to decrypt a.txt\"", "\"Unable to decrypt b.txt\""}));
    QCOMPARE(FileTree::list(target.path()), QStringList{"plain.txt"});
    QCOMPARE(reader.fileList().size(), 3);

    // The right password, set while the archive is open.
    reader.setPassword(QStringLiteral("secret"));
    QCOMPARE(reader.extractAll(target.path()), UnZip::Success);
    QVERIFY(debug.lines().isEmpty());
    QCOMPARE(FileTree::read(target.filePath(QStringLiteral("b.txt"))), QByteArray(5000, 'b'));
}

void tst_UnZipCrypt::wrongPasswordPassingTheCheck_data()
{
    QTest::addColumn<bool>("deflate");
    QTest::newRow("stored") << false;
    QTest::newRow("deflated") << true;
}

void tst_UnZipCrypt::wrongPasswordPassingTheCheck()
{
    QFETCH(bool, deflate);
    const QByteArray content = QByteArray("Lecture notes. ").repeated(400);
    RawZip zip;
    RawZip::Entry &e = zip.add("notes.txt", content).encrypted("right");
    if (deflate)
        e.deflated();
    const RawZip::Archive archive = zip.build();

    // Find a wrong password whose decrypted check byte matches (1 in 256).
    const z_crc_t *table = get_crc_table();
    const QByteArray header = archive.entries.at(0).storedData.left(12);
    QString wrong;
    for (int i = 0; i < 100000 && wrong.isEmpty(); ++i) {
        const QByteArray candidate = "wrong" + QByteArray::number(i);
        unsigned int keys[3];
        ZipCipher::initKeys(keys, candidate, table);
        QByteArray plain = header;
        ZipCipher::decrypt(keys, reinterpret_cast<unsigned char *>(plain.data()), 12, table);
        if (uchar(plain.at(11)) == uchar(RawZip::crc32(content) >> 24))
            wrong = QString::fromLatin1(candidate);
    }
    QVERIFY(!wrong.isEmpty());

    UnZip reader;
    reader.setPassword(wrong);
    QCOMPARE(reader.openArchive(new CountingBuffer(archive.bytes)), UnZip::Success);
    QTemporaryDir target;
    DebugRecorder debug;
    const UnZip::ErrorCode result = reader.extractFile(QStringLiteral("notes.txt"), target.path());
    if (deflate)
        QVERIFY2(result == UnZip::ZlibFailure || result == UnZip::CorruptedArchive, QByteArray::number(result));
    else
        QCOMPARE(result, UnZip::CorruptedArchive);
    QVERIFY(FileTree::list(target.path()).isEmpty());
}

void tst_UnZipCrypt::keysAcrossChunks_data()
{
    QTest::addColumn<bool>("deflate");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("stored, two chunks and a rest") << false << randomBytes(2 * 262144 + 1000, 11);
    QTest::newRow("stored, data of exactly one chunk") << false << randomBytes(262144, 12);
    QTest::newRow("stored, header and data of one chunk") << false << randomBytes(262144 - 12, 13);
    QTest::newRow("deflated, random") << true << randomBytes(1200000, 14);
    QTest::newRow("deflated, text") << true << QByteArray("Kelvane lecture text, line after line.\n").repeated(40000);
}

void tst_UnZipCrypt::keysAcrossChunks()
{
    QFETCH(bool, deflate);
    QFETCH(QByteArray, content);
    RawZip zip;
    RawZip::Entry &e = zip.add("big.bin", content).encrypted("chunks").descriptor(RawZip::WithSignature);
    if (deflate)
        e.deflated();
    UnZip reader;
    reader.setPassword(QStringLiteral("chunks"));
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    for (int round = 0; round < 2; ++round) {
        QByteArray out;
        QCOMPARE(extractToBytes(reader, QStringLiteral("big.bin"), &out), UnZip::Success);
        QCOMPARE(out.size(), content.size());
        QVERIFY(out == content);
    }
}

void tst_UnZipCrypt::emptyEncryptedFile()
{
    RawZip zip;
    zip.add("empty", QByteArray()).encrypted("pw");
    zip.add("empty-dd", QByteArray()).encrypted("pw").descriptor(RawZip::WithSignature);
    // A CRC that is not 0 for no data: the check byte still fits.
    RawZip::Entry &bad = zip.add("empty-bad-crc", QByteArray()).encrypted("pw");
    bad.central.crc = bad.local.crc = 0xab000000;
    bad.checkByte = 0xab;
    const RawZip::Archive archive = zip.build();
    QCOMPARE(archive.entries.at(0).dataSize, qint64(12));

    UnZip reader;
    reader.setPassword(QStringLiteral("pw"));
    QCOMPARE(reader.openArchive(new CountingBuffer(archive.bytes)), UnZip::Success);
    QTemporaryDir target;
    QCOMPARE(reader.extractFile(QStringLiteral("empty"), target.path()), UnZip::Success);
    QCOMPARE(reader.extractFile(QStringLiteral("empty-dd"), target.path()), UnZip::Success);
    QCOMPARE(reader.extractFile(QStringLiteral("empty-bad-crc"), target.path()), UnZip::CorruptedArchive);
    QCOMPARE(FileTree::list(target.path()), (QStringList{"empty", "empty-dd"}));
    QCOMPARE(FileTree::read(target.filePath(QStringLiteral("empty"))), QByteArray(""));
}

void tst_UnZipCrypt::shortEncryptionHeader_data()
{
    QTest::addColumn<int>("storedSize");
    QTest::addColumn<bool>("readFails");
    QTest::newRow("no data") << 0 << false;
    QTest::newRow("5 bytes") << 5 << false;
    QTest::newRow("11 bytes") << 11 << false;
    QTest::newRow("read error in the header") << 40 << true;
}

void tst_UnZipCrypt::shortEncryptionHeader()
{
    QFETCH(int, storedSize);
    QFETCH(bool, readFails);
    RawZip zip;
    zip.add("short.bin", "x").encrypted("pw").raw(QByteArray(storedSize, '\x17'));
    zip.add("z.txt", "z");
    const RawZip::Archive archive = zip.build();
    auto *device = new FaultyBuffer(archive.bytes);
    if (readFails)
        device->failReadsIn(archive.entries.at(0).dataOffset + 6, archive.entries.at(0).dataOffset + 7);
    UnZip reader;
    reader.setPassword(QStringLiteral("pw"));
    QCOMPARE(reader.openArchive(device), UnZip::Success);
    DebugRecorder debug;
    QByteArray out;
    QCOMPARE(extractToBytes(reader, QStringLiteral("short.bin"), &out), UnZip::CorruptedArchive);
    QCOMPARE(debug.take(), QStringList{"\"Unable to decrypt short.bin\""});
    QTemporaryDir target;
    QCOMPARE(reader.extractAll(target.path()), UnZip::Success);
    QCOMPARE(debug.take(), (QStringList{"\"Unable to decrypt short.bin\"", "Removing corrupted entry \"short.bin\""}));
    QCOMPARE(FileTree::list(target.path()), QStringList{"z.txt"});
    QCOMPARE(reader.fileList(), QStringList{"z.txt"});
}

void tst_UnZipCrypt::passwordBytes_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("keyBytes");
    QTest::addColumn<bool>("fits");

    const QString latin1 = QString::fromUtf8("pässwörd");
    const QString cyrillic = QString::fromUtf8("пароль");
    const QString mixed = QString::fromUtf8("é€");
    QTest::newRow("ascii") << QStringLiteral("plain") << QByteArray("plain") << true;
    QTest::newRow("latin-1 as latin-1") << latin1 << latin1.toLatin1() << true;
    QTest::newRow("latin-1 not as utf-8") << latin1 << latin1.toUtf8() << false;
    QTest::newRow("cyrillic as utf-8") << cyrillic << cyrillic.toUtf8() << true;
    QTest::newRow("cyrillic not as question marks") << cyrillic << QByteArray("??????") << false;
    QTest::newRow("mixed as utf-8") << mixed << mixed.toUtf8() << true;
    QTest::newRow("mixed not as latin-1") << mixed << QByteArray("\xe9?") << false;
}

void tst_UnZipCrypt::passwordBytes()
{
    QFETCH(QString, password);
    QFETCH(QByteArray, keyBytes);
    QFETCH(bool, fits);
    QCOMPARE(ZipCipher::passwordBytes(password) == keyBytes, fits);

    const QByteArray content("protected lecture");
    RawZip zip;
    zip.add("p.txt", content).encrypted(keyBytes);
    UnZip reader;
    reader.setPassword(password);
    QCOMPARE(reader.openArchive(new CountingBuffer(zip.build().bytes)), UnZip::Success);
    QByteArray out;
    const UnZip::ErrorCode result = extractToBytes(reader, QStringLiteral("p.txt"), &out);
    if (fits) {
        QCOMPARE(result, UnZip::Success);
        QCOMPARE(out, content);
    } else {
        // A wrong key may pass the check byte by chance (1 in 256), never the CRC.
        QVERIFY(result == UnZip::PasswordMismatch || result == UnZip::CorruptedArchive);
    }
}

QTEST_GUILESS_MAIN(tst_UnZipCrypt)
#include "tst_unzipcrypt.moc"
