// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The shared library's dynamic symbol table: it exports the public classes
// UnZip and Zip and nothing else, no private class and none of the symbols
// of the libraries it links (zlib, ISA-L).
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtTest/QtTest>

class tst_LibraryAbi : public QObject
{
    Q_OBJECT

private slots:
    void onlyPublicApiExported();
};

namespace {

// Demangled names of the defined dynamic symbols: "T UnZip::isOpen() const", ...
QStringList definedSymbols(const QString &library)
{
    QProcess nm;
    nm.start(QStringLiteral("nm"), {QStringLiteral("-D"), QStringLiteral("--defined-only"), QStringLiteral("-C"), library});
    if (!nm.waitForFinished(60000) || nm.exitStatus() != QProcess::NormalExit || nm.exitCode() != 0)
        return {QStringLiteral("nm failed: ") + QString::fromLocal8Bit(nm.readAllStandardError())};
    QStringList symbols;
    const QStringList lines = QString::fromLocal8Bit(nm.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        // "0000000000012340 T UnZip::isOpen() const"
        const int space = int(line.indexOf(QLatin1Char(' ')));
        if (space > 0)
            symbols.append(line.mid(space + 1));
    }
    return symbols;
}

} // namespace

void tst_LibraryAbi::onlyPublicApiExported()
{
    const QStringList symbols = definedSymbols(QStringLiteral(KELVANEZIP_LIBRARY));
    QVERIFY2(!symbols.isEmpty() && !symbols.first().startsWith(QLatin1String("nm failed")),
             qPrintable(symbols.join(QLatin1Char('\n'))));

    // Members of UnZip and Zip (and their nested types), their virtual
    // tables and type information.
    const QRegularExpression publicApi(QStringLiteral(
        "^[A-Za-z] ((UnZip|Zip)::|(vtable|typeinfo|typeinfo name) for (UnZip|Zip)$)"));
    QStringList others;
    int publicCount = 0;
    for (const QString &symbol : symbols) {
        if (publicApi.match(symbol).hasMatch())
            ++publicCount;
        else
            others.append(symbol);
    }
    QVERIFY2(others.isEmpty(), qPrintable(QStringLiteral("exported beyond the public API:\n") + others.join(QLatin1Char('\n'))));
    // Both classes are there, with their constructors and the error texts.
    for (const char *expected : {"T UnZip::UnZip()", "T Zip::Zip()", "T UnZip::lastErrorDetail() const",
                                 "T Zip::closeArchive()"}) {
        QVERIFY2(symbols.contains(QLatin1String(expected)), expected);
    }
    QVERIFY(publicCount > 40);
}

QTEST_GUILESS_MAIN(tst_LibraryAbi)
#include "tst_libraryabi.moc"
