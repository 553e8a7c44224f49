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

TEST(LossBreakdown, FiveSharesAddUpToTheRayCountForManyDesigns) {
    const int built = ForManyDesigns([](const OpticalModel& model) {
        const LossBreakdown& l = model.losses();
        EXPECT_NEAR(l.total(), OpticalModel::RayCount, 1e-9);
        EXPECT_GE(l.delivered, 0);
        EXPECT_GE(l.absorbed, 0);
        EXPECT_GE(l.reflectedAtWater, 0);
        EXPECT_GE(l.returnedToTube, 0);
        EXPECT_GE(l.escaped, 0);
    });
    EXPECT_GT(built, 150);
}

TEST(LossBreakdown, DeliveredShareIsTheEfficiencyTimesTheRayCount) {
    ForManyDesigns([](const OpticalModel& model) {
        EXPECT_NEAR(model.losses().delivered, model.efficiency() * OpticalModel::RayCount, 1e-9);
    });
}

TEST(LossBreakdown, RaysThatNeverReachTheWaterAreAccountedAsReturnedOrEscaped) {
    ForManyDesigns([](const OpticalModel& model) {
        int lost = 0;
        for (int k = 0; k < OpticalModel::RayCount; ++k)
            lost += model.rayPower()[static_cast<std::size_t>(k)] == 0 ? 1 : 0;
        const LossBreakdown& l = model.losses();
        // A lost ray ends on the tube or escapes with whatever its reflections left it, so the
        // two shares hold at most one unit per lost ray, and nothing when no ray was lost.
        EXPECT_LE(l.returnedToTube + l.escaped, lost + 1e-9);
        if (lost == 0) {
            EXPECT_EQ(l.returnedToTube + l.escaped, 0);
        }
    });
}

// Ray 0 goes straight down onto the water with nothing in its way: it keeps all its power and
// the water reflects nothing of it. Without reflector or tube in the way of the others, the
// default design still loses some light at the water surface.
TEST(LossBreakdown, WaterReflectsNothingAtNormalIncidence) {
    OpticalModel model(96);
    BuildInputs in;
    in.albedo = 1.0L;
    model.PaintRef(in);
    EXPECT_EQ(model.rayPower()[0], 1.0);
    EXPECT_EQ(model.losses().absorbed, 0);
    EXPECT_GT(model.losses().reflectedAtWater, 0);
}

TEST(LossBreakdown, EveryRayIsLostWhenTheWaterLiesBelowThePicture) {
    OpticalModel model(96);
    BuildInputs in;
    in.scale = 0; // 1:1: the water line lies below the picture
    model.PaintRef(in);
    EXPECT_EQ(model.efficiency(), 0);
    EXPECT_EQ(model.losses().delivered, 0);
    EXPECT_EQ(model.losses().reflectedAtWater, 0);
    EXPECT_NEAR(model.losses().total(), OpticalModel::RayCount, 1e-9);
}

} // namespace
} // namespace kavrol
