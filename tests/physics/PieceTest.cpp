// SPDX-License-Identifier: GPL-3.0-or-later
// Every piece of a scene answers where a ray meets it and its normal there: checked against
// crossings worked out by hand, and the rule that only crossings nearer than the one known count.
#include "MirrorArc.h"
#include "MirrorCurve.h"
#include "MirrorSegment.h"
#include "Tube.h"
#include "WaterLine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

namespace kavrol::physics {
namespace {

struct Piece {
    std::function<bool(const Ray&, double, PieceHit&)> hit;
    std::function<Direction(const PieceHit&, double, double)> normal;
};

template <class P> Piece Of(const P& piece) {
    return {
        [piece](const Ray& ray, double tMin, PieceHit& hit) { return piece.hit(ray, tMin, hit); },
        [piece](const PieceHit& hit, double x, double y) { return piece.normal(hit, x, y); }};
}

// A straight curve from (-10, 0) to (10, 0) in one cubic piece.
MirrorCurve FlatCurve() {
    MirrorCurve curve;
    curve.addPiece({-10.0, 20.0, 0.0, 0.0}, {0.0, 0.0, 0.0, 0.0}, 10.0, 0.0);
    return curve;
}

struct Case {
    std::string name;
    Piece piece;
    Ray ray;
    double tMin;
    bool hits;
    double t;        // where the ray meets the piece
    double tangentX; // the piece's direction there; the normal must be square to it
    double tangentY;
};

TEST(Piece, HitAndNormalOfEachKind) {
    const double s = 1.0 / std::sqrt(2.0);
    const Case cases[] = {
        {"segment from above",
         Of(MirrorSegment{-10, 0, 10, 0}),
         {0, -5, 0, 1},
         1e-9,
         true,
         5.0,
         1,
         0},
        {"segment slanted",
         Of(MirrorSegment{0, 0, 10, 10}),
         {0, 10, s, -s},
         1e-9,
         true,
         5.0 / s,
         1,
         1},
        {"segment passed beside its end",
         Of(MirrorSegment{-10, 0, 10, 0}),
         {20, -5, 0, 1},
         1e-9,
         false,
         0,
         0,
         0},
        {"segment along its own line",
         Of(MirrorSegment{-10, 0, 10, 0}),
         {-20, 0, 1, 0},
         1e-9,
         false,
         0,
         0,
         0},
        {"segment behind the ray",
         Of(MirrorSegment{-10, 0, 10, 0}),
         {0, 5, 0, 1},
         1e-9,
         false,
         0,
         0,
         0},
        // y = x^2 / 100: at x = 10 the arc lies at y = 1, with slope 0.2.
        {"arc from above",
         Of(MirrorArc{0, 0, 100, -50, 50}),
         {10, -10, 0, 1},
         1e-9,
         true,
         11.0,
         1,
         0.2},
        {"arc across, nearer root",
         Of(MirrorArc{0, 0, 100, -50, 50}),
         {-100, 4, 1, 0},
         1e-9,
         true,
         80.0,
         1,
         -0.4},
        {"arc across, past tMin",
         Of(MirrorArc{0, 0, 100, -50, 50}),
         {-100, 4, 1, 0},
         90.0,
         true,
         120.0,
         1,
         0.4},
        {"arc beside its span",
         Of(MirrorArc{0, 0, 100, -50, 50}),
         {60, -10, 0, 1},
         1e-9,
         false,
         0,
         0,
         0},
        {"arc missed above",
         Of(MirrorArc{0, 0, 100, -50, 50}),
         {-100, -4, 1, 0},
         1e-9,
         false,
         0,
         0,
         0},
        {"tube from above", Of(Tube{0, 50, 8, 1}), {0, 0, 0, 1}, 1e-9, true, 42.0, 1, 0},
        {"tube from the side", Of(Tube{0, 50, 8, 1}), {-20, 50, 1, 0}, 1e-9, true, 12.0, 0, 1},
        {"tube grazed", Of(Tube{0, 50, 8, 1}), {8, 0, 0, 1}, 1e-9, false, 0, 0, 0},
        {"water from above",
         Of(WaterLine{250, -100, 100}),
         {0, 0, 0.6, 0.8},
         1e-9,
         true,
         312.5,
         1,
         0},
        {"water beside the tank still met",
         Of(WaterLine{250, -100, 100}),
         {500, 0, 0, 1},
         1e-9,
         true,
         250.0,
         1,
         0},
        {"water from below", Of(WaterLine{250, -100, 100}), {0, 300, 0, -1}, 1e-9, false, 0, 0, 0},
        {"water level ray", Of(WaterLine{250, -100, 100}), {0, 0, 1, 0}, 1e-9, false, 0, 0, 0},
        {"curve from above", Of(FlatCurve()), {3, -5, 0, 1}, 1e-9, true, 5.0, 1, 0},
        {"curve from below", Of(FlatCurve()), {-3, 7, 0, -1}, 1e-9, true, 7.0, 1, 0},
        {"curve passed beside it", Of(FlatCurve()), {11, -5, 0, 1}, 1e-9, false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PieceHit hit;
        ASSERT_EQ(c.piece.hit(c.ray, c.tMin, hit), c.hits);
        if (!c.hits) {
            EXPECT_TRUE(std::isinf(hit.t)) << "a miss leaves the hit as it was";
            continue;
        }
        EXPECT_NEAR(hit.t, c.t, 1e-9 * c.t);
        const double x = c.ray.px + hit.t * c.ray.dx;
        const double y = c.ray.py + hit.t * c.ray.dy;
        const Direction n = c.piece.normal(hit, x, y);
        const double length = std::hypot(n.x, n.y);
        ASSERT_GT(length, 0.0);
        EXPECT_NEAR((n.x * c.tangentX + n.y * c.tangentY) / length, 0.0, 1e-12)
            << "normal (" << n.x << ", " << n.y << ")";
        // Only a crossing nearer than the one known counts, and a refusal keeps the known one.
        PieceHit nearer;
        nearer.t = hit.t;
        nearer.tFar = -1.0;
        EXPECT_FALSE(c.piece.hit(c.ray, c.tMin, nearer));
        EXPECT_EQ(nearer.tFar, -1.0);
    }
}

TEST(Piece, TubeAnswersWhereTheRayLeavesAndItsOutwardNormal) {
    const Tube tube{0, 50, 8, 1};
    PieceHit hit;
    ASSERT_TRUE(tube.hit({0, 0, 0, 1}, 1e-9, hit));
    EXPECT_DOUBLE_EQ(hit.tFar, 58.0);
    const Direction n = tube.normal(hit, 0.0, 42.0);
    EXPECT_DOUBLE_EQ(n.x, 0.0);
    EXPECT_DOUBLE_EQ(n.y, -8.0) << "points out of the tube, toward the ray's start";
}

TEST(Piece, WaterTellsTheTankFromBesideIt) {
    const WaterLine water{250, -100, 100};
    EXPECT_TRUE(water.overWater(-100.0));
    EXPECT_TRUE(water.overWater(100.0));
    EXPECT_FALSE(water.overWater(100.5));
    EXPECT_FALSE(water.overWater(-101.0));
    const Direction n = water.normal({}, 0.0, 250.0);
    EXPECT_LT(n.y, 0.0) << "faces the lamp above";
}

} // namespace
} // namespace kavrol::physics
