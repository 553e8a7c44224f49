// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Fixture.h"
#include "PhysicalDesign.h"

#include <vector>

namespace kavrol::physics {

// The exact cross-section of a reflector from rim to rim, as the physical estimate traces it,
// with lengths measured along the curve from the centre line x = 0 (the tube's axis): negative
// to the left, positive to the right. Millimetres, y downward, top line y = 0. The three shapes
// keep their closed forms (x from -A/2 to A/2); a profile of points is held as samples of its
// spline or straight segments with their lengths along it.
class ReflectorCurve {
public:
    struct Point {
        double x = 0.0;
        double y = 0.0;
        double s = 0.0; // length along the curve from the centre line, signed like x
    };
    // A point of the curve with the unit normal on the reflector's back, away from the tube.
    struct Station {
        double x = 0.0;
        double y = 0.0;
        double nx = 0.0;
        double ny = -1.0;
    };

    // Samples the curve at most maxStep apart along it, closer where it bends sharply, with every
    // corner, vertex and the centre among the samples. Throws PhysicalDesignError for a shape that
    // cannot be drawn.
    static ReflectorCurve FromDesign(const PhysicalDesign& design, double maxStep = 0.2);
    // The profile's curve as the physical model joins its points (ProfileCurve), sampled the
    // same way with every point among the samples. Lengths count from where the curve first
    // crosses x = 0 from the left; when it never does, from the left rim (fromLeftRim()).
    // Throws PhysicalDesignError for fewer than two points or points that are not finite.
    static ReflectorCurve FromProfile(const std::vector<Fixture::Point>& points, Fixture::Join join,
                                      double maxStep = 0.2);

    const std::vector<Point>& points() const { return points_; }
    // The exact length from rim to rim: the width of the flat sheet the reflector is bent from.
    double length() const { return rightS_ - leftS_; }
    // The signed lengths of the left and the right rim.
    double leftS() const { return leftS_; }
    double rightS() const { return rightS_; }
    bool fromLeftRim() const { return fromLeftRim_; }
    // The point at signed length s, leftS() <= s <= rightS().
    Station at(double s) const;
    // The curve's depth y at x, |x| <= A / 2 (a profile: where it first reaches x).
    double depthAt(double x) const;

private:
    ReflectorCurve() = default;
    explicit ReflectorCurve(const PhysicalDesign& design);
    Station sampledAt(double s) const;
    // Length from the centre line to x >= 0 (the curve is mirror-symmetric).
    double lengthTo(double x) const;
    // Slope dy/dx at x >= 0, taken from the right at corners.
    double slopeAt(double x) const;
    // Radius of curvature at x (infinite on straight pieces).
    double radiusAt(double x) const;
    double xAtLength(double s) const;

    bool sampled_ = false; // a profile: points_ is the curve
    bool smooth_ = false;  // a profile's spline: no corners at the samples
    bool fromLeftRim_ = false;
    double leftS_ = 0.0;
    double rightS_ = 0.0;
    ReflectorShape shape_ = ReflectorShape::Parabola;
    double halfA_ = 0.0;
    double b_ = 0.0;
    double halfC_ = 0.0;
    double m_ = 1.0; // the parabola's y = (x - vertex)^2 / m
    double halfLength_ = 0.0;
    std::vector<Point> points_;
};

} // namespace kavrol::physics
