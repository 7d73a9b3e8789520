// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The diagnostics of the reader and the writer: each line goes to the logging
// category "kelvane.zip" with its text, and the same detail is offered by
// lastErrorDetail() until the next call, also when the category is off.
#include "bytefixtures.h"
#include "debugrecorder.h"
#include "rawzip.h"

#include <kelvanezip/unzip.h>
#include <kelvanezip/zip.h>

#include <QtCore/QBuffer>
#include <QtCore/QLoggingCategory>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <functional>

class tst_ZipDiagnostics : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void detail_data();
    void detail();
};

namespace {

// One failing (or noteworthy) call; returns the call's detail.
using Scenario = std::function<QString(const QString &folder)>;

// Runs the scenario and then a call that succeeds without a diagnostic on
// the same object, which must clear the detail again.
template<typename Object>
QString runThenClear(Object &object, const std::function<void(Object &)> &failing,
                     const std::function<void(Object &)> &succeeding)
{
    failing(object);
    const QString detail = object.lastErrorDetail();
    succeeding(object);
    return object.lastErrorDetail().isEmpty() ? detail : QStringLiteral("not cleared: ") + object.lastErrorDetail();
}

} // namespace

Q_DECLARE_METATYPE(Scenario)

void tst_ZipDiagnostics::cleanup()
{
    QLoggingCategory::setFilterRules(QString());
}

void tst_ZipDiagnostics::detail_data()
{
    QTest::addColumn<Scenario>("scenario");
    QTest::addColumn<QString>("line");   // as logged
    QTest::addColumn<QString>("detail"); // as lastErrorDetail() gives it

    QTest::newRow("reader: entry outside the target")
        << Scenario([](const QString &folder) {
               RawZip zip;
               zip.add("../evil.txt", "x");
               zip.add("good.txt", "g");
               UnZip reader;
               if (openBytes(reader, zip.build().bytes) != UnZip::Success)
                   return QStringLiteral("open failed");
               return runThenClear<UnZip>(
                   reader,
                   [&](UnZip &r) { QCOMPARE(r.extractFile(QStringLiteral("../evil.txt"), folder), UnZip::FileOpenFailed); },
                   [&](UnZip &r) { QCOMPARE(r.extractFile(QStringLiteral("good.txt"), folder), UnZip::Success); });
           })
        << QStringLiteral("\"Refusing entry outside the target folder: ../evil.txt\"")
        << QStringLiteral("Refusing entry outside the target folder: ../evil.txt");

    QTest::newRow("reader: corrupted entry removed")
        << Scenario([](const QString &folder) {
               RawZip zip;
               zip.add("bad.txt", "content");
               zip.entry(0).central.crc = 1;
               zip.entry(0).local.crc = 1;
               UnZip reader;
               if (openBytes(reader, zip.build().bytes) != UnZip::Success)
                   return QStringLiteral("open failed");
               return runThenClear<UnZip>(
                   reader,
                   [&](UnZip &r) { QCOMPARE(r.extractAll(folder), UnZip::Success); },
                   [&](UnZip &r) { QCOMPARE(r.extractAll(folder), UnZip::Success); });
           })
        << QStringLiteral("Removing corrupted entry \"bad.txt\"")
        << QStringLiteral("Removing corrupted entry \"bad.txt\"");

    QTest::newRow("writer: device cannot be opened")
        << Scenario([](const QString &folder) {
               Zip writer;
               return runThenClear<Zip>(
                   writer,
                   [&](Zip &w) {
                       auto *file = new QFile(folder + QStringLiteral("/missing/out.zip"));
                       QCOMPARE(w.createArchive(file), Zip::FileOpenFailed);
                   },
                   [&](Zip &w) { QCOMPARE(w.createArchive(new QBuffer), Zip::Success); });
           })
        << QStringLiteral("\"Unable to open device for writing.\"")
        << QStringLiteral("Unable to open device for writing.");
}

void tst_ZipDiagnostics::detail()
{
    QFETCH(Scenario, scenario);
    QFETCH(QString, line);
    QFETCH(QString, detail);

    for (const bool enabled : {true, false}) {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QLoggingCategory::setFilterRules(enabled ? QStringLiteral("kelvane.zip.debug=true")
                                                 : QStringLiteral("kelvane.zip.debug=false"));
        DebugRecorder debug;
        QCOMPARE(scenario(folder.path()), detail);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(debug.lines(), enabled ? QStringList{line} : QStringList());
    }
}

QTEST_GUILESS_MAIN(tst_ZipDiagnostics)
#include "tst_zipdiagnostics.moc"
