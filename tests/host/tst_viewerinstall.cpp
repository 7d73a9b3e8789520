// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// `cmake --install` of the build into a temporary prefix: every file a
// desktop needs is where it belongs and valid, and the installed viewer finds
// its plug-in and sample by itself and renders the sample.

#include "playertestsupport.h"

#include <externaltool.h>
#include <filetree.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

class tst_ViewerInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void filesInPlace_data();
    void filesInPlace();
    void validators_data();
    void validators();
    void installedViewerRenders();

private:
    QString installed(const QString &relativePath) const { return m_prefix + QLatin1Char('/') + relativePath; }

    QTemporaryDir m_dir;
    QString m_prefix;
};

void tst_ViewerInstall::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_prefix = m_dir.filePath(QStringLiteral("prefix"));
    const ToolRun install = runTool(QStringLiteral(KELVANE_CMAKE),
                                    {QStringLiteral("--install"), QStringLiteral(KELVANE_BINARY_DIR),
                                     QStringLiteral("--prefix"), m_prefix},
                                    m_dir.path());
    QVERIFY2(install.ok(), install.describe(QStringLiteral("cmake --install")).constData());
}

void tst_ViewerInstall::filesInPlace_data()
{
    QTest::addColumn<QString>("path");

    const QString bin = QStringLiteral(KELVANE_INSTALL_BINDIR);
    const QString data = QStringLiteral(KELVANE_INSTALL_DATADIR);
    const QString man = QStringLiteral(KELVANE_INSTALL_MANDIR);
    QTest::newRow("program") << bin + QStringLiteral("/kelvane-viewer");
    QTest::newRow("plug-in") << QStringLiteral(KELVANE_INSTALL_PLUGINDIR "/" KELVANE_PLUGIN_FILE_NAME);
    QTest::newRow("sample") << data + QStringLiteral("/kelvane/lecture.zip");
    QTest::newRow("desktop entry") << data + QStringLiteral("/applications/kelvane-viewer.desktop");
    QTest::newRow("metainfo") << data + QStringLiteral("/metainfo/org.kelvane.viewer.metainfo.xml");
    QTest::newRow("scalable icon") << data + QStringLiteral("/icons/hicolor/scalable/apps/kelvane-viewer.svg");
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QTest::newRow(qPrintable(QStringLiteral("icon %1").arg(size)))
            << data + QStringLiteral("/icons/hicolor/%1x%1/apps/kelvane-viewer.png").arg(size);
    }
    QTest::newRow("manual of the viewer") << man + QStringLiteral("/man1/kelvane-viewer.1");
    QTest::newRow("manual of kelvane-zip") << man + QStringLiteral("/man1/kelvane-zip.1");
    QTest::newRow("bash completion of kelvane-zip") << data + QStringLiteral("/bash-completion/completions/kelvane-zip");
}

void tst_ViewerInstall::filesInPlace()
{
    QFETCH(QString, path);
    const QFileInfo info(installed(path));
    QVERIFY2(info.isFile() && info.size() > 0, qPrintable(info.filePath()));
    // Each PNG icon is a square picture of the size its folder names.
    const QStringList parts = path.split(QLatin1Char('/'));
    if (path.endsWith(QLatin1String(".png"))) {
        const int size = parts.at(parts.size() - 3).section(QLatin1Char('x'), 0, 0).toInt();
        QCOMPARE(QImage(info.filePath()).size(), QSize(size, size));
    }
}

void tst_ViewerInstall::validators_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file");

    const QString data = QStringLiteral(KELVANE_INSTALL_DATADIR);
    const QString man = QStringLiteral(KELVANE_INSTALL_MANDIR);
    QTest::newRow("desktop entry") << "desktop-file-validate" << QStringList()
                                   << data + QStringLiteral("/applications/kelvane-viewer.desktop");
    QTest::newRow("metainfo") << "appstreamcli" << QStringList({"validate", "--no-net", "--pedantic"})
                              << data + QStringLiteral("/metainfo/org.kelvane.viewer.metainfo.xml");
    QTest::newRow("manual of the viewer") << "groff" << QStringList({"-man", "-ww", "-z"})
                                          << man + QStringLiteral("/man1/kelvane-viewer.1");
    QTest::newRow("manual of kelvane-zip") << "groff" << QStringList({"-man", "-ww", "-z"})
                                           << man + QStringLiteral("/man1/kelvane-zip.1");
    QTest::newRow("bash completion of kelvane-zip") << "bash" << QStringList({"-n"})
                                                    << data + QStringLiteral("/bash-completion/completions/kelvane-zip");
}

void tst_ViewerInstall::validators()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    if (findTool(tool).isEmpty())
        QFAIL(qPrintable(tool + QStringLiteral(" is not installed; run scripts/install-deps.sh")));

    const ToolRun run = runTool(tool, arguments << installed(file), m_dir.path());
    QVERIFY2(run.ok(), run.describe(tool).constData());
    // Clean means without hints or warnings too.
    const QByteArray said = run.standardError + (tool == QLatin1String("appstreamcli") ? QByteArray() : run.standardOutput);
    QVERIFY2(said.trimmed().isEmpty(), said.constData());
    if (tool == QLatin1String("desktop-file-validate")) {
        // Offered for ZIP archives, without a mimeapps.list that would make
        // it the default program.
        QVERIFY(FileTree::read(installed(file)).contains("\nMimeType=application/zip;\n"));
        QVERIFY(!QFileInfo::exists(installed(QStringLiteral(KELVANE_INSTALL_DATADIR "/applications/mimeapps.list"))));
    }
}

void tst_ViewerInstall::installedViewerRenders()
{
    // The installed plug-in finds the installed library of the ZIP component
    // by its run path alone.
    QVERIFY(!QDir(installed(QStringLiteral(KELVANE_INSTALL_LIBDIR)))
                 .entryList({QStringLiteral("libkelvanezip.so*")})
                 .isEmpty());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("LD_LIBRARY_PATH"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("TMPDIR"), m_dir.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));

    QProcess viewer;
    viewer.setProcessEnvironment(environment);
    viewer.setWorkingDirectory(m_dir.path());
    const QString shot = m_dir.filePath(QStringLiteral("installed.png"));
    viewer.start(installed(QStringLiteral(KELVANE_INSTALL_BINDIR "/kelvane-viewer")),
                 {QStringLiteral("--screenshot"), shot});
    QVERIFY(viewer.waitForFinished(60000));
    QVERIFY2(viewer.exitStatus() == QProcess::NormalExit && viewer.exitCode() == 0,
             viewer.readAllStandardError().constData());
    // The page was unpacked and shown (the player's last progress lines),
    // with the sample's curve in dark red.
    QVERIFY(viewer.readAllStandardOutput().contains("ok7\nok8\n"));
    QVERIFY(countPixels(QImage(shot), QColor(200, 40, 40), 30) > 300);
}

QTEST_MAIN(tst_ViewerInstall)
#include "tst_viewerinstall.moc"
