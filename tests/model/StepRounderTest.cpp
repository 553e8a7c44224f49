// SPDX-License-Identifier: GPL-3.0-or-later
#include "StepRounder.h"
#include "Numerics.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

using kavrol::Extended;
using kavrol::StepRounder;

namespace {

void ExpectExact(Extended slope, std::int32_t origin, std::int64_t steps) {
    const StepRounder rounder(slope, origin);
    for (std::int64_t i = 0; i <= steps; ++i)
        ASSERT_EQ(rounder.at(i), kavrol::Round(slope * static_cast<Extended>(i) + origin))
            << "slope " << static_cast<double>(slope) << " origin " << origin << " step " << i;
}

} // namespace

TEST(StepRounder, MatchesTheExtendedExpressionForEveryRayDirection) {
    // The tracer's directions: every 5 degrees, and reflected directions at arbitrary angles.
    for (int d = 0; d < 360; d += 5) {
        const Extended a = d * kavrol::Pi / 180;
        const double t = static_cast<double>(a);
        ExpectExact(std::sin(static_cast<Extended>(t)), 410, 2000);
        ExpectExact(std::cos(static_cast<Extended>(t)), 60, 2000);
    }
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> angle(-10, 10);
    std::uniform_int_distribution<int> origin(-3000, 3000);
    for (int k = 0; k < 300; ++k) {
        const double t = angle(random);
        ExpectExact(std::sin(static_cast<Extended>(t)), origin(random), 1500);
    }
}

TEST(StepRounder, HalvesRoundToEvenExactlyAsTheExtendedExpression) {
    // Slopes whose products land exactly on halves, and slopes just beside them.
    for (Extended slope : {0.5L, -0.5L, 0.25L, 1.5L, 0.1L, 1.0L / 3, 0.5L + 0x1p-60L,
                           0.5L - 0x1p-60L, -0.5L + 0x1p-62L, 0x1p-64L, 0.0L, 1.0L, -1.0L})
        for (std::int32_t origin : {0, 7, -7, 819})
            ExpectExact(slope, origin, 1000);
}

TEST(StepRounder, FarValuesFallBackToTheExtendedExpression) {
    ExpectExact(1.0L, 2000000000, 10);
    ExpectExact(-1.0L, -2000000000, 10);
    ExpectExact(0.999L, 999999, 10);
}
