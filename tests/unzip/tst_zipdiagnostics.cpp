// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The diagnostics of the reader and the writer: each line goes to the logging
// category "kelvane.zip" with its text, and the same detail is offered by
// lastErrorDetail() until the next call, also when the category is off.
// Every error code declared in the public headers has a text of its own,
// translated in the catalogue that carries the component's texts.
#include "bytefixtures.h"
#include "debugrecorder.h"
#include "rawzip.h"

#include <kelvanezip/unzip.h>
#include <kelvanezip/zip.h>

#include <QtCore/QBuffer>
#include <QtCore/QFile>
#include <QtCore/QHash>
#include <QtCore/QLoggingCategory>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTranslator>
#include <QtCore/QXmlStreamReader>
#include <QtTest/QtTest>

#include <functional>

class tst_ZipDiagnostics : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void detail_data();
    void detail();
    void everyErrorCodeHasItsOwnText_data();
    void everyErrorCodeHasItsOwnText();
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

namespace {

// The enumerators of "enum ErrorCode" in a public header, with their values
// (explicit, or one more than the one before).
QList<QPair<QString, int>> declaredErrorCodes(const QString &header)
{
    QFile file(header);
    QList<QPair<QString, int>> codes;
    if (!file.open(QIODevice::ReadOnly))
        return codes;
    const QString text = QString::fromUtf8(file.readAll());
    const int start = int(text.indexOf(QLatin1String("enum ErrorCode {")));
    const int end = int(text.indexOf(QLatin1String("};"), start));
    if (start < 0 || end < 0)
        return codes;
    const QStringList lines = text.mid(start, end - start).split(QLatin1Char('\n')).mid(1);
    const QRegularExpression enumerator(QStringLiteral("^\\s*(\\w+)\\s*(?:=\\s*(\\d+))?\\s*,?\\s*(?://.*)?$"));
    int next = 0;
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = enumerator.match(line);
        if (!match.hasMatch())
            continue;
        const int value = match.captured(2).isEmpty() ? next : match.captured(2).toInt();
        codes.append({match.captured(1), value});
        next = value + 1;
    }
    return codes;
}

// Serves the translations of a Qt Linguist catalogue (.ts) as they stand.
class CatalogueTranslator : public QTranslator
{
public:
    bool loadCatalogue(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        QXmlStreamReader xml(&file);
        QString context;
        QString source;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("name"))
                context = xml.readElementText();
            else if (xml.name() == QLatin1String("source"))
                source = xml.readElementText();
            else if (xml.name() == QLatin1String("translation"))
                m_texts.insert(context + QLatin1Char('|') + source, xml.readElementText());
        }
        return !xml.hasError() && !m_texts.isEmpty();
    }

    bool isEmpty() const override { return m_texts.isEmpty(); }
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        return m_texts.value(QString::fromUtf8(context) + QLatin1Char('|') + QString::fromUtf8(sourceText));
    }

private:
    QHash<QString, QString> m_texts;
};

QString errorText(const QString &className, int code)
{
    if (className == QLatin1String("UnZip"))
        return UnZip().formatError(UnZip::ErrorCode(code));
    return Zip().formatError(Zip::ErrorCode(code));
}

} // namespace

void tst_ZipDiagnostics::everyErrorCodeHasItsOwnText_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<int>("code");
    QTest::addColumn<QList<int>>("others");

    for (const char *className : {"UnZip", "Zip"}) {
        const QString header = QStringLiteral(KELVANE_SOURCE_DIR "/zip/kelvanezip/%1.h").arg(QString::fromLatin1(className).toLower());
        const QList<QPair<QString, int>> codes = declaredErrorCodes(header);
        // Success and at least the codes of the first release.
        QVERIFY2(codes.size() >= 10 && codes.first().first == QLatin1String("Success"), qPrintable(header));
        for (const auto &code : codes) {
            QList<int> others;
            for (const auto &other : codes) {
                if (other.second != code.second)
                    others.append(other.second);
            }
            QTest::addRow("%s::%s", className, qPrintable(code.first)) << QString::fromLatin1(className) << code.second << others;
        }
    }
}

void tst_ZipDiagnostics::everyErrorCodeHasItsOwnText()
{
    QFETCH(QString, className);
    QFETCH(int, code);
    QFETCH(QList<int>, others);

    const QString unknown = errorText(className, -1);
    QCOMPARE(unknown, QStringLiteral("Unknown error."));
    const QString text = errorText(className, code);
    QVERIFY(!text.isEmpty());
    QVERIFY2(text != unknown, "the code has no text");
    for (const int other : others)
        QVERIFY2(errorText(className, other) != text, qPrintable(QStringLiteral("shared with code %1").arg(other)));

    CatalogueTranslator russian;
    QVERIFY(russian.loadCatalogue(QStringLiteral(KELVANE_SOURCE_DIR "/player/res/player.ts")));
    QCoreApplication::installTranslator(&russian);
    const QString translated = errorText(className, code);
    QCoreApplication::removeTranslator(&russian);
    QVERIFY2(!translated.isEmpty() && translated != text, qPrintable(QStringLiteral("no translation of ") + text));
}

QTEST_GUILESS_MAIN(tst_ZipDiagnostics)
#include "tst_zipdiagnostics.moc"
