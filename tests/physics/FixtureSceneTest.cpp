// SPDX-License-Identifier: GPL-3.0-or-later
// Scenes of fixtures: one unit is the single design's scene to the bit, units are moved into
// place, and fixtures that cannot exist are refused naming the unit and the reason.
#include "FixtureScene.h"
#include "FixtureError.h"

#include <gtest/gtest.h>

#include <string>

namespace kavrol::physics {
namespace {

Fixture::Unit ShapeUnit(ReflectorShape shape, double a, double b, double c, double x, double lamp,
                        double radius = 8.0) {
    Fixture::Unit u;
    u.reflector.shape = shape;
    u.reflector.a = a;
    u.reflector.b = b;
    u.reflector.c = c;
    u.x = x;
    u.lampDistance = lamp;
    u.tubeRadius = radius;
    return u;
}

Fixture::Unit ProfileUnit(std::vector<Fixture::Point> points, double x, double lamp,
                          Fixture::Join join = Fixture::Join::Smooth, double radius = 8.0) {
    Fixture::Unit u;
    u.reflector.hasProfile = true;
    u.reflector.points = std::move(points);
    u.reflector.join = join;
    u.x = x;
    u.lampDistance = lamp;
    u.tubeRadius = radius;
    return u;
}

Fixture Make(std::vector<Fixture::Unit> units, double water = 150.0, double width = 600.0) {
    Fixture f;
    f.waterDistance = water;
    f.width = width;
    f.materials.albedo = 0.85;
    f.materials.tubeTransmission = 0.05;
    f.materials.refractiveIndex = 1.4;
    f.units = std::move(units);
    return f;
}

TEST(FixtureScene, OneUnitIsTheSingleDesignsSceneToTheBit) {
    const Fixture::Unit units[] = {
        ShapeUnit(ReflectorShape::Parabola, 160, 60, 0, 0, 30),
        ShapeUnit(ReflectorShape::TwinArc, 200, 100, 60, 0, 70, 13.0),
        ShapeUnit(ReflectorShape::Trapezoid, 120, 50, 40, 0, 25, 6.0),
    };
    for (const Fixture::Unit& u : units) {
        const Fixture f = Make({u});
        PhysicalDesign d;
        d.shape = u.reflector.shape;
        d.a = u.reflector.a;
        d.b = u.reflector.b;
        d.c = u.reflector.c;
        d.tubeRadius = u.tubeRadius;
        d.lampDistance = u.lampDistance;
        d.waterDistance = f.waterDistance;
        d.aquariumWidth = f.width;
        d.materials.albedo = f.materials.albedo;
        d.materials.tubeTransmission = f.materials.tubeTransmission;
        d.materials.refractiveIndex = f.materials.refractiveIndex;
        const Scene expected = Scene::FromDesign(d);
        const Scene s = FixtureScene(f).scene();
        ASSERT_EQ(s.tubes.size(), 1u);
        EXPECT_EQ(s.tubes[0].x, expected.tubes[0].x);
        EXPECT_EQ(s.tubes[0].y, expected.tubes[0].y);
        EXPECT_EQ(s.tubes[0].radius, expected.tubes[0].radius);
        EXPECT_EQ(s.tubes[0].power, expected.tubes[0].power);
        ASSERT_EQ(s.segments.size(), expected.segments.size());
        for (std::size_t i = 0; i < s.segments.size(); ++i) {
            EXPECT_EQ(s.segments[i].x0, expected.segments[i].x0);
            EXPECT_EQ(s.segments[i].y0, expected.segments[i].y0);
            EXPECT_EQ(s.segments[i].x1, expected.segments[i].x1);
            EXPECT_EQ(s.segments[i].y1, expected.segments[i].y1);
        }
        ASSERT_EQ(s.arcs.size(), expected.arcs.size());
        for (std::size_t i = 0; i < s.arcs.size(); ++i) {
            EXPECT_EQ(s.arcs[i].vertexX, expected.arcs[i].vertexX);
            EXPECT_EQ(s.arcs[i].vertexY, expected.arcs[i].vertexY);
            EXPECT_EQ(s.arcs[i].m, expected.arcs[i].m);
            EXPECT_EQ(s.arcs[i].xMin, expected.arcs[i].xMin);
            EXPECT_EQ(s.arcs[i].xMax, expected.arcs[i].xMax);
        }
        EXPECT_TRUE(s.curves.empty());
        EXPECT_EQ(s.water.y, expected.water.y);
        EXPECT_EQ(s.water.xMin, expected.water.xMin);
        EXPECT_EQ(s.water.xMax, expected.water.xMax);
        EXPECT_EQ(s.materials.albedo, expected.materials.albedo);
        EXPECT_EQ(s.materials.tubeTransmission, expected.materials.tubeTransmission);
        EXPECT_EQ(s.materials.refractiveIndex, expected.materials.refractiveIndex);
    }
}

TEST(FixtureScene, MovesUnitsToTheirPlacesOnOneAxisLine) {
    const Fixture f =
        Make({ShapeUnit(ReflectorShape::Parabola, 160, 60, 0, -100, 30),
              ProfileUnit({{-60, 30}, {0, 0}, {60, 30}}, 100, 50, Fixture::Join::Straight),
              ProfileUnit({{-40, 20}, {-10, 1}, {10, 1}, {40, 20}}, 250, 40)});
    const FixtureScene fs(f);
    const Scene& s = fs.scene();
    ASSERT_EQ(s.tubes.size(), 3u);
    for (const Tube& t : s.tubes) {
        EXPECT_EQ(t.y, 50.0) << "axes on the deepest lamp distance";
    }
    EXPECT_EQ(s.tubes[2].x, 250.0);
    ASSERT_EQ(s.arcs.size(), 1u);
    EXPECT_EQ(s.arcs[0].vertexX, -100.0);
    EXPECT_EQ(s.arcs[0].vertexY, 20.0);
    ASSERT_EQ(s.segments.size(), 2u);
    EXPECT_EQ(s.segments[0].x0, 40.0);
    EXPECT_EQ(s.segments[0].y1, 0.0);
    ASSERT_EQ(s.curves.size(), 1u);
    EXPECT_EQ(s.curves[0].pieces[0].cx[0], 210.0);
    EXPECT_EQ(s.curves[0].pieces[0].cy[0], 30.0);
    EXPECT_EQ(s.water.y, 200.0);
    EXPECT_EQ(fs.left(0), -180.0);
    EXPECT_EQ(fs.right(1), 160.0);
    EXPECT_EQ(fs.outline(1).size(), 2u);
    EXPECT_EQ(FixtureScene::UnitName(f, 1), "unit 2");
}

std::string Refusal(const Fixture& f) {
    try {
        (void)FixtureScene(f);
    } catch (const FixtureError& e) {
        return e.what();
    }
    return "accepted";
}

TEST(FixtureScene, RefusesFixturesThatCannotExistNamingTheUnit) {
    using J = Fixture::Join;
    Fixture named = Make({ShapeUnit(ReflectorShape::Parabola, 100, 40, 0, -100, 30),
                          ShapeUnit(ReflectorShape::Trapezoid, 100, 40, 100, 100, 30)});
    named.units[1].name = "r";
    const struct {
        const char* name;
        Fixture fixture;
        const char* message;
    } cases[] = {
        {"a shape as a design refuses it", named,
         "unit 2 (\"r\"): C (100 mm) must be below A (100 mm) for the trapezoid and the twin "
         "arc"},
        {"a shape's tube behind it",
         Make({ShapeUnit(ReflectorShape::TwinArc, 100, 100, 60, 0, 50)}),
         "unit 1: the tube lies behind the reflector: the twin arc's ridge lies 225 mm deep, "
         "not above the tube's axis at 50 mm"},
        {"a profile crossing itself",
         Make({ProfileUnit({{-50, 30}, {20, 0}, {-20, 0}, {50, 30}}, 0, 40, J::Straight)}),
         "unit 1: the profile crosses itself at (0 mm, 8.57143 mm)"},
        {"a smooth profile turning back on itself",
         Make({ProfileUnit({{-50, 30}, {-30, 2}, {-28, 0}, {-29.5, 1.5}, {50, 30}}, 0, 40)}),
         "unit 1: the profile crosses itself at (-31.29 mm, 3.29193 mm)"},
        {"the axis beyond a rim", Make({ProfileUnit({{10, 30}, {40, 0}, {70, 30}}, 0, 40)}),
         "unit 1: the tube's axis (x = 0 in the profile) must lie between the rims, which lie "
         "at x = 10 mm and x = 70 mm"},
        {"a W whose middle hangs below the axis",
         Make({ProfileUnit({{-50, 30}, {-25, 0}, {0, 20}, {25, 0}, {50, 30}}, 0, 10)}),
         "unit 1: the tube lies behind the reflector: the profile lies 20 mm deep above the "
         "tube, not above its axis at 10 mm"},
        {"a profile through the tube",
         Make({ProfileUnit({{-50, 30}, {0, 0}, {50, 30}}, 0, 5, J::Straight)}),
         "unit 1: the reflector cuts through the tube: it passes 4.28746 mm from the tube's "
         "axis, within its radius of 8 mm"},
        {"a profile down to the water",
         Make(
             {
                 ProfileUnit({{-50, 300}, {0, 0}, {50, 300}}, 0, 100, J::Straight),
             },
             150),
         "unit 1: the reflector reaches the water line: it is 300 mm deep and the water lies "
         "250 mm below its top line"},
        {"a tube down to the water",
         Make({ProfileUnit({{-50, 30}, {0, 0}, {50, 30}}, 0, 40, J::Straight)}, 8),
         "unit 1: the tube reaches the water line: its radius is 8 mm and the water lies 8 mm "
         "below its axis"},
        {"overlapping reflectors",
         Make({ShapeUnit(ReflectorShape::Parabola, 160, 60, 0, -70, 30),
               ShapeUnit(ReflectorShape::Parabola, 160, 60, 0, 70, 30)}),
         "unit 2: overlaps unit 1: their reflectors span x = -10 mm to 150 mm and x = -150 mm "
         "to 10 mm"},
        {"overlapping tubes under narrow reflectors",
         Make({ShapeUnit(ReflectorShape::Parabola, 20, 5, 0, 0, 30, 13.0),
               ShapeUnit(ReflectorShape::Parabola, 20, 5, 0, 25, 30, 13.0)}),
         "unit 2: its tube overlaps that of unit 1: their axes lie 25 mm apart"},
        {"a wall through the neighbour's tube",
         Make({ProfileUnit({{-50, 100}, {-48, 0}, {48, 0}, {50, 100}}, 0, 60, J::Straight),
               ShapeUnit(ReflectorShape::Parabola, 10, 3, 0, 55, 10, 6.0)}),
         "unit 1: the reflector cuts through the tube of unit 2: it passes 5.79884 mm from that "
         "tube's axis, within its radius of 6 mm"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Refusal(c.fixture), c.message) << c.name;
    }
}

} // namespace
} // namespace kavrol::physics
