// SPDX-License-Identifier: GPL-3.0-or-later
// Single rays through small scenes whose paths can be worked out by hand.
#include "PathTracer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kavrol::physics {
namespace {

constexpr double kPi = std::numbers::pi;

double Sum(const RayOutcome& out) {
    double sum = 0.0;
    for (double s : out.share) {
        sum += s;
    }
    return sum;
}

// A tube at (0, 50) of radius 8 above water at y = 250 spanning [-100, 100], no reflector.
Scene BareScene(double n) {
    Scene scene;
    scene.tubes.push_back({0.0, 50.0, 8.0, 1.0});
    scene.water = {250.0, -100.0, 100.0};
    scene.materials.refractiveIndex = n;
    scene.materials.albedo = 0.8;
    return scene;
}

TEST(PathTracer, StraightDownEntersWithTheMeanFresnelShare) {
    const Scene scene = BareScene(1.33);
    const auto fresnel = FresnelTable::ForIndex(1.33);
    const PathTracer tracer(scene, *fresnel);
    RayOutcome out;
    tracer.trace(0, 0.0, 3.0, out);
    EXPECT_NEAR(out.share[RayOutcome::Water], fresnel->meanTransmittance(1.0), 1e-15);
    ASSERT_EQ(out.entries, 1);
    EXPECT_NEAR(out.entryX[0], 3.0, 1e-12) << "offset p lies along (cos a, -sin a)";
    // The reflected rest goes up past the tube's side (offset 3 < 8): it returns to the tube.
    EXPECT_NEAR(out.share[RayOutcome::ReturnedToTube], 1.0 - out.share[RayOutcome::Water], 1e-15);
    tracer.trace(0, 0.0, -8.5 + 0.4, out);
    EXPECT_NEAR(Sum(out), 1.0, 1e-15);
}

TEST(PathTracer, FatesOfTheBareTube) {
    const Scene scene = BareScene(1.0);
    const auto fresnel = FresnelTable::ForIndex(1.0);
    const PathTracer tracer(scene, *fresnel);
    struct Case {
        double a;
        double p;
        RayOutcome::Fate fate;
    } cases[] = {
        {0.3, 0.0, RayOutcome::Water},             // 200 tan 0.3 = 62 mm: in the span
        {0.6, 0.0, RayOutcome::BesideAquarium},    // 137 mm: beside it
        {kPi / 2 + 0.1, 5.0, RayOutcome::Escaped}, // upward, nothing above
        {-0.3, -7.9, RayOutcome::Water},
    };
    for (const Case& c : cases) {
        RayOutcome out;
        tracer.trace(0, c.a, c.p, out);
        EXPECT_EQ(out.share[c.fate], 1.0) << c.a;
        EXPECT_EQ(Sum(out), 1.0);
    }
}

TEST(PathTracer, FlatMirrorReflectsWithTheAlbedoAndTheTubeLetsItsShareThrough) {
    Scene scene = BareScene(1.0);
    scene.segments.push_back({-1000.0, 0.0, 1000.0, 0.0});
    scene.materials.tubeTransmission = 0.25;
    const auto fresnel = FresnelTable::ForIndex(1.0);
    const PathTracer tracer(scene, *fresnel);
    RayOutcome out;
    // Straight up at offset 0: the mirror sends it back through the tube and down to the water.
    tracer.trace(0, kPi, 0.0, out);
    EXPECT_NEAR(out.share[RayOutcome::Absorbed], 0.2, 1e-15);
    EXPECT_NEAR(out.share[RayOutcome::ReturnedToTube], 0.8 * 0.75, 1e-15);
    EXPECT_NEAR(out.share[RayOutcome::Water], 0.8 * 0.25, 1e-15);
    EXPECT_NEAR(out.entryX[0], 0.0, 1e-12);
    // Going up at 45 degrees from offset 0: image method says it lands at x = -(50 + 250).
    tracer.trace(0, -3 * kPi / 4, 0.0, out);
    EXPECT_NEAR(out.share[RayOutcome::BesideAquarium], 0.8, 1e-15);
    tracer.trace(0, -0.92 * kPi, 0.0, out);
    ASSERT_EQ(out.entries, 1);
    EXPECT_NEAR(out.entryX[0], -300.0 * std::tan(0.08 * kPi), 1e-9);
}

TEST(PathTracer, WaterReflectionIsTracedOrCountedLost) {
    Scene scene = BareScene(1.33);
    scene.segments.push_back({-1000.0, 0.0, 1000.0, 0.0});
    scene.tubes[0].radius = 0.001;
    scene.water = {250.0, -1000.0, 1000.0};
    const auto fresnel = FresnelTable::ForIndex(1.33);
    RayOutcome traced;
    PathTracer(scene, *fresnel).trace(0, 0.2, 0.0, traced);
    // Water, mirror, water, mirror ... each arrival further out until it falls beside.
    EXPECT_GE(traced.entries, 2);
    EXPECT_EQ(traced.share[RayOutcome::ReflectedAtWater], 0.0);
    EXPECT_NEAR(Sum(traced), 1.0, 1e-15);
    EXPECT_NEAR(traced.entryX[1] - traced.entryX[0], 2.0 * 250.0 * std::tan(0.2), 1e-9);
    scene.materials.waterReflection = WaterReflection::Lost;
    RayOutcome lost;
    PathTracer(scene, *fresnel).trace(0, 0.2, 0.0, lost);
    EXPECT_EQ(lost.entries, 1);
    EXPECT_NEAR(lost.share[RayOutcome::Water], fresnel->meanTransmittance(std::cos(0.2)), 1e-15);
    EXPECT_NEAR(lost.share[RayOutcome::ReflectedAtWater], 1.0 - lost.share[RayOutcome::Water],
                1e-15);
    EXPECT_GT(traced.share[RayOutcome::Water], lost.share[RayOutcome::Water]);
}

// Light going back and forth between a glossy sheet and the water meets the sheet again and
// again: an estimate's branches go on tilted beyond the split reflections, so none of it is left
// unresolved, while much finer runs split the first three and leave the rest unresolved.
TEST(PathTracer, GlossyBranchesGoOnTiltedBeyondTheSplitReflections) {
    Scene scene = BareScene(1.33);
    scene.segments.push_back({-1000.0, 0.0, 1000.0, 0.0});
    scene.tubes[0].radius = 0.001;
    scene.water = {250.0, -1000.0, 1000.0};
    scene.materials.albedo = 0.9;
    scene.materials.surface = {0.0, 3.0};
    const auto fresnel = FresnelTable::ForIndex(1.33);
    RayOutcome estimate;
    PathTracer(scene, *fresnel).trace(0, 0.1, 0.0, estimate);
    EXPECT_EQ(estimate.unresolved, 0.0);
    EXPECT_NEAR(Sum(estimate), 1.0, 1e-14);
    RayOutcome finer;
    PathTracer(scene, *fresnel, nullptr, 4).trace(0, 0.1, 0.0, finer);
    EXPECT_GT(finer.unresolved, 0.0);
    EXPECT_NEAR(Sum(finer), 1.0, 1e-14);
    // A spread far below the rays' angles: the tilted branches land where the mirror's light
    // does, so the shares are the mirror's to the spread's first order.
    scene.materials.surface = {0.0, 1e-6};
    RayOutcome nearMirror;
    PathTracer(scene, *fresnel).trace(0, 0.1, 0.0, nearMirror);
    scene.materials.surface = {};
    RayOutcome mirror;
    PathTracer(scene, *fresnel).trace(0, 0.1, 0.0, mirror);
    for (std::size_t f = 0; f < RayOutcome::kFates; ++f) {
        EXPECT_NEAR(nearMirror.share[f], mirror.share[f], 1e-9) << f;
    }
}

TEST(PathTracer, ParabolaSendsRaysFromItsFocusStraightDown) {
    // y = x^2 / 100 over [-100, 100]: focus at (0, 25). Water at two depths: the entry places
    // of singly reflected rays must not move, so they travel straight down.
    Scene scene;
    scene.arcs.push_back({0.0, 0.0, 100.0, -100.0, 100.0});
    scene.tubes.push_back({0.0, 25.0, 1e-9, 1.0});
    scene.materials.refractiveIndex = 1.0;
    scene.materials.albedo = 0.9;
    const auto fresnel = FresnelTable::ForIndex(1.0);
    for (double a : {1.2, 2.0, 2.9, -2.5, -1.0}) {
        double places[2] = {};
        for (int i = 0; i < 2; ++i) {
            scene.water = {i == 0 ? 150.0 : 400.0, -1000.0, 1000.0};
            RayOutcome out;
            PathTracer(scene, *fresnel).trace(0, a, 0.0, out);
            ASSERT_EQ(out.entries, 1) << a;
            EXPECT_NEAR(out.share[RayOutcome::Water], 0.9, 1e-15);
            places[i] = out.entryX[0];
        }
        EXPECT_NEAR(places[0], places[1], 1e-9) << a;
        // The parabola about its focus: r = 2f / (1 - cos a), f = 25, a from the downward
        // vertical; it meets the ray at x = r sin a.
        EXPECT_NEAR(places[0], 50.0 * std::sin(a) / (1.0 - std::cos(a)), 1e-9) << a;
    }
}

TEST(PathTracer, SignaturesSeparatePathsAndOnlyThose) {
    const Scene scene = Scene::FromDesign(PhysicalDesign{});
    const auto fresnel = FresnelTable::ForIndex(1.33);
    const PathTracer tracer(scene, *fresnel);
    RayOutcome first;
    RayOutcome second;
    tracer.trace(0, 0.1000, 1.0, first);
    tracer.trace(0, 0.1001, 1.0, second);
    EXPECT_EQ(first.signature, second.signature);
    tracer.trace(0, 2.5, 1.0, second); // up to the parabola first
    EXPECT_NE(first.signature, second.signature);
    // Every ray of the design keeps its whole weight.
    for (int i = 0; i < 200; ++i) {
        tracer.trace(0, -kPi + i * 0.0314, -7.5 + i * 0.075, first);
        EXPECT_NEAR(Sum(first), 1.0, 1e-14) << i;
    }
}

} // namespace
} // namespace kavrol::physics

namespace kavrol::physics {
namespace {

// The slope of each water entry's place that the tracer carries through flat and curved mirrors
// and the water, against central differences of the places themselves, for the start-up shapes
// (near grazing the places move millions of millimetres per radian, and the differences' own
// error reaches a few parts in ten thousand).
TEST(PathTracer, EntrySlopesMatchTheirPlacesDifferences) {
    for (ReflectorShape shape :
         {ReflectorShape::Trapezoid, ReflectorShape::Parabola, ReflectorShape::TwinArc}) {
        PhysicalDesign design;
        design.shape = shape;
        const Scene scene = Scene::FromDesign(design);
        const auto fresnel = FresnelTable::ForIndex(scene.materials.refractiveIndex);
        const PathTracer tracer(scene, *fresnel);
        const double h = 1e-7;
        int compared = 0;
        for (double p : {-5.0, 0.0, 3.0}) {
            for (int i = 0; i < 400; ++i) {
                const double a = -kPi + 2.0 * kPi * (i + 0.5) / 400.0;
                RayOutcome at;
                RayOutcome below;
                RayOutcome above;
                tracer.trace(0, a, p, at);
                tracer.trace(0, a - h, p, below);
                tracer.trace(0, a + h, p, above);
                if (at.signature != below.signature || at.signature != above.signature) {
                    continue;
                }
                for (int k = 0; k < std::min(at.entries, RayOutcome::kMaxEntries - 1); ++k) {
                    const auto j = static_cast<std::size_t>(k);
                    const double difference = (above.entryX[j] - below.entryX[j]) / (2.0 * h);
                    EXPECT_NEAR(at.entrySlope[j], difference, 1e-3 * std::abs(difference) + 1e-2)
                        << "shape " << static_cast<int>(shape) << " a " << a << " p " << p
                        << " entry " << k;
                    ++compared;
                }
            }
        }
        EXPECT_GT(compared, 300) << "shape " << static_cast<int>(shape);
    }
}

} // namespace
} // namespace kavrol::physics
