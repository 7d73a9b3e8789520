// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_TERMINATIONSIGNALS_H
#define KELVANE_HOST_TERMINATIONSIGNALS_H

#include <QtCore/QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into the Qt signal terminationRequested(),
// delivered by the event loop: the handler only writes the signal's number
// into a pipe, and the clean-up runs outside of it. One object per process.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    // Puts the previous handlers back.
    ~TerminationSignals() override;

    bool isValid() const { return m_notifier != nullptr; }
    // The first signal received, 0 while none came.
    int received() const { return m_received; }

    // Ends the process as the signal would have ended it without a handler,
    // so that the parent sees the real cause. Call after the clean-up.
    [[noreturn]] static void endBy(int signalNumber);

signals:
    void terminationRequested(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
    int m_received = 0;
};

#endif // KELVANE_HOST_TERMINATIONSIGNALS_H
