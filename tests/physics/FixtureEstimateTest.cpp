// SPDX-License-Identifier: GPL-3.0-or-later
// The physical estimate of whole fixtures: one unit against the single design to the bit,
// dense profile points against the exact parabola, mirrored units, units far apart against
// each alone, and the energy balance.
#include "FixtureFile.h"
#include "FixtureScene.h"
#include "LightEstimator.h"
#include "RandomDesigns.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kavrol::physics {
namespace {

using testing_support::ShareSum;

EstimateOptions Options(double tolerance, int bins = 40, bool bare = false) {
    EstimateOptions options;
    options.tolerance = tolerance;
    options.bins = bins;
    options.bareTube = bare;
    return options;
}

Fixture::Unit Unit(double x, const Fixture::Reflector& reflector, double lamp = 30.0) {
    Fixture::Unit u;
    u.x = x;
    u.lampDistance = lamp;
    u.reflector = reflector;
    return u;
}

Fixture::Reflector Shape(ReflectorShape shape, double a, double b, double c = 0.0) {
    Fixture::Reflector r;
    r.shape = shape;
    r.a = a;
    r.b = b;
    r.c = c;
    return r;
}

Fixture::Reflector Profile(std::vector<Fixture::Point> points) {
    Fixture::Reflector r;
    r.hasProfile = true;
    r.points = std::move(points);
    return r;
}

Fixture Make(std::vector<Fixture::Unit> units, double width = 800.0) {
    Fixture f;
    f.waterDistance = 150.0;
    f.width = width;
    f.materials.albedo = 0.85;
    f.units = std::move(units);
    return f;
}

PhysicalEstimate Estimate(const Fixture& f, const EstimateOptions& options) {
    return LightEstimator(options).estimate(FixtureScene(f).scene());
}

TEST(FixtureEstimate, OneUnitGivesTheSingleDesignsFiguresToTheBit) {
    const Fixture::Reflector reflectors[] = {
        Shape(ReflectorShape::Parabola, 160, 60),
        Shape(ReflectorShape::TwinArc, 200, 80, 60),
        Shape(ReflectorShape::Trapezoid, 140, 50, 40),
    };
    for (const Fixture::Reflector& r : reflectors) {
        const Fixture f = Make({Unit(0.0, r)}, 500.0);
        PhysicalDesign d;
        d.shape = r.shape;
        d.a = r.a;
        d.b = r.b;
        d.c = r.c;
        d.tubeRadius = 8.0;
        d.lampDistance = 30.0;
        d.waterDistance = 150.0;
        d.aquariumWidth = 500.0;
        d.materials.albedo = 0.85;
        const EstimateOptions options = Options(0.002, 25, true);
        const PhysicalEstimate single = LightEstimator(options).estimate(d);
        const PhysicalEstimate fixture = Estimate(f, options);
        EXPECT_EQ(fixture.efficiency, single.efficiency);
        EXPECT_EQ(fixture.error, single.error);
        EXPECT_EQ(fixture.losses.absorbed, single.losses.absorbed);
        EXPECT_EQ(fixture.losses.returnedToTube, single.losses.returnedToTube);
        EXPECT_EQ(fixture.losses.escaped, single.losses.escaped);
        EXPECT_EQ(fixture.bareTube.efficiency, single.bareTube.efficiency);
        EXPECT_EQ(fixture.perMm, single.perMm);
        EXPECT_EQ(fixture.raysTraced, single.raysTraced);
        ASSERT_EQ(fixture.tubes.size(), 1u);
        EXPECT_EQ(fixture.tubes[0].efficiency, single.efficiency);
    }
}

TEST(FixtureEstimate, ProfilePointsOnTheParabolaConvergeToIt) {
    const double halfA = 80.0;
    const double b = 60.0;
    const EstimateOptions options = Options(0.001, 0);
    const PhysicalEstimate exact =
        Estimate(Make({Unit(0.0, Shape(ReflectorShape::Parabola, 2 * halfA, b))}), options);
    double previous = 1.0;
    for (int count : {5, 9, 17, 33}) {
        std::vector<Fixture::Point> points;
        for (int i = 0; i < count; ++i) {
            const double x = -halfA + 2.0 * halfA * i / (count - 1);
            points.push_back({x, b * x * x / (halfA * halfA)});
        }
        const PhysicalEstimate e = Estimate(Make({Unit(0.0, Profile(points))}), options);
        const double difference = std::abs(e.efficiency - exact.efficiency);
        EXPECT_NEAR(ShareSum(e), 1.0, 1e-12);
        if (count >= 17) {
            EXPECT_LE(difference, e.error + exact.error) << count;
        }
        if (count == 5) {
            EXPECT_GT(difference, e.error + exact.error) << "five points are visibly coarse";
        }
        previous = std::min(previous, difference);
    }
    EXPECT_LT(previous, 2.0 * options.tolerance);
}

// An asymmetric profile and its mirror image, about the tank's centre.
TEST(FixtureEstimate, MirroredUnitsGiveAMirroredIrradiance) {
    const std::vector<Fixture::Point> left = {{-70, 40}, {-40, 8}, {-10, 0}, {30, 6}, {60, 40}};
    std::vector<Fixture::Point> right;
    for (auto it = left.rbegin(); it != left.rend(); ++it) {
        right.push_back({-it->x, it->y});
    }
    const Fixture f = Make({Unit(-180.0, Profile(left)), Unit(180.0, Profile(right))});
    ASSERT_TRUE(FixtureScene(f).scene().mirrorSymmetric());
    const PhysicalEstimate e = Estimate(f, Options(0.002, 40));
    const std::size_t n = e.perMm.size();
    for (std::size_t i = 0; i < n; ++i) {
        EXPECT_EQ(e.perMm[i], e.perMm[n - 1 - i]) << i;
    }
    ASSERT_EQ(e.tubes.size(), 2u);
    EXPECT_EQ(e.tubes[0].efficiency, e.tubes[1].efficiency);
    // With powers a hair apart the scene is not symmetric: each tube is integrated on its own,
    // and their shares still agree within the integration's accuracy.
    Fixture uneven = f;
    uneven.units[1].power = 1.0 + 1e-9;
    ASSERT_FALSE(FixtureScene(uneven).scene().mirrorSymmetric());
    const PhysicalEstimate s = Estimate(uneven, Options(0.002, 40));
    EXPECT_NEAR(s.tubes[0].efficiency, s.tubes[1].efficiency, s.tubes[0].error + s.tubes[1].error);
}

TEST(FixtureEstimate, UnitsFarApartEachDeliverWhatTheyDeliverAlone) {
    const Fixture::Unit a = Unit(-1500.0, Shape(ReflectorShape::TwinArc, 200, 80, 60));
    Fixture::Unit b = Unit(1400.0, Profile({{-70, 40}, {-40, 8}, {-10, 0}, {30, 6}, {60, 40}}));
    b.power = 3.0;
    const EstimateOptions options = Options(0.002, 0);
    const PhysicalEstimate both = Estimate(Make({a, b}, 4000.0), options);
    const PhysicalEstimate aloneA = Estimate(Make({a}, 4000.0), options);
    const PhysicalEstimate aloneB = Estimate(Make({b}, 4000.0), options);
    ASSERT_EQ(both.tubes.size(), 2u);
    EXPECT_NEAR(both.tubes[0].efficiency, aloneA.efficiency, both.tubes[0].error + aloneA.error);
    EXPECT_NEAR(both.tubes[1].efficiency, aloneB.efficiency, both.tubes[1].error + aloneB.error);
    // The whole is the tubes' light weighed by their power.
    EXPECT_NEAR(both.efficiency, 0.25 * both.tubes[0].efficiency + 0.75 * both.tubes[1].efficiency,
                1e-15);
}

TEST(FixtureEstimate, ShareAndLossesAddUpToOneForEveryFixture) {
    const std::vector<Fixture> fixtures = {
        FixtureFile::Read(KAVROL_EXAMPLES_DIR "/two-t5-80cm.json"),
        FixtureFile::Read(KAVROL_EXAMPLES_DIR "/four-tube-gull-wing.json"),
        Make({Unit(-90.0, Shape(ReflectorShape::Trapezoid, 150, 50, 40)),
              Unit(80.0, Profile({{-70, 40}, {-40, 8}, {-10, 0}, {30, 6}, {60, 40}}), 45.0)}),
    };
    for (const Fixture& f : fixtures) {
        Fixture traced = f;
        traced.materials.tubeTransmission = 0.3;
        for (const Fixture& g : {f, traced}) {
            const PhysicalEstimate e = Estimate(g, Options(0.01, 20, true));
            EXPECT_NEAR(ShareSum(e), 1.0, 1e-12) << f.name;
            EXPECT_GT(e.efficiency, 0.3) << f.name;
            EXPECT_LE(e.error, 0.01) << f.name;
            double weighed = 0.0;
            double power = 0.0;
            for (std::size_t i = 0; i < e.tubes.size(); ++i) {
                weighed += g.units[i].power * e.tubes[i].efficiency;
                power += g.units[i].power;
            }
            EXPECT_NEAR(e.efficiency, weighed / power, 1e-15) << f.name;
        }
    }
}

} // namespace
} // namespace kavrol::physics
