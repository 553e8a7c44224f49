// SPDX-License-Identifier: GPL-3.0-or-later
// The error bound of estimates with scattering reflector surfaces, over random designs of the
// window's ranges with random diffuse shares and gloss spreads, against much finer runs of the
// estimator. About 50 s, so it carries the label slow and stays out of the default run.
#include "InputDomain.h"
#include "LightEstimator.h"
#include "PhysicalDesignError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <random>
#include <sstream>

namespace kavrol::physics {
namespace {

double Sum(const PhysicalEstimate& e) {
    return e.efficiency + e.losses.absorbed + e.losses.returnedToTube + e.losses.besideAquarium +
           e.losses.escaped + e.losses.reflectedAtWater;
}

std::string Describe(const PhysicalDesign& d) {
    std::ostringstream text;
    text << "shape " << static_cast<int>(d.shape) << " A " << d.a << " B " << d.b << " C " << d.c
         << " lamp " << d.lampDistance << " R " << d.tubeRadius << " water " << d.waterDistance
         << " width " << d.aquariumWidth << " albedo " << d.materials.albedo << " d "
         << d.materials.surface.diffuseShare << " sigma " << d.materials.surface.glossSpreadDeg;
    return text.str();
}

// Random designs of the window's ranges with random surfaces, against runs with a tenth of the
// tolerance, four times the patches and a 6-point gloss rule.
TEST(SurfaceEstimate, BoundsHoldAgainstMuchFinerRunsOverRandomDesigns) {
    std::mt19937 random(2226);
    const auto whole = [&](int lo, int hi) {
        return static_cast<double>(std::uniform_int_distribution<int>(lo, hi)(random));
    };
    EstimateOptions normal;
    normal.tolerance = 0.01;
    normal.bins = 0;
    normal.bareTube = false;
    EstimateOptions fine = normal;
    fine.tolerance = 0.001;
    fine.surfacePatches = 64;
    fine.glossPanels = 2;
    int designs = 0;
    int outside = 0;
    while (designs < 30) {
        PhysicalDesign d;
        d.shape = static_cast<ReflectorShape>(whole(0, 2));
        d.a = whole(InputDomain::RefA.minimum, InputDomain::RefA.maximum);
        d.b = whole(InputDomain::RefB.minimum, InputDomain::RefB.maximum);
        d.c = whole(InputDomain::RefC.minimum, InputDomain::RefC.maximum);
        d.lampDistance = whole(InputDomain::Lamp.minimum, InputDomain::Lamp.maximum);
        d.tubeRadius = InputDomain::TubeRadiusMm[static_cast<std::size_t>(whole(0, 2))];
        d.waterDistance = whole(InputDomain::LampH.minimum, InputDomain::LampH.maximum);
        d.aquariumWidth = whole(InputDomain::AquaW.minimum, InputDomain::AquaW.maximum);
        d.materials.albedo = whole(10, 100) / 100.0;
        d.materials.surface = {whole(0, 100) / 100.0, whole(0, 300) / 10.0};
        try {
            (void)Scene::FromDesign(d);
        } catch (const PhysicalDesignError&) {
            continue;
        }
        ++designs;
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
