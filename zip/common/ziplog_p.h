// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ZIPLOG_P_H
#define KELVANE_ZIPLOG_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// The component's diagnostics: every line goes to the logging category
// "kelvane.zip" (so a host can silence or enable it with QT_LOGGING_RULES)
// and is kept as the detail that UnZip and Zip offer as lastErrorDetail().

#include <QtCore/QLoggingCategory>
#include <QtCore/QString>
#include <QtCore/QVector>

Q_DECLARE_LOGGING_CATEGORY(lcKelvaneZip)

class ZipDiagnostic
{
public:
    // A line built at run time: logged as QDebug shows a string (in double
    // quotes), kept without the quotes.
    void report(const QString &line);
    // A fixed line: logged and kept as it is.
    void report(const char *line);
    // A fixed text followed by a name: logged as `text "name"`.
    void report(const char *text, const QString &name);

    // A line that is only logged: the detail stays as it was.
    void log(const QString &line);

    void clear() { m_detail.clear(); }
    QString detail() const { return m_detail; }

    // One line as reported, kept to be logged later.
    struct Line
    {
        enum Form { Text,
                    Fixed,
                    Named };
        Form form = Text;
        const char *fixed = nullptr; // Fixed and Named: the static text
        QString text;                // Text: the line; Named: the name
    };

    // While deferred, lines are kept (detail() still follows them) instead
    // of being logged: worker threads collect the lines of each entry so
    // that they can be logged in the serial reader's order afterwards.
    void setDeferred(bool deferred) { m_deferred = deferred; }
    // The lines kept since the last call, which are forgotten.
    QVector<Line> takeLines();
    // Logs the line and makes it the detail, as report() did.
    void replay(const Line &line);

private:
    void emitLine(const Line &line);

    QString m_detail;
    bool m_deferred = false;
    QVector<Line> m_lines;
};

#endif // KELVANE_ZIPLOG_P_H
