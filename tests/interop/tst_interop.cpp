// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// UnZip reads archives made at test time by other archivers (Info-ZIP zip,
// 7-Zip, bsdtar, Python's zipfile) from one source tree, plain, encrypted
// (traditional cipher and AES) and streamed, deflated, bzip2, LZMA and xz,
// and gives back every file byte for byte under its own name.
#include "builtmethods.h"
#include "bytefixtures.h"
#include "externaltool.h"
#include "filetree.h"
#include "rawzip.h"
#include <kelvanezip/unzip.h>

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QRandomGenerator>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

namespace {

// A third argument "zip64" gives every file ZIP64 extra blocks.
const char pythonWriter[] =
    "import os, sys, zipfile\n"
    "method = {'stored': zipfile.ZIP_STORED, 'deflated': zipfile.ZIP_DEFLATED,\n"
    "          'bzip2': zipfile.ZIP_BZIP2, 'lzma': zipfile.ZIP_LZMA}[sys.argv[2]]\n"
    "zip64 = sys.argv[3:] == ['zip64']\n"
    "with zipfile.ZipFile(sys.argv[1], 'w', method) as z:\n"
    "    for folder, dirs, files in os.walk('.'):\n"
    "        dirs.sort()\n"
    "        for d in dirs:\n"
    "            z.write(os.path.join(folder, d))\n"
    "        for f in sorted(files):\n"
    "            path = os.path.join(folder, f)\n"
    "            if not zip64:\n"
    "                z.write(path)\n"
    "                continue\n"
    "            info = zipfile.ZipInfo.from_file(path)\n"
    "            info.compress_type = method\n"
    "            with open(path, 'rb') as src, z.open(info, 'w', force_zip64=True) as dst:\n"
    "                dst.write(src.read())\n";

} // namespace

class tst_Interop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readArchive_data();
    void readArchive();
    void readZstdFrames_data();
    void readZstdFrames();

private:
    QTemporaryDir m_work;
    QString m_source;
    QStringList m_tree;
};

void tst_Interop::initTestCase()
{
    QVERIFY(m_work.isValid());
    m_source = m_work.filePath(QStringLiteral("source"));
    const QString s = m_source + QLatin1Char('/');
    QByteArray text;
    for (int i = 0; text.size() < 1200000; ++i)
        text += "Line " + QByteArray::number(i) + " of a lecture that goes on and on.\n";
    QVERIFY(FileTree::write(s + QStringLiteral("readme.txt"), "Read me first.\n"));
    QVERIFY(FileTree::write(s + QStringLiteral("empty.txt"), QByteArray()));
    QVERIFY(FileTree::write(s + QStringLiteral("data/random.bin"), randomBytes(100000, 1)));
    QVERIFY(FileTree::write(s + QStringLiteral("data/large-random.bin"), randomBytes(700000, 2)));
    QVERIFY(FileTree::write(s + QStringLiteral("data/large-text.txt"), text));
    QVERIFY(FileTree::write(s + QStringLiteral("nested/deeper/deepest/note.txt"), "deep note\n"));
    QVERIFY(FileTree::write(s + QString::fromUtf8("Лекции/Введение.txt"), QString::fromUtf8("Введение\n").toUtf8()));
    QVERIFY(FileTree::write(s + QString::fromUtf8("файл.txt"), "file\n"));
    QVERIFY(QDir().mkpath(s + QStringLiteral("empty folder")));
    m_tree = FileTree::list(m_source);
    QVERIFY(m_tree.contains(QString::fromUtf8("Лекции/Введение.txt")));
    QVERIFY(m_tree.contains(QStringLiteral("empty folder/")));
}

void tst_Interop::readArchive_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QString>("command"); // run by sh in the source folder; OUT is the archive
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("descriptors"); // the archive must hold data descriptors

    QTest::newRow("zip -r") << "zip"
                            << "zip -q -r OUT ." << QString() << false;
    QTest::newRow("zip -r -e") << "zip"
                               << "zip -q -r -e -P pw OUT ."
                               << "pw" << true;
    QTest::newRow("zip -r - (streamed)") << "zip"
                                         << "zip -q -r - . | cat > OUT" << QString() << true;
    QTest::newRow("zip -r -e - (streamed)") << "zip"
                                            << "zip -q -r -e -P pw - . | cat > OUT"
                                            << "pw" << true;
    // ZIP64 records: forced, and forced while writing to a pipe (the end
    // record then holds the placeholder offset and there is no ZIP64 end
    // record, which Info-ZIP unzip, 7-Zip and Python refuse).
    QTest::newRow("zip -fz") << "zip"
                             << "zip -q -r -fz OUT ." << QString() << false;
    QTest::newRow("zip -fz - (streamed)") << "zip"
                                          << "zip -q -r -fz - . | cat > OUT" << QString() << true;
    // A stub in front of the archive, joined with cat: the offsets do not count it.
    QTest::newRow("stub + zip") << "zip"
                                << "zip -q -r OUT.part . && { printf '#!/bin/sh\\nexit 0\\n'; cat OUT.part; } > OUT"
                                << QString() << false;
    QTest::newRow("stub + zip -fz") << "zip"
                                    << "zip -q -r -fz OUT.part . && { printf 'MZ stub'; cat OUT.part; } > OUT"
                                    << QString() << false;
    QTest::newRow("7z a -tzip") << "7z"
                                << "7z a -tzip -bd OUT . > /dev/null" << QString() << false;
    QTest::newRow("7z a -tzip -p") << "7z"
                                   << "7z a -tzip -bd -ppw OUT . > /dev/null"
                                   << "pw" << false;
    QTest::newRow("bsdtar") << "bsdtar"
                            << "bsdtar --format zip -cf OUT ." << QString() << true;
    QTest::newRow("bsdtar encrypted") << "bsdtar"
                                      << "bsdtar --format zip --options zip:encryption=traditional "
                                         "--passphrase pw -cf OUT ."
                                      << "pw" << true;
    QTest::newRow("zip -Z bzip2") << "zip"
                                  << "zip -q -r -Z bzip2 OUT ." << QString() << false;
    QTest::newRow("7z -mm=BZip2") << "7z"
                                  << "7z a -tzip -bd -mm=BZip2 OUT . > /dev/null" << QString() << false;
    QTest::newRow("7z -mm=LZMA") << "7z"
                                 << "7z a -tzip -bd -mm=LZMA OUT . > /dev/null" << QString() << false;
    QTest::newRow("7z -mm=XZ") << "7z"
                               << "7z a -tzip -bd -mm=XZ OUT . > /dev/null" << QString() << false;
    QTest::newRow("7z -mem=ZipCrypto") << "7z"
                                       << "7z a -tzip -bd -mem=ZipCrypto -ppw OUT . > /dev/null"
                                       << "pw"
                                       << false;
    QTest::newRow("7z -mem=AES256") << "7z"
                                    << "7z a -tzip -bd -mem=AES256 -ppw OUT . > /dev/null"
                                    << "pw" << false;
    QTest::newRow("7z -mem=AES192") << "7z"
                                    << "7z a -tzip -bd -mem=AES192 -ppw OUT . > /dev/null"
                                    << "pw" << false;
    QTest::newRow("7z -mem=AES128") << "7z"
                                    << "7z a -tzip -bd -mem=AES128 -ppw OUT . > /dev/null"
                                    << "pw" << false;
    QTest::newRow("7z -mm=BZip2 -mem=AES256") << "7z"
                                              << "7z a -tzip -bd -mm=BZip2 -mem=AES256 -ppw OUT . > /dev/null"
                                              << "pw" << false;
    QTest::newRow("7z -mm=LZMA -mem=AES128") << "7z"
                                             << "7z a -tzip -bd -mm=LZMA -mem=AES128 -ppw OUT . > /dev/null"
                                             << "pw" << false;
    // bsdtar writes AE-1 with data descriptors; AES keys come from the
    // password's UTF-8 bytes (7-Zip takes only ASCII passwords for ZIP).
    QTest::newRow("bsdtar aes128") << "bsdtar"
                                   << "bsdtar --format zip --options zip:encryption=aes128 --passphrase pw -cf OUT ."
                                   << "pw" << true;
    QTest::newRow("bsdtar aes256, Cyrillic password")
        << "bsdtar"
        << "LC_ALL=C.UTF-8 bsdtar --format zip --options zip:encryption=aes256 --passphrase \"$PW\" -cf OUT ."
        << QString::fromUtf8("пароль") << true;
    QTest::newRow("python bzip2") << "python3"
                                  << "python3 -c \"$PYWRITER\" OUT bzip2" << QString() << false;
    QTest::newRow("python lzma") << "python3"
                                 << "python3 -c \"$PYWRITER\" OUT lzma" << QString() << false;
    QTest::newRow("python stored") << "python3"
                                   << "python3 -c \"$PYWRITER\" OUT stored" << QString() << false;
    QTest::newRow("python deflated") << "python3"
                                     << "python3 -c \"$PYWRITER\" OUT deflated" << QString() << false;
    QTest::newRow("python zip64") << "python3"
                                  << "python3 -c \"$PYWRITER\" OUT deflated zip64" << QString() << false;
}

void tst_Interop::readArchive()
{
    QFETCH(QString, tool);
    QFETCH(QString, command);
    QFETCH(QString, password);
    QFETCH(bool, descriptors);
    const QString lower = command.toLower();
    if ((lower.contains(QLatin1String("bzip2")) && !methodBuiltIn(12))
        || (lower.contains(QLatin1String("lzma")) && !methodBuiltIn(14))
        || (lower.contains(QLatin1String("=xz")) && !methodBuiltIn(95))
        || (lower.contains(QLatin1String("aes")) && !aesBuiltIn))
        QSKIP("the component is built without the method or cipher of this row");

    if (findTool(tool).isEmpty())
        QFAIL(qPrintable(QStringLiteral("%1 is not installed; run scripts/install-deps.sh").arg(tool)));
    QTemporaryDir scratch;
    const QString archive = scratch.filePath(QStringLiteral("out.zip"));
    qputenv("PYWRITER", pythonWriter);
    qputenv("OUT", archive.toLocal8Bit());
    qputenv("PW", password.toUtf8());
    QString script = command;
    script.replace(QLatin1String("OUT"), QLatin1String("\"$OUT\""));
    const ToolRun run = runTool(QStringLiteral("sh"), {QStringLiteral("-c"), script}, m_source);
    QVERIFY2(run.ok(), run.describe(tool).constData());
    const QByteArray bytes = FileTree::read(archive);
    QVERIFY(!bytes.isEmpty());
    QCOMPARE(bytes.contains(QByteArray("PK\7\10", 4)), descriptors);

    UnZip reader;
    if (!password.isEmpty())
        reader.setPassword(password);
    QCOMPARE(reader.openArchive(archive), UnZip::Success);

    // Tools that name entries "./x" get the same tree: the reader cleans
    // the folder part.
    const QStringList names = reader.fileList();
    const QString prefix = names.first().startsWith(QLatin1String("./")) ? QStringLiteral("./") : QString();
    QVERIFY(names.contains(prefix + QString::fromUtf8("Лекции/Введение.txt")));
    QVERIFY(names.contains(prefix + QString::fromUtf8("файл.txt")));

    QTemporaryDir target;
    QCOMPARE(reader.extractAll(target.path()), UnZip::Success);
    QCOMPARE(reader.fileList(), names); // nothing was dropped as corrupted
    QCOMPARE(FileTree::list(target.path()), m_tree);
    for (const QString &path : m_tree) {
        if (!path.endsWith(QLatin1Char('/')))
            QVERIFY2(FileTree::read(target.filePath(path)) == FileTree::read(m_source + QLatin1Char('/') + path),
                     qPrintable(path));
    }

    // Each entry on its own, to a device.
    const QList<UnZip::ZipEntry> entries = reader.entryList();
    // The tool used the method and the cipher it was asked for (the large
    // text file compresses with any method).
    const UnZip::EntryCompression method = command.contains(QLatin1String("BZip2"), Qt::CaseInsensitive)
        ? UnZip::Bzip2
        : command.contains(QLatin1String("LZMA"), Qt::CaseInsensitive) ? UnZip::Lzma
        : command.contains(QLatin1String("XZ"))                        ? UnZip::Xz
                                                                       : UnZip::UnknownMethod;
    if (method != UnZip::UnknownMethod) {
        const auto text = std::find_if(entries.cbegin(), entries.cend(), [](const UnZip::ZipEntry &e) {
            return e.filename.endsWith(QLatin1String("large-text.txt"));
        });
        QVERIFY(text != entries.cend());
        QCOMPARE(text->compression, method);
    }
    QCOMPARE(bytes.contains(QByteArray("\x01\x99\x07\x00", 4)),
             command.contains(QLatin1String("-mem=AES")) || command.contains(QLatin1String("encryption=aes")));
    int files = 0;
    for (const UnZip::ZipEntry &entry : entries) {
        if (entry.type == UnZip::Directory)
            continue;
        ++files;
        const QString path = entry.filename.mid(prefix.size());
        const QByteArray original = FileTree::read(m_source + QLatin1Char('/') + path);
        QCOMPARE(entry.uncompressedSize, quint32(original.size()));
        // bsdtar leaves empty files unencrypted.
        if (!original.isEmpty())
            QCOMPARE(entry.encrypted, !password.isEmpty());
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        QCOMPARE(reader.extractFile(entry.filename, &buffer), UnZip::Success);
        QVERIFY2(out == original, qPrintable(path));
    }
    QCOMPARE(files, 8);

    if (!password.isEmpty()) {
        reader.setPassword(QStringLiteral("wrong"));
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        const UnZip::ErrorCode result = reader.extractFile(prefix + QStringLiteral("readme.txt"), &buffer);
        // The traditional cipher's header checks one byte, so about one wrong
        // password in 256 gets past it: the data then fail to inflate or
        // their CRC-32. Never a success.
        QVERIFY2(result == UnZip::PasswordMismatch || result == UnZip::CorruptedArchive
                     || result == UnZip::ZlibFailure,
                 qPrintable(reader.formatError(result)));
    }
}

// No archiver at hand writes Zstandard entries, so the frames come from the
// zstd tool, wrapped by the test's own builder; 7-Zip's test of the same
// archive shows that the wrapping is what other readers expect.
void tst_Interop::readZstdFrames_data()
{
    QTest::addColumn<QString>("options");
    QTest::newRow("level 1") << "-1";
    QTest::newRow("level 19, long window") << "-19 --long=24";
    QTest::newRow("level 3, no checksum") << "-3 --no-check";
}

void tst_Interop::readZstdFrames()
{
    QFETCH(QString, options);
    KELVANE_REQUIRE_METHOD(93);
    KELVANE_REQUIRE_TOOL("zstd");
    KELVANE_REQUIRE_TOOL("7z");
    const QString source = m_source + QStringLiteral("/data");
    const QByteArray content = FileTree::read(source + QStringLiteral("/large-text.txt"))
        + FileTree::read(source + QStringLiteral("/random.bin"));
    QTemporaryDir scratch;
    QVERIFY(FileTree::write(scratch.filePath(QStringLiteral("content")), content));
    const ToolRun zstd = runTool(QStringLiteral("sh"),
                                 {QStringLiteral("-c"), QStringLiteral("zstd -q %1 -c content > content.zst").arg(options)},
                                 scratch.path());
    QVERIFY2(zstd.ok(), zstd.describe(QStringLiteral("zstd")).constData());

    RawZip zip;
    RawZip::Entry &e = zip.add("content.bin", content).raw(FileTree::read(scratch.filePath(QStringLiteral("content.zst"))));
    e.method = RawZip::Zstd;
    e.versionNeeded = 63;
    zip.add("note.txt", "a deflated neighbour").deflated();
    const QString archive = scratch.filePath(QStringLiteral("zstd.zip"));
    QVERIFY(FileTree::write(archive, zip.build().bytes));
    const ToolRun test = runTool(QStringLiteral("7z"), {QStringLiteral("t"), archive}, scratch.path());
    QVERIFY2(test.ok(), test.describe(QStringLiteral("7z")).constData());

    UnZip reader;
    QCOMPARE(reader.openArchive(archive), UnZip::Success);
    QCOMPARE(reader.entryList().first().compression, UnZip::Zstd);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QCOMPARE(reader.extractFile(QStringLiteral("content.bin"), &buffer), UnZip::Success);
    QVERIFY(out == content);
}

QTEST_GUILESS_MAIN(tst_Interop)
#include "tst_interop.moc"
