// SPDX-License-Identifier: GPL-3.0-or-later
// Scenes built from designs: the exact curves, and the designs that cannot exist.
#include "Scene.h"
#include "PhysicalDesignError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace kavrol::physics {
namespace {

PhysicalDesign Make(ReflectorShape shape, double a, double b, double c, double lamp,
                    double radius = 8.0) {
    PhysicalDesign design;
    design.shape = shape;
    design.a = a;
    design.b = b;
    design.c = c;
    design.lampDistance = lamp;
    design.tubeRadius = radius;
    return design;
}

TEST(Scene, ParabolaPassesThroughTheRimsAndItsVertex) {
    const Scene scene = Scene::FromDesign(Make(ReflectorShape::Parabola, 160, 40, 50, 20));
    ASSERT_EQ(scene.arcs.size(), 1u);
    EXPECT_TRUE(scene.segments.empty());
    const MirrorArc& arc = scene.arcs[0];
    EXPECT_DOUBLE_EQ(arc.yAt(-80), 40.0);
    EXPECT_DOUBLE_EQ(arc.yAt(80), 40.0);
    EXPECT_DOUBLE_EQ(arc.yAt(0), 0.0);
    EXPECT_DOUBLE_EQ(arc.m, 80.0 * 80.0 / 40.0);
    EXPECT_EQ(scene.tubes.size(), 1u);
    EXPECT_EQ(scene.tubes[0].y, 20.0);
    EXPECT_EQ(scene.water.y, 220.0);
    EXPECT_EQ(scene.water.xMin, -250.0);
    EXPECT_TRUE(scene.mirrorSymmetric());
}

TEST(Scene, TwinArcsMeetOnTheAxisAtTheRidgeDepth) {
    // A = 200, C = 80: the ridge lies B (C / (A - C))^2 = 100 * 4/9 deep.
    const Scene scene = Scene::FromDesign(Make(ReflectorShape::TwinArc, 200, 100, 80, 60));
    ASSERT_EQ(scene.arcs.size(), 2u);
    const double ridge = 100.0 * 4.0 / 9.0;
    EXPECT_NEAR(scene.arcs[0].yAt(0.0), ridge, 1e-12);
    EXPECT_NEAR(scene.arcs[1].yAt(0.0), ridge, 1e-12);
    EXPECT_NEAR(scene.arcs[0].yAt(-100.0), 100.0, 1e-12);
    EXPECT_NEAR(scene.arcs[1].yAt(100.0), 100.0, 1e-12);
    EXPECT_EQ(scene.arcs[1].yAt(40.0), 0.0);
    EXPECT_EQ(scene.arcs[0].xMax, 0.0);
    EXPECT_EQ(scene.arcs[1].xMin, 0.0);
    EXPECT_TRUE(scene.mirrorSymmetric());
}

TEST(Scene, TrapezoidIsThePolylineAndDropsAnEmptyTop) {
    const Scene scene = Scene::FromDesign(Make(ReflectorShape::Trapezoid, 120, 60, 40, 30));
    ASSERT_EQ(scene.segments.size(), 3u);
    EXPECT_EQ(scene.segments[0].x0, -60.0);
    EXPECT_EQ(scene.segments[0].y0, 60.0);
    EXPECT_EQ(scene.segments[1].x0, -20.0);
    EXPECT_EQ(scene.segments[1].x1, 20.0);
    EXPECT_EQ(scene.segments[2].x1, 60.0);
    EXPECT_TRUE(scene.mirrorSymmetric());
    const Scene vee = Scene::FromDesign(Make(ReflectorShape::Trapezoid, 120, 60, 0, 30));
    EXPECT_EQ(vee.segments.size(), 2u);
    EXPECT_TRUE(vee.withoutReflector().segments.empty());
    EXPECT_EQ(vee.withoutReflector().tubes.size(), 1u);
}

TEST(Scene, SymmetryNoticesAnyLopsidedPiece) {
    Scene scene = Scene::FromDesign(Make(ReflectorShape::TwinArc, 200, 100, 80, 60));
    scene.arcs[1].xMax += 1e-6;
    EXPECT_FALSE(scene.mirrorSymmetric());
    scene = Scene::FromDesign(Make(ReflectorShape::Trapezoid, 120, 60, 40, 30));
    std::swap(scene.segments[0], scene.segments[2]); // order does not matter
    EXPECT_TRUE(scene.mirrorSymmetric());
    scene.water.xMax += 1.0;
    EXPECT_FALSE(scene.mirrorSymmetric());
    scene = Scene::FromDesign(Make(ReflectorShape::Parabola, 120, 60, 40, 30));
    scene.tubes.push_back({20.0, 30.0, 8.0, 1.0});
    EXPECT_FALSE(scene.mirrorSymmetric());
    scene.tubes.push_back({-20.0, 30.0, 8.0, 1.0});
    EXPECT_TRUE(scene.mirrorSymmetric());
}

struct Refusal {
    const char* name;
    PhysicalDesign design;
    const char* message; // the whole message
};

PhysicalDesign WithWater(PhysicalDesign design, double water) {
    design.waterDistance = water;
    return design;
}

TEST(Scene, RefusesDesignsThatCannotExistAndSaysWhy) {
    const Refusal refusals[] = {
        {"C equal to A, trapezoid", Make(ReflectorShape::Trapezoid, 100, 50, 100, 30),
         "C (100 mm) must be below A (100 mm) for the trapezoid and the twin arc"},
        {"C above A, twin arc", Make(ReflectorShape::TwinArc, 60, 50, 120, 30),
         "C (120 mm) must be below A (60 mm) for the trapezoid and the twin arc"},
        {"parabola vertex inside a T8", Make(ReflectorShape::Parabola, 200, 100, 50, 10, 13.0),
         "The reflector cuts through the tube: it passes 10 mm from the tube's axis, within "
         "its radius of 13 mm"},
        {"narrow trapezoid side through the tube", Make(ReflectorShape::Trapezoid, 20, 100, 10, 50),
         "The reflector cuts through the tube: it passes 7.49064 mm from the tube's axis, "
         "within its radius of 8 mm"},
        {"twin arc ridge below the axis", Make(ReflectorShape::TwinArc, 100, 100, 60, 50),
         "The tube lies behind the reflector: the twin arc's ridge lies 225 mm deep, not "
         "above the tube's axis at 50 mm"},
        {"twin arc ridge through the tube", Make(ReflectorShape::TwinArc, 200, 100, 80, 50),
         "The reflector cuts through the tube: it passes 5.55556 mm from the tube's axis, "
         "within its radius of 8 mm"},
        {"tube above the top line", Make(ReflectorShape::Parabola, 200, 100, 50, -20),
         "The tube lies behind the reflector: its axis at -20 mm is not below the "
         "reflector's top line"},
        {"reflector down to the water",
         WithWater(Make(ReflectorShape::Parabola, 200, 200, 50, 100), 100),
         "The reflector reaches the water line: it is 200 mm deep and the water lies 200 mm "
         "below its top line"},
        {"tube in the water", WithWater(Make(ReflectorShape::Parabola, 200, 50, 50, 60), 5),
         "The tube reaches the water line: its radius is 8 mm and the water lies 5 mm below "
         "its axis"},
        {"negative C", Make(ReflectorShape::Trapezoid, 100, 50, -1, 30),
         "C must not be negative, got -1 mm"},
        {"zero A", Make(ReflectorShape::Parabola, 0, 50, 10, 30),
         "A must be a positive length, got 0 mm"},
    };
    for (const Refusal& r : refusals) {
        try {
            (void)Scene::FromDesign(r.design);
            ADD_FAILURE() << r.name << ": accepted";
        } catch (const PhysicalDesignError& error) {
            EXPECT_EQ(std::string(error.what()), r.message) << r.name;
        }
    }
}

TEST(Scene, AcceptsTheEdgesOfWhatCanExist) {
    // C just below A; the tube just clear of the vertex; the ridge above the tube.
    EXPECT_NO_THROW((void)Scene::FromDesign(Make(ReflectorShape::Trapezoid, 100, 50, 98, 30)));
    EXPECT_NO_THROW(
        (void)Scene::FromDesign(Make(ReflectorShape::Parabola, 200, 100, 50, 13, 13.0)));
    EXPECT_NO_THROW((void)Scene::FromDesign(Make(ReflectorShape::TwinArc, 200, 100, 80, 60)));
    // A parabola does not use C, whatever its value.
    EXPECT_NO_THROW((void)Scene::FromDesign(Make(ReflectorShape::Parabola, 100, 50, 150, 30)));
}

} // namespace
} // namespace kavrol::physics
