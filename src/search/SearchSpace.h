#pragma once

#include "IntRange.h"

#include <cstdint>
#include <vector>

namespace kavrol {

// The designs a search visits: every listed shape with every combination of the ranges. The
// parabola does not use C, so it is visited once per combination of the others, with C at the
// first value of its range.
struct SearchSpace {
    std::vector<int> shapes{0, 1, 2};
    IntRange a{20, 200, 2};
    IntRange b{10, 200, 2};
    IntRange c{10, 200, 2};
    IntRange lamp{50, 50, 1};

    static bool UsesC(int shape) { return shape != 1; }
};

} // namespace kavrol
