// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "commandline.h"

#include "exitcodes.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QStringList>

namespace {

// The value of an option given as "--name VALUE" or "--name=VALUE" at
// argv[*index]; advances *index past a separate value.
bool optionValue(const QByteArray &name, int argc, char **argv, int *index, QByteArray *value)
{
    const QByteArray arg(argv[*index]);
    if (arg == name) {
        if (*index + 1 < argc)
            *value = argv[++*index];
        return true;
    }
    if (arg.startsWith(name + '=')) {
        *value = arg.mid(name.size() + 1);
        return true;
    }
    return false;
}

} // namespace

CommandLine::CommandLine()
    : m_plugin(QStringLiteral("plugin"),
               tr("Load the player plug-in from <path> (default: where the program keeps it)."),
               tr("path"))
    , m_lang(QStringLiteral("lang"),
             tr("Language of the controls: ru for Russian, anything else for English "
                "(default: from the system locale)."),
             tr("language"))
    , m_screenshot(QStringLiteral("screenshot"),
                   tr("Render the window after opening into <file> (PNG) and exit; "
                      "without a display this happens offscreen."),
                   tr("file"))
    , m_pdf(QStringLiteral("pdf"),
            tr("Write every page of the lecture, in the order of its contents, into <file> "
               "(PDF, pictures included, each page on a new sheet) and exit; no window is shown."),
            tr("file"))
    , m_size(QStringLiteral("size"),
             tr("Window size as WIDTHxHEIGHT, kept within the screen; "
                "a screenshot gets exactly this size (default: 960x820)."),
             tr("size"))
    , m_contents(QStringLiteral("contents"),
                 tr("Print the lecture's contents (title, tab, path inside the package; indented by "
                    "two spaces a level) and exit; no window is shown."))
    , m_find(QStringLiteral("find"),
             tr("Print each match of <text> in the lecture's pages (path inside the package, tab, the "
                "words around it) and exit: 0 when something was found, 1 when nothing was."),
             tr("text"))
    , m_page(QStringLiteral("page"), tr("With --pdf: write only the page at <path> inside the package."),
             tr("path"))
{
    m_parser.setApplicationDescription(
        tr("Shows a lecture package (a ZIP archive with index.html) in the Kelvane player.\n"
           "Without a package it shows its start screen (recent lectures, the bundled sample); "
           "--screenshot, --pdf, --contents and --find then take the sample lecture."));
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    m_parser.addOptions({m_plugin, m_lang, m_screenshot, m_pdf, m_size, m_contents, m_find, m_page});
    m_parser.addPositionalArgument(QStringLiteral("package"), tr("The lecture package to open."),
                                   tr("[package.zip]"));
}

LaunchRequest CommandLine::scan(int argc, char **argv)
{
    LaunchRequest request;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--")
            break;
        QByteArray value;
        if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all" || arg == "-v"
            || arg == "--version")
            request.textOnly = true;
        else if (optionValue("--screenshot", argc, argv, &i, &value))
            request.screenshot = true;
        else if (optionValue("--pdf", argc, argv, &i, &value))
            request.pdf = true;
        else if (arg == "--contents" || optionValue("--find", argc, argv, &i, &value))
            request.report = true;
        else if (optionValue("--lang", argc, argv, &i, &value))
            request.language = QString::fromLocal8Bit(value);
        else if (optionValue("-platform", argc, argv, &i, &value))
            request.platformGiven = true;
    }
    return request;
}

QString CommandLine::takePluginArgument(int &argc, char **argv, bool *given)
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

bool CommandLine::process(const QCoreApplication &app, ViewerOptions *options)
{
    m_parser.process(app);

    const QStringList positional = m_parser.positionalArguments();
    if (positional.size() > 1) {
        printError(tr("only one package can be opened at a time"));
        return false;
    }
    if (m_parser.isSet(m_size)) {
        const QStringList parts = m_parser.value(m_size).split(QLatin1Char('x'));
        const int width = parts.size() == 2 ? parts.at(0).toInt() : 0;
        const int height = parts.size() == 2 ? parts.at(1).toInt() : 0;
        if (width <= 0 || height <= 0) {
            printError(tr("--size expects WIDTHxHEIGHT, got \"%1\"").arg(m_parser.value(m_size)));
            return false;
        }
        options->size = QSize(width, height);
    }

    options->packageGiven = !positional.isEmpty();
    options->package = QFileInfo(options->packageGiven ? positional.first() : samplePackagePath())
                           .absoluteFilePath();
    // Anything else than nothing goes to the player, which names what is
    // wrong with it (a folder, a pipe, a file that is no ZIP archive).
    if (!QFileInfo::exists(options->package)) {
        printError(tr("no such package: %1").arg(options->package));
        return false;
    }

    // Relative output paths are taken now: opening a package changes the
    // current folder to the player's working folder.
    if (m_parser.isSet(m_screenshot))
        options->screenshotFile = QFileInfo(m_parser.value(m_screenshot)).absoluteFilePath();
    if (m_parser.isSet(m_pdf))
        options->pdfFile = QFileInfo(m_parser.value(m_pdf)).absoluteFilePath();
    options->language = m_parser.value(m_lang);
    return processLectureOptions(options);
}

bool CommandLine::processLectureOptions(ViewerOptions *options)
{
    options->listContents = m_parser.isSet(m_contents);
    options->findText = m_parser.value(m_find).simplified();
    if (m_parser.isSet(m_find) && options->findText.isEmpty()) {
        printError(tr("--find expects a text to look for"));
        return false;
    }
    if (m_parser.isSet(m_page)) {
        if (options->pdfFile.isEmpty()) {
            printError(tr("--page goes with --pdf"));
            return false;
        }
        options->pdfPage = QDir::fromNativeSeparators(m_parser.value(m_page));
    }
    const int reports = int(options->listContents) + int(!options->findText.isEmpty());
    if (reports > 1 || (reports == 1 && (!options->pdfFile.isEmpty() || !options->screenshotFile.isEmpty()))) {
        printError(tr("--contents, --find, --pdf and --screenshot cannot be combined"));
        return false;
    }
    return true;
}

QString CommandLine::samplePackagePath()
{
    const QString installed = QCoreApplication::applicationDirPath() + QLatin1Char('/')
        + QLatin1String(KELVANE_SAMPLE_FROM_PROGRAM) + QLatin1Char('/') + QLatin1String(KELVANE_SAMPLE_FILE_NAME);
    const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/')
        + QLatin1String(KELVANE_SAMPLE_FILE_NAME);
    for (const QString &candidate : {installed, beside}) {
        if (QFileInfo(candidate).isFile())
            return QFileInfo(candidate).absoluteFilePath();
    }
    return QString::fromUtf8(KELVANE_SAMPLE_BUILD_PATH);
}
