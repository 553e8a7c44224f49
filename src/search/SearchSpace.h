// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InputDomain.h"
#include "IntRange.h"

#include <cstdint>
#include <vector>

namespace kavrol {

// The designs a search visits: every listed shape with every combination of the ranges. The
// parabola does not use C, so it is visited once per combination of the others, with C at the
// first value of its range. By default each dimension spans the window's whole range in the
// window's steps, at the window's lamp distance.
struct SearchSpace {
    std::vector<int> shapes{InputDomain::Trapezoid, InputDomain::Parabola, InputDomain::ZeFo};
    IntRange a = Whole(InputDomain::RefA);
    IntRange b = Whole(InputDomain::RefB);
    IntRange c = Whole(InputDomain::RefC);
    IntRange lamp{InputDomain::Lamp.initial, InputDomain::Lamp.initial, 1};

    static bool UsesC(int shape) { return InputDomain::UsesC(shape); }
    // An input's whole range in its step.
    static constexpr IntRange Whole(const IntegerInput& input) {
        return {input.minimum, input.maximum, input.step};
    }
};

} // namespace kavrol
