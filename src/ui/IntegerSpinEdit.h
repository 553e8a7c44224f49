// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SpinField.h"

#include <optional>

namespace kavrol {

// An integer field: reads its text as a whole decimal number, the minimum when it does not
// convert; accepts digits, signs and the decimal separator and beeps at any other key, Enter too.
// It writes and reads ASCII digits whatever the locale, as the real field does.
class IntegerSpinEdit : public SpinField {
    Q_OBJECT
public:
    explicit IntegerSpinEdit(QWidget* parent = nullptr);

    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    int singleStep() const { return step_; }
    void setRange(int minimum, int maximum);
    void setSingleStep(int step) { step_ = step; }

    // The value the text stands for, not clamped to the range.
    int value() const;
    // Writes the value clamped to the range; a range of one value clamps nothing.
    void setValue(long long value);

    // A whole decimal number with an optional sign and leading blanks, within 32 bits.
    static std::optional<int> parse(const QString& text);

protected:
    bool acceptsCharacter(QChar c) const override;
    bool beepsOnEnter() const override { return true; }
    void step(int steps) override;
    void clampText() override;

private:
    long long clamped(long long value) const;

    int minimum_ = 0;
    int maximum_ = 100;
    int step_ = 1;
};

} // namespace kavrol
