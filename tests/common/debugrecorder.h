// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TESTS_DEBUGRECORDER_H
#define KELVANE_TESTS_DEBUGRECORDER_H

// Records the lines written to Qt's debug output (qDebug) while it lives, so
// that a test can compare them with the expected diagnostics, exactly as they
// would be printed (QString arguments inside double quotes). Other message
// types go on to the handler that was installed before, unless the recorder
// is told to swallow them (for runs over thousands of damaged inputs, where
// Qt's own warnings would only flood the log).
//
//     DebugRecorder debug;
//     reader.extractAll(dir);
//     QCOMPARE(debug.lines(), QStringList{"Removing corrupted entry \"a.txt\""});

#include <QtCore/QStringList>
#include <QtCore/QtGlobal>

class DebugRecorder
{
public:
    enum OtherMessages { ForwardOthers,
                         SwallowOthers };

    explicit DebugRecorder(OtherMessages others = ForwardOthers);
    ~DebugRecorder();
    DebugRecorder(const DebugRecorder &) = delete;
    DebugRecorder &operator=(const DebugRecorder &) = delete;

    QStringList lines() const { return m_lines; }
    // The lines recorded so far; the record starts again empty.
    QStringList take();
    void clear() { m_lines.clear(); }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message);

    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
    DebugRecorder *m_outer = nullptr;
    OtherMessages m_others = ForwardOthers;
};

#endif // KELVANE_TESTS_DEBUGRECORDER_H
