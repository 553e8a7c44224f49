// SPDX-License-Identifier: GPL-3.0-or-later
// The error bound of estimates with scattering reflector surfaces, over random designs of the
// window's ranges with random diffuse shares and gloss spreads, against much finer runs of the
// estimator. About 50 s, so it carries the label slow and stays out of the default run.
#include "InputDomain.h"
#include "LightEstimator.h"
#include "PhysicalDesignError.h"
#include "RandomDesigns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <random>
#include <sstream>

namespace kavrol::physics {
namespace {

const auto Describe = testing_support::DesignLine;
const auto Sum = testing_support::ShareSum;

// Random designs of the window's ranges with random surfaces, against runs with a tenth of the
// tolerance, four times the patches and a 6-point gloss rule.
TEST(SurfaceEstimate, BoundsHoldAgainstMuchFinerRunsOverRandomDesigns) {
    EstimateOptions normal;
    normal.tolerance = 0.01;
    normal.bins = 0;
    normal.bareTube = false;
    EstimateOptions fine = normal;
    fine.tolerance = 0.001;
    fine.surfacePatches = 64;
    fine.glossPanels = 2;
    int outside = 0;
    const auto surfaces = [](PhysicalDesign& d, testing_support::WholeNumbers& whole) {
        d.materials.surface = {whole(0, 100) / 100.0, whole(0, 300) / 10.0};
    };
    for (const PhysicalDesign& d : testing_support::RandomDesigns(30, 2226, surfaces)) {
        const PhysicalEstimate e = LightEstimator(normal).estimate(d);
        const PhysicalEstimate reference = LightEstimator(fine).estimate(d);
        EXPECT_NEAR(Sum(e), 1.0, 1e-12) << Describe(d);
        EXPECT_NEAR(Sum(reference), 1.0, 1e-12) << Describe(d);
        const double miss = std::abs(e.efficiency - reference.efficiency);
        const double bound = e.error + reference.error;
        if (miss > bound) {
            ++outside;
            std::cout << "outside its bound: " << miss << " > " << bound << "; " << Describe(d)
                      << "\n";
        }
        EXPECT_LE(miss, 3.0 * bound) << Describe(d);
    }
    // About 95 %: no more than 2 of the 30.
    EXPECT_LE(outside, 2);
}

} // namespace
} // namespace kavrol::physics
