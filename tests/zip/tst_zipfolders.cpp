// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The writer's folder walk: which items become entries, in which order, and
// under which names.
#include "zipinspect.h"

#include <kelvanezip/zip.h>

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <functional>

Q_DECLARE_METATYPE(Zip::CompressionOptions)

namespace {

enum class Call {
    AddDirectory,        // (path, root, options, level)
    AddDirectoryRoot,    // (path, root, level)
    AddDirectoryOptions, // (path, options, level)
    AddContents,         // (path, level)
    AddContentsRoot      // (path, root, level)
};

// A result no writer call returns: the scenario's own check number `which`
// failed.
Zip::ErrorCode checkFailed(int which)
{
    return Zip::ErrorCode(-which);
}

} // namespace

Q_DECLARE_METATYPE(Call)

class tst_ZipFolders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void namingTable_data();
    void namingTable();
    void prefixTrimming_data();
    void prefixTrimming();
    void emptyFolder_data();
    void emptyFolder();
    void folderHoldingOnlyFolders();
    void itemsInNameOrderIgnoringCase();
    void hiddenEntriesAndLinksLeftOut();
    void missingFolderOrNoArchive();

private:
    QTemporaryDir m_tmp;
    QString m_docs; // <tmp>/data/docs with a.txt, empty/ and img/p.png

    struct Written
    {
        Zip::ErrorCode result = Zip::Success;
        QByteArray bytes;
        InspectedArchive archive;
        QList<QByteArray> inOrder; // local headers as they stand
    };
    static Written write(const std::function<Zip::ErrorCode(Zip &)> &add);
};

tst_ZipFolders::Written tst_ZipFolders::write(const std::function<Zip::ErrorCode(Zip &)> &add)
{
    Written w;
    Zip zip;
    if (zip.createArchive(new QBuffer(&w.bytes)) != Zip::Success)
        qFatal("cannot create an archive in memory");
    w.result = add(zip);
    if (zip.closeArchive() != Zip::Success)
        qFatal("cannot close an archive in memory");
    w.archive = inspectArchive(w.bytes);
    w.inOrder = localNamesInOrder(w.bytes, w.archive);
    return w;
}

void tst_ZipFolders::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_docs = m_tmp.filePath(QStringLiteral("data/docs"));
    writeFile(m_docs + QStringLiteral("/a.txt"), "text of a");
    QVERIFY(QDir().mkpath(m_docs + QStringLiteral("/empty")));
    writeFile(m_docs + QStringLiteral("/img/p.png"), "not really a picture");
}

void tst_ZipFolders::namingTable_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("root");
    QTest::addColumn<Zip::CompressionOptions>("options");
    QTest::addColumn<QStringList>("expected"); // in the order written; %1: the parent of data/

    const QStringList relative{"docs/a.txt", "docs/empty/", "docs/img/p.png"};
    QTest::newRow("relative, empty root") << Call::AddDirectory << QString("") << Zip::CompressionOptions(Zip::FolderRelative)
                                          << relative;
    QTest::newRow("no option at all") << Call::AddDirectory << QString() << Zip::CompressionOptions() << relative;
    QTest::newRow("relative, root base") << Call::AddDirectoryRoot << QString("base") << Zip::CompressionOptions()
                                         << QStringList{"base/docs/a.txt", "base/docs/empty/", "base/docs/img/p.png"};
    QTest::newRow("absolute") << Call::AddDirectoryOptions << QString() << Zip::CompressionOptions(Zip::FolderAbsolute)
                              << QStringList{"%1/data/docs/a.txt", "%1/data/docs/empty/", "%1/data/docs/img/p.png"};
    QTest::newRow("absolute, root base") << Call::AddDirectory << QString("base")
                                         << Zip::CompressionOptions(Zip::FolderAbsolute)
                                         << QStringList{"base/%1/data/docs/a.txt", "base/%1/data/docs/empty/",
                                                        "base/%1/data/docs/img/p.png"};
    QTest::newRow("contents only") << Call::AddContents << QString() << Zip::CompressionOptions()
                                   << QStringList{"a.txt", "p.png"};
    QTest::newRow("contents only, root base") << Call::AddContentsRoot << QString("base") << Zip::CompressionOptions()
                                              << QStringList{"base/a.txt", "base/p.png"};
    QTest::newRow("contents only wins over absolute")
        << Call::AddDirectory << QString() << (Zip::FolderAbsolute | Zip::ContentsOnly)
        << QStringList{"a.txt", "p.png"};
}

void tst_ZipFolders::namingTable()
{
    QFETCH(Call, call);
    QFETCH(QString, root);
    QFETCH(Zip::CompressionOptions, options);
    QFETCH(QStringList, expected);

    const QString parent = QDir(m_tmp.path()).absolutePath();
    QList<QByteArray> written;
    for (QString name : expected)
        written.append(name.replace(QLatin1String("%1"), parent).toUtf8());

    const Written w = write([&](Zip &zip) {
        switch (call) {
        case Call::AddDirectory:
            return zip.addDirectory(m_docs, root, options, Zip::Level9);
        case Call::AddDirectoryRoot:
            return zip.addDirectory(m_docs, root, Zip::Level9);
        case Call::AddDirectoryOptions:
            return zip.addDirectory(m_docs, options, Zip::Level9);
        case Call::AddContents:
            return zip.addDirectoryContents(m_docs, Zip::Level9);
        case Call::AddContentsRoot:
            return zip.addDirectoryContents(m_docs, root, Zip::Level9);
        }
        return checkFailed(1);
    });
    QCOMPARE(w.result, Zip::Success);
    QVERIFY2(w.archive.ok(), qPrintable(w.archive.error));
    QCOMPARE(w.inOrder, written);
    std::sort(written.begin(), written.end());
    QCOMPARE(w.archive.names(), written);
}

void tst_ZipFolders::prefixTrimming_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("firstName");

    QTest::newRow("null") << QString() << "docs/a.txt";
    QTest::newRow("empty") << QString("") << "docs/a.txt";
    QTest::newRow("blanks") << QString("  ") << "docs/a.txt";
    QTest::newRow("base/ in blanks") << QString(" base/ ") << "base/docs/a.txt";
    QTest::newRow("tab, base, newline") << QString("\tbase\n") << "base/docs/a.txt";
    QTest::newRow("base backslash") << QString("base\\") << "base/docs/a.txt";
    QTest::newRow("base backslashes") << QString("base\\\\\\") << "base/docs/a.txt";
    QTest::newRow("base, mixed slashes") << QString("base/\\/") << "base/docs/a.txt";
    QTest::newRow("two slashes") << QString("//") << "docs/a.txt";
    QTest::newRow("slash") << QString("/") << "/docs/a.txt";
    QTest::newRow("nested") << QString("x/y/") << "x/y/docs/a.txt";
}

void tst_ZipFolders::prefixTrimming()
{
    QFETCH(QString, root);
    QFETCH(QString, firstName);

    const Written w = write([&](Zip &zip) { return zip.addDirectory(m_docs, root, Zip::StoreOnly); });
    QCOMPARE(w.result, Zip::Success);
    QCOMPARE(w.inOrder.size(), 3);
    QCOMPARE(w.inOrder.at(0), firstName.toUtf8());
}

void tst_ZipFolders::emptyFolder_data()
{
    QTest::addColumn<Zip::CompressionOptions>("options");
    QTest::addColumn<QList<QByteArray>>("expected");

    QTest::newRow("relative") << Zip::CompressionOptions(Zip::FolderRelative) << QList<QByteArray>{"empty/"};
    QTest::newRow("contents only") << Zip::CompressionOptions(Zip::ContentsOnly) << QList<QByteArray>{};
}

void tst_ZipFolders::emptyFolder()
{
    QFETCH(Zip::CompressionOptions, options);
    QFETCH(QList<QByteArray>, expected);

    const Written w = write([&](Zip &zip) {
        return zip.addDirectory(m_docs + QStringLiteral("/empty"), options, Zip::Level9);
    });
    QCOMPARE(w.result, Zip::Success);
    QCOMPARE(w.archive.names(), expected);
    if (expected.isEmpty())
        QCOMPARE(w.bytes.size(), 22);
}

void tst_ZipFolders::folderHoldingOnlyFolders()
{
    // top holds only folders: its entry comes after its contents. mid holds
    // a file: no entry of its own.
    const QString top = m_tmp.filePath(QStringLiteral("only/top"));
    const QByteArray content = compressibleContent(3000);
    writeFile(top + QStringLiteral("/mid/f.txt"), content);
    writeFile(top + QStringLiteral("/mid/deeper/g.txt"), content);
    QVERIFY(QDir().mkpath(top + QStringLiteral("/zzz/leaf")));

    const Written w = write([&](Zip &zip) { return zip.addDirectory(top, QString(), Zip::Level1); });
    QCOMPARE(w.result, Zip::Success);
    QCOMPARE(w.inOrder, (QList<QByteArray>{"top/mid/deeper/g.txt", "top/mid/f.txt", "top/zzz/leaf/", "top/zzz/", "top/"}));
    // The level reaches every depth.
    const QByteArray expected = referenceDeflate(content, 1);
    for (const QByteArray &name : {QByteArray("top/mid/deeper/g.txt"), QByteArray("top/mid/f.txt")}) {
        const InspectedCentral *c = w.archive.find(name);
        QVERIFY(c);
        const InspectedLocal local = inspectLocal(w.bytes, c->localHeaderOffset);
        QCOMPARE(w.bytes.mid(int(local.dataOffset), int(c->compressedSize)), expected);
    }

    const Written contents = write([&](Zip &zip) { return zip.addDirectoryContents(top, Zip::Level1); });
    QCOMPARE(contents.inOrder, (QList<QByteArray>{"g.txt", "f.txt"}));
}

void tst_ZipFolders::itemsInNameOrderIgnoringCase()
{
    const QString folder = m_tmp.filePath(QStringLiteral("order"));
    for (const char *name : {"b.txt", "A.txt", "c.txt", "B2.txt"})
        writeFile(folder + QLatin1Char('/') + QLatin1String(name), name);
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/a-folder")));

    const Written w = write([&](Zip &zip) { return zip.addDirectory(folder, QString(), Zip::StoreOnly); });
    QCOMPARE(w.result, Zip::Success);
    // a-folder holds nothing: it gets an entry of its own.
    QCOMPARE(w.inOrder, (QList<QByteArray>{"order/a-folder/", "order/A.txt", "order/b.txt", "order/B2.txt", "order/c.txt"}));
    QCOMPARE(w.archive.names(), (QList<QByteArray>{"order/A.txt", "order/B2.txt", "order/a-folder/", "order/b.txt", "order/c.txt"}));
}

void tst_ZipFolders::hiddenEntriesAndLinksLeftOut()
{
    const QString folder = m_tmp.filePath(QStringLiteral("links/tree"));
    writeFile(folder + QStringLiteral("/a.txt"), "a");
    writeFile(folder + QStringLiteral("/.hidden"), "hidden file");
    writeFile(folder + QStringLiteral("/.hiddendir/x.txt"), "in a hidden folder");
    writeFile(folder + QStringLiteral("/sub/s.txt"), "s");
    QVERIFY(QFile::link(folder + QStringLiteral("/a.txt"), folder + QStringLiteral("/link-to-file")));
    QVERIFY(QFile::link(folder + QStringLiteral("/sub"), folder + QStringLiteral("/link-to-folder")));
    QVERIFY(QFile::link(folder + QStringLiteral("/nowhere"), folder + QStringLiteral("/broken-link")));
    // A link back up would make the walk endless if it were followed.
    QVERIFY(QFile::link(folder, folder + QStringLiteral("/sub/loop")));

    const Written w = write([&](Zip &zip) { return zip.addDirectory(folder, QString(), Zip::Level9); });
    QCOMPARE(w.result, Zip::Success);
    QCOMPARE(w.inOrder, (QList<QByteArray>{"tree/a.txt", "tree/sub/s.txt"}));
}

void tst_ZipFolders::missingFolderOrNoArchive()
{
    Zip zip;
    QCOMPARE(zip.addDirectory(m_docs, QString(), Zip::Level9), Zip::NoArchiveYet);
    QCOMPARE(zip.addDirectoryContents(m_docs), Zip::NoArchiveYet);
    QCOMPARE(zip.addDirectory(m_tmp.filePath(QStringLiteral("missing")), Zip::ContentsOnly), Zip::NoArchiveYet);

    const Written w = write([&](Zip &open) {
        if (open.addDirectory(m_tmp.filePath(QStringLiteral("missing")), QString(), Zip::Level9) != Zip::FileMissing)
            return checkFailed(1);
        // A file is not a folder.
        if (open.addDirectoryContents(m_docs + QStringLiteral("/a.txt")) != Zip::FileMissing)
            return checkFailed(2);
        return Zip::Success;
    });
    QCOMPARE(w.result, Zip::Success);
    QCOMPARE(w.bytes.size(), 22);
}

QTEST_GUILESS_MAIN(tst_ZipFolders)
#include "tst_zipfolders.moc"
