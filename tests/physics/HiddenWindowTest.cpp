// SPDX-License-Identifier: GPL-3.0-or-later
// Deep, narrow, lossless reflectors over far, narrow tanks, where many reflections make narrow
// windows of directions that reach the water by another path: the estimate against a plain
// sampling of the emitted rays that knows nothing of paths, stretches or rules.
#include "LightEstimator.h"
#include "PathTracer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace kavrol::physics {
namespace {

struct Sampled {
    double mean = 0.0;
    double error = 0.0; // three standard errors of the mean over the shifts
};

// The share entering the water by a randomly shifted rank-1 lattice over (direction, offset):
// each shift is an unbiased estimate of the integral, and their spread gives its error.
Sampled SampledShare(const Scene& scene, int pointsPerShift, int shifts) {
    const auto fresnel = FresnelTable::ForIndex(scene.materials.refractiveIndex);
    const PathTracer tracer(scene, *fresnel);
    const double radius = scene.tubes[0].radius;
    // The plastic number's lattice: well spread in both coordinates at any count.
    const double g = 1.32471795724474602596;
    const double step1 = 1.0 / g;
    const double step2 = 1.0 / (g * g);
    std::vector<double> means;
    RayOutcome out;
    std::uint64_t state = 0x9e3779b97f4a7c15ULL;
    const auto uniform = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<double>(state >> 11) * 0x1.0p-53;
    };
    for (int s = 0; s < shifts; ++s) {
        const double shift1 = uniform();
        const double shift2 = uniform();
        double sum = 0.0;
        for (int i = 0; i < pointsPerShift; ++i) {
            const double u = std::fmod(shift1 + step1 * i, 1.0);
            const double v = std::fmod(shift2 + step2 * i, 1.0);
            const double a = std::numbers::pi * (2.0 * u - 1.0);
            const double p = radius * (2.0 * v - 1.0);
            tracer.trace(0, a, p, out);
            sum += out.share[RayOutcome::Water];
        }
        means.push_back(sum / pointsPerShift);
    }
    Sampled result;
    for (double m : means) {
        result.mean += m / shifts;
    }
    double spread = 0.0;
    for (double m : means) {
        spread += (m - result.mean) * (m - result.mean) / (shifts - 1);
    }
    result.error = 3.0 * std::sqrt(spread / shifts);
    return result;
}

struct Deep {
    double a;
    double b;
    double c;
    double albedo;
    double waterDistance;
    double width;
};

std::string Describe(const Deep& d) {
    std::ostringstream text;
    text << "twin arc A " << d.a << " B " << d.b << " C " << d.c << " albedo " << d.albedo
         << " water " << d.waterDistance << " width " << d.width;
    return text.str();
}

void Check(const std::vector<Deep>& family, int pointsPerShift) {
    for (const Deep& d : family) {
        PhysicalDesign design;
        design.shape = ReflectorShape::TwinArc;
        design.a = d.a;
        design.b = d.b;
        design.c = d.c;
        design.tubeRadius = 8.0;
        design.lampDistance = 90.0;
        design.waterDistance = d.waterDistance;
        design.aquariumWidth = d.width;
        design.materials.albedo = d.albedo;
        const Scene scene = Scene::FromDesign(design);
        EstimateOptions options;
        options.bins = 0;
        options.bareTube = false;
        const Sampled reference = SampledShare(scene, pointsPerShift, 16);
        for (double tolerance : {5e-4, 1e-4}) {
            options.tolerance = tolerance;
            const PhysicalEstimate e = LightEstimator(options).estimate(scene);
            EXPECT_TRUE(e.toleranceReached) << Describe(d);
            EXPECT_NEAR(e.efficiency, reference.mean, e.error + reference.error)
                << Describe(d) << " at " << tolerance << ", sampled +/- " << reference.error;
        }
    }
}

// The example that read 1-3 % low with a bound 3-5 times too small, and a lossy neighbour.
TEST(HiddenWindow, DeepTwinArcsAgreeWithAPlainSampling) {
    Check({{60, 200, 10, 1.0, 1000, 100}, {60, 200, 10, 0.95, 1000, 100}}, 1 << 15);
}

// The wider family: more and narrower windows. Minutes; run with "ctest -L long". (C 20 in the
// last one: at C 30 the ridge lies below the tube's axis and the design is refused.)
TEST(HiddenWindow, DeepFamilyAgreesWithAPlainSampling) {
    if (std::getenv("KAVROL_LONG_TESTS") == nullptr) {
        GTEST_SKIP() << "set KAVROL_LONG_TESTS=1 (ctest -L long) to run";
    }
    Check({{60, 200, 10, 1.0, 1000, 100},
           {40, 200, 10, 1.0, 1000, 100},
           {80, 200, 20, 1.0, 800, 150},
           {50, 150, 10, 0.99, 1000, 100},
           {30, 200, 10, 1.0, 600, 100},
           {70, 190, 20, 1.0, 1000, 60}},
          1 << 18);
}

} // namespace
} // namespace kavrol::physics
