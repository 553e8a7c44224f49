// SPDX-License-Identifier: GPL-3.0-or-later
#include "RealSpinEdit.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace kavrol {

RealSpinEdit::RealSpinEdit(QWidget* parent) : SpinField(parent) {}

void RealSpinEdit::setRange(long double minimum, long double maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
}

QChar RealSpinEdit::decimalSeparator() const {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.front();
}

std::optional<long double> RealSpinEdit::parse(const QString& text, QChar decimalSeparator) {
    // Only digits, one sign in front of the number and of the exponent, the locale's separator
    // and the exponent letter may appear; "inf", "nan" and a foreign separator do not convert.
    std::string number;
    number.reserve(static_cast<std::size_t>(text.size()));
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    for (qsizetype i = begin; i < end; ++i) {
        const QChar c = text[i];
        if (c == decimalSeparator)
            number += '.';
        else if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') ||
                 c == QLatin1Char('-') || c == QLatin1Char('e') || c == QLatin1Char('E'))
            number += static_cast<char>(c.unicode());
        else
            return std::nullopt;
    }
    if (!number.empty() && number.front() == '+')
        number.erase(0, 1);
    if (number.empty() || number.front() == '+')
        return std::nullopt;
    long double value = 0;
    const char* first = number.data();
    const char* last = first + number.size();
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

long double RealSpinEdit::value() const {
    return parse(text(), decimalSeparator()).value_or(minimum_);
}

long double RealSpinEdit::clamped(long double value) const {
    if (minimum_ == maximum_)
        return value;
    return std::clamp(value, minimum_, maximum_);
}

void RealSpinEdit::setValue(long double value) {
    // The locale would write its own digits (Arabic-Indic ones in ar_EG), which parse() does not
    // read; only the separator follows the locale, the digits stay ASCII.
    QString written = QString::number(static_cast<double>(clamped(value)), 'f', decimals_);
    written.replace(QLatin1Char('.'), decimalSeparator());
    setText(written);
}

bool RealSpinEdit::acceptsCharacter(QChar c) const {
    if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') ||
        c == QLatin1Char('-'))
        return true;
    if (c == decimalSeparator())
        return !text().contains(c);
    if (c == QLatin1Char('e') || c == QLatin1Char('E'))
        return !text().contains(QLatin1Char('e'), Qt::CaseInsensitive);
    return false;
}

void RealSpinEdit::step(int steps) {
    setValue(value() + static_cast<long double>(steps) * step_);
}

void RealSpinEdit::clampText() {
    const long double read = value();
    if (clamped(read) != read)
        setValue(read);
}

} // namespace kavrol
