// SPDX-License-Identifier: GPL-3.0-or-later
// Reflector surfaces that scatter: a diffuse strip against view factors worked out here, the
// gloss spread against the mirror and against the spread of a parabola's beam, and the energy
// balance. The bound against much finer runs is in SurfaceAccuracyTest.cpp (label slow).
#include "GlossRule.h"
#include "LightEstimator.h"
#include "PathTracer.h"
#include "QuadratureRule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kavrol::physics {
namespace {

constexpr double kPi = std::numbers::pi;

double Sum(const PhysicalEstimate& e) {
    return e.efficiency + e.losses.absorbed + e.losses.returnedToTube + e.losses.besideAquarium +
           e.losses.escaped + e.losses.reflectedAtWater;
}

// A strip y = 0 from -w/2 to w/2 over a tube at (0, h) of radius r, water at y = yw over
// [-s/2, s/2], no Fresnel loss.
struct Strip {
    double w = 120.0;
    double h = 50.0;
    double r = 8.0;
    double yw = 250.0;
    double s = 500.0;
    double albedo = 0.8;
};

Scene StripScene(const Strip& g) {
    Scene scene;
    scene.tubes.push_back({0.0, g.h, g.r, 1.0});
    scene.segments.push_back({-g.w / 2, 0.0, g.w / 2, 0.0});
    scene.water = {g.yw, -g.s / 2, g.s / 2};
    scene.materials.refractiveIndex = 1.0;
    scene.materials.albedo = g.albedo;
    scene.materials.surface = {1.0, 0.0};
    return scene;
}

// What reaches the water, by view factors: the tube's own light (the angle the span subtends at
// its centre over 2 pi, crossed strings), and the strip's, which re-emits albedo times the
// tube's irradiance q(x) = h / (2 pi (h^2 + x^2)) Lambertian downward. From a point of the strip
// the share reaching the span is (sin b - sin a) / 2 over the angles from the normal that the
// span subtends (the cos(phi) / 2 kernel), less the part the tube covers.
double StripWaterByViewFactors(const Strip& g) {
    const double depth = g.yw - g.h;
    const double direct = (std::atan(g.s / 2 / depth) - std::atan(-g.s / 2 / depth)) / (2 * kPi);
    const auto fromPoint = [&](double x) {
        const double a = std::atan((-g.s / 2 - x) / g.yw);
        const double b = std::atan((g.s / 2 - x) / g.yw);
        const double centre = std::atan(-x / g.h);
        const double half = std::asin(g.r / std::hypot(x, g.h));
        const double lo = std::max(a, centre - half);
        const double hi = std::min(b, centre + half);
        const double covered = hi > lo ? (std::sin(hi) - std::sin(lo)) / 2 : 0.0;
        return (std::sin(b) - std::sin(a)) / 2 - covered;
    };
    const QuadratureRule rule = QuadratureRule::GaussLegendre(20);
    constexpr int kPanels = 200;
    const double half = g.w / 2 / kPanels;
    double reflected = 0.0;
    for (int p = 0; p < kPanels; ++p) {
        const double centre = -g.w / 2 + (2 * p + 1) * half;
        for (std::size_t i = 0; i < rule.nodes.size(); ++i) {
            const double x = centre + half * rule.nodes[i];
            const double q = g.h / (2 * kPi * (g.h * g.h + x * x));
            reflected += half * rule.weights[i] * q * fromPoint(x);
        }
    }
    return direct + g.albedo * reflected;
}

TEST(SurfaceEstimate, WhiteStripAboveTheTubeMatchesTheViewFactors) {
    for (const Strip& g : {Strip{}, Strip{200.0, 40.0, 13.0, 300.0, 400.0, 0.9},
                           Strip{60.0, 70.0, 6.0, 150.0, 800.0, 0.5}}) {
        EstimateOptions options;
        options.tolerance = 2e-4;
        options.bins = 0;
        options.bareTube = false;
        const PhysicalEstimate e = LightEstimator(options).estimate(StripScene(g));
        const double expected = StripWaterByViewFactors(g);
        EXPECT_NEAR(e.efficiency, expected, e.error) << "strip " << g.w << " over " << g.h;
        EXPECT_NEAR(e.efficiency, expected, 5e-4) << "strip " << g.w << " over " << g.h;
        EXPECT_LE(e.error, 2e-3);
        EXPECT_NEAR(Sum(e), 1.0, 1e-12);
    }
}

PhysicalDesign StartUp(ReflectorShape shape, double d, double sigma) {
    PhysicalDesign design;
    design.shape = shape;
    design.materials.surface = {d, sigma};
    return design;
}

TEST(SurfaceEstimate, ShrinkingGlossConvergesToTheMirror) {
    EstimateOptions options;
    options.tolerance = 0.002;
    options.bins = 0;
    options.bareTube = false;
    // The integrals aim at the mirror's tolerance too, so that only the gloss rule differs.
    options.budget.gloss = 1.0;
    const LightEstimator estimator(options);
    for (ReflectorShape shape : {ReflectorShape::Parabola, ReflectorShape::Trapezoid}) {
        const PhysicalEstimate mirror = estimator.estimate(StartUp(shape, 0.0, 0.0));
        double previous = 1.0;
        for (double sigma : {2.0, 0.2, 0.02, 0.002}) {
            const PhysicalEstimate e = estimator.estimate(StartUp(shape, 0.0, sigma));
            const double gap = std::abs(e.efficiency - mirror.efficiency);
            if (sigma <= 0.02) {
                EXPECT_LE(gap, 1e-4) << "sigma " << sigma;
                EXPECT_LE(gap, previous + 1e-5) << "sigma " << sigma;
            }
            previous = gap;
        }
    }
}

TEST(SurfaceEstimate, EveryShareOfTheLightIsAccountedFor) {
    EstimateOptions options = EstimateOptions::Screening();
    options.bins = 12;
    struct Case {
        ReflectorShape shape;
        double d;
        double sigma;
        WaterReflection water;
        double transmission;
    };
    for (const Case& c : {Case{ReflectorShape::Parabola, 1.0, 0.0, WaterReflection::Traced, 0.0},
                          Case{ReflectorShape::Parabola, 0.3, 15.0, WaterReflection::Traced, 0.3},
                          Case{ReflectorShape::TwinArc, 0.9, 1.0, WaterReflection::Lost, 0.0},
                          Case{ReflectorShape::TwinArc, 0.0, 30.0, WaterReflection::Traced, 0.0},
                          Case{ReflectorShape::Trapezoid, 0.05, 3.0, WaterReflection::Traced, 0.5},
                          Case{ReflectorShape::Trapezoid, 1.0, 0.0, WaterReflection::Lost, 0.0}}) {
        PhysicalDesign design = StartUp(c.shape, c.d, c.sigma);
        design.materials.waterReflection = c.water;
        design.materials.tubeTransmission = c.transmission;
        const PhysicalEstimate e = LightEstimator(options).estimate(design);
        const std::string what = "shape " + std::to_string(static_cast<int>(c.shape)) + " d " +
                                 std::to_string(c.d) + " sigma " + std::to_string(c.sigma);
        EXPECT_NEAR(Sum(e), 1.0, 1e-12) << what;
        double binned = 0.0;
        for (std::size_t b = 0; b < e.perMm.size(); ++b) {
            binned += e.perMm[b] * (e.edgesMm[b + 1] - e.edgesMm[b]);
        }
        EXPECT_NEAR(binned, e.efficiency, 1e-12) << what;
        for (double share : {e.efficiency, e.losses.absorbed, e.losses.returnedToTube,
                             e.losses.besideAquarium, e.losses.escaped}) {
            EXPECT_GE(share, 0.0) << what;
        }
    }
}

// A thin tube at a parabola's focus: mirrored, every ray reflected once leaves parallel to the
// axis; with a gloss spread sigma the reflected rays fan out by twice the tilt, so their angles
// from the axis have a spread of 2 sigma sqrt(m2) (m2 the second moment of the cut density, a
// little below 1) about a mean of 0.
TEST(SurfaceEstimate, GlossSpreadsAParabolasBeamByTwiceTheSpread) {
    const double m = 100.0; // y = x^2 / 100, focus at (0, 25)
    for (double sigmaDeg : {1.0, 5.0}) {
        Scene scene;
        scene.tubes.push_back({0.0, m / 4, 1e-3, 1.0});
        scene.arcs.push_back({0.0, 0.0, m, -150.0, 150.0});
        scene.water = {2000.0, -1e5, 1e5};
        scene.materials.refractiveIndex = 1.0;
        scene.materials.albedo = 1.0;
        scene.materials.waterReflection = WaterReflection::Lost;
        scene.materials.surface = {0.0, sigmaDeg};
        const auto fresnel = FresnelTable::ForIndex(1.0);
        const PathTracer tracer(scene, *fresnel);
        double weight = 0.0;
        double mean = 0.0;
        double square = 0.0;
        for (double a : {2.4, 2.7, 3.0, -2.6, -2.9}) {
            // Where the ray from the focus meets the parabola: (t sin a)^2 = m (m/4 + t cos a).
            const double sa = std::sin(a);
            const double ca = std::cos(a);
            const double t =
                (m * ca + std::sqrt(m * m * ca * ca + m * m * sa * sa)) / (2 * sa * sa);
            const double hx = t * sa;
            const double hy = m / 4 + t * ca;
            RayOutcome out;
            tracer.trace(0, a, 0.0, out);
            ASSERT_GE(out.entries, 3);
            for (int k = 0; k < out.entries; ++k) {
                const double angle = std::atan((out.entryX[static_cast<std::size_t>(k)] - hx) /
                                               (scene.water.y - hy));
                const double w = out.entryAmount[static_cast<std::size_t>(k)];
                weight += w;
                mean += w * angle;
                square += w * angle * angle;
            }
        }
        mean /= weight;
        const double spread = std::sqrt(square / weight - mean * mean);
        const double sigma = sigmaDeg * kPi / 180.0;
        EXPECT_NEAR(mean, 0.0, 1e-9) << sigmaDeg;
        EXPECT_NEAR(spread, 2.0 * sigma * std::sqrt(GlossRule::SecondMoment()), 1e-9 * sigma)
            << sigmaDeg;
        EXPECT_GT(spread, 1.9 * sigma) << sigmaDeg;
        EXPECT_LT(spread, 2.0 * sigma) << sigmaDeg;
    }
}

TEST(SurfaceEstimate, GlossRulesHoldTheCutNormalDensitysMoments) {
    // The cut density's moments, from its closed forms with the error function.
    const double mass = std::erf(3.0 / std::sqrt(2.0));
    const double tail = 2.0 * 3.0 * std::exp(-4.5) / std::sqrt(2.0 * kPi);
    const double m2 = 1.0 - tail / mass;
    const double m4 = 3.0 * m2 - 27.0 * tail / 3.0 / mass;
    // The mean of |u|: the integral of u exp(-u^2/2) from 0 to 3 over the half's mass.
    const double h1 = 2.0 * (1.0 - std::exp(-4.5)) / std::sqrt(2.0 * kPi) / mass;
    EXPECT_NEAR(GlossRule::SecondMoment(), m2, 1e-14);
    EXPECT_NEAR(GlossRule::FourthMoment(), m4, 1e-13);
    EXPECT_NEAR(GlossRule::HalfMoment(1), h1, 1e-14);
    EXPECT_NEAR(GlossRule::HalfMoment(2), m2, 1e-14);
    struct Case {
        GlossRule rule;
        bool spread;    // holds the second moment
        bool absolute;  // holds the mean of |tilt|, the kink at 0
        double finesse; // how near, for the composite rule
    };
    for (const Case& c : {Case{GlossRule::ForSpread(0.1), true, false, 1e-15},
                          Case{GlossRule::ForSpread(0.1, 4), true, true, 1e-4},
                          Case{GlossRule::HalfRadau(0.1), true, true, 1e-15},
                          Case{GlossRule::HalfMeans(0.1), false, true, 1e-15}}) {
        const GlossRule& rule = c.rule;
        double sum = 0.0;
        double first = 0.0;
        double second = 0.0;
        for (std::size_t i = 0; i < rule.tilts.size(); ++i) {
            sum += rule.weights[i];
            first += rule.weights[i] * std::abs(rule.tilts[i]);
            second += rule.weights[i] * rule.tilts[i] * rule.tilts[i];
            EXPECT_LE(std::abs(rule.tilts[i]), 0.3 + 1e-15);
            EXPECT_GE(rule.weights[i], 0.0);
        }
        EXPECT_NEAR(sum, 1.0, 1e-15);
        if (c.spread) {
            EXPECT_NEAR(second, 0.01 * m2, c.finesse) << rule.tilts.size();
        }
        if (c.absolute) {
            EXPECT_NEAR(first, 0.1 * h1, c.finesse) << rule.tilts.size();
        } else {
            // The 3-point rule misses the kink by about a fifth of the spread.
            EXPECT_GT(std::abs(first - 0.1 * h1), 0.01) << rule.tilts.size();
        }
    }
}

} // namespace
} // namespace kavrol::physics
