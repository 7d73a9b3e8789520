// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "pagefinder.h"

#include <QtWidgets/QLineEdit>
#include <QtWidgets/QTextBrowser>

namespace {

// The field's colours while it shows that the text was not found: dark text
// on pale red, readable in light and dark themes alike.
const QColor notFoundBackground(255, 170, 170);
const QColor notFoundText(60, 0, 0);

} // namespace

PageFinder::PageFinder(QTextBrowser *browser, QLineEdit *field, QObject *parent)
    : QObject(parent)
    , m_browser(browser)
    , m_field(field)
{
    connect(m_field, &QLineEdit::textChanged, this, [this] { showNotFound(false); });
}

bool PageFinder::findNext()
{
    const QString text = m_field->text();
    if (text.isEmpty())
        return false;
    const bool found = m_browser->find(text);
    showNotFound(!found);
    return found;
}

void PageFinder::focusField()
{
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void PageFinder::showNotFound(bool notFound)
{
    if (notFound == m_showsNotFound)
        return;
    if (notFound) {
        m_normalPalette = m_field->palette();
        m_normalToolTip = m_field->toolTip();
        QPalette palette = m_normalPalette;
        palette.setColor(QPalette::Base, notFoundBackground);
        palette.setColor(QPalette::Text, notFoundText);
        m_field->setPalette(palette);
        m_field->setToolTip(tr("Not found"));
    } else {
        m_field->setPalette(m_normalPalette);
        m_field->setToolTip(m_normalToolTip);
    }
    m_showsNotFound = notFound;
}
