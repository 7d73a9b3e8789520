// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "pagefinder.h"

#include <QtGui/QTextCursor>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QTextBrowser>
#include <QtWidgets/QToolTip>

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
    bool found = m_browser->find(text);
    if (!found) {
        const QTextCursor before = m_browser->textCursor();
        QTextCursor top(m_browser->document());
        m_browser->setTextCursor(top);
        found = m_browser->find(text);
        if (found) {
            QToolTip::showText(m_field->mapToGlobal(QPoint(0, m_field->height())),
                               tr("Reached the end of the page; continued from the top"), m_field);
            emit wrapped();
        } else {
            m_browser->setTextCursor(before);
        }
    }
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
