// SPDX-License-Identifier: GPL-3.0-or-later
#include "OpticalModel.h"

#include <cmath>
#include <gtest/gtest.h>

using kavrol::BuildInputs;
using kavrol::OpticalModel;

namespace {

// One minus the s-polarised Fresnel reflectance into water (index 1.33) at incidence t.
double Transmission(double degrees) {
    const long double t = degrees * 3.14159265358979323846264L / 180;
    const long double r = std::asin(std::sin(t) / 1.33L);
    const long double sd = std::sin(t - r);
    const long double ss = std::sin(t + r);
    return static_cast<double>(1 - sd * sd / (ss * ss));
}

double Ray(const OpticalModel& model, int k) {
    return model.rayPower()[static_cast<std::size_t>(k)];
}

} // namespace

TEST(Tracer, RaysStartRadiallyOnTheTubesCircle) {
    OpticalModel model(96);
    model.PaintRef(BuildInputs{});
    const int expected[8][2] = {{410, 68}, {416, 66}, {418, 60}, {416, 54},
                                {410, 52}, {404, 54}, {402, 60}, {404, 66}};
    for (int j = 0; j < 8; ++j) {
        const auto start = model.RayStart(9 * j);
        EXPECT_EQ(start.x, expected[j][0]) << "ray " << 9 * j;
        EXPECT_EQ(start.y, expected[j][1]) << "ray " << 9 * j;
        // Every ray draws from its start pixel.
        EXPECT_NE(model.workImage().pixel(start.x, start.y), kavrol::Colors::White);
    }
}

TEST(Tracer, RayStraightDownKeepsFullPower) {
    OpticalModel model(96);
    model.PaintRef(BuildInputs{});
    EXPECT_EQ(Ray(model, 0), 1.0);
    EXPECT_EQ(model.rayIndex(), 72);
    // The mean of the 72 powers, summed in order.
    double sum = 0;
    for (int k = 0; k < 72; ++k)
        sum = static_cast<double>(static_cast<long double>(sum) + Ray(model, k));
    EXPECT_EQ(model.efficiency(), static_cast<double>(static_cast<long double>(sum) / 72));
    EXPECT_EQ(model.rayPower()[72], model.efficiency());
}

TEST(Tracer, WaterTransmitsTheFresnelShareAtEachIncidence) {
    EXPECT_NEAR(Transmission(30), 0.9695, 5e-5);
    EXPECT_NEAR(Transmission(60), 0.8861, 5e-5);
    EXPECT_NEAR(Transmission(80), 0.5448, 5e-5);
    // The tube well below the reflector's rim, the water close: rays 6, 12 and 16 leave at 30,
    // 60 and 80 degrees and meet the water without a reflection.
    OpticalModel model(96);
    BuildInputs in;
    in.lamp = 100;
    in.lampH = 50;
    in.aquaW = 1000;
    model.PaintRef(in);
    EXPECT_NEAR(Ray(model, 6), 0.9695, 5e-5);
    EXPECT_NEAR(Ray(model, 12), 0.8861, 5e-5);
    EXPECT_NEAR(Ray(model, 16), 0.5448, 5e-5);
    // Mirror-image rays meet the water at the same incidence.
    EXPECT_EQ(Ray(model, 6), Ray(model, 66));
}

TEST(Tracer, RayStraightUpIsSentBackOntoTheTube) {
    OpticalModel shown(96);
    shown.PaintRef(BuildInputs{});
    EXPECT_EQ(Ray(shown, 36), 0.0);

    // With the tube hidden the reflected ray runs down the column that ray 0 has already painted
    // to the bottom edge; painted pixels are free space, so it finds no water there.
    OpticalModel hidden(96);
    BuildInputs in;
    in.lampVisible = false;
    hidden.PaintRef(in);
    EXPECT_EQ(Ray(hidden, 0), 1.0);
    EXPECT_EQ(Ray(hidden, 36), 0.0);
    EXPECT_NE(hidden.workImage().pixel(410, 500), kavrol::Colors::SkyBlue);
}

TEST(Tracer, EachReflectionCostsTheAlbedo) {
    // With the tube hidden, ray 35 is reflected once by the parabola and then enters the water.
    BuildInputs in;
    in.lampVisible = false;
    in.albedo = 1.0L;
    OpticalModel full(96);
    full.PaintRef(in);
    const double transmitted = Ray(full, 35);
    EXPECT_GT(transmitted, 0.9);
    EXPECT_LT(transmitted, 0.99);
    for (long double albedo : {0.8L, 0.1L, 0.855L}) {
        OpticalModel model(96);
        in.albedo = albedo;
        model.PaintRef(in);
        const double reflected = static_cast<double>(1.0L * albedo);
        EXPECT_EQ(Ray(model, 35),
                  static_cast<double>(static_cast<long double>(reflected) * transmitted));
    }
}

TEST(Tracer, ReflectionBoundEndsARayWithNoPower) {
    OpticalModel model(96, 0);
    BuildInputs in;
    in.lampVisible = false;
    model.PaintRef(in);
    EXPECT_EQ(Ray(model, 0), 1.0);
    EXPECT_EQ(Ray(model, 35), 0.0);
    EXPECT_NEAR(model.losses().total(), 72, 1e-9);
}

// Every ray is lost, none of it at the water surface.
TEST(Tracer, WaterBelowThePictureGivesNothing) {
    OpticalModel model(96);
    BuildInputs in;
    in.scale = 0;
    model.PaintRef(in);
    for (int k = 0; k < 72; ++k)
        ASSERT_EQ(Ray(model, k), 0.0) << k;
    EXPECT_EQ(model.efficiency(), 0.0);
    EXPECT_EQ(model.losses().delivered, 0);
    EXPECT_EQ(model.losses().reflectedAtWater, 0);
    EXPECT_NEAR(model.losses().total(), 72, 1e-9);
}

TEST(Tracer, EfficiencyOfTheLastFanIsKeptWhenRaysAreOff) {
    OpticalModel model(96);
    model.PaintRef(BuildInputs{});
    const double traced = model.efficiency();
    BuildInputs in;
    in.rayVisible = false;
    in.refA = 120;
    in.albedo = 0.3L;
    model.PaintRef(in);
    EXPECT_EQ(model.efficiency(), traced);
    EXPECT_EQ(model.rayIndex(), 72);
    for (kavrol::Rgb c : model.workImage().pixels())
        ASSERT_TRUE(c != kavrol::Colors::Red && c != kavrol::Colors::Blue);
}

TEST(Tracer, EfficiencyIsZeroBeforeAnyFan) {
    OpticalModel model(96);
    BuildInputs in;
    in.rayVisible = false;
    model.PaintRef(in);
    EXPECT_EQ(model.rayIndex(), 0);
    EXPECT_EQ(model.efficiency(), 0.0);
}

TEST(Tracer, SameDesignGivesTheSameEfficiencyEveryTime) {
    OpticalModel a(96);
    OpticalModel b(96);
    BuildInputs in;
    in.shape = 2;
    in.refC = 80;
    a.PaintRef(in);
    b.PaintRef(BuildInputs{});
    b.PaintRef(in);
    EXPECT_EQ(a.efficiency(), b.efficiency());
    EXPECT_EQ(a.rayPower(), b.rayPower());
    EXPECT_EQ(a.workImage().pixels(), b.workImage().pixels());
}

// A narrow, deep trapezoid reaching 100 pixels below the water line sends reflected rays into the
// water from below; each keeps a share between 0 and 1 (measured from the vertical, the Fresnel
// factor of an upward ray would be negative).
TEST(Tracer, RaysEnteringTheWaterFromBelowKeepAShareBetweenZeroAndOne) {
    OpticalModel model(96);
    BuildInputs in;
    in.shape = 0;
    in.refA = 20;
    in.refB = 150;
    in.refC = 10;
    in.lampH = 50;
    in.aquaW = 100;
    model.PaintRef(in);
    for (int k = 0; k < 72; ++k) {
        EXPECT_GE(Ray(model, k), 0.0) << k;
        EXPECT_LE(Ray(model, k), 1.0) << k;
    }
    EXPECT_GT(model.efficiency(), 0.1);
    EXPECT_NEAR(model.losses().total(), 72, 1e-9);
}
