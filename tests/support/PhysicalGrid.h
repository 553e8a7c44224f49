// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PhysicalSearchOutcome.h"
#include "SearchSpace.h"

#include <cstdint>
#include <vector>

namespace kavrol::testing_support {

// 18 trapezoids, 9 parabolas and 18 twin arcs near the best of the window's grid; the physical
// model refuses C = 170 for A = 160 (C not below A) and for the twin arcs (the tube behind
// the ridge).
inline SearchSpace SmallGrid() {
    SearchSpace space;
    space.a = {160, 200, 20};
    space.b = {80, 120, 20};
    space.c = {20, 170, 150};
    return space;
}

// The ranked designs' places in the search order.
inline std::vector<std::int64_t> Indices(const PhysicalSearchOutcome& outcome) {
    std::vector<std::int64_t> indices;
    for (const auto& s : outcome.best)
        indices.push_back(s.index);
    return indices;
}

} // namespace kavrol::testing_support
