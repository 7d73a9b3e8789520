// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "navigationhistory.h"

void NavigationHistory::setCurrentScrollPosition(int position)
{
    if (!m_visited.isEmpty())
        m_visited.last().scrollPosition = position;
}

NavigationHistory::Location NavigationHistory::goBack()
{
    if (canGoBack())
        m_ahead.append(m_visited.takeLast());
    return current();
}

NavigationHistory::Location NavigationHistory::goForward()
{
    if (canGoForward())
        m_visited.append(m_ahead.takeLast());
    return current();
}
