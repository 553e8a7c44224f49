// SPDX-License-Identifier: GPL-3.0-or-later
// The exact reflector curve: its length against an independent integration and the closed forms,
// its samples, the points at a length, and the window's design for the physical model; a profile
// of points: its length against closed forms, its centre, its samples and its refusals.
#include "ReflectorCurve.h"
#include "DesignFromInputs.h"
#include "PhysicalDesignError.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using kavrol::physics::PhysicalDesign;
using kavrol::physics::ReflectorCurve;
using kavrol::physics::ReflectorShape;

PhysicalDesign Make(ReflectorShape shape, double a, double b, double c) {
    PhysicalDesign d;
    d.shape = shape;
    d.a = a;
    d.b = b;
    d.c = c;
    return d;
}

std::string Name(const PhysicalDesign& d) {
    return std::to_string(static_cast<int>(d.shape)) + " A" + std::to_string(d.a) + " B" +
           std::to_string(d.b) + " C" + std::to_string(d.c);
}

// The depth of the curve from the physics notes' formulas, written out again here.
double Depth(const PhysicalDesign& d, double x) {
    const double u = std::abs(x);
    switch (d.shape) {
    case ReflectorShape::Parabola:
        return u * u * d.b / (d.a * d.a / 4.0);
    case ReflectorShape::TwinArc: {
        const double m = (d.a - d.c) * (d.a - d.c) / 4.0 / d.b;
        return (u - d.c / 2.0) * (u - d.c / 2.0) / m;
    }
    case ReflectorShape::Trapezoid:
        return u <= d.c / 2.0 ? 0.0 : d.b * (u - d.c / 2.0) / ((d.a - d.c) / 2.0);
    }
    return 0.0;
}

// Arc length by composite Simpson's rule on the chord lengths of a fine polygon, refined until
// two refinements agree; independent of the closed forms under test.
double IntegratedLength(const PhysicalDesign& d) {
    const auto polygon = [&](int n) {
        double sum = 0.0;
        for (int i = 0; i < n; ++i) {
            const double x0 = -d.a / 2.0 + d.a * i / n;
            const double x1 = -d.a / 2.0 + d.a * (i + 1) / n;
            sum += std::hypot(x1 - x0, Depth(d, x1) - Depth(d, x0));
        }
        return sum;
    };
    // Richardson on the polygon's h^2 error.
    const int n = 1 << 17;
    return (4.0 * polygon(2 * n) - polygon(n)) / 3.0;
}

const std::vector<PhysicalDesign>& Designs() {
    static const std::vector<PhysicalDesign> designs = {
        Make(ReflectorShape::Parabola, 200, 100, 50), Make(ReflectorShape::Parabola, 20, 200, 0),
        Make(ReflectorShape::Parabola, 200, 10, 0),   Make(ReflectorShape::TwinArc, 200, 100, 50),
        Make(ReflectorShape::TwinArc, 200, 100, 150), Make(ReflectorShape::TwinArc, 20, 200, 10),
        Make(ReflectorShape::TwinArc, 200, 10, 0),    Make(ReflectorShape::Trapezoid, 200, 100, 50),
        Make(ReflectorShape::Trapezoid, 20, 200, 18), Make(ReflectorShape::Trapezoid, 120, 60, 0),
    };
    return designs;
}

TEST(ReflectorCurve, LengthMatchesAnIndependentIntegrationAndTheSamplesFollowTheCurve) {
    for (const PhysicalDesign& d : Designs()) {
        SCOPED_TRACE(Name(d));
        const ReflectorCurve curve = ReflectorCurve::FromDesign(d);
        EXPECT_NEAR(curve.length(), IntegratedLength(d), 1e-6 * curve.length());
        const auto& points = curve.points();
        ASSERT_GE(points.size(), 3u);
        EXPECT_DOUBLE_EQ(points.front().x, -d.a / 2.0);
        EXPECT_DOUBLE_EQ(points.back().x, d.a / 2.0);
        EXPECT_NEAR(points.front().s, -curve.length() / 2.0, 1e-9);
        EXPECT_NEAR(points.back().s, curve.length() / 2.0, 1e-9);
        double polyline = 0.0;
        double longestStep = 0.0;
        for (std::size_t i = 0; i < points.size(); ++i) {
            EXPECT_NEAR(points[i].y, Depth(d, points[i].x), 1e-9 * d.b) << i;
            // Mirror symmetry: the i-th point from either end.
            const auto& mirror = points[points.size() - 1 - i];
            EXPECT_NEAR(points[i].x, -mirror.x, 1e-9);
            if (i > 0) {
                const double step =
                    std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y);
                EXPECT_GT(points[i].s, points[i - 1].s);
                EXPECT_LE(step, points[i].s - points[i - 1].s + 1e-9);
                polyline += step;
                longestStep = std::max(longestStep, step);
            }
        }
        EXPECT_LE(longestStep, 0.2 + 1e-9);
        // What a cutter following the drawn polyline measures is the sheet's width.
        EXPECT_NEAR(polyline, curve.length(), 0.01);
    }
}

TEST(ReflectorCurve, ClosedFormsOfTheTrapezoidAndTheParabola) {
    const ReflectorCurve trapezoid =
        ReflectorCurve::FromDesign(Make(ReflectorShape::Trapezoid, 200, 100, 50));
    EXPECT_NEAR(trapezoid.length(), 50.0 + 2.0 * std::hypot(75.0, 100.0), 1e-9);
    // y = x^2 / 100 from -100 to 100 (A 200, B 100): 2 * integral of sqrt(1 + (x/50)^2).
    const ReflectorCurve parabola =
        ReflectorCurve::FromDesign(Make(ReflectorShape::Parabola, 200, 100, 0));
    const double w = 2.0;
    EXPECT_NEAR(parabola.length(), 2.0 * 25.0 * (w * std::sqrt(1 + w * w) + std::asinh(w)), 1e-9);
}

TEST(ReflectorCurve, PointsAtALengthLieOnTheCurveThatFarFromTheCentreWithTheBacksNormal) {
    for (const PhysicalDesign& d : Designs()) {
        SCOPED_TRACE(Name(d));
        const ReflectorCurve curve = ReflectorCurve::FromDesign(d, 0.05);
        const double half = curve.length() / 2.0;
        for (const double share : {-1.0, -0.73, -0.31, 0.0, 0.12, 0.5, 0.99, 1.0}) {
            const double s = share * half;
            const ReflectorCurve::Station at = curve.at(s);
            EXPECT_NEAR(at.y, Depth(d, at.x), 1e-9 * d.b) << s;
            EXPECT_EQ(at.x < 0, s < 0) << s;
            // The fine polyline's length from the centre to the station.
            double walked = 0.0;
            const auto& points = curve.points();
            for (std::size_t i = 1; i < points.size(); ++i) {
                const double lo = std::min(points[i - 1].x, points[i].x);
                if (lo >= std::min(0.0, at.x) &&
                    std::max(points[i - 1].x, points[i].x) <= std::max(0.0, at.x) + 1e-12)
                    walked +=
                        std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y);
            }
            EXPECT_NEAR(walked, std::abs(s), 0.06) << s;
            EXPECT_NEAR(std::hypot(at.nx, at.ny), 1.0, 1e-12);
            EXPECT_LT(at.ny, 0.0) << "the normal points up, away from the tube";
            // Perpendicular to the curve: a small step along the tangent keeps the depth.
            if (std::abs(at.x) > 1e-6 && std::abs(std::abs(at.x) - d.c / 2.0) > 1e-3 &&
                std::abs(at.x) < d.a / 2.0 - 1e-3 && d.shape != ReflectorShape::Trapezoid) {
                const double h = 1e-5;
                const double slope = (Depth(d, at.x + h) - Depth(d, at.x - h)) / (2 * h);
                EXPECT_NEAR(at.nx * 1.0 + at.ny * slope, 0.0, 1e-5) << s;
            }
        }
    }
}

TEST(ReflectorCurve, RefusesShapesThatCannotBeDrawn) {
    const std::vector<PhysicalDesign> refused = {
        Make(ReflectorShape::Parabola, 0, 100, 0),    Make(ReflectorShape::Parabola, 200, -1, 0),
        Make(ReflectorShape::TwinArc, 200, 100, 200), Make(ReflectorShape::Trapezoid, 100, 50, 120),
        Make(ReflectorShape::Trapezoid, 100, 50, -1), Make(ReflectorShape::Parabola, NAN, 50, 0),
    };
    for (const PhysicalDesign& d : refused)
        EXPECT_THROW(ReflectorCurve::FromDesign(d), kavrol::physics::PhysicalDesignError)
            << Name(d);
    EXPECT_THROW(ReflectorCurve::FromDesign(Designs().front(), 0.0),
                 kavrol::physics::PhysicalDesignError);
}

TEST(DesignFromInputs, CarriesEveryDesignInputAndRefusesUnselectedLists) {
    kavrol::BuildInputs in;
    in.shape = 2;
    in.tube = 2;
    in.refA = 180;
    in.refB = 90;
    in.refC = 40;
    in.lamp = 30;
    in.lampH = 400;
    in.aquaW = 800;
    in.albedo = 0.93L;
    const PhysicalDesign d = kavrol::physics::DesignFromInputs(in);
    EXPECT_EQ(d.shape, ReflectorShape::TwinArc);
    EXPECT_EQ(d.a, 180.0);
    EXPECT_EQ(d.b, 90.0);
    EXPECT_EQ(d.c, 40.0);
    EXPECT_EQ(d.lampDistance, 30.0);
    EXPECT_EQ(d.waterDistance, 400.0);
    EXPECT_EQ(d.aquariumWidth, 800.0);
    EXPECT_EQ(d.materials.albedo, 0.93);
    const std::vector<std::pair<int, double>> radii = {{0, 6.0}, {1, 8.0}, {2, 13.0}};
    for (const auto& [tube, radius] : radii) {
        in.tube = tube;
        EXPECT_EQ(kavrol::physics::DesignFromInputs(in).tubeRadius, radius);
    }
    for (const auto& [shape, tube] :
         std::vector<std::pair<int, int>>{{-1, 1}, {3, 1}, {1, -1}, {1, 3}}) {
        in.shape = shape;
        in.tube = tube;
        EXPECT_THROW(kavrol::physics::DesignFromInputs(in), kavrol::physics::PhysicalDesignError)
            << shape << ' ' << tube;
    }
}

using kavrol::physics::Fixture;

// y = x^2 / m sampled every `step` from -half to half.
std::vector<Fixture::Point> ParabolaPoints(double half, double m, double step) {
    std::vector<Fixture::Point> points;
    for (double x = -half; x <= half + 1e-9; x += step) {
        points.push_back({x, x * x / m});
    }
    return points;
}

// Length of y = u^2 / m from the vertex to u, written out from its integral.
double ParabolaArc(double u, double m) {
    const double w = 2.0 * u / m;
    return m / 4.0 * (w * std::sqrt(1.0 + w * w) + std::asinh(w));
}

TEST(ReflectorCurve, ProfilesKeepTheirLengthCentreAndSamples) {
    struct Case {
        std::string name;
        std::vector<Fixture::Point> points;
        Fixture::Join join;
        double left;  // expected signed length of the left rim
        double right; // and of the right one
        double tolerance;
        bool fromLeftRim;
    };
    const double m = 100.0;
    const double slant = std::hypot(30.0, 30.0);
    const std::vector<Case> cases = {
        {"smooth parabola", ParabolaPoints(100, m, 10), Fixture::Join::Smooth, -ParabolaArc(100, m),
         ParabolaArc(100, m), 0.1, false},
        {"lopsided parabola", ParabolaPoints(60, 40, 5), Fixture::Join::Smooth,
         -ParabolaArc(60, 40), ParabolaArc(60, 40), 0.1, false},
        {"straight trapezoid",
         {{-50, 30}, {-20, 0}, {20, 0}, {50, 30}},
         Fixture::Join::Straight,
         -20 - slant,
         20 + slant,
         1e-9,
         false},
        {"trapezoid from the right",
         {{50, 30}, {20, 0}, {-20, 0}, {-50, 30}},
         Fixture::Join::Straight,
         -20 - slant,
         20 + slant,
         1e-9,
         false},
        {"beside the axis",
         {{10, 0}, {40, 0}, {40, 30}},
         Fixture::Join::Straight,
         0,
         60,
         1e-9,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ReflectorCurve curve = ReflectorCurve::FromProfile(c.points, c.join);
        EXPECT_NEAR(curve.leftS(), c.left, c.tolerance);
        EXPECT_NEAR(curve.rightS(), c.right, c.tolerance);
        EXPECT_NEAR(curve.length(), c.right - c.left, 2 * c.tolerance);
        EXPECT_EQ(curve.fromLeftRim(), c.fromLeftRim);
        const auto& points = curve.points();
        double polyline = 0.0;
        for (std::size_t i = 1; i < points.size(); ++i) {
            const double step =
                std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y);
            EXPECT_LE(step, 0.2 + 1e-9) << i;
            EXPECT_GT(points[i].s, points[i - 1].s) << i;
            polyline += step;
        }
        // The samples lie on the curve: their polyline is as long as it to a hundredth.
        EXPECT_NEAR(polyline, curve.length(), 0.01);
        EXPECT_LT(points.front().x, points.back().x);
        const ReflectorCurve::Station centre = curve.at(0.0);
        if (!c.fromLeftRim) {
            EXPECT_NEAR(centre.x, 0.0, 1e-6);
        } else {
            EXPECT_EQ(centre.x, points.front().x);
        }
    }
    // On the straight trapezoid's flat the normal points up; past the corner at s = 20 it
    // takes the right-hand wall's.
    const ReflectorCurve trapezoid =
        ReflectorCurve::FromProfile(cases[2].points, Fixture::Join::Straight);
    const ReflectorCurve::Station flat = trapezoid.at(10.0);
    EXPECT_NEAR(flat.nx, 0.0, 1e-12);
    EXPECT_NEAR(flat.ny, -1.0, 1e-12);
    const ReflectorCurve::Station corner = trapezoid.at(20.0);
    EXPECT_NEAR(corner.x, 20.0, 1e-9);
    EXPECT_NEAR(corner.nx, std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(corner.ny, -std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(trapezoid.depthAt(35.0), 15.0, 1e-9);
    // On a smooth profile a sample is no corner: at the vertex of a parabola through points
    // the normal points straight up, which neither neighbouring step's would.
    const ReflectorCurve vertex = ReflectorCurve::FromProfile(
        {{-20, 10}, {-10, 2.5}, {0, 0}, {10, 2.5}, {20, 10}}, Fixture::Join::Smooth);
    const ReflectorCurve::Station top = vertex.at(0.0);
    EXPECT_NEAR(top.x, 0.0, 1e-12);
    EXPECT_NEAR(top.nx, 0.0, 1e-9);
    EXPECT_NEAR(top.ny, -1.0, 1e-9);
}

TEST(ReflectorCurve, ProfilesThatCannotBeDrawnAreRefused) {
    const double nan = std::nan("");
    const std::vector<std::vector<Fixture::Point>> refused = {
        {}, {{0, 0}}, {{-1, 0}, {nan, 1}, {1, 0}}, {{-1, 0}, {-1, 0}, {1, 0}}};
    for (const auto& points : refused) {
        for (const Fixture::Join join : {Fixture::Join::Smooth, Fixture::Join::Straight}) {
            EXPECT_THROW(ReflectorCurve::FromProfile(points, join),
                         kavrol::physics::PhysicalDesignError)
                << points.size();
        }
    }
}

} // namespace
