// SPDX-License-Identifier: GPL-3.0-or-later
#include "IntegerSpinEdit.h"

#include <QLocale>
#include <algorithm>
#include <limits>

namespace kavrol {

IntegerSpinEdit::IntegerSpinEdit(QWidget* parent) : SpinField(parent) {}

void IntegerSpinEdit::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
}

std::optional<int> IntegerSpinEdit::parse(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    long long magnitude = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        magnitude = magnitude * 10 + (c.unicode() - u'0');
        if (magnitude > static_cast<long long>(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return std::nullopt;
    return static_cast<int>(value);
}

int IntegerSpinEdit::value() const {
    return parse(text()).value_or(minimum_);
}

long long IntegerSpinEdit::clamped(long long value) const {
    if (minimum_ == maximum_)
        return std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                     std::numeric_limits<int>::max());
    return std::clamp<long long>(value, minimum_, maximum_);
}

void IntegerSpinEdit::setValue(long long value) {
    setText(QString::number(clamped(value)));
}

bool IntegerSpinEdit::acceptsCharacter(QChar c) const {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') ||
           c == QLatin1Char('-') || QLocale().decimalPoint() == QString(c);
}

void IntegerSpinEdit::step(int steps) {
    setValue(static_cast<long long>(value()) + static_cast<long long>(steps) * step_);
}

void IntegerSpinEdit::clampText() {
    const int read = value();
    if (clamped(read) != read)
        setValue(read);
}

} // namespace kavrol
