// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SpinField.h"

#include <optional>

namespace kavrol {

// A real field with two decimals, ASCII digits and the locale's decimal separator. The value read
// is the typed number in extended precision, not its two-decimal display; only what the field
// writes itself is rounded.
class RealSpinEdit : public SpinField {
    Q_OBJECT
public:
    explicit RealSpinEdit(QWidget* parent = nullptr);

    long double minimum() const { return minimum_; }
    long double maximum() const { return maximum_; }
    long double singleStep() const { return step_; }
    int decimals() const { return decimals_; }
    void setRange(long double minimum, long double maximum);
    void setSingleStep(long double step) { step_ = step; }

    // The value the text stands for, not clamped; the minimum when the text does not convert.
    long double value() const;
    // Writes the value clamped to the range in fixed-point notation.
    void setValue(long double value);

    // A real number written with the given decimal separator and an optional exponent.
    static std::optional<long double> parse(const QString& text, QChar decimalSeparator);

protected:
    bool acceptsCharacter(QChar c) const override;
    bool beepsOnEnter() const override { return false; }
    void step(int steps) override;
    void clampText() override;

private:
    long double clamped(long double value) const;
    QChar decimalSeparator() const;

    long double minimum_ = 0.1L;
    long double maximum_ = 1.0L;
    long double step_ = 0.01L;
    int decimals_ = 2;
};

} // namespace kavrol
