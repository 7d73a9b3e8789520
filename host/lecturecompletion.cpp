// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "lecturecompletion.h"

#include <ikelvanenavigator.h>

#include <QtCore/QMetaObject>
#include <QtCore/QObject>

void LectureCompletion::wait(IKelvaneNavigator *navigator)
{
    QObject *events = navigator ? navigator->navigationSignals() : nullptr;
    if (events && events->metaObject()->indexOfMethod("waitForLecture()") >= 0)
        QMetaObject::invokeMethod(events, "waitForLecture");
}
