// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_HOST_LECTURECOMPLETION_H
#define KELVANE_HOST_LECTURECOMPLETION_H

class IKelvaneNavigator;

// A player may show the first page of a large lecture while it still
// unpacks the others; what needs every page (the contents on standard
// output, the search, the whole lecture on paper or in a PDF) waits for
// them through the player's waitForLecture() call, handling events
// meanwhile. Players without it have every page at once.
class LectureCompletion
{
public:
    static void wait(IKelvaneNavigator *navigator);
};

#endif // KELVANE_HOST_LECTURECOMPLETION_H
