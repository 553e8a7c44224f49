// SPDX-License-Identifier: GPL-3.0-or-later
// The error bound and the energy balance over many random designs of the window's ranges:
// an estimate at a much finer tolerance must lie within the stated bound, and the shares
// must account for all the light.
#include "InputDomain.h"
#include "LightEstimator.h"
#include "PathTracer.h"
#include "PhysicalDesignError.h"
#include "RandomDesigns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <numbers>
#include <random>
#include <sstream>
#include <vector>

namespace kavrol::physics {
namespace {

const auto Describe = testing_support::DesignLine;
const auto Sum = testing_support::ShareSum;

// Designs the window could enter (whole millimetres, its ranges), with the materials varied;
// those that cannot exist are skipped.
std::vector<PhysicalDesign> RandomDesigns(int count, unsigned seed) {
    return testing_support::RandomDesigns(
        static_cast<std::size_t>(count), seed,
        [](PhysicalDesign& d, testing_support::WholeNumbers& whole) {
            d.materials.tubeTransmission = whole(0, 1) * 0.3;
            d.materials.waterReflection =
                whole(0, 3) == 0 ? WaterReflection::Lost : WaterReflection::Traced;
        });
}

// How many of an estimate's bins lie farther from the reference's than both bounds together,
// and the worst ratio of miss to bound.
struct BinMisses {
    int outside = 0;
    double worst = 0.0;
};

BinMisses CompareBins(const PhysicalEstimate& e, const PhysicalEstimate& reference) {
    BinMisses misses;
    for (std::size_t b = 0; b < e.perMm.size(); ++b) {
        const double miss = std::abs(e.perMm[b] - reference.perMm[b]);
        const double bound = e.perMmError[b] + reference.perMmError[b];
        misses.outside += miss > bound ? 1 : 0;
        misses.worst = std::max(misses.worst, miss / bound);
    }
    return misses;
}

// The bound is an estimate for the parts the rules compare (a rough integrand may fool the
// comparison of two rules); it must hold for nearly all designs and never miss by far. The
// same holds bin by bin, and the uniformity's bounds overlap the reference's.
TEST(EstimateAccuracy, BoundsHoldAgainstAFinerEstimateOverRandomDesigns) {
    EstimateOptions fine;
    fine.tolerance = 2e-5;
    fine.bins = 20;
    fine.bareTube = false;
    EstimateOptions normal = fine;
    normal.tolerance = 5e-4;
    EstimateOptions screening = EstimateOptions::Screening();
    screening.bins = 20;
    int checks = 0;
    int outside = 0;
    int bins = 0;
    int binsOutside = 0;
    int ratiosApart = 0;
    for (const PhysicalDesign& d : RandomDesigns(30, 2026)) {
        const PhysicalEstimate reference = LightEstimator(fine).estimate(d);
        const PhysicalEstimate e = LightEstimator(normal).estimate(d);
        const PhysicalEstimate quick = LightEstimator(screening).estimate(d);
        for (const PhysicalEstimate* estimate : {&reference, &e, &quick}) {
            EXPECT_NEAR(Sum(*estimate), 1.0, 1e-12) << Describe(d);
            EXPECT_GT(estimate->efficiency, 0.0) << Describe(d);
            const PhysicalEstimate::Uniformity& u = estimate->uniformity;
            EXPECT_LE(u.minOverMeanLow, u.minOverMean) << Describe(d);
            EXPECT_GE(u.minOverMeanHigh, u.minOverMean) << Describe(d);
            EXPECT_LE(u.maxOverMeanLow, u.maxOverMean) << Describe(d);
            EXPECT_GE(u.maxOverMeanHigh, u.maxOverMean) << Describe(d);
        }
        EXPECT_LE(e.error, normal.tolerance) << Describe(d);
        EXPECT_LE(quick.error, screening.tolerance) << Describe(d);
        EXPECT_TRUE(e.toleranceReached) << Describe(d);
        for (const PhysicalEstimate* estimate : {&e, &quick}) {
            const double miss = std::abs(estimate->efficiency - reference.efficiency);
            const double bound = estimate->error + reference.error;
            ++checks;
            if (miss > bound) {
                ++outside;
                std::cout << "outside its bound: " << miss << " > " << bound << "; " << Describe(d)
                          << "\n";
            }
            EXPECT_LE(miss, 3.0 * bound) << Describe(d);
            const BinMisses misses = CompareBins(*estimate, reference);
            bins += static_cast<int>(estimate->perMm.size());
            binsOutside += misses.outside;
            EXPECT_LE(misses.worst, 3.0) << Describe(d);
            // The uniformity's bounds overlap the reference's, for min/mean and max/mean.
            const PhysicalEstimate::Uniformity& u = estimate->uniformity;
            const PhysicalEstimate::Uniformity& r = reference.uniformity;
            const bool minApart =
                u.minOverMeanLow > r.minOverMeanHigh || u.minOverMeanHigh < r.minOverMeanLow;
            const bool maxApart =
                u.maxOverMeanLow > r.maxOverMeanHigh || u.maxOverMeanHigh < r.maxOverMeanLow;
            ratiosApart += (minApart ? 1 : 0) + (maxApart ? 1 : 0);
            if (minApart || maxApart) {
                std::cout << "uniformity apart from the reference's: " << Describe(d) << "\n";
            }
        }
    }
    EXPECT_EQ(checks, 60);
    std::cout << outside << " of " << checks << " estimates, " << binsOutside << " of " << bins
              << " bins and " << ratiosApart << " of 120 ratios outside their bounds\n";
    // About 95 %: no more than 3 of the 60, and no more than 5 % of the bins.
    EXPECT_LE(outside, 3) << "of " << checks << " estimates";
    EXPECT_LE(binsOutside, bins / 20) << "bins outside their bounds, of " << bins;
    // The ratios follow their extreme bins, so they miss as often: no more than 6 of the 120.
    EXPECT_LE(ratiosApart, 6) << "uniformity ratios apart from the reference's, of 120";
}

TEST(EstimateAccuracy, EnergyBalancesForEveryKindOfDesign) {
    EstimateOptions options = EstimateOptions::Screening();
    options.bins = 10;
    for (const PhysicalDesign& d : RandomDesigns(60, 7)) {
        const PhysicalEstimate e = LightEstimator(options).estimate(d);
        EXPECT_NEAR(Sum(e), 1.0, 1e-12) << Describe(d);
        double binned = 0.0;
        for (std::size_t b = 0; b < e.perMm.size(); ++b) {
            binned += e.perMm[b] * (e.edgesMm[b + 1] - e.edgesMm[b]);
        }
        EXPECT_NEAR(binned, e.efficiency, 1e-12) << Describe(d);
        for (double share : {e.losses.absorbed, e.losses.returnedToTube, e.losses.besideAquarium,
                             e.losses.escaped, e.losses.reflectedAtWater}) {
            EXPECT_GE(share, 0.0) << Describe(d);
        }
    }
}

// The irradiance of a plain sampling of the emitted rays (4,000 directions by 400 offsets, each
// ray's light put in the bin where it enters), as relative bins over the span.
std::vector<double> SampledIrradiance(const Scene& scene, int bins) {
    const auto fresnel = FresnelTable::ForIndex(scene.materials.refractiveIndex);
    const PathTracer tracer(scene, *fresnel);
    const double radius = scene.tubes[0].radius;
    const double width = (scene.water.xMax - scene.water.xMin) / bins;
    std::vector<double> histogram(static_cast<std::size_t>(bins), 0.0);
    double total = 0.0;
    RayOutcome out;
    constexpr int kDirections = 4000;
    constexpr int kOffsets = 400;
    for (int i = 0; i < kDirections; ++i) {
        for (int j = 0; j < kOffsets; ++j) {
            const double a = -std::numbers::pi + (i + 0.5) * 2.0 * std::numbers::pi / kDirections;
            const double p = radius * (-1.0 + (j + 0.5) * 2.0 / kOffsets);
            tracer.trace(0, a, p, out);
            for (int k = 0; k < out.entries; ++k) {
                const auto slot = static_cast<std::size_t>(k);
                const int bin = static_cast<int>((out.entryX[slot] - scene.water.xMin) / width);
                histogram[static_cast<std::size_t>(std::clamp(bin, 0, bins - 1))] +=
                    out.entryAmount[slot];
                total += out.entryAmount[slot];
            }
        }
    }
    for (double& value : histogram) {
        value *= bins / total;
    }
    return histogram;
}

// Halving the directions by symmetry must not change the answer: the same scene nudged out of
// symmetry by a nanometre is integrated over all directions.
TEST(EstimateAccuracy, SymmetricHalfAgreesWithTheFullTurn) {
    EstimateOptions options;
    options.bareTube = false;
    options.bins = 20;
    for (ReflectorShape shape :
         {ReflectorShape::Trapezoid, ReflectorShape::Parabola, ReflectorShape::TwinArc}) {
        PhysicalDesign design;
        design.shape = shape;
        design.aquariumWidth = 300.0;
        Scene scene = Scene::FromDesign(design);
        ASSERT_TRUE(scene.mirrorSymmetric());
        const PhysicalEstimate half = LightEstimator(options).estimate(scene);
        scene.water.xMax += 1e-6;
        ASSERT_FALSE(scene.mirrorSymmetric());
        const PhysicalEstimate full = LightEstimator(options).estimate(scene);
        EXPECT_NEAR(half.efficiency, full.efficiency, half.error + full.error);
        // The bins are not under the bound; near caustics they are good to a few hundredths.
        const std::vector<double> sampled = SampledIrradiance(scene, 20);
        double deviation = 0.0;
        for (std::size_t b = 0; b < half.relative.size(); ++b) {
            EXPECT_NEAR(half.relative[b], half.relative[half.relative.size() - 1 - b], 1e-12);
            EXPECT_NEAR(half.relative[b], sampled[b], 0.08) << b;
            EXPECT_NEAR(full.relative[b], sampled[b], 0.08) << b;
            deviation += std::abs(half.relative[b] - sampled[b]) / 20.0;
        }
        EXPECT_LT(deviation, 0.02);
    }
}

} // namespace
} // namespace kavrol::physics
