// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace kavrol {

// One real input of a lamp design, held as an extended real exactly as the window's field parses
// it: its command-line word, its description in the help texts, its range, the step of the
// window's arrows and its start-up value.
struct RealInput {
    std::string_view option;
    std::string_view description;
    long double minimum = 0;
    long double maximum = 0;
    long double step = 0;
    long double initial = 0;
};

} // namespace kavrol
