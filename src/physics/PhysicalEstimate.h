// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

namespace kavrol::physics {

// The result of a physical estimate. Shares are fractions of all light the tubes emit.
// efficiency + every loss = 1 (to rounding).
struct PhysicalEstimate {
    struct Losses {
        double absorbed = 0.0;         // by the reflector; also what is left when a ray's
                                       // succession of events reaches its cap
        double returnedToTube = 0.0;   // met a tube again and was not transmitted
        double besideAquarium = 0.0;   // met the water line outside the span
        double escaped = 0.0;          // met nothing
        double reflectedAtWater = 0.0; // reflected by the surface when that light is lost
    };
    struct BareTube {
        double efficiency = 0.0;
        double error = 0.0;
    };
    // Each ratio with bounds that hold when every bin and the mean are within their bounds.
    struct Uniformity {
        double minOverMean = 0.0;
        double maxOverMean = 0.0;
        double minOverMeanLow = 0.0;
        double minOverMeanHigh = 0.0;
        double maxOverMeanLow = 0.0;
        double maxOverMeanHigh = 0.0;
    };
    // One tube's own light: the share of it entering the water and the bound on its error.
    struct TubeShare {
        double efficiency = 0.0;
        double error = 0.0;
    };

    double efficiency = 0.0; // share entering the water
    double error = 0.0;      // bound on the efficiency's error (absolute, about 95 %)
    // False when the bound (or the bare tube's) is larger than the tolerance asked for: the
    // refinement stopped at its depth or ray budget first.
    bool toleranceReached = true;
    Losses losses;
    bool hasBareTube = false;
    BareTube bareTube;
    double gain = 0.0; // efficiency over the bare tube's, when hasBareTube

    // Irradiance across the span: bins + 1 edges in millimetres, each bin's mean irradiance
    // relative to the mean over the span, and absolute as share per millimetre of span.
    std::vector<double> edgesMm;
    std::vector<double> relative;
    std::vector<double> perMm;
    std::vector<double> perMmError; // a bound on each perMm's error
    Uniformity uniformity;

    // Per tube, in the scene's order; efficiency is their mean weighed by the tubes' power.
    std::vector<TubeShare> tubes;

    std::int64_t raysTraced = 0; // the work done, bare tube included
};

} // namespace kavrol::physics
