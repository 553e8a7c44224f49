// SPDX-License-Identifier: GPL-3.0-or-later
// The estimate against independent answers: view factors, a direct Fresnel integral, the
// method of images, the parabola's focus; and its behaviour as a component (irradiance,
// determinism, threads, cancelling, progress, refusals).
#include "LightEstimator.h"
#include "EstimateCancelled.h"
#include "FresnelTable.h"
#include "PhysicalDesignError.h"
#include "QuadratureRule.h"
#include "RandomDesigns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

namespace kavrol::physics {
namespace {

using testing_support::ShareSum;

constexpr double kPi = std::numbers::pi;

// Share of a 2D Lambertian circle's light reaching the strip [xa, xb] a depth h below its
// centre (crossed strings): the angle the strip subtends at the centre over 2 pi.
double ViewFactor(double xa, double xb, double h) {
    return (std::atan(xb / h) - std::atan(xa / h)) / (2.0 * kPi);
}

// View factor between two equal parallel circles of radius r, centres d apart.
double CircleToCircle(double r, double d) {
    const double x = d / (2.0 * r);
    return (std::sqrt(x * x - 1.0) + std::asin(1.0 / x) - x) / kPi;
}

Scene BareTube(double radius, double depth, double xa, double xb, double n) {
    Scene scene;
    scene.tubes.push_back({0.0, 40.0, radius, 1.0});
    scene.water = {40.0 + depth, xa, xb};
    scene.materials.refractiveIndex = n;
    return scene;
}

EstimateOptions Options(double tolerance, int bins = 0) {
    EstimateOptions options;
    options.tolerance = tolerance;
    options.bins = bins;
    options.bareTube = false;
    return options;
}

TEST(LightEstimator, BareTubeWithoutFresnelIsTheViewFactor) {
    struct Case {
        double radius, depth, xa, xb;
    } cases[] = {
        {8.0, 200.0, -250.0, 250.0}, {6.0, 50.0, -50.0, 50.0},  {13.0, 1000.0, -50.0, 50.0},
        {8.0, 200.0, -100.0, 150.0}, {0.5, 120.0, 30.0, 400.0}, {13.0, 20.0, -1000.0, 1000.0},
    };
    for (const Case& c : cases) {
        for (double tolerance : {5e-3, 5e-4}) {
            const PhysicalEstimate e = LightEstimator(Options(tolerance))
                                           .estimate(BareTube(c.radius, c.depth, c.xa, c.xb, 1.0));
            const double exact = ViewFactor(c.xa, c.xb, c.depth);
            EXPECT_NEAR(e.efficiency, exact, e.error) << c.radius << " " << c.depth << " " << c.xa;
            EXPECT_LE(e.error, tolerance);
            EXPECT_NEAR(ShareSum(e), 1.0, 1e-12);
            EXPECT_NEAR(e.losses.escaped, 0.5, 2.0 * tolerance) << "every upward line escapes";
        }
    }
}

// The bare tube's share with Fresnel, by direct quadrature over the emission point (beta), the
// in-plane direction within the strip's view, and psi.
double BareTubeWithFresnel(double radius, double depth, double xa, double xb, double n) {
    constexpr int kPoints = 512;
    constexpr int kPsi = 400;
    const QuadratureRule rule = QuadratureRule::GaussLegendre(64);
    const auto direct = [&](double a) {
        double sum = 0.0;
        for (int k = 0; k < kPsi; ++k) {
            const double psi = -kPi / 2.0 + (k + 0.5) * kPi / kPsi;
            const double c = std::cos(psi);
            sum += FresnelTable::Transmittance(c * std::cos(a), n) * c * c * kPi / kPsi;
        }
        return sum * 2.0 / kPi;
    };
    double total = 0.0;
    for (int i = 0; i < kPoints; ++i) {
        const double beta = -kPi + (i + 0.5) * 2.0 * kPi / kPoints;
        const double px = radius * std::sin(beta);
        const double py = radius * std::cos(beta);
        const double lo = std::max(std::atan2(xa - px, depth - py), beta - kPi / 2.0);
        const double hi = std::min(std::atan2(xb - px, depth - py), beta + kPi / 2.0);
        if (hi <= lo) {
            continue;
        }
        double inner = 0.0;
        for (std::size_t j = 0; j < rule.nodes.size(); ++j) {
            const double a = 0.5 * (lo + hi) + 0.5 * (hi - lo) * rule.nodes[j];
            inner += 0.5 * (hi - lo) * rule.weights[j] * std::cos(a - beta) / 2.0 * direct(a);
        }
        total += inner / kPoints;
    }
    return total;
}

TEST(LightEstimator, BareTubeWithFresnelMatchesADirectIntegral) {
    Scene scene = BareTube(8.0, 200.0, -120.0, 300.0, 1.33);
    scene.materials.waterReflection = WaterReflection::Lost;
    const PhysicalEstimate e = LightEstimator(Options(5e-4)).estimate(scene);
    const double reference = BareTubeWithFresnel(8.0, 200.0, -120.0, 300.0, 1.33);
    EXPECT_NEAR(e.efficiency, reference, e.error + 2e-6);
    EXPECT_LT(e.efficiency, ViewFactor(-120.0, 300.0, 200.0) * 0.98) << "Fresnel must cost";
    EXPECT_GT(e.losses.reflectedAtWater, 0.005);
    EXPECT_NEAR(ShareSum(e), 1.0, 1e-12);
}

TEST(LightEstimator, FlatMirrorAboveTheTubeFollowsTheMethodOfImages) {
    // Mirror y = 0, tube at (0, 50): the image tube sits at (0, -50). The strip [60, 200] at
    // y = 250 lies outside the real tube's shadow as seen from the image.
    Scene scene;
    scene.tubes.push_back({0.0, 50.0, 8.0, 1.0});
    scene.segments.push_back({-1e6, 0.0, 1e6, 0.0});
    scene.water = {250.0, 60.0, 200.0};
    scene.materials.refractiveIndex = 1.0;
    scene.materials.albedo = 0.8;
    const PhysicalEstimate e = LightEstimator(Options(5e-4)).estimate(scene);
    const double expected = ViewFactor(60.0, 200.0, 200.0) + 0.8 * ViewFactor(60.0, 200.0, 300.0);
    EXPECT_NEAR(e.efficiency, expected, e.error);
    EXPECT_NEAR(e.losses.returnedToTube, 0.8 * CircleToCircle(8.0, 100.0), 5e-4);
    EXPECT_NEAR(e.losses.absorbed, 0.2 * 0.5, 5e-4) << "every upward ray reflects once";
    EXPECT_NEAR(ShareSum(e), 1.0, 1e-12);
}

TEST(LightEstimator, ThinTubeAtTheParabolasFocus) {
    // m = 100, focus at y = 25; rims at (+-100, 100). Singly reflected rays come straight down
    // inside the opening, so all of them enter the span [-100, 100].
    PhysicalDesign design;
    design.shape = ReflectorShape::Parabola;
    design.a = 200.0;
    design.b = 100.0;
    design.lampDistance = 25.0;
    design.tubeRadius = 0.001;
    design.waterDistance = 200.0;
    design.aquariumWidth = 200.0;
    design.materials.albedo = 0.9;
    design.materials.refractiveIndex = 1.0;
    EstimateOptions options = Options(5e-4, 20);
    options.bareTube = true;
    const PhysicalEstimate e = LightEstimator(options).estimate(design);
    const double rim = std::atan2(100.0, 75.0);
    const double direct = std::atan(100.0 / 200.0) / kPi;
    const double reflected = 0.9 * (kPi - rim) / kPi;
    EXPECT_NEAR(e.efficiency, direct + reflected, e.error);
    EXPECT_NEAR(e.bareTube.efficiency, direct, e.bareTube.error);
    EXPECT_NEAR(e.gain, e.efficiency / e.bareTube.efficiency, 1e-15);
    EXPECT_NEAR(e.losses.besideAquarium, (rim - std::atan(0.5)) / kPi, 1e-3);
    EXPECT_NEAR(e.losses.returnedToTube, 0.0, 1e-4);
}

TEST(LightEstimator, SeveralTubesAddTheirLightByPower) {
    Scene scene;
    scene.tubes.push_back({-100.0, 50.0, 8.0, 1.0});
    scene.tubes.push_back({100.0, 50.0, 8.0, 3.0});
    scene.water = {250.0, -150.0, 150.0};
    scene.materials.refractiveIndex = 1.0;
    const PhysicalEstimate e = LightEstimator(Options(5e-4)).estimate(scene);
    const double left = ViewFactor(-50.0, 250.0, 200.0);
    const double right = ViewFactor(-250.0, 50.0, 200.0);
    EXPECT_NEAR(e.efficiency, 0.25 * left + 0.75 * right, e.error);
    EXPECT_NEAR(ShareSum(e), 1.0, 1e-12);
}

TEST(LightEstimator, IrradianceFollowsTheBareTubesProfileAndAddsUp) {
    const Scene scene = BareTube(8.0, 200.0, -250.0, 250.0, 1.0);
    const PhysicalEstimate e = LightEstimator(Options(5e-4, 50)).estimate(scene);
    ASSERT_EQ(e.edgesMm.size(), 51u);
    ASSERT_EQ(e.perMm.size(), 50u);
    ASSERT_EQ(e.relative.size(), 50u);
    EXPECT_EQ(e.edgesMm.front(), -250.0);
    EXPECT_EQ(e.edgesMm.back(), 250.0);
    double total = 0.0;
    double relativeSum = 0.0;
    double worst = 0.0;
    for (std::size_t b = 0; b < 50; ++b) {
        const double width = e.edgesMm[b + 1] - e.edgesMm[b];
        total += e.perMm[b] * width;
        relativeSum += e.relative[b];
        const double exact = ViewFactor(e.edgesMm[b], e.edgesMm[b + 1], 200.0) / width;
        worst = std::max(worst, std::abs(e.perMm[b] / exact - 1.0));
    }
    EXPECT_NEAR(total, e.efficiency, 1e-12);
    EXPECT_NEAR(relativeSum / 50.0, 1.0, 1e-12);
    EXPECT_LT(worst, 0.01) << "bins off the analytic profile by up to " << worst;
    // The centre is brightest, the edges darkest: 1/(h^2 + x^2) across the span.
    EXPECT_NEAR(e.uniformity.maxOverMean, e.relative[24], 1e-15);
    EXPECT_NEAR(e.uniformity.minOverMean, e.relative[0], 0.01);
    EXPECT_LT(e.uniformity.minOverMean, 0.7);
}

TEST(LightEstimator, SameFiguresToTheLastBitOnAnyThread) {
    const PhysicalDesign design;
    const LightEstimator estimator;
    const PhysicalEstimate once = estimator.estimate(design);
    std::vector<PhysicalEstimate> results(3);
    std::vector<std::thread> threads;
    for (auto& result : results) {
        threads.emplace_back([&] { result = estimator.estimate(design); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (const PhysicalEstimate& r : results) {
        EXPECT_EQ(r.efficiency, once.efficiency);
        EXPECT_EQ(r.error, once.error);
        EXPECT_EQ(r.losses.absorbed, once.losses.absorbed);
        EXPECT_EQ(r.losses.escaped, once.losses.escaped);
        EXPECT_EQ(r.bareTube.efficiency, once.bareTube.efficiency);
        EXPECT_EQ(r.perMm, once.perMm);
        EXPECT_EQ(r.raysTraced, once.raysTraced);
    }
}

TEST(LightEstimator, WaterReflectionAndTubeTransmissionSwitches) {
    PhysicalDesign design;
    EstimateOptions options = Options(5e-4);
    const PhysicalEstimate traced = LightEstimator(options).estimate(design);
    design.materials.waterReflection = WaterReflection::Lost;
    const PhysicalEstimate lost = LightEstimator(options).estimate(design);
    EXPECT_EQ(traced.losses.reflectedAtWater, 0.0);
    EXPECT_GT(lost.losses.reflectedAtWater, 0.01);
    EXPECT_GT(traced.efficiency, lost.efficiency + traced.error + lost.error);
    design.materials.tubeTransmission = 1.0;
    const PhysicalEstimate clear = LightEstimator(options).estimate(design);
    EXPECT_EQ(clear.losses.returnedToTube, 0.0);
    EXPECT_GT(clear.efficiency, lost.efficiency + clear.error + lost.error);
    for (const PhysicalEstimate* e : {&traced, &lost, &clear}) {
        EXPECT_NEAR(ShareSum(*e), 1.0, 1e-12);
        EXPECT_LE(e->error, 5e-4);
    }
}

TEST(LightEstimator, CancelsAndReportsProgress) {
    std::atomic<bool> cancel{true};
    EstimateOptions options;
    options.cancel = &cancel;
    EXPECT_THROW((void)LightEstimator(options).estimate(PhysicalDesign{}), EstimateCancelled);
    cancel = false;
    std::vector<double> seen;
    options.progress = [&](double fraction) { seen.push_back(fraction); };
    (void)LightEstimator(options).estimate(PhysicalDesign{});
    ASSERT_GE(seen.size(), 10u);
    for (std::size_t i = 1; i < seen.size(); ++i) {
        EXPECT_LE(seen[i - 1], seen[i]);
    }
    EXPECT_EQ(seen.back(), 1.0);
    EXPECT_LT(seen[seen.size() - 2], 1.0);
}

TEST(LightEstimator, RefusesImpossibleDesignsAndBadOptions) {
    PhysicalDesign design;
    design.shape = ReflectorShape::TwinArc;
    design.c = design.a;
    EXPECT_THROW((void)LightEstimator().estimate(design), PhysicalDesignError);
    EXPECT_THROW((void)LightEstimator(Options(0.0)).estimate(PhysicalDesign{}),
                 PhysicalDesignError);
    EXPECT_THROW((void)LightEstimator().estimate(Scene{}), PhysicalDesignError);
    // A budget that would promise more than the tolerance, or nothing to a part.
    for (const auto& spoil : std::vector<void (*)(EstimateOptions::ErrorBudget&)>{
             [](EstimateOptions::ErrorBudget& b) { b.directions = 0.6; },
             [](EstimateOptions::ErrorBudget& b) { b.offsets = 0.0; },
             [](EstimateOptions::ErrorBudget& b) { b.differenceSafety = 0.5; },
             [](EstimateOptions::ErrorBudget& b) { b.follow = 1.0; },
             [](EstimateOptions::ErrorBudget& b) { b.gloss = 0.5; }}) {
        EstimateOptions options = Options(0.01);
        spoil(options.budget);
        EXPECT_THROW((void)LightEstimator(options).estimate(PhysicalDesign{}), PhysicalDesignError);
    }
}

} // namespace
} // namespace kavrol::physics
