// SPDX-License-Identifier: GPL-3.0-or-later
#include "BuildError.h"
#include "Numerics.h"
#include "OpticalModel.h"

#include <cmath>
#include <gtest/gtest.h>

using kavrol::BuildError;
using kavrol::BuildInputs;
using kavrol::OpticalModel;
using kavrol::ProfilePoint;

namespace {

const double Horizontal = static_cast<double>(kavrol::Pi / 2);

// Builds one shape at 96 dots per inch and "3:1", where a millimetre is one pixel, so that
// A, B and C are a, b and c in pixels, CenterX is 410 and TopY is 10.
class ProfileTest : public ::testing::Test {
protected:
    const kavrol::Profile& Build(int shape, int a, int b, int c = 50) {
        BuildInputs in;
        in.shape = shape;
        in.refA = a;
        in.refB = b;
        in.refC = c;
        in.rayVisible = false;
        model.PaintRef(in);
        return model.profile();
    }
    std::string Failure(int shape, int a, int b, int c) {
        try {
            Build(shape, a, b, c);
        } catch (const BuildError& e) {
            return e.what();
        }
        return "built";
    }
    OpticalModel model{96};
};

void ExpectPoint(const ProfilePoint& p, long double x, long double y) {
    EXPECT_EQ(p.X, x);
    EXPECT_NEAR(static_cast<double>(p.Y), static_cast<double>(y), 1e-9);
    EXPECT_EQ(p.PX, static_cast<int>(std::nearbyint(x)));
    EXPECT_EQ(p.PY, static_cast<int>(std::nearbyint(p.Y)));
}

} // namespace

TEST_F(ProfileTest, ParabolaWorkedEntriesAndAngles) {
    const auto& p = Build(1, 200, 100);
    ExpectPoint(p[0], 310, 110);
    ExpectPoint(p[50], 360, 35);
    ExpectPoint(p[100], 410, 10);
    ExpectPoint(p[150], 460, 35);
    ExpectPoint(p[200], 510, 110);
    EXPECT_EQ(p[1].Y, 108.01L);
    EXPECT_NEAR(p[50].Angle, -M_PI / 4, 1e-12);
    EXPECT_NEAR(p[150].Angle, M_PI / 4, 1e-12);
    EXPECT_EQ(p[100].Angle, Horizontal);
    EXPECT_EQ(p[0].Angle, Horizontal);
    EXPECT_EQ(p[200].Angle, Horizontal);
    EXPECT_NEAR(p[1].Angle, std::atan(1 / -1.99), 1e-12);
    // The right half mirrors the left bit for bit.
    for (int i = 101; i <= 200; ++i)
        ASSERT_EQ(p[static_cast<std::size_t>(i)].Y, p[static_cast<std::size_t>(200 - i)].Y);
    // Entries past the reflector stay zero.
    EXPECT_EQ(p[201].X, 0);
    EXPECT_EQ(p[201].Angle, 0);
    EXPECT_EQ(p[2000].PY, 0);
}

TEST_F(ProfileTest, ParabolaWithSmallDepthDivisorHangsBelowB) {
    const auto& p = Build(1, 20, 60);
    // m = 100 div 60 = 1: the rims lie 100 pixels below the top line, not 60.
    EXPECT_EQ(p[0].Y, 110);
    EXPECT_EQ(p[20].Y, 110);
}

TEST_F(ProfileTest, ParabolaOfOddWidthLiesHalfAPixelBeside) {
    const auto& p = Build(1, 21, 10);
    const int expectedPx[] = {400, 400, 402, 402, 404, 404, 406, 406, 408, 408, 410};
    for (int i = 0; i <= 10; ++i) {
        EXPECT_EQ(p[static_cast<std::size_t>(i)].X, 399.5L + i) << i;
        EXPECT_EQ(p[static_cast<std::size_t>(i)].PX, expectedPx[i]) << i;
    }
    for (int i = 11; i <= 21; ++i) {
        EXPECT_EQ(p[static_cast<std::size_t>(i)].X, 400 + i) << i;
        EXPECT_EQ(p[static_cast<std::size_t>(i)].Y, p[static_cast<std::size_t>(21 - i)].Y) << i;
    }
    EXPECT_EQ(p[10].Y, 10 + 0.25L / 10);
    EXPECT_EQ(p[11].Y, p[10].Y);
}

TEST_F(ProfileTest, TrapezoidWorkedEntriesAndAngles) {
    const auto& p = Build(0, 200, 100, 50);
    EXPECT_EQ(p[0].Y, 110);
    EXPECT_NEAR(static_cast<double>(p[74].Y), 11.3333, 1e-4);
    for (int i = 75; i <= 124; ++i)
        ASSERT_EQ(p[static_cast<std::size_t>(i)].Y, 10) << i;
    EXPECT_EQ(p[125].Y, 10);
    EXPECT_NEAR(static_cast<double>(p[200].Y), 110, 1e-9);
    for (int i = 1; i <= 4; ++i)
        EXPECT_NEAR(p[static_cast<std::size_t>(i)].Angle, std::atan(-0.75), 1e-12) << i;
    for (int i = 80; i <= 120; ++i)
        EXPECT_EQ(p[static_cast<std::size_t>(i)].Angle, Horizontal) << i;
    EXPECT_NEAR(p[75].Angle, -0.9828, 1e-4);
    EXPECT_NEAR(p[125].Angle, 0.9828, 1e-4);
    EXPECT_EQ(p[0].Angle, Horizontal);
    EXPECT_EQ(p[200].Angle, Horizontal);
}

TEST_F(ProfileTest, TrapezoidOfOddWidthEndsHalfASlopeDeeper) {
    const auto& p = Build(0, 21, 10, 10);
    const double k = 20.0 / 11;
    EXPECT_NEAR(static_cast<double>(p[4].Y), 20 - 4 * k, 1e-9);
    EXPECT_NEAR(static_cast<double>(p[4].Y), 12.73, 5e-3);
    for (int i = 5; i <= 14; ++i)
        ASSERT_EQ(p[static_cast<std::size_t>(i)].Y, 10) << i;
    EXPECT_EQ(p[15].Y, 10);
    EXPECT_NEAR(static_cast<double>(p[21].Y), 20.91, 5e-3);
    EXPECT_EQ(p[0].X, 399.5L);
}

TEST_F(ProfileTest, ZeFoWorkedEntriesAndAngles) {
    const auto& p = Build(2, 200, 100, 50);
    EXPECT_EQ(p[0].X, 310);
    EXPECT_EQ(p[0].Y, 10 + 75.0L * 75.0L / 56);
    EXPECT_EQ(p[0].PY, 110);
    ExpectPoint(p[75], 385, 10);
    ExpectPoint(p[125], 435, 10);
    EXPECT_EQ(p[75].Angle, Horizontal);
    EXPECT_EQ(p[125].Angle, Horizontal);
    EXPECT_EQ(p[100].X, 410);
    EXPECT_NEAR(static_cast<double>(p[100].Y), 10 + 625.0 / 56, 1e-12);
    EXPECT_EQ(p[100].PY, 21);
    EXPECT_EQ(p[100].Angle, Horizontal);
    EXPECT_NEAR(p[95].Angle, 0.9505, 1e-4);
    EXPECT_NEAR(p[105].Angle, -0.9505, 1e-4);
}

TEST_F(ProfileTest, ZeFoWithTopWiderThanWidthIsAShallowV) {
    const auto& p = Build(2, 20, 10, 200);
    EXPECT_EQ(p[0].Y, 20);
    EXPECT_NEAR(static_cast<double>(p[10].Y), 10 + 10000.0 / 810, 1e-12);
    for (int i = 1; i <= 10; ++i)
        ASSERT_GT(p[static_cast<std::size_t>(i)].Y, p[static_cast<std::size_t>(i - 1)].Y);
    EXPECT_EQ(p[21].X, 0);
}

TEST_F(ProfileTest, EveryShapeEndsHorizontallyAndLeavesTheRestZero) {
    for (int shape = 0; shape < 3; ++shape) {
        const auto& p = Build(shape, 160, 80, 40);
        EXPECT_EQ(p[0].Angle, Horizontal) << shape;
        EXPECT_EQ(p[160].Angle, Horizontal) << shape;
        for (std::size_t i = 161; i < p.size(); ++i)
            ASSERT_TRUE(p[i].X == 0 && p[i].Y == 0 && p[i].PX == 0 && p[i].PY == 0 &&
                        p[i].Angle == 0)
                << shape << " " << i;
    }
}

TEST_F(ProfileTest, ZeroDivisorsFailWithTheFloatingPointMessages) {
    EXPECT_EQ(Failure(1, 20, 102, 50), "Floating point division by zero");
    EXPECT_EQ(Failure(0, 100, 50, 100), "Floating point division by zero");
    EXPECT_EQ(Failure(2, 60, 100, 50), "Floating point division by zero");
    EXPECT_EQ(Failure(2, 100, 50, 100), "Invalid floating point operation");
}

TEST_F(ProfileTest, TrapezoidWithTopWiderThanWidthIsRefusedBeforeAnySample) {
    EXPECT_EQ(Failure(0, 40, 50, 60), kavrol::Messages::TrapezoidTopTooWide);
    for (std::size_t i = 0; i < model.profile().size(); ++i)
        ASSERT_EQ(model.profile()[i].Y, 0) << i;
}

TEST_F(ProfileTest, HitsInColumnsWithoutAnEntryTakeTheNearestOne) {
    const auto& p = Build(0, 200, 100, 50);
    // Left of entry 0 (the outline's cap) and past the table's end.
    EXPECT_EQ(p.angleAt(-1), p[0].Angle);
    EXPECT_EQ(p.angleAt(-100000), p[0].Angle);
    EXPECT_EQ(p.angleAt(static_cast<std::int64_t>(p.size()) + 5), p[p.size() - 1].Angle);
    // The column right of the last sample has an entry, zero: a vertical mirror line.
    EXPECT_EQ(p.angleAt(201), 0.0);
    EXPECT_EQ(p.angleAt(3), p[3].Angle);
}
