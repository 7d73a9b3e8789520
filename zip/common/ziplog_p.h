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

private:
    QString m_detail;
};

#endif // KELVANE_ZIPLOG_P_H
