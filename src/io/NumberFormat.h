// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

// Number text for reports, CSV lines and help, written with std::to_chars: ASCII digits and a
// point whatever the process locale, the same digits as the C library's printf in the "C"
// locale.
namespace kavrol::NumberFormat {

// `decimals` digits after the point, as "%.*f" writes them: fixed(0.5, 3) is "0.500".
std::string fixed(double value, int decimals);

// `digits` significant digits, as "%.*g" writes them: significant(0.1, 6) is "0.1",
// significant(1e-05, 6) is "1e-05". With 17 digits the text reads back as the very double.
std::string significant(double value, int digits);
std::string significant(long double value, int digits);

// 17 significant digits ("%.17g"): the text reads back as the very double.
std::string exact(double value);
// "%.17Lg" of a long double.
std::string exact(long double value);

// Six significant digits, as "%g" writes them.
std::string general(double value);

// The shortest text that reads back as the very double: "30", "37.5", "1e-05".
std::string shortest(double value);

// A plain decimal without trailing zeros, rounded to `decimals` places: "0.0005", "0.4", "2".
std::string trimmed(long double value, int decimals = 9);

// The text with blanks added before it (padLeft) or after it (padRight) up to `width`
// characters, as "%*s" and "%-*s" pad; longer text is kept whole.
std::string padLeft(std::string text, std::size_t width);
std::string padRight(std::string text, std::size_t width);

} // namespace kavrol::NumberFormat
