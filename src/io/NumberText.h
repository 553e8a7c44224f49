// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <algorithm>
#include <cmath>

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

// A share of 1 as a percentage with this many significant digits, for error bounds:
// 0.000234 gives "0.023 %" for two digits; whole numbers keep every digit ("12 %").
inline QString significantPercent(double share, int digits) {
    const double value = share * 100.0;
    if (!(value > 0.0) || !std::isfinite(value)) {
        return fixed(value, 0) + QStringLiteral(" %");
    }
    const auto decimalsFor = [digits](double v) {
        return std::max(0, digits - 1 - static_cast<int>(std::floor(std::log10(v))));
    };
    int decimals = decimalsFor(value);
    // Rounding may carry into a new leading digit (0.0996 to 0.100): one decimal fewer then.
    const double rounded = std::round(value * std::pow(10.0, decimals)) / std::pow(10.0, decimals);
    decimals = std::min(decimals, decimalsFor(rounded));
    return fixed(value, decimals) + QStringLiteral(" %");
}

} // namespace kavrol::NumberText
