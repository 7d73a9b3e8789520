// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_MATHMARKUP_H
#define KELVANE_MATHMARKUP_H

#include <QtCore/QCoreApplication>
#include <QtCore/QString>

// Formulas written in MathML (as word processors export them), which the
// pane cannot lay out, rewritten in a linear form that reads as the same
// formula: fractions with a slash (ρ·l/S), roots with a radical sign (√x),
// sub- and superscripts as such (x²). The source annotations that exports
// carry next to the formula are left out.
class MathMarkup
{
    Q_DECLARE_TR_FUNCTIONS(MathMarkup)

public:
    // The page with each <math> element replaced by its linear form.
    static QString replaceFormulas(const QString &html);
    // The linear form of one <math> element, as HTML; empty when it is not
    // well-formed.
    static QString linearForm(const QString &mathElement);
};

#endif // KELVANE_MATHMARKUP_H
