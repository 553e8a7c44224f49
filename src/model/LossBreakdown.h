// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kavrol {

// Where the starting power of a traced fan went, in units of one ray's starting power; the five
// shares add up to the number of rays.
struct LossBreakdown {
    double delivered = 0;        // entered the water
    double absorbed = 0;         // taken by the reflector at each reflection
    double reflectedAtWater = 0; // thrown back by the water surface (Fresnel)
    double returnedToTube = 0;   // ended on the tube
    double escaped = 0;          // steps used up: out of the picture or past the tank

    double total() const {
        return delivered + absorbed + reflectedAtWater + returnedToTube + escaped;
    }
};

} // namespace kavrol
