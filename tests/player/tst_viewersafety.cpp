// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The viewer on packages too big to unpack at once: stopped while it
// unpacks (Cancel, the window closed, Ctrl+Q, the back button, SIGINT,
// SIGTERM, SIGHUP) in process and as a program, on a tmpfs; each ends within
// two seconds and leaves nothing behind.

#include "playertestsupport.h"

#include <rawzip.h>
#include <smalltmpfs.h>

#include <commandline.h>
#include <translations.h>
#include <viewersession.h>
#include <viewerwindow.h>

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>
#include <QtWidgets/QProgressDialog>
#include <QtWidgets/QPushButton>

#include <csignal>
#include <memory>

#include <signal.h>

namespace {

const int chunkSize = 4 * 1024 * 1024;

// Text that bzip2 packs well and unpacks slowly: tens of MB a second, so
// that a few hundred MB keep the viewer busy for seconds.
QByteArray lectureText(int size)
{
    QByteArray data;
    data.reserve(size + 16);
    quint32 x = 12345;
    while (data.size() < size) {
        x = x * 1103515245u + 12345u;
        data += "section ";
        data += QByteArray::number(x >> 16);
        data += (x & 0x300) ? ' ' : '\n';
    }
    data.truncate(size);
    return data;
}

// A lecture whose start page comes first and whose `chunks` other files of
// 4 MiB each unpack slowly; one bzip2 stream stands for all of them.
QByteArray slowLecture(int chunks)
{
    static const QByteArray chunk = lectureText(chunkSize);
    static const QByteArray packed = RawZip::compress(RawZip::Bzip2, chunk);
    RawZip zip;
    zip.add("index.html", cp1251Page(QStringLiteral("<p>Большая лекция</p>")));
    for (int i = 0; i < chunks; ++i)
        zip.add(QStringLiteral("media/part%1.txt").arg(i, 3, 10, QLatin1Char('0')).toLatin1(), chunk)
            .compressed(RawZip::Bzip2)
            .raw(packed);
    return zip.build().bytes;
}

// A folder on a tmpfs: a small one mounted for the test when it runs as
// root, else one in /dev/shm.
class TmpfsFolder
{
public:
    explicit TmpfsFolder(qint64 bytes)
        : m_mounted(bytes)
    {
        if (!m_mounted.isMounted() && QFileInfo(QStringLiteral("/dev/shm")).isWritable())
            m_shm.reset(new QTemporaryDir(QStringLiteral("/dev/shm/kelvane-test-XXXXXX")));
    }
    bool isValid() const { return m_mounted.isMounted() || (m_shm && m_shm->isValid()); }
    QString path() const { return m_mounted.isMounted() ? m_mounted.path() : m_shm ? m_shm->path()
                                                                                   : QString(); }
    QString filePath(const QString &name) const { return path() + QLatin1Char('/') + name; }
    // What the tmpfs holds, the package aside.
    QStringList contentsBesides(const QString &name) const
    {
        QStringList names = QDir(path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        names.removeAll(name);
        return names;
    }

private:
    SmallTmpfs m_mounted;
    std::unique_ptr<QTemporaryDir> m_shm;
};

QProgressDialog *progressDialog()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QProgressDialog *>(widget);
        if (dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

ViewerWindow *viewerWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<ViewerWindow *>(widget))
            return window;
    }
    return nullptr;
}

// Stops the viewer the way the row names.
void interrupt(const QString &way)
{
    ViewerWindow *window = viewerWindow();
    if (way == QLatin1String("cancel")) {
        if (QProgressDialog *dialog = progressDialog())
            dialog->findChild<QPushButton *>()->click();
    } else if (way == QLatin1String("close")) {
        window->close();
    } else if (way == QLatin1String("quit")) {
        QApplication::setActiveWindow(window);
        QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
    } else if (way == QLatin1String("back")) {
        PlayerWidgets::of(window->centralWidget()).backButton->click();
    } else {
        ::raise(way == QLatin1String("SIGINT") ? SIGINT : way == QLatin1String("SIGHUP") ? SIGHUP
                                                                                         : SIGTERM);
    }
}

} // namespace

class tst_ViewerSafety : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void stoppedWhileUnpacking_data();
    void stoppedWhileUnpacking();
    void programStoppedWhileUnpacking_data();
    void programStoppedWhileUnpacking();

private:
    std::unique_ptr<TmpfsFolder> m_tmpfs;
    QString m_package;
};

void tst_ViewerSafety::initTestCase()
{
    m_tmpfs.reset(new TmpfsFolder(qint64(900) * 1024 * 1024));
    if (!m_tmpfs->isValid())
        QSKIP("needs a tmpfs: root for a small one, or a writable /dev/shm");
    // 75 files of 4 MiB: 300 MiB to unpack, seconds of work.
    m_package = m_tmpfs->filePath(QStringLiteral("big.zip"));
    QVERIFY(writeFile(m_package, slowLecture(75)));
}

void tst_ViewerSafety::init()
{
    // A session ended by the back button or a signal has asked the
    // application to leave its event loops; the next one starts afresh, as
    // a new process would.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

void tst_ViewerSafety::stoppedWhileUnpacking_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<int>("exitCode"); // -1: ended by the signal
    QTest::newRow("Cancel") << "cancel" << 5;
    QTest::newRow("window closed") << "close" << 0;
    QTest::newRow("Ctrl+Q") << "quit" << 0;
    QTest::newRow("back button") << "back" << 5;
    QTest::newRow("SIGINT") << "SIGINT" << -1;
    QTest::newRow("SIGTERM") << "SIGTERM" << -1;
    QTest::newRow("SIGHUP") << "SIGHUP" << -1;
}

// The session of the program, in process: the window and its progress
// dialog while the package unpacks, then the way out.
void tst_ViewerSafety::stoppedWhileUnpacking()
{
    QFETCH(QString, way);
    QFETCH(int, exitCode);
    const QByteArray savedTmpDir = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(m_tmpfs->path()));
    ViewerOptions options;
    options.package = m_package;
    options.packageGiven = true;
    options.pluginPath = QStringLiteral(KELVANE_PLAYER_PLUGIN);
    Translations translations(QStringLiteral("en"));
    ViewerSession session(options, translations);

    // The event loop keeps running while the package unpacks.
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(50);
    QString folder;
    QString dialogText;
    QElapsedTimer sinceInterrupt;
    QTimer::singleShot(1000, &ticker, [&] {
        folder = QFile::decodeName(qgetenv("TMPDIR"));
        if (QProgressDialog *dialog = progressDialog())
            dialogText = dialog->labelText();
        sinceInterrupt.start();
        interrupt(way);
    });
    const int code = session.run();
    const qint64 exitMs = sinceInterrupt.elapsed();
    qputenv("TMPDIR", savedTmpDir);

    qInfo("%s: the session ended %lld ms after it was asked to", qPrintable(way), exitMs);
    QVERIFY2(exitMs < 2000, qPrintable(QString::number(exitMs)));
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
    QVERIFY2(dialogText.contains(QLatin1String("big.zip")) && dialogText.contains(QLatin1String(" of 300")),
             qPrintable(dialogText));
    if (exitCode >= 0) {
        QCOMPARE(code, exitCode);
        QCOMPARE(session.terminationSignal(), 0);
    } else {
        QVERIFY(session.terminationSignal() != 0);
    }
    QVERIFY(folder.startsWith(m_tmpfs->path() + QStringLiteral("/kelvane-viewer-")));
    QCOMPARE(m_tmpfs->contentsBesides(QStringLiteral("big.zip")), QStringList());
}

void tst_ViewerSafety::programStoppedWhileUnpacking_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

// kelvane-viewer as a program: the process is gone within two seconds of
// the signal, ended by it, with its folder.
void tst_ViewerSafety::programStoppedWhileUnpacking()
{
    QFETCH(int, signalNumber);
    QProcess viewer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("TMPDIR"), m_tmpfs->path());
    QTemporaryDir config;
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), config.path()); // Qt's own files go there
    viewer.setProcessEnvironment(environment);
    viewer.start(QStringLiteral(KELVANE_VIEWER), {m_package});
    QByteArray output;
    while (!output.contains("ok6\n") && viewer.waitForReadyRead(20000))
        output += viewer.readAllStandardOutput();
    QVERIFY2(output.contains("ok6\n"), output.constData());
    QTest::qWait(700); // well into the unpacking

    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(viewer.processId()), signalNumber);
    const bool ended = viewer.waitForFinished(2000);
    qInfo("the program ended %lld ms after the signal", clock.elapsed());
    QVERIFY(ended);
    QCOMPARE(viewer.exitStatus(), QProcess::CrashExit);
    QCOMPARE(viewer.exitCode(), signalNumber);
    QVERIFY2(m_tmpfs->contentsBesides(QStringLiteral("big.zip")).isEmpty(),
             qPrintable(m_tmpfs->contentsBesides(QStringLiteral("big.zip")).join(QLatin1Char(' '))
                        + QString::fromLocal8Bit(viewer.readAllStandardError())));
}

QTEST_MAIN(tst_ViewerSafety)
#include "tst_viewersafety.moc"
