// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace kavrol {

// What the physical model says of one design in a search: the share entering the water, its
// error bound, the uniformity over the irradiance bins and the tolerance it was estimated at,
// or the reason the model refuses the design (the numbers are then 0).
struct PhysicalScore {
    double efficiency = 0;
    double error = 0;
    double minOverMean = 0;
    double minOverMeanHigh = 0; // the upper bound on min/mean
    double maxOverMean = 0;
    double tolerance = 0;
    std::string refusal;

    bool refused() const { return !refusal.empty(); }
};

} // namespace kavrol
