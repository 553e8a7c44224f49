// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

namespace kavrol::NumberText {

// A number with a fixed count of decimals in ASCII digits and the locale's decimal separator,
// as the main window writes its shares.
inline QString fixed(double value, int decimals) {
    QString text = QString::number(value, 'f', decimals);
    text.replace(QLatin1Char('.'), QLocale().decimalPoint());
    return text;
}

// A share of 1 as a percentage: "63.9 %" (with the locale's separator).
inline QString percent(double share, int decimals = 1) {
    return fixed(share * 100.0, decimals) + QStringLiteral(" %");
}

} // namespace kavrol::NumberText
