// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace kavrol {

// One whole-number input of a lamp design: its command-line word, its description in the help
// texts, its range, the step of the window's arrows and of the search's grid, its start-up value
// and its unit.
struct IntegerInput {
    std::string_view option;
    std::string_view description;
    int minimum = 0;
    int maximum = 0;
    int step = 1;
    int initial = 0;
    std::string_view unit;

    constexpr bool contains(int value) const { return minimum <= value && value <= maximum; }
};

} // namespace kavrol
