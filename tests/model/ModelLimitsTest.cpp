// SPDX-License-Identifier: GPL-3.0-or-later
// The build pass at the edges of its input domain: each case here was found by the build-pass
// fuzz target (fuzz/) or follows from one of its findings, and is kept as a plain test so that
// every test run checks it.

#include "BuildError.h"
#include "BuildMessage.h"
#include "Canvas.h"
#include "Numerics.h"
#include "OpticalModel.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>

using kavrol::BuildError;
using kavrol::BuildInputs;
using kavrol::OpticalModel;
namespace Messages = kavrol::Messages;
using kavrol::test::BuildMessage;

TEST(ModelLimits, RoundRefusesValuesThatRoundPastTheLargest32BitInteger) {
    EXPECT_EQ(kavrol::Round(2147483646.5L), 2147483646);
    EXPECT_EQ(kavrol::Round(2147483647.4L), 2147483647);
    EXPECT_THROW(kavrol::Round(2147483647.5L), BuildError);
    EXPECT_THROW(kavrol::Round(2147483647.7L), BuildError);
    EXPECT_EQ(kavrol::Round(-2147483648.4L), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(kavrol::Round(-2147483647.5L), std::numeric_limits<std::int32_t>::min());
    EXPECT_THROW(kavrol::Round(-2147483648.6L), BuildError);
}

// The trapezoid's last sample of this design lies at 2147483647.54: it used to wrap to -2^31.
TEST(ModelLimits, ProfileSampleJustBelow2To31IsRefusedNotWrapped) {
    OpticalModel model(96);
    BuildInputs in;
    in.shape = 0;
    in.refA = 161;
    in.refB = 2134227565;
    in.refC = 0;
    in.lampH = 0;
    in.rayVisible = false;
    EXPECT_EQ(BuildMessage(model, in), Messages::InvalidFloatOperation);
    // A slightly shallower one keeps every pixel point equal to its sample rounded.
    in.refB = 2134000000;
    ASSERT_EQ(BuildMessage(model, in), "built");
    for (int i = 0; i <= model.quantities().RefAPx; ++i) {
        const auto& p = model.profile()[static_cast<std::size_t>(i)];
        EXPECT_EQ(p.PY, std::llrint(p.Y)) << "entry " << i;
    }
}

TEST(ModelLimits, AlbedoOutsideZeroToOneIsRefusedBeforeAnythingIsDrawn) {
    OpticalModel model(96);
    model.PaintRef(BuildInputs{});
    const auto picture = model.workImage().pixels();
    const double shown = model.efficiency();
    for (long double albedo :
         {1.0000001L, 1.5L, -0.1L, -1e-300L, std::numeric_limits<long double>::infinity(),
          std::numeric_limits<long double>::quiet_NaN()}) {
        BuildInputs in;
        in.albedo = albedo;
        in.gridVisible = false;
        EXPECT_EQ(BuildMessage(model, in), Messages::AlbedoOutOfRange) << albedo;
        EXPECT_EQ(model.workImage().pixels(), picture);
        EXPECT_EQ(model.efficiency(), shown);
    }
}

TEST(ModelLimits, AlbedoAtZeroAndOneBuilds) {
    OpticalModel model(96);
    BuildInputs in;
    in.albedo = 0;
    ASSERT_EQ(BuildMessage(model, in), "built");
    const double dark = model.efficiency();
    in.albedo = 1;
    ASSERT_EQ(BuildMessage(model, in), "built");
    EXPECT_GE(dark, 0);
    EXPECT_LT(dark, model.efficiency());
    EXPECT_LE(model.efficiency(), 1);
}

// With the water line through the tube's centre, rays leaving the tube slightly upward land on
// water at once; their transmission share used to come out negative.
TEST(ModelLimits, RayMovingUpIntoTheWaterKeepsAShareBetweenZeroAndOne) {
    OpticalModel model(30);
    BuildInputs in;
    in.shape = 0;
    in.scale = 0;
    in.refA = 21;
    in.refB = 10;
    in.refC = 10;
    in.lampH = 0;
    in.albedo = 0.855L;
    ASSERT_EQ(BuildMessage(model, in), "built");
    for (int k = 0; k < OpticalModel::RayCount; ++k) {
        const double power = model.rayPower()[static_cast<std::size_t>(k)];
        EXPECT_GE(power, 0) << "ray " << k;
        EXPECT_LE(power, 1) << "ray " << k;
    }
    EXPECT_NEAR(model.losses().total(), OpticalModel::RayCount, 1e-9);
    EXPECT_GE(model.losses().reflectedAtWater, 0);
}

// A tube 2^31 - 310 pixels down: the first samples of its rays leave the 32-bit range. The pass
// is refused before the ray table is touched, so a later pass without rays shows the last
// complete fan's efficiency, not a mixture.
TEST(ModelLimits, TubeBeyondThe32BitRangeIsRefusedWithTheRayTableWhole) {
    OpticalModel model(96);
    model.PaintRef(BuildInputs{});
    const auto powers = model.rayPower();
    const double shown = model.efficiency();
    BuildInputs far;
    far.lamp = 2147483647 - 10 - 300;
    far.lampH = -400;
    EXPECT_EQ(BuildMessage(model, far), Messages::TubeOutOfReach);
    EXPECT_EQ(model.rayIndex(), OpticalModel::RayCount);
    EXPECT_EQ(model.rayPower(), powers);
    EXPECT_EQ(model.efficiency(), shown);
    BuildInputs quiet;
    quiet.rayVisible = false;
    ASSERT_EQ(BuildMessage(model, quiet), "built");
    EXPECT_EQ(model.efficiency(), shown);
    // The same tube far above the picture is refused the same way.
    far.lamp = -2147483647 + 300;
    far.lampH = 100;
    EXPECT_EQ(BuildMessage(model, far), Messages::TubeOutOfReach);
    EXPECT_EQ(model.rayPower(), powers);
}

// A tube far outside the picture but within reach is traced: every ray escapes.
TEST(ModelLimits, TubeFarBelowThePictureStillTracesWithNothingDelivered) {
    OpticalModel model(96);
    BuildInputs in;
    in.lamp = 1000000;
    in.lampH = 50;
    ASSERT_EQ(BuildMessage(model, in), "built");
    EXPECT_EQ(model.rayIndex(), OpticalModel::RayCount);
    EXPECT_EQ(model.efficiency(), 0.0);
}

// Line ends a full 32-bit range apart: the difference used to overflow int and wrap into what
// looked like a one-pixel step, drawing nothing across the picture.
TEST(ModelLimits, ThinLineAcrossThe32BitRangeCrossesThePicture) {
    kavrol::Canvas canvas(50, 50);
    canvas.setPenColor(kavrol::Colors::Red);
    canvas.moveTo(std::numeric_limits<int>::min(), 7);
    canvas.lineTo(std::numeric_limits<int>::max(), 7);
    for (int x = 0; x < 50; ++x)
        EXPECT_EQ(canvas.pixel(x, 7), kavrol::Colors::Red) << x;
    canvas.setPenColor(kavrol::Colors::Blue);
    canvas.moveTo(20, std::numeric_limits<int>::max());
    canvas.lineTo(20, std::numeric_limits<int>::min());
    for (int y = 0; y < 50; ++y)
        EXPECT_EQ(canvas.pixel(20, y), kavrol::Colors::Blue) << y;
}

TEST(ModelLimits, EveryIndexOutsideTheListsBuildsOrFailsWithAMessage) {
    OpticalModel model(96);
    for (int shape : {-1, 3, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()})
        for (int tube : {-1, 3, std::numeric_limits<int>::max()})
            for (int scale :
                 {-2, 3, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
                BuildInputs in;
                in.shape = shape;
                in.tube = tube;
                in.scale = scale;
                EXPECT_EQ(BuildMessage(model, in), "built") << shape << ' ' << tube << ' ' << scale;
            }
}
