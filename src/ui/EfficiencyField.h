// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>
#include <QLocale>

namespace kavrol {

// The read-only number field of the efficiency: a real value shown with two decimals, the
// locale's separators and thousands grouping. It stays disabled, so its text is drawn grey on
// its own background.
class EfficiencyField : public QLineEdit {
    Q_OBJECT
public:
    explicit EfficiencyField(QWidget* parent = nullptr);

    double value() const { return value_; }
    void setValue(double value);

    // The value rounded to two decimals, a half away from zero, as the shortest decimal that
    // reads back as the value (so 0.145 is taken as 0.145, not as the binary 0.14499...).
    static QString format(double value, const QLocale& locale = QLocale());

private:
    double value_ = 0;
};

} // namespace kavrol
