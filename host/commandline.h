// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_COMMANDLINE_H
#define KELVANE_HOST_COMMANDLINE_H

#include <QtCore/QCommandLineOption>
#include <QtCore/QCommandLineParser>
#include <QtCore/QCoreApplication>
#include <QtCore/QSize>
#include <QtCore/QString>

// What the raw arguments say before any application object exists: whether
// only text is asked for, whether a window will be shown, the language.
struct LaunchRequest
{
    bool textOnly = false;      // --help, --help-all or --version
    bool screenshot = false;    // --screenshot FILE
    bool pdf = false;           // --pdf FILE
    bool report = false;        // --contents or --find TEXT: text, no window
    bool platformGiven = false; // Qt's own -platform NAME
    QString language;           // --lang, empty when not given
};

// What the viewer is asked to do, with every path made absolute.
struct ViewerOptions
{
    QString package;           // the package to open
    bool packageGiven = false; // false: the bundled sample lecture
    QString pluginPath;        // empty: the default place
    QString language;
    QString screenshotFile;
    QString pdfFile;
    QString pdfPage;           // --page: the one page of the PDF; empty: all
    bool listContents = false; // --contents
    QString findText;          // --find; empty when not given
    QSize size;                // invalid when --size was not given
};

// The viewer's command line: its options, help text and checks.
class CommandLine
{
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    CommandLine();

    static LaunchRequest scan(int argc, char **argv);

    // QGuiApplication takes "-plugin NAME" (also spelt "--plugin") for
    // itself, to load input plug-ins, and removes it from the arguments. The
    // viewer's own --plugin is therefore taken out before any application
    // object sees the arguments.
    static QString takePluginArgument(int &argc, char **argv, bool *given);

    // Parses the application's arguments. --help and --version print and
    // exit; a bad command line is reported on standard error and gives
    // false.
    bool process(const QCoreApplication &app, ViewerOptions *options);

    // The bundled sample lecture: where the installed program keeps it,
    // otherwise where the build put it.
    static QString samplePackagePath();

private:
    bool processLectureOptions(ViewerOptions *options);

    QCommandLineParser m_parser;
    QCommandLineOption m_plugin;
    QCommandLineOption m_lang;
    QCommandLineOption m_screenshot;
    QCommandLineOption m_pdf;
    QCommandLineOption m_size;
    QCommandLineOption m_contents;
    QCommandLineOption m_find;
    QCommandLineOption m_page;
};

#endif // KELVANE_HOST_COMMANDLINE_H
