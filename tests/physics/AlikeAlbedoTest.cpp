// SPDX-License-Identifier: GPL-3.0-or-later
// Several albedos of one scattering sheet from one run: each further albedo's share against its
// own run, and the scenes that one run cannot serve estimated apart, to the bit.
#include "LightEstimator.h"
#include "PhysicalDesign.h"
#include "Scene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavrol::physics {
namespace {

Scene Design(ReflectorShape shape, double albedo, double d, double sigma) {
    PhysicalDesign design;
    design.shape = shape;
    design.materials.albedo = albedo;
    design.materials.surface = {d, sigma};
    return Scene::FromDesign(design);
}

EstimateOptions Options() {
    EstimateOptions options;
    options.tolerance = 0.002;
    options.bins = 0;
    options.bareTube = false;
    return options;
}

// Gloss, diffuse light handed between patches, both at once, and an albedo of 0 (only the
// light that never meets the sheet).
TEST(AlikeAlbedos, EachAlbedoAgreesWithItsOwnRunWithinTheBounds) {
    struct Case {
        ReflectorShape shape;
        double d;
        double sigma;
        double albedo;
        double alike;
    };
    const LightEstimator estimator(Options());
    for (const Case& c : {Case{ReflectorShape::Parabola, 0.05, 3.0, 0.95, 0.8},
                          Case{ReflectorShape::TwinArc, 0.9, 1.0, 0.85, 0.6},
                          Case{ReflectorShape::Trapezoid, 0.3, 15.0, 0.8, 0.75},
                          Case{ReflectorShape::Parabola, 1.0, 0.0, 0.9, 0.5},
                          Case{ReflectorShape::TwinArc, 0.02, 1.0, 0.9, 0.0}}) {
        const std::string what = "shape " + std::to_string(static_cast<int>(c.shape)) + " d " +
                                 std::to_string(c.d) + " sigma " + std::to_string(c.sigma);
        const Scene scene = Design(c.shape, c.albedo, c.d, c.sigma);
        ASSERT_TRUE(LightEstimator::TracedAlike(scene, {c.alike})) << what;
        std::vector<LightEstimator::AlbedoShare> alike;
        const PhysicalEstimate first = estimator.estimate(scene, {c.alike}, alike);
        ASSERT_EQ(alike.size(), 1U) << what;
        const PhysicalEstimate lone = estimator.estimate(scene);
        const PhysicalEstimate own = estimator.estimate(Design(c.shape, c.alike, c.d, c.sigma));
        EXPECT_LE(std::abs(first.efficiency - lone.efficiency), first.error + lone.error) << what;
        EXPECT_LE(std::abs(alike[0].efficiency - own.efficiency), alike[0].error + own.error)
            << what;
        // The same rays weighed less: the further albedo's bound is of its own run's size.
        EXPECT_LE(alike[0].error, 1.5 * own.error + 1e-4) << what;
        EXPECT_LT(alike[0].efficiency, first.efficiency) << what;
        EXPECT_TRUE(alike[0].toleranceReached) << what;
    }
}

// A plain mirror, a further albedo above the scene's own and a scene of albedo 0 are each
// estimated apart, so their figures are their own runs' to the bit.
TEST(AlikeAlbedos, ScenesOneRunCannotServeAreEstimatedApart) {
    struct Case {
        double albedo;
        double d;
        double alike;
    };
    const LightEstimator estimator(Options());
    for (const Case& c : {Case{0.8, 0.0, 0.6}, Case{0.8, 0.3, 0.9}, Case{0.0, 0.3, 0.0}}) {
        const Scene scene = Design(ReflectorShape::Trapezoid, c.albedo, c.d, 0.0);
        EXPECT_FALSE(LightEstimator::TracedAlike(scene, {c.alike})) << c.albedo << " " << c.d;
        std::vector<LightEstimator::AlbedoShare> alike;
        const PhysicalEstimate first = estimator.estimate(scene, {c.alike}, alike);
        const PhysicalEstimate lone = estimator.estimate(scene);
        const PhysicalEstimate own =
            estimator.estimate(Design(ReflectorShape::Trapezoid, c.alike, c.d, 0.0));
        ASSERT_EQ(alike.size(), 1U);
        EXPECT_EQ(first.efficiency, lone.efficiency);
        EXPECT_EQ(first.error, lone.error);
        EXPECT_EQ(alike[0].efficiency, own.efficiency);
        EXPECT_EQ(alike[0].error, own.error);
    }
}

} // namespace
} // namespace kavrol::physics
