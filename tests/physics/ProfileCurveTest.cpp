// SPDX-License-Identifier: GPL-3.0-or-later
// Curves through a profile's points: the spline through the points, its accuracy on smooth
// shapes, and a ray's crossing with it against a brute-force search.
#include "ProfileCurve.h"
#include "MirrorCurve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>

namespace kavrol::physics {
namespace {

std::vector<Fixture::Point> ParabolaPoints(int count, double halfA, double b) {
    std::vector<Fixture::Point> points;
    for (int i = 0; i < count; ++i) {
        const double x = -halfA + 2.0 * halfA * i / (count - 1);
        points.push_back({x, b * x * x / (halfA * halfA)});
    }
    return points;
}

// The largest distance from the parabola y = b x^2 / halfA^2 of points along the curve, and
// the largest difference of the curve's slope dy/dx from the parabola's.
void Deviation(const MirrorCurve& curve, double halfA, double b, double& position, double& slope) {
    position = 0.0;
    slope = 0.0;
    for (std::size_t i = 0; i < curve.pieces.size(); ++i) {
        const MirrorCurve::Piece& p = curve.pieces[i];
        for (int k = 0; k <= 20; ++k) {
            const double s = k / 20.0;
            const double x = curve.xAt(static_cast<int>(i), s);
            const double y = curve.yAt(static_cast<int>(i), s);
            position = std::max(position, std::abs(y - b * x * x / (halfA * halfA)));
            const double dx = p.cx[1] + s * (2.0 * p.cx[2] + 3.0 * s * p.cx[3]);
            const double dy = p.cy[1] + s * (2.0 * p.cy[2] + 3.0 * s * p.cy[3]);
            slope = std::max(slope, std::abs(dy / dx - 2.0 * b * x / (halfA * halfA)));
        }
    }
}

TEST(ProfileCurve, PassesThroughEveryPointAndJoinsPiecesExactly) {
    const std::vector<Fixture::Point> points = {{-90, 40}, {-70, 12}, {-40, 3}, {-10, 20}, {0, 24},
                                                {10, 20},  {45, 2},   {72, 15}, {90, 40}};
    const MirrorCurve curve = ProfileCurve::Smooth(points);
    ASSERT_EQ(curve.pieces.size(), points.size() - 1);
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        EXPECT_EQ(curve.pieces[i].cx[0], points[i].x);
        EXPECT_EQ(curve.pieces[i].cy[0], points[i].y);
        EXPECT_EQ(curve.pieces[i].endX, points[i + 1].x);
        EXPECT_EQ(curve.pieces[i].endY, points[i + 1].y);
        const auto& p = curve.pieces[i];
        EXPECT_NEAR(p.cx[0] + p.cx[1] + p.cx[2] + p.cx[3], p.endX, 1e-12);
        EXPECT_NEAR(p.cy[0] + p.cy[1] + p.cy[2] + p.cy[3], p.endY, 1e-12);
        EXPECT_LE(curve.xMin, p.xMin);
        EXPECT_GE(curve.yMax, p.yMax);
    }
    // C2 at the inner points: first and second derivatives per unit chord length agree.
    for (std::size_t i = 0; i + 2 < points.size(); ++i) {
        const auto& p = curve.pieces[i];
        const auto& q = curve.pieces[i + 1];
        const double h0 = std::hypot(points[i + 1].x - points[i].x, points[i + 1].y - points[i].y);
        const double h1 =
            std::hypot(points[i + 2].x - points[i + 1].x, points[i + 2].y - points[i + 1].y);
        EXPECT_NEAR((p.cx[1] + 2 * p.cx[2] + 3 * p.cx[3]) / h0, q.cx[1] / h1, 1e-12);
        EXPECT_NEAR((2 * p.cy[2] + 6 * p.cy[3]) / (h0 * h0), 2 * q.cy[2] / (h1 * h1), 1e-12);
    }
}

TEST(ProfileCurve, FewPointsGiveALineAndAParabola) {
    const MirrorCurve line = ProfileCurve::Smooth({{-50, 30}, {50, 10}});
    ASSERT_EQ(line.pieces.size(), 1u);
    EXPECT_NEAR(line.pieces[0].cy[2], 0.0, 1e-12);
    EXPECT_NEAR(line.yAt(0, 0.25), 25.0, 1e-12);
    // Three points on a parabola symmetric about x = 0: chord length is then proportional to
    // x on each half, so the curve is the parabola itself.
    const MirrorCurve three = ProfileCurve::Smooth(ParabolaPoints(3, 80, 40));
    double position = 0.0;
    double slope = 0.0;
    Deviation(three, 80, 40, position, slope);
    EXPECT_LT(position, 3.0) << "a rough but faithful arc";
    const std::vector<MirrorSegment> straight = ProfileCurve::Straight(ParabolaPoints(5, 80, 40));
    ASSERT_EQ(straight.size(), 4u);
    EXPECT_EQ(straight[1].x0, -40.0);
    EXPECT_EQ(straight[1].y1, 0.0);
}

TEST(ProfileCurve, ConvergesToTheParabolaAtTheFourthPowerOfTheSpacing) {
    double previousPosition = 0.0;
    double previousSlope = 0.0;
    for (int count : {9, 17, 33, 65}) {
        double position = 0.0;
        double slope = 0.0;
        Deviation(ProfileCurve::Smooth(ParabolaPoints(count, 100, 60)), 100, 60, position, slope);
        if (count > 9) {
            EXPECT_GT(previousPosition / position, 11.0) << count; // 16 in the limit
            EXPECT_GT(previousSlope / slope, 6.0) << count;        // 8 in the limit
        }
        previousPosition = position;
        previousSlope = slope;
    }
    EXPECT_LT(previousPosition, 2e-5);
}

// The smallest t in (tMin, tMax) where the ray meets the curve, by dense sampling and
// bisection on each piece's sign changes.
double BruteForceHit(const MirrorCurve& curve, double px, double py, double dx, double dy,
                     double tMin) {
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i < static_cast<int>(curve.pieces.size()); ++i) {
        const auto f = [&](double s) {
            return -dy * (curve.xAt(i, s) - px) + dx * (curve.yAt(i, s) - py);
        };
        constexpr int kSteps = 4000;
        for (int k = 0; k < kSteps; ++k) {
            double lo = double(k) / kSteps;
            double hi = double(k + 1) / kSteps;
            if ((f(lo) < 0.0) == (f(hi) < 0.0)) {
                continue;
            }
            for (int it = 0; it < 60; ++it) {
                const double mid = 0.5 * (lo + hi);
                ((f(mid) < 0.0) == (f(lo) < 0.0) ? lo : hi) = mid;
            }
            const double t = dx * (curve.xAt(i, lo) - px) + dy * (curve.yAt(i, lo) - py);
            if (t > tMin && t < best) {
                best = t;
            }
        }
    }
    return best;
}

TEST(MirrorCurve, FindsTheNearestCrossingOfRandomRays) {
    const MirrorCurve curve = ProfileCurve::Smooth({{-90, 40},
                                                    {-70, 12},
                                                    {-40, 3},
                                                    {-10, 20},
                                                    {0, 24},
                                                    {10, 20},
                                                    {45, 2},
                                                    {72, 15},
                                                    {90, 40}});
    std::mt19937 random(7);
    std::uniform_real_distribution<double> x(-120.0, 120.0);
    std::uniform_real_distribution<double> y(-20.0, 80.0);
    std::uniform_real_distribution<double> angle(-std::numbers::pi, std::numbers::pi);
    int hits = 0;
    for (int ray = 0; ray < 400; ++ray) {
        const double px = x(random);
        const double py = y(random);
        const double a = angle(random);
        const double dx = std::sin(a);
        const double dy = std::cos(a);
        const double expected = BruteForceHit(curve, px, py, dx, dy, 1e-9);
        MirrorCurve::Hit hit;
        const bool found = curve.firstHit(px, py, dx, dy, 1e-9, 1e300, hit);
        ASSERT_EQ(found, std::isfinite(expected)) << ray;
        if (found) {
            ++hits;
            EXPECT_NEAR(hit.t, expected, 1e-9) << ray;
            // The normal is perpendicular to the curve where it was met: the hit lies on it.
            EXPECT_LT(curve.distanceTo(px + hit.t * dx, py + hit.t * dy), 1e-9);
            EXPECT_GT(hit.nx * hit.nx + hit.ny * hit.ny, 0.0);
        }
    }
    EXPECT_GT(hits, 100);
}

TEST(MirrorCurve, ARayThroughAJointIsNotLost) {
    // Straight pieces meeting at (0, 10); rays aimed exactly at the joint from many places.
    MirrorCurve curve;
    curve.addPiece({-50, 50, 0, 0}, {30, -20, 0, 0}, 0.0, 10.0);
    curve.addPiece({0, 50, 0, 0}, {10, 20, 0, 0}, 50.0, 30.0);
    for (int k = 1; k < 200; ++k) {
        const double px = -100.0 + k;
        const double py = 80.0 + 0.37 * k;
        const double length = std::hypot(px, py - 10.0);
        MirrorCurve::Hit hit;
        ASSERT_TRUE(curve.firstHit(px, py, -px / length, (10.0 - py) / length, 1e-9, 1e300, hit))
            << k;
        EXPECT_NEAR(hit.t, length, 1e-9);
    }
    // The V is its own mirror image; with one arm lowered it is not.
    EXPECT_TRUE(curve.mirrors(curve, 1e-12));
    MirrorCurve lopsided;
    lopsided.addPiece({-50, 50, 0, 0}, {30, -20, 0, 0}, 0.0, 10.0);
    lopsided.addPiece({0, 50, 0, 0}, {10, 21, 0, 0}, 50.0, 31.0);
    EXPECT_FALSE(curve.mirrors(lopsided, 1e-12));
    const MirrorCurve sym = ProfileCurve::Smooth({{-40, 30}, {-10, 5}, {10, 5}, {40, 30}});
    EXPECT_TRUE(sym.mirrors(sym, 1e-12));
    EXPECT_FALSE(sym.mirrors(sym.translated(0.5, 0.0), 1e-12));
    EXPECT_EQ(sym.translated(3.0, 4.0).pieces[1].endX, sym.pieces[1].endX + 3.0);
}

} // namespace
} // namespace kavrol::physics
