// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "debugrecorder.h"

namespace {
DebugRecorder *current = nullptr;
}

DebugRecorder::DebugRecorder(OtherMessages others)
    : m_outer(current)
    , m_others(others)
{
    current = this;
    m_previous = qInstallMessageHandler(&DebugRecorder::handler);
}

DebugRecorder::~DebugRecorder()
{
    qInstallMessageHandler(m_previous);
    current = m_outer;
}

QStringList DebugRecorder::take()
{
    QStringList result;
    result.swap(m_lines);
    return result;
}

void DebugRecorder::handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg && current) {
        current->m_lines.append(message);
        return;
    }
    if (current && current->m_others == SwallowOthers)
        return;
    if (current && current->m_previous)
        current->m_previous(type, context, message);
}
