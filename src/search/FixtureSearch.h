// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EstimateOptions.h"
#include "Fixture.h"
#include "PhysicalEstimate.h"
#include "SearchControl.h"

#include <string>

namespace kavrol {

// Searches how far apart a fixture's tubes should sit (and, when asked, the lamp distance all
// units share) for the largest share into the water whose uniformity (the lowest bin over the
// mean) reaches a floor. The units keep their order and are spread evenly about the tank's
// centre. A grid of screening estimates, a finer grid around the best, then the best at the
// requested tolerance (and, should it miss the floor there, the next few that met it). The same
// inputs give the same result to the last bit, whatever the number of threads. Once the stop
// flag is set the search stops and returns the best candidate so far.
class FixtureSearch {
public:
    struct Options {
        bool spacing = true;
        bool lampDistance = false;
        double minUniformity = 0.0;
        int steps = 16;  // grid points per searched value, in each of the two grids
        int threads = 1; // the screening's, on the shared worker pool; the result is the same
        physics::EstimateOptions finalEstimate; // its progress is taken from here
        // Its stop flag (also the estimates' cancel, unless finalEstimate has its own) and its
        // progress: one stage, a step per candidate, on the searching thread.
        SearchControl control;
    };
    struct Outcome {
        bool stopped = false;           // cancelled; the best so far has its screening figures only
        bool estimated = false;         // `estimate` holds the best at the final tolerance
        bool screeningMetFloor = false; // the best reached the floor in its screening estimate
        bool metFloor = false; // ... and in its final estimate (in its screening one if stopped)
        int verified = 0;      // final estimates made
        physics::Fixture best; // the best candidate (the most uniform if none met the floor)
        double spacing = 0.0;  // between neighbouring tubes' axes
        double lampDistance = 0.0;
        physics::PhysicalEstimate estimate; // of the best, at the final tolerance
        double screeningShare = 0.0;        // of the best, from its screening estimate
        double screeningUniformity = 0.0;
        int candidates = 0;      // estimated
        int refused = 0;         // that could not exist (units overlapping, tubes cut)
        double spacingMin = 0.0; // the range searched
        double spacingMax = 0.0;
        double lampMin = 0.0;
        double lampMax = 0.0;
        int threads = 1; // the fewest that screened at once, and why the others did not start
        std::string threadRefusal;
    };

    // Throws FixtureError when nothing can be searched (one unit for spacing, no candidate
    // that can exist).
    static Outcome Run(const physics::Fixture& fixture, const Options& options);

    // The fixture with its units spread `spacing` apart about x = 0 and, when lampDistance > 0,
    // that lamp distance for every unit.
    static physics::Fixture Placed(const physics::Fixture& fixture, double spacing,
                                   double lampDistance);
};

} // namespace kavrol
