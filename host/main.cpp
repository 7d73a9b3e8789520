// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// kelvane-viewer: a small host for the player plug-in. It loads the plug-in,
// checks its verification text, optionally installs the Russian catalogue
// from the plug-in's resources, asks for the window, opens a package in it
// and quits when the window says it is done.

#include <ikelvaneplayer.h>

#include <QtCore/QCommandLineParser>
#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QLibrary>
#include <QtCore/QLocale>
#include <QtCore/QPluginLoader>
#include <QtCore/QTimer>
#include <QtCore/QTranslator>
#include <QtGui/QPixmap>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QWidget>

#include <cstdio>

namespace {

enum ExitCode {
    ExitOk = 0,
    ExitUsage = 1,
    ExitPluginNotLoaded = 2,
    ExitWrongVerification = 3,
    ExitNoPlayer = 4,
    ExitOpenFailed = 5,
    ExitScreenshotFailed = 6
};

// The text a compatible player plug-in reports through
// qt_plugin_query_verification_data().
const char expectedVerification[] =
    "pattern=QT_PLUGIN_VERIFICATION_DATA\n"
    "version=4.5.0\n"
    "debug=false\n"
    "buildkey=i386 linux g++-4 full-config";

void fail(const QString &message)
{
    std::fprintf(stderr, "kelvane-viewer: %s\n", qPrintable(message));
}

QString defaultPluginPath()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/')
        + QLatin1String(KELVANE_PLUGIN_FILE_NAME);
}

// The sample lecture: beside the program (an installed viewer), otherwise
// where the build put it.
QString defaultPackagePath()
{
    const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/')
        + QLatin1String(KELVANE_SAMPLE_FILE_NAME);
    if (QFileInfo::exists(beside))
        return beside;
    return QString::fromUtf8(KELVANE_SAMPLE_BUILD_PATH);
}

bool verificationMatches(const QString &pluginPath, QString *reported)
{
    QLibrary library(pluginPath);
    using VerificationFunction = const char *(*)();
    const auto function = reinterpret_cast<VerificationFunction>(
        library.resolve("qt_plugin_query_verification_data"));
    if (!function) {
        *reported = QStringLiteral("(no qt_plugin_query_verification_data: %1)").arg(library.errorString());
        return false;
    }
    const char *text = function();
    *reported = QString::fromLatin1(text ? text : "(null)");
    return text && qstrcmp(text, expectedVerification) == 0;
}

bool wantsRussian(const QString &language)
{
    if (!language.isEmpty())
        return language.startsWith(QLatin1String("ru"), Qt::CaseInsensitive);
    return QLocale::system().language() == QLocale::Russian;
}

// Without a person in front of the screen nobody closes a warning box, so in
// screenshot mode every box is written to standard error and closed.
void closeBoxesUnattended(QObject *parent)
{
    auto *timer = new QTimer(parent);
    QObject::connect(timer, &QTimer::timeout, [] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        fail(QStringLiteral("%1: %2").arg(box->windowTitle(), box->text()));
        box->done(QMessageBox::Ok);
    });
    timer->start(50);
}

// Lets the window lay itself out and load the page's pictures.
void settle(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Ends the event loop when the player emits sgQuit(), remembering that the
// player has already cleaned up after itself.
class SessionEnd : public QObject
{
    Q_OBJECT
public:
    bool byPlayer = false;

public slots:
    void playerQuit()
    {
        byPlayer = true;
        QCoreApplication::quit();
    }
};

// QGuiApplication takes "-plugin NAME" (also spelt "--plugin") for itself,
// to load input plug-ins, and removes it from the arguments. The viewer's own
// --plugin is therefore taken out before the application sees it.
QString takePluginArgument(int &argc, char **argv, bool *given)
{
    QString value;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if ((arg == "--plugin" || arg == "-plugin") && i + 1 < argc) {
            value = QString::fromLocal8Bit(argv[++i]);
            *given = true;
        } else if (arg.startsWith("--plugin=")) {
            value = QString::fromLocal8Bit(arg.mid(int(sizeof "--plugin=") - 1));
            *given = true;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    return value;
}

} // namespace

int main(int argc, char *argv[])
{
    bool pluginGiven = false;
    const QString pluginArgument = takePluginArgument(argc, argv, &pluginGiven);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kelvane-viewer"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Opens a lecture package (a ZIP archive with index.html) in the Kelvane player.\n"
        "Without a package it opens the bundled sample lecture."));
    parser.addHelpOption();
    const QCommandLineOption pluginOption(QStringLiteral("plugin"),
        QStringLiteral("Load the player plug-in from <path> (default: beside the program)."),
        QStringLiteral("path"));
    const QCommandLineOption langOption(QStringLiteral("lang"),
        QStringLiteral("Language of the controls: ru installs the Russian catalogue, "
                       "anything else keeps English (default: from the system locale)."),
        QStringLiteral("language"));
    const QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
        QStringLiteral("Render the window after opening into <file> (PNG) and exit."),
        QStringLiteral("file"));
    const QCommandLineOption sizeOption(QStringLiteral("size"),
        QStringLiteral("Window size as WIDTHxHEIGHT (default: 960x820)."),
        QStringLiteral("size"), QStringLiteral("960x820"));
    parser.addOptions({pluginOption, langOption, screenshotOption, sizeOption});
    parser.addPositionalArgument(QStringLiteral("package"),
        QStringLiteral("The lecture package to open."), QStringLiteral("[package.zip]"));
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        fail(QStringLiteral("only one package can be opened at a time"));
        return ExitUsage;
    }
    const QStringList sizeParts = parser.value(sizeOption).split(QLatin1Char('x'));
    const int width = sizeParts.size() == 2 ? sizeParts.at(0).toInt() : 0;
    const int height = sizeParts.size() == 2 ? sizeParts.at(1).toInt() : 0;
    if (width <= 0 || height <= 0) {
        fail(QStringLiteral("--size expects WIDTHxHEIGHT, got \"%1\"").arg(parser.value(sizeOption)));
        return ExitUsage;
    }
    const QString package = QFileInfo(positional.isEmpty() ? defaultPackagePath() : positional.first())
                                .absoluteFilePath();
    if (!QFileInfo(package).isFile()) {
        fail(QStringLiteral("no such package: %1").arg(package));
        return ExitUsage;
    }

    // Relative paths are taken now: opening a package changes the current
    // folder to the player's working folder.
    const QString screenshotFile = parser.isSet(screenshotOption)
        ? QFileInfo(parser.value(screenshotOption)).absoluteFilePath()
        : QString();

    // The player keeps its working folder under QDir::tempPath(); a relative
    // TMPDIR would move along with the current folder, which the player
    // changes, so it is pinned down here.
    const QString tmpDir = QFile::decodeName(qgetenv("TMPDIR"));
    if (!tmpDir.isEmpty() && QDir::isRelativePath(tmpDir))
        qputenv("TMPDIR", QFile::encodeName(QDir(tmpDir).absolutePath()));

    const QString pluginPath = pluginGiven ? QFileInfo(pluginArgument).absoluteFilePath() : defaultPluginPath();
    QPluginLoader loader(pluginPath);
    if (!loader.load()) {
        fail(QStringLiteral("cannot load the player plug-in %1: %2").arg(pluginPath, loader.errorString()));
        return ExitPluginNotLoaded;
    }

    QString reported;
    if (!verificationMatches(loader.fileName(), &reported)) {
        fail(QStringLiteral("%1 is not a compatible player plug-in; its verification text is:\n%2")
                 .arg(loader.fileName(), reported));
        return ExitWrongVerification;
    }

    // The label is translated when the window is built, so the catalogue
    // goes in before the instance is asked for.
    QTranslator translator;
    if (wantsRussian(parser.value(langOption))) {
        if (translator.load(QStringLiteral(":/kelvane_player_res/player.qm")))
            QCoreApplication::installTranslator(&translator);
        else
            fail(QStringLiteral("the plug-in holds no translation catalogue; staying in English"));
    }

    QObject *instance = loader.instance();
    auto *player = qobject_cast<IKelvanePlayer *>(instance);
    auto *window = qobject_cast<QWidget *>(instance);
    if (!player || !window) {
        fail(QStringLiteral("%1 gives no player window (%2)")
                 .arg(loader.fileName(), instance ? QString::fromLatin1(instance->metaObject()->className())
                                                  : loader.errorString()));
        return ExitNoPlayer;
    }

    // The back button ends the session: the player has removed its working
    // folder and says so with sgQuit().
    SessionEnd sessionEnd;
    if (!QObject::connect(instance, SIGNAL(sgQuit()), &sessionEnd, SLOT(playerQuit()))) {
        fail(QStringLiteral("%1 has no sgQuit() signal").arg(loader.fileName()));
        delete instance;
        return ExitNoPlayer;
    }
    const bool screenshot = parser.isSet(screenshotOption);
    if (screenshot)
        closeBoxesUnattended(&app);

    window->setWindowTitle(QStringLiteral("%1 - Kelvane").arg(QFileInfo(package).fileName()));
    window->resize(width, height);
    window->show();

    const bool opened = player->slOpen(package);

    int result = opened ? ExitOk : ExitOpenFailed;
    if (screenshot) {
        settle(300);
        if (!window->grab().save(screenshotFile, "PNG")) {
            fail(QStringLiteral("cannot write the screenshot %1").arg(screenshotFile));
            result = ExitScreenshotFailed;
        } else {
            std::printf("screenshot: %s\n", qPrintable(screenshotFile));
            std::fflush(stdout);
        }
    } else if (opened) {
        app.exec();
    }

    // A window closed by other means than the back button (or a screenshot
    // run) still leaves the working folder behind: let the player remove it.
    QObject::disconnect(instance, nullptr, &sessionEnd, nullptr);
    if (!sessionEnd.byPlayer)
        QMetaObject::invokeMethod(instance, "slQuit");
    delete instance;
    return result;
}

#include "main.moc"
