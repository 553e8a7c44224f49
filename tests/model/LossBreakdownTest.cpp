// SPDX-License-Identifier: GPL-3.0-or-later
#include "BuildError.h"
#include "BuildInputs.h"
#include "OpticalModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace kavrol {
namespace {

// Every built design of a varied sample: all three shapes, the three tubes, the tube shown or
// not, near and far water, narrow and wide aquariums, low and high albedo.
template <typename Check> int ForManyDesigns(Check check) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> half(5, 100);
    std::uniform_int_distribution<int> lamp(10, 100);
    std::uniform_int_distribution<int> water(50, 400);
    std::uniform_int_distribution<int> aqua(100, 1000);
    std::uniform_int_distribution<int> tube(0, 2);
    std::uniform_real_distribution<double> albedo(0.1, 1.0);
    int built = 0;
    for (int k = 0; k < 240; ++k) {
        BuildInputs in;
        in.shape = k % 3;
        in.refA = 2 * half(rng) + 10;
        in.refB = 2 * half(rng);
        in.refC = 2 * half(rng);
        in.lamp = lamp(rng);
        in.lampH = water(rng);
        in.aquaW = aqua(rng);
        in.tube = tube(rng);
        in.albedo = albedo(rng);
        in.lampVisible = k % 4 != 0;
        OpticalModel model(96);
        try {
            model.PaintRef(in);
        } catch (const BuildError&) {
            continue;
        }
        ++built;
        check(model);
    }
    return built;
}

// The five shares add up to the ray count, none is negative, the delivered one is the
// efficiency's, and rays that never reach the water hold at most one unit each between the tube
// and the escaped share (nothing when no ray was lost).
TEST(LossBreakdown, SharesAccountForEveryRayOfManyDesigns) {
    const int built = ForManyDesigns([](const OpticalModel& model) {
        const LossBreakdown& l = model.losses();
        EXPECT_NEAR(l.total(), OpticalModel::RayCount, 1e-9);
        EXPECT_GE(l.delivered, 0);
        EXPECT_GE(l.absorbed, 0);
        EXPECT_GE(l.reflectedAtWater, 0);
        EXPECT_GE(l.returnedToTube, 0);
        EXPECT_GE(l.escaped, 0);
        EXPECT_NEAR(l.delivered, model.efficiency() * OpticalModel::RayCount, 1e-9);
        int lost = 0;
        for (int k = 0; k < OpticalModel::RayCount; ++k)
            lost += model.rayPower()[static_cast<std::size_t>(k)] == 0 ? 1 : 0;
        EXPECT_LE(l.returnedToTube + l.escaped, lost + 1e-9);
        if (lost == 0) {
            EXPECT_EQ(l.returnedToTube + l.escaped, 0);
        }
    });
    EXPECT_GT(built, 150);
}

// A reflector that keeps all the light absorbs none; the default design still loses some of it
// at the water surface. (Water below the picture is checked with the tracer.)
TEST(LossBreakdown, FullAlbedoAbsorbsNothingAndTheWaterStillReflects) {
    OpticalModel model(96);
    BuildInputs in;
    in.albedo = 1.0L;
    model.PaintRef(in);
    EXPECT_EQ(model.losses().absorbed, 0);
    EXPECT_GT(model.losses().reflectedAtWater, 0);
}

} // namespace
} // namespace kavrol
