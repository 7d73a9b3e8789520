// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "terminationsignals.h"

#include <QtCore/QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace {

const int handledSignals[] = {SIGINT, SIGTERM, SIGHUP};
int pipeFds[2] = {-1, -1};
struct sigaction previousActions[3];

extern "C" void writeSignalNumber(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Nothing can be done about a failed write inside a handler; a full pipe
    // already holds a request.
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], &byte, 1);
    errno = savedErrno;
}

bool makePipe()
{
    if (::pipe(pipeFds) != 0)
        return false;
    for (int fd : pipeFds) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    return true;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    if (pipeFds[0] >= 0 || !makePipe())
        return;
    m_notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);

    struct sigaction action = {};
    action.sa_handler = writeSignalNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        // A signal ignored by whoever started the viewer (nohup) stays so.
        ::sigaction(handledSignals[i], nullptr, &previousActions[i]);
        if (previousActions[i].sa_handler != SIG_IGN)
            ::sigaction(handledSignals[i], &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (int i = 0; i < 3; ++i)
        ::sigaction(handledSignals[i], &previousActions[i], nullptr);
    delete m_notifier;
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

void TerminationSignals::readPipe()
{
    unsigned char byte = 0;
    while (::read(pipeFds[0], &byte, 1) == 1) {
        if (m_received != 0)
            continue;
        m_received = byte;
        emit terminationRequested(m_received);
    }
}

void TerminationSignals::endBy(int signalNumber)
{
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
    // Reached only when the signal is blocked.
    std::_Exit(128 + signalNumber);
}
