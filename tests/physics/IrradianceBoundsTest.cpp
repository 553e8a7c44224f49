// SPDX-License-Identifier: GPL-3.0-or-later
// The light across the water bin by bin against exact answers (a bare tube's view factor per
// strip, a flat mirror's by images): every bin within its own bound, at 20, 200 and 1000 bins,
// and closer as the tolerance falls; and the binning of one stretch (WaterBins) on its own.
#include "LightEstimator.h"
#include "WaterBins.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace kavrol::physics {
namespace {

constexpr double kPi = std::numbers::pi;

// Share of a 2D Lambertian circle's light reaching the strip [xa, xb] a depth h below its
// centre: the angle the strip subtends at the centre over 2 pi (crossed strings).
double ViewFactor(double xa, double xb, double h) {
    return (std::atan(xb / h) - std::atan(xa / h)) / (2.0 * kPi);
}

struct Exact {
    std::string name;
    Scene scene;
    std::function<double(double, double)> strip; // exact share into [xa, xb]
};

std::vector<Exact> ExactScenes() {
    std::vector<Exact> scenes;
    Scene bare;
    bare.tubes.push_back({0.0, 40.0, 8.0, 1.0});
    bare.water = {240.0, -250.0, 250.0};
    bare.materials.refractiveIndex = 1.0;
    scenes.push_back(
        {"bare tube", bare, [](double a, double b) { return ViewFactor(a, b, 200.0); }});
    // Mirror y = 0 above the tube at (0, 50): its image at (0, -50) adds 0.8 of its own view
    // factor; the strip [60, 200] lies outside the real tube's shadow as seen from the image.
    Scene mirror;
    mirror.tubes.push_back({0.0, 50.0, 8.0, 1.0});
    mirror.segments.push_back({-1e6, 0.0, 1e6, 0.0});
    mirror.water = {250.0, 60.0, 200.0};
    mirror.materials.refractiveIndex = 1.0;
    mirror.materials.albedo = 0.8;
    scenes.push_back({"flat mirror", mirror, [](double a, double b) {
                          return ViewFactor(a, b, 200.0) + 0.8 * ViewFactor(a, b, 300.0);
                      }});
    return scenes;
}

struct BinCheck {
    double worstMiss = 0.0;  // largest error of a bin, share
    double worstRatio = 0.0; // largest error over its bound
};

BinCheck CheckBins(const Exact& exact, int bins, double tolerance) {
    EstimateOptions options;
    options.tolerance = tolerance;
    options.bins = bins;
    options.bareTube = false;
    const PhysicalEstimate e = LightEstimator(options).estimate(exact.scene);
    BinCheck check;
    EXPECT_EQ(e.perMmError.size(), static_cast<std::size_t>(bins));
    for (std::size_t b = 0; b < e.perMm.size(); ++b) {
        const double width = e.edgesMm[b + 1] - e.edgesMm[b];
        const double miss =
            std::abs(e.perMm[b] * width - exact.strip(e.edgesMm[b], e.edgesMm[b + 1]));
        const double bound = e.perMmError[b] * width;
        check.worstMiss = std::max(check.worstMiss, miss);
        check.worstRatio = std::max(check.worstRatio, miss / bound);
        // The places between samples follow cubics through the rays' own slopes; their error,
        // far below a millionth of a bin's light, is not in the bound.
        EXPECT_LE(miss, bound + 1e-9)
            << exact.name << ", " << bins << " bins at " << tolerance << ", bin " << b;
    }
    return check;
}

// Each bin meets its bound; a finer tolerance brings every bin closer, not only the total.
TEST(IrradianceBounds, BinsHoldTheirBoundsAndConvergeAgainstExactAnswers) {
    for (const Exact& exact : ExactScenes()) {
        for (int bins : {20, 200, 1000}) {
            SCOPED_TRACE(exact.name + ", " + std::to_string(bins) + " bins");
            const BinCheck loose = CheckBins(exact, bins, 1e-3);
            const BinCheck fine = CheckBins(exact, bins, 1e-4);
            EXPECT_LT(fine.worstMiss, loose.worstMiss);
            // The bound is not idle: a bin's error reaches a fair part of it somewhere.
            EXPECT_GT(std::max(loose.worstRatio, fine.worstRatio), 1e-3);
        }
    }
}

// A stretch whose light lands evenly over [0, 10) mm in 10 one-millimetre bins: the amount per
// unit tau is a polynomial the rule integrates exactly, so every bin gets its exact share.
TEST(IrradianceBounds, WaterBinsPlacesAStretchByItsPlaces) {
    WaterBins water(0.0, 10.0, 10);
    WaterBins::Track track;
    track.points = 3;
    track.tau = {-1.0, 0.0, 1.0};
    // x = 5 + 5 tau, slope 5 per unit tau everywhere: the Hermite pieces are exact.
    track.x = {0.0, 5.0, 10.0};
    track.slope = {5.0, 5.0, 5.0};
    // Amount per unit tau: 1 + tau (degree 1); the low rule says 1.
    const double nodes[2] = {-1.0, 1.0};
    const double amounts[2] = {0.0, 2.0};
    track.high = WaterBins::Interpolate(nodes, amounts, 2);
    track.low = {};
    track.low[0] = 1.0;
    track.scale = 0.5;
    water.add(track);
    double total = 0.0;
    double totalError = 0.0;
    const std::vector<double> errors = water.errors();
    for (int b = 0; b < 10; ++b) {
        // Bin b covers tau in [-1 + b/5, -1 + (b+1)/5]; the integral of 0.5 (1 + tau) there.
        const double t0 = -1.0 + b / 5.0;
        const double t1 = t0 + 0.2;
        const double exact = 0.5 * ((t1 + t1 * t1 / 2) - (t0 + t0 * t0 / 2));
        EXPECT_NEAR(water.light()[static_cast<std::size_t>(b)], exact, 1e-14) << b;
        const double lowPart = 0.5 * (t1 - t0);
        EXPECT_NEAR(errors[static_cast<std::size_t>(b)], std::abs(exact - lowPart), 1e-14) << b;
        total += water.light()[static_cast<std::size_t>(b)];
        totalError += errors[static_cast<std::size_t>(b)];
    }
    EXPECT_NEAR(total, 1.0, 1e-14);
    // Light landing outside goes to the end bin; what may land anywhere goes to every bin.
    const double first = water.light()[0];
    water.addAt(-3.0, 0.25, 0.0);
    water.addAnywhere(0.01);
    EXPECT_NEAR(water.light()[0], first + 0.25, 1e-15);
    EXPECT_NEAR(water.errors()[9], errors[9] + 0.01, 1e-15);
}

// The polynomial through given points, and a rule's integral of it.
TEST(IrradianceBounds, InterpolateRecoversPolynomials) {
    const double nodes[5] = {-1.0, -0.5, 0.1, 0.6, 1.0};
    double values[5];
    for (int i = 0; i < 5; ++i) {
        const double x = nodes[i];
        values[i] = 2.0 - x + 3.0 * x * x * x - 0.5 * x * x * x * x;
    }
    const auto c = WaterBins::Interpolate(nodes, values, 5);
    const double expected[5] = {2.0, -1.0, 0.0, 3.0, -0.5};
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_NEAR(c[k], expected[k], 1e-12) << k;
    }
    EXPECT_EQ(c[5], 0.0);
}

} // namespace
} // namespace kavrol::physics
