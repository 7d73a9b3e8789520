// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The Debian packages of this build, made by `cpack -G DEB`: their control
// fields and dependencies, their files where Debian wants them, lintian's
// verdict, and the tool and the viewer run from the unpacked packages with
// the library path pointed at the unpacked library.

#include "playertestsupport.h"

#include <externaltool.h>
#include <filetree.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>
#include <QtCore/QProcessEnvironment>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

namespace {

const QString version = QStringLiteral(KELVANE_VERSION);
const QString runtimePackage = QStringLiteral(KELVANE_PACKAGE_RUNTIME);
const QString devPackage = QStringLiteral(KELVANE_PACKAGE_DEV);
const QString toolsPackage = QStringLiteral(KELVANE_PACKAGE_TOOLS);
const QString viewerPackage = QStringLiteral(KELVANE_PACKAGE_VIEWER);

const QStringList &ourPackages()
{
    static const QStringList packages{runtimePackage, devPackage, toolsPackage, viewerPackage};
    return packages;
}

// "Field: value" lines of a control file, continuation lines joined with
// newlines.
QHash<QString, QString> parseControl(const QByteArray &text)
{
    QHash<QString, QString> fields;
    QString last;
    for (const QString &line : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char(' ')) && !last.isEmpty()) {
            fields[last] += QLatin1Char('\n') + line.mid(1);
        } else if (const int colon = int(line.indexOf(QLatin1Char(':'))); colon > 0) {
            last = line.left(colon);
            fields.insert(last, line.mid(colon + 1).trimmed());
        }
    }
    return fields;
}

QString trimmedOutput(const ToolRun &run)
{
    return QString::fromUtf8(run.standardOutput).trimmed();
}

} // namespace

class tst_DebianPackages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void control_data();
    void control();
    void layout_data();
    void layout();
    void noFileInTwoPackages();
    void unpackedToolWorks();
    void unpackedDevPackageServesPkgConfig();
    void unpackedViewerRenders();
    void lintianFindsNothing();

private:
    QString packageDir(const QString &package) const { return m_dir.filePath(QStringLiteral("unpacked/") + package); }
    QString controlDir(const QString &package) const { return m_dir.filePath(QStringLiteral("control/") + package); }
    QString root(const QString &path) const { return m_dir.filePath(QStringLiteral("root/") + path); }
    QProcessEnvironment unpackedEnvironment() const;

    QTemporaryDir m_dir;
    QString m_multiarch;
    QHash<QString, QString> m_debs;
};

void tst_DebianPackages::initTestCase()
{
    if (findTool(QStringLiteral("dpkg-deb")).isEmpty())
        QSKIP("dpkg-deb is not installed (not a Debian system): the packages cannot be unpacked");
    KELVANE_REQUIRE_TOOL("dpkg-architecture");
    QVERIFY(m_dir.isValid());

    const ToolRun arch = runTool(QStringLiteral("dpkg-architecture"), {QStringLiteral("-qDEB_HOST_MULTIARCH")},
                                 m_dir.path());
    QVERIFY2(arch.ok(), arch.describe(QStringLiteral("dpkg-architecture")).constData());
    m_multiarch = trimmedOutput(arch);

    const QString out = m_dir.filePath(QStringLiteral("out"));
    const ToolRun cpack = runTool(QStringLiteral(KELVANE_CPACK),
                                  {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                                   QStringLiteral(KELVANE_CPACK_CONFIG), QStringLiteral("-B"), out},
                                  m_dir.path(), 900000);
    QVERIFY2(cpack.ok(), cpack.describe(QStringLiteral("cpack")).constData());

    // One package per component, each unpacked on its own and all of them
    // into one tree, as dpkg would install them together.
    const QStringList debs = QDir(out).entryList({QStringLiteral("*.deb")}, QDir::Files, QDir::Name);
    QCOMPARE(debs.size(), ourPackages().size());
    for (const QString &package : ourPackages()) {
        const QStringList matching = debs.filter(QRegularExpression(
            QStringLiteral("^%1_%2_[a-z0-9-]+\\.deb$").arg(QRegularExpression::escape(package), version)));
        QVERIFY2(matching.size() == 1, qPrintable(package + QStringLiteral(": ") + debs.join(QLatin1Char(' '))));
        const QString deb = out + QLatin1Char('/') + matching.first();
        m_debs.insert(package, deb);
        QVERIFY(QDir().mkpath(packageDir(package)) && QDir().mkpath(root(QString()))
                && QDir().mkpath(m_dir.filePath(QStringLiteral("control"))));
        for (const QStringList &arguments : {QStringList{QStringLiteral("-x"), deb, packageDir(package)},
                                             QStringList{QStringLiteral("-x"), deb, root(QString())},
                                             QStringList{QStringLiteral("-e"), deb, controlDir(package)}}) {
            const ToolRun unpack = runTool(QStringLiteral("dpkg-deb"), arguments, m_dir.path());
            QVERIFY2(unpack.ok(), unpack.describe(QStringLiteral("dpkg-deb ") + arguments.first()).constData());
        }
    }
}

void tst_DebianPackages::control_data()
{
    QTest::addColumn<QString>("package");
    QTest::addColumn<QString>("section");
    // Packages the Depends field must name (besides whatever else it names).
    QTest::addColumn<QStringList>("dependencies");
    // "file: line" lines the package's control files must hold.
    QTest::addColumn<QStringList>("controlLines");

#if KELVANE_QT_MAJOR == 6
    const QString qtCore = QStringLiteral("libqt6core6");
    const QString qtWidgets = QStringLiteral("libqt6widgets6");
    const QStringList qtDev{QStringLiteral("qt6-base-dev"), QStringLiteral("qt6-5compat-dev")};
    const QStringList pictureFormats{QStringLiteral("libqt6svg6"), QStringLiteral("qt6-image-formats-plugins")};
#else
    const QString qtCore = QStringLiteral("libqt5core5a");
    const QString qtWidgets = QStringLiteral("libqt5widgets5");
    const QStringList qtDev{QStringLiteral("qtbase5-dev")};
    const QStringList pictureFormats{QStringLiteral("libqt5svg5"), QStringLiteral("qt5-image-formats-plugins")};
#endif
    const QString libc = QStringLiteral("libc6");
    const QString soname = QStringLiteral("libkelvanezip ") + version.section(QLatin1Char('.'), 0, 0);

    QTest::newRow("runtime") << runtimePackage << "libs" << QStringList{libc, qtCore}
                             << QStringList{QStringLiteral("shlibs: %1 %2 (>= %3)").arg(soname, runtimePackage, version),
                                            QStringLiteral("triggers: activate-noawait ldconfig")};
    QTest::newRow("dev") << devPackage << "libdevel" << (QStringList{runtimePackage} + qtDev) << QStringList();
    QTest::newRow("tools") << toolsPackage << "utils" << QStringList{runtimePackage, libc, qtCore}
                           << QStringList();
    QTest::newRow("viewer") << viewerPackage << "education"
                            << (QStringList{runtimePackage, libc, qtWidgets} + pictureFormats) << QStringList();
}

void tst_DebianPackages::control()
{
    QFETCH(QString, package);
    QFETCH(QString, section);
    QFETCH(QStringList, dependencies);
    QFETCH(QStringList, controlLines);

    const QHash<QString, QString> fields = parseControl(FileTree::read(controlDir(package) + QStringLiteral("/control")));
    QCOMPARE(fields.value(QStringLiteral("Package")), package);
    QCOMPARE(fields.value(QStringLiteral("Version")), version);
    QCOMPARE(fields.value(QStringLiteral("Section")), section);
    QCOMPARE(fields.value(QStringLiteral("Priority")), QStringLiteral("optional"));
    const ToolRun arch = runTool(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")}, m_dir.path());
    QCOMPARE(fields.value(QStringLiteral("Architecture")), trimmedOutput(arch));
    QVERIFY2(QRegularExpression(QStringLiteral("^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$"))
                 .match(fields.value(QStringLiteral("Maintainer")))
                 .hasMatch(),
             qPrintable(fields.value(QStringLiteral("Maintainer"))));
    // A synopsis and a longer description below it.
    const QStringList description = fields.value(QStringLiteral("Description")).split(QLatin1Char('\n'));
    QVERIFY2(description.size() >= 3 && !description.first().isEmpty() && description.first().size() <= 80,
             qPrintable(description.join(QLatin1Char('\n'))));

    // Every name in Depends is a package of this build, at this very version,
    // or a Debian package that dpkg knows on this system.
    const QString depends = fields.value(QStringLiteral("Depends"));
    const QRegularExpression relation(
        QStringLiteral("^([a-z0-9][a-z0-9+.-]+)(?::[a-z0-9-]+)?(?: \\((<<|<=|=|>=|>>) ([^ )]+)\\))?$"));
    QStringList named;
    for (const QString &item : depends.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        for (const QString &alternative : item.split(QLatin1Char('|'))) {
            const QRegularExpressionMatch match = relation.match(alternative.trimmed());
            QVERIFY2(match.hasMatch(), qPrintable(QStringLiteral("not a relation: ") + alternative));
            const QString name = match.captured(1);
            named.append(name);
            if (ourPackages().contains(name)) {
                QCOMPARE(match.captured(2) + QLatin1Char(' ') + match.captured(3), QStringLiteral("= ") + version);
                continue;
            }
            const ToolRun known = runTool(QStringLiteral("dpkg-query"),
                                          {QStringLiteral("-W"), QStringLiteral("-f=${Status}"), name}, m_dir.path());
            QVERIFY2(known.ok() && known.standardOutput == "install ok installed",
                     qPrintable(QStringLiteral("%1 depends on %2, which is not a package on this system: %3")
                                    .arg(package, name, QString::fromUtf8(known.standardError))));
        }
    }
    for (const QString &dependency : dependencies)
        QVERIFY2(named.contains(dependency), qPrintable(QStringLiteral("%1 not in Depends: %2").arg(dependency, depends)));

    for (const QString &expected : controlLines) {
        const QString file = expected.section(QStringLiteral(": "), 0, 0);
        const QString line = expected.section(QStringLiteral(": "), 1);
        const QStringList lines = QString::fromUtf8(FileTree::read(controlDir(package) + QLatin1Char('/') + file))
                                      .split(QLatin1Char('\n'));
        QVERIFY2(lines.contains(line), qPrintable(file + QStringLiteral(" lacks: ") + line));
    }
    QVERIFY(QFileInfo(controlDir(package) + QStringLiteral("/md5sums")).size() > 0);
}

void tst_DebianPackages::layout_data()
{
    QTest::addColumn<QString>("package");
    // Files the package must hold, relative to the root.
    QTest::addColumn<QStringList>("files");

    const QString lib = QStringLiteral("usr/lib/%1/").arg(m_multiarch);
    const QString major = version.section(QLatin1Char('.'), 0, 0);
    QTest::newRow("runtime") << runtimePackage
                             << QStringList{lib + QStringLiteral("libkelvanezip.so.") + major,
                                            lib + QStringLiteral("libkelvanezip.so.") + version};
    QTest::newRow("dev") << devPackage
                         << QStringList{lib + QStringLiteral("libkelvanezip.so"),
                                        QStringLiteral("usr/include/kelvanezip/unzip.h"),
                                        QStringLiteral("usr/include/kelvanezip/zip.h"),
                                        QStringLiteral("usr/include/kelvanezip/kelvanezip_export.h"),
                                        QStringLiteral("usr/include/kelvanezip/kelvanezip_version.h"),
                                        lib + QStringLiteral("cmake/KelvaneZip/KelvaneZipConfig.cmake"),
                                        lib + QStringLiteral("cmake/KelvaneZip/KelvaneZipConfigVersion.cmake"),
                                        lib + QStringLiteral("cmake/KelvaneZip/KelvaneZipTargets.cmake"),
                                        lib + QStringLiteral("pkgconfig/kelvanezip.pc")};
    QTest::newRow("tools") << toolsPackage
                           << QStringList{QStringLiteral("usr/bin/kelvane-zip"),
                                          QStringLiteral("usr/share/man/man1/kelvane-zip.1.gz"),
                                          QStringLiteral("usr/share/bash-completion/completions/kelvane-zip")};
    QTest::newRow("viewer") << viewerPackage
                            << QStringList{QStringLiteral("usr/bin/kelvane-viewer"),
                                           lib + QStringLiteral("kelvane/" KELVANE_PLUGIN_FILE_NAME),
                                           QStringLiteral("usr/share/kelvane/lecture.zip"),
                                           QStringLiteral("usr/share/applications/kelvane-viewer.desktop"),
                                           QStringLiteral("usr/share/metainfo/org.kelvane.viewer.metainfo.xml"),
                                           QStringLiteral("usr/share/icons/hicolor/scalable/apps/kelvane-viewer.svg"),
                                           QStringLiteral("usr/share/icons/hicolor/48x48/apps/kelvane-viewer.png"),
                                           QStringLiteral("usr/share/man/man1/kelvane-viewer.1.gz")};
}

void tst_DebianPackages::layout()
{
    QFETCH(QString, package);
    QFETCH(QStringList, files);

    const QString dir = packageDir(package);
    const QStringList entries = FileTree::list(dir);
    for (const QString &file : files)
        QVERIFY2(entries.contains(file), qPrintable(file + QStringLiteral(" missing from ") + package));

    const QString lib = QStringLiteral("usr/lib/%1/").arg(m_multiarch);
    for (const QString &entry : entries) {
        // Everything below /usr, nothing in /usr/local (the administrator's),
        // libraries and the plug-in in the multiarch folder, manual pages
        // compressed.
        QVERIFY2(entry.startsWith(QLatin1String("usr/")), qPrintable(entry));
        QVERIFY2(!entry.startsWith(QLatin1String("usr/local/")), qPrintable(entry));
        if (entry.startsWith(QLatin1String("usr/lib/")) && entry != QLatin1String("usr/lib/"))
            QVERIFY2(entry.startsWith(lib) || lib.startsWith(entry), qPrintable(entry));
        if (entry.startsWith(QLatin1String("usr/share/man/")) && !entry.endsWith(QLatin1Char('/')))
            QVERIFY2(entry.endsWith(QLatin1String(".gz")), qPrintable(entry));
    }

    // The copyright file in Debian's machine-readable format, and the
    // changelog whose newest entry is this version, compressed.
    const QString doc = dir + QStringLiteral("/usr/share/doc/") + package;
    const QByteArray copyright = FileTree::read(doc + QStringLiteral("/copyright"));
    QVERIFY2(copyright.startsWith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"),
             copyright.left(200).constData());
    QVERIFY(copyright.contains("\nFiles: *\nCopyright: 2026 The Kelvane developers\nLicense: MIT\n"));
    QVERIFY(copyright.contains("\n Permission is hereby granted, free of charge,"));
    const ToolRun changelog = runTool(QStringLiteral("gzip"), {QStringLiteral("-dc"), doc + QStringLiteral("/changelog.gz")},
                                      m_dir.path());
    QVERIFY2(changelog.ok(), changelog.describe(QStringLiteral("gzip -dc changelog.gz")).constData());
    QVERIFY2(changelog.standardOutput.startsWith(QStringLiteral("kelvane (%1) ").arg(version).toUtf8()),
             changelog.standardOutput.left(200).constData());
}

void tst_DebianPackages::noFileInTwoPackages()
{
    // dpkg refuses to install a package with a file another one has.
    QHash<QString, QString> owner;
    for (const QString &package : ourPackages()) {
        for (const QString &entry : FileTree::list(packageDir(package))) {
            if (entry.endsWith(QLatin1Char('/')))
                continue;
            QVERIFY2(!owner.contains(entry),
                     qPrintable(QStringLiteral("%1 in %2 and %3").arg(entry, owner.value(entry), package)));
            owner.insert(entry, package);
        }
    }
    QVERIFY(!owner.isEmpty());
}

QProcessEnvironment tst_DebianPackages::unpackedEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"), root(QStringLiteral("usr/lib/") + m_multiarch));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("TMPDIR"), m_dir.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    return environment;
}

void tst_DebianPackages::unpackedToolWorks()
{
    const QString tool = root(QStringLiteral("usr/bin/kelvane-zip"));
    const QString work = m_dir.filePath(QStringLiteral("tool"));
    QVERIFY(QDir().mkpath(work));

    // Nothing points the unpacked program at the build tree: without the
    // library path it does not start, unless the system has the library.
    const ToolRun cache = runTool(QStringLiteral("/sbin/ldconfig"), {QStringLiteral("-p")}, work);
    if (cache.ok() && !cache.standardOutput.contains("libkelvanezip.so")) {
        QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
        bare.remove(QStringLiteral("LD_LIBRARY_PATH"));
        const ToolRun alone = runTool(tool, {QStringLiteral("--help")}, work, bare);
        QVERIFY2(!alone.ok() && alone.standardError.contains("libkelvanezip.so"),
                 alone.describe(QStringLiteral("kelvane-zip without the library path")).constData());
    }

    // Pack the sample lecture, have a peer check the archive, extract it and
    // compare.
    const QProcessEnvironment environment = unpackedEnvironment();
    const QString archive = work + QStringLiteral("/lecture.zip");
    const QString source = QStringLiteral(KELVANE_SAMPLE_SOURCE);
    const ToolRun create = runTool(tool, {QStringLiteral("create"), archive, source, QStringLiteral("-q")}, work,
                                   environment);
    QVERIFY2(create.ok(), create.describe(QStringLiteral("kelvane-zip create")).constData());
    KELVANE_REQUIRE_TOOL("unzip");
    const ToolRun peer = runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), archive}, work);
    QVERIFY2(peer.ok(), peer.describe(QStringLiteral("unzip -tq")).constData());
    const ToolRun test = runTool(tool, {QStringLiteral("test"), archive, QStringLiteral("-q")}, work, environment);
    QVERIFY2(test.ok(), test.describe(QStringLiteral("kelvane-zip test")).constData());
    const QString out = work + QStringLiteral("/out");
    const ToolRun extract = runTool(tool, {QStringLiteral("extract"), archive, QStringLiteral("-d"), out, QStringLiteral("-q")}, work, environment);
    QVERIFY2(extract.ok(), extract.describe(QStringLiteral("kelvane-zip extract")).constData());

    const QString extracted = out + QLatin1Char('/') + QFileInfo(source).fileName();
    const QStringList files = FileTree::list(source);
    QVERIFY(files.contains(QStringLiteral("index.html")));
    QCOMPARE(FileTree::list(extracted), files);
    for (const QString &file : files) {
        if (!file.endsWith(QLatin1Char('/')))
            QVERIFY2(FileTree::read(extracted + QLatin1Char('/') + file) == FileTree::read(source + QLatin1Char('/') + file),
                     qPrintable(file));
    }
}

void tst_DebianPackages::unpackedDevPackageServesPkgConfig()
{
    // kelvanezip.pc finds its prefix from its own place, so in the unpacked
    // tree it names the unpacked headers and library; its Requires (Qt) must
    // be met by what the -dev package depends on.
    KELVANE_REQUIRE_TOOL("pkg-config");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString lib = root(QStringLiteral("usr/lib/") + m_multiarch);
    environment.insert(QStringLiteral("PKG_CONFIG_PATH"), lib + QStringLiteral("/pkgconfig"));
    const ToolRun flags = runTool(QStringLiteral("pkg-config"),
                                  {QStringLiteral("--cflags"), QStringLiteral("--libs"), QStringLiteral("kelvanezip")},
                                  m_dir.path(), environment);
    QVERIFY2(flags.ok(), flags.describe(QStringLiteral("pkg-config kelvanezip")).constData());
    QStringList words;
    for (const QString &word : trimmedOutput(flags).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const bool folder = word.startsWith(QLatin1String("-I")) || word.startsWith(QLatin1String("-L"));
        words.append(folder ? word.left(2) + QDir::cleanPath(word.mid(2)) : word);
    }
    // The include root: the headers are included as <kelvanezip/unzip.h>.
    const QString include = root(QStringLiteral("usr/include"));
    QVERIFY2(words.contains(QStringLiteral("-I") + include), flags.standardOutput.constData());
    QVERIFY2(words.contains(QStringLiteral("-L") + lib) && words.contains(QStringLiteral("-lkelvanezip")),
             flags.standardOutput.constData());
    QVERIFY(QFileInfo(include + QStringLiteral("/kelvanezip/unzip.h")).isFile());
    // The link name leads to the library of the runtime package.
    QVERIFY(QFileInfo(lib + QStringLiteral("/libkelvanezip.so")).isFile());
}

void tst_DebianPackages::unpackedViewerRenders()
{
    // Given no package, the viewer opens the sample installed beside it,
    // through the plug-in it finds relative to itself.
    const QString shot = m_dir.filePath(QStringLiteral("viewer.png"));
    const ToolRun viewer = runTool(root(QStringLiteral("usr/bin/kelvane-viewer")),
                                   {QStringLiteral("--screenshot"), shot}, m_dir.path(), unpackedEnvironment());
    QVERIFY2(viewer.ok(), viewer.describe(QStringLiteral("kelvane-viewer --screenshot")).constData());
    // The page was shown with its picture: the sample's curve in dark red.
    QVERIFY(countPixels(QImage(shot), QColor(200, 40, 40), 30) > 300);
}

void tst_DebianPackages::lintianFindsNothing()
{
    KELVANE_REQUIRE_TOOL("lintian");
    QStringList arguments{QStringLiteral("--fail-on"), QStringLiteral("error,warning")};
    for (const QString &package : ourPackages())
        arguments.append(m_debs.value(package));
    const ToolRun lintian = runTool(QStringLiteral("lintian"), arguments, m_dir.path(), 900000);
    // Errors and warnings are listed on standard output; overrides in the
    // packages carry the reason of each one accepted.
    QVERIFY2(lintian.ok() && lintian.standardOutput.trimmed().isEmpty(),
             lintian.describe(QStringLiteral("lintian")).constData());
}

QTEST_MAIN(tst_DebianPackages)
#include "tst_debianpackages.moc"
