// SPDX-License-Identifier: GPL-3.0-or-later
#include "NumberFormat.h"

#include <charconv>
#include <stdexcept>
#include <system_error>

namespace kavrol::NumberFormat {

namespace {

// Every double's fixed text fits: 309 integer digits, a sign, a point and the decimals.
template <typename Real, typename... Format>
std::string Written(Real value, std::size_t decimals, Format... format) {
    std::string text(330 + decimals, '\0');
    const auto [end, error] =
        std::to_chars(text.data(), text.data() + text.size(), value, format...);
    if (error != std::errc())
        throw std::logic_error("a number does not fit its text buffer");
    text.resize(static_cast<std::size_t>(end - text.data()));
    return text;
}

std::size_t Count(int digits) {
    return digits > 0 ? static_cast<std::size_t>(digits) : 0;
}

} // namespace

std::string fixed(double value, int decimals) {
    return Written(value, Count(decimals), std::chars_format::fixed, decimals < 0 ? 6 : decimals);
}

std::string significant(double value, int digits) {
    return Written(value, Count(digits), std::chars_format::general, digits < 0 ? 6 : digits);
}

std::string significant(long double value, int digits) {
    return Written(value, Count(digits), std::chars_format::general, digits < 0 ? 6 : digits);
}

std::string exact(double value) {
    return significant(value, 17);
}

std::string exact(long double value) {
    return significant(value, 17);
}

std::string general(double value) {
    return significant(value, 6);
}

std::string shortest(double value) {
    return Written(value, 0);
}

std::string trimmed(long double value, int decimals) {
    std::string text = fixed(static_cast<double>(value), decimals);
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

std::string padLeft(std::string text, std::size_t width) {
    if (text.size() < width)
        text.insert(0, width - text.size(), ' ');
    return text;
}

std::string padRight(std::string text, std::size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

} // namespace kavrol::NumberFormat
