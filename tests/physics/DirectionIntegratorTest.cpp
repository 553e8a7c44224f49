// SPDX-License-Identifier: GPL-3.0-or-later
// The integral over one offset's directions against a bare tube above the water, whose light
// is known in closed form: where each edge of the water lies, a window narrower than the first
// samples' spacing, the Fresnel share over a smooth stretch, the histogram's bins, and a run
// stopped by its ray limit, whose bound must still hold and which must say so.
#include "DirectionIntegrator.h"

#include "EstimateCancelled.h"
#include "FresnelTable.h"
#include "PathTracer.h"
#include "Scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <vector>

namespace kavrol::physics {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTubeY = 50.0;
constexpr double kWaterY = 250.0;

// The direction a (from the downward vertical toward +x) whose ray of offset p meets the water
// at x: the ray's line reaches the water at x = p / cos a + D tan a, D the water's depth below
// the axis, so D sin a - x cos a = -p.
double DirectionTo(double x, double p) {
    const double depth = kWaterY - kTubeY;
    return std::atan2(x, depth) - std::asin(p / std::hypot(depth, x));
}

// The light of offset p entering the water over [aMin, aMax] (averaged over it) between xLow
// and xHigh: the directions that land there, each entering with the mean Fresnel share at its
// incidence (all of it at index 1), by Simpson's rule on 4,000 panels of the directly
// integrated share.
double Entering(double xLow, double xHigh, double p, double aMin, double aMax, double n) {
    const double low = std::max(aMin, DirectionTo(xLow, p));
    const double high = std::min(aMax, DirectionTo(xHigh, p));
    if (!(high > low)) {
        return 0.0;
    }
    if (n == 1.0) {
        return (high - low) / (aMax - aMin);
    }
    const int panels = 4000;
    const double h = (high - low) / panels;
    double sum = 0.0;
    for (int i = 0; i <= panels; ++i) {
        const double w = i == 0 || i == panels ? 1.0 : (i % 2 == 1 ? 4.0 : 2.0);
        sum += w * FresnelTable::IntegratedMeanTransmittance(std::cos(low + i * h), n);
    }
    return sum * h / 3.0 / (aMax - aMin);
}

struct Case {
    const char* name;
    double xMin; // the water's span
    double xMax;
    double p;
    double aMin;
    double aMax;
    double n;
    int gridCells;
    std::int64_t maxRays;
    int bins;
    bool reached; // whether the bound is met within the ray limit
};

const Case kCases[] = {
    {"wide water, every direction", -100.0, 100.0, 3.0, -kPi, kPi, 1.0, 32, 400000, 0, true},
    {"half a turn, as for a tube on a symmetric scene's axis", -100.0, 100.0, -5.0, 0.0, kPi, 1.0,
     32, 400000, 0, true},
    // The window spans some 0.01 rad, the first samples lie 0.79 rad apart: only the rays'
    // clearances tell that the water's edges lie between them.
    {"a window between the first samples", 40.0, 42.0, 6.0, -kPi, kPi, 1.0, 8, 400000, 0, true},
    {"the Fresnel share, smooth between the edges", -150.0, 120.0, 7.5, -kPi, kPi, 1.33, 16, 400000,
     0, true},
    {"bins across the water", -100.0, 100.0, 2.0, -kPi, kPi, 1.0, 32, 400000, 5, true},
    {"stopped at its ray limit", -100.0, 100.0, 3.0, -kPi, kPi, 1.0, 32, 40, 0, false},
};

TEST(DirectionIntegrator, ABareTubesLightWithinItsBoundAndTheLimitReported) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Scene scene;
        scene.tubes.push_back({0.0, kTubeY, 8.0, 1.0});
        scene.water = {kWaterY, c.xMin, c.xMax};
        scene.materials.refractiveIndex = c.n;
        const auto fresnel = FresnelTable::ForIndex(c.n);
        const PathTracer tracer(scene, *fresnel);
        DirectionIntegrator::Settings settings;
        settings.gridCells = c.gridCells;
        settings.maxRays = c.maxRays;
        DirectionIntegrator directions(tracer, 0, c.p, settings);
        const DirectionIntegrator::Result r =
            directions.integrate(c.aMin, c.aMax, {c.xMin, c.xMax, c.bins});

        // The table's own error is the estimator's to add, not the directions'.
        const double table = c.n == 1.0 ? 0.0 : fresnel->interpolationError();
        const double truth = Entering(c.xMin, c.xMax, c.p, c.aMin, c.aMax, c.n);
        EXPECT_GT(truth, 0.0);
        EXPECT_LE(std::abs(r.mean[RayOutcome::Water] - truth), r.error + table)
            << "found " << r.mean[RayOutcome::Water] << ", truth " << truth;
        EXPECT_EQ(r.reached, c.reached);
        if (c.reached) {
            EXPECT_LE(r.error, settings.budget);
        } else {
            EXPECT_LE(r.rays, c.maxRays + 2) << "a refinement step adds at most two rays";
            EXPECT_GT(r.error, settings.budget);
        }
        // Every ray pointing up escapes (nothing lies above the tube); at index 1 nothing else
        // does, the water reflecting none.
        const double up = std::max(0.0, std::min(c.aMax, kPi) - std::max(c.aMin, kPi / 2)) +
                          std::max(0.0, std::min(c.aMax, -kPi / 2) - std::max(c.aMin, -kPi));
        if (c.reached && c.n == 1.0) {
            EXPECT_NEAR(r.mean[RayOutcome::Escaped], up / (c.aMax - c.aMin), settings.budget);
        }
        double total = 0.0;
        for (double share : r.mean) {
            total += share;
        }
        EXPECT_NEAR(total, 1.0, 1e-12);

        ASSERT_EQ(r.histogram.size(), static_cast<std::size_t>(c.bins));
        double binned = 0.0;
        for (int b = 0; b < c.bins; ++b) {
            const double width = (c.xMax - c.xMin) / c.bins;
            const double low = c.xMin + b * width;
            const double inBin = Entering(low, low + width, c.p, c.aMin, c.aMax, c.n);
            const auto at = static_cast<std::size_t>(b);
            EXPECT_LE(std::abs(r.histogram[at] - inBin), r.histogramError[at] + 1e-15)
                << "bin " << b << ": found " << r.histogram[at] << ", truth " << inBin;
            binned += r.histogram[at];
        }
        if (c.bins > 0) {
            EXPECT_NEAR(binned, r.mean[RayOutcome::Water], 1e-12);
        }
    }
}

TEST(DirectionIntegrator, ACancelStopsTheIntegral) {
    Scene scene;
    scene.tubes.push_back({0.0, kTubeY, 8.0, 1.0});
    const auto fresnel = FresnelTable::ForIndex(1.0);
    const PathTracer tracer(scene, *fresnel);
    const std::atomic<bool> cancel{true};
    DirectionIntegrator::Settings settings;
    settings.cancel = &cancel;
    DirectionIntegrator directions(tracer, 0, 0.0, settings);
    EXPECT_THROW((void)directions.integrate(-kPi, kPi, {}), EstimateCancelled);
}

} // namespace
} // namespace kavrol::physics
