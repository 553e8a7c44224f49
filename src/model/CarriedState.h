// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace kavrol {

// What one build pass leaves to the next besides the picture: the pen width the next pass draws
// the tube and the water with when it draws no grid (3 after a pass that drew the outline and
// traced no rays, 1 otherwise and on a fresh model), and the tube's radius in pixels, which a
// pass whose tube lies outside the list keeps from the last known tube (0 on a fresh model).
struct CarriedState {
    int penWidth = 1;
    std::int32_t tubeRadius = 0;
};

} // namespace kavrol
