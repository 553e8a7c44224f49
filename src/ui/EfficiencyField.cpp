// SPDX-License-Identifier: GPL-3.0-or-later
#include "EfficiencyField.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace kavrol {

EfficiencyField::EfficiencyField(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setReadOnly(true);
    setText(format(value_));
}

void EfficiencyField::setValue(double value) {
    value_ = value;
    setText(format(value));
}

QString EfficiencyField::format(double value, const QLocale& locale) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    // The shortest fixed-point text that reads back as the value.
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                      std::fabs(value), std::chars_format::fixed);
    std::string digits(buffer.data(), result.ptr);
    std::string whole = digits;
    std::string fraction;
    if (const auto point = digits.find('.'); point != std::string::npos) {
        whole = digits.substr(0, point);
        fraction = digits.substr(point + 1);
    }
    fraction.resize(std::max<std::size_t>(fraction.size(), 3), '0');
    // Half away from zero on the decimal digits: the third decimal decides.
    const bool roundUp = fraction[2] >= '5';
    std::string kept = whole + fraction.substr(0, 2);
    if (roundUp) {
        std::size_t i = kept.size();
        while (i > 0) {
            --i;
            if (kept[i] == '9') {
                kept[i] = '0';
            } else {
                ++kept[i];
                break;
            }
            if (i == 0)
                kept.insert(kept.begin(), '1');
        }
    }
    const std::string intPart = kept.substr(0, kept.size() - 2);
    const std::string decPart = kept.substr(kept.size() - 2);

    QString grouped;
    const QString groupSeparator = locale.groupSeparator();
    for (std::size_t i = 0; i < intPart.size(); ++i) {
        if (i > 0 && (intPart.size() - i) % 3 == 0)
            grouped += groupSeparator;
        grouped += QLatin1Char(intPart[i]);
    }
    const bool zero = intPart.find_first_not_of('0') == std::string::npos &&
                      decPart.find_first_not_of('0') == std::string::npos;
    QString text = (value < 0 && !zero) ? locale.negativeSign() : QString();
    text += grouped + locale.decimalPoint() + QString::fromLatin1(decPart.c_str());
    return text;
}

} // namespace kavrol
