#pragma once

#include "PhysicalDesign.h"

#include <vector>

namespace kavrol::physics {

// The exact cross-section of a design's reflector from rim to rim (x from -A/2 to A/2), as the
// physical estimate traces it, with lengths measured along the curve from the centre line x = 0:
// negative to the left, positive to the right. Millimetres, y downward, top line y = 0.
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

    const std::vector<Point>& points() const { return points_; }
    // The exact length from rim to rim: the width of the flat sheet the reflector is bent from.
    double length() const { return 2.0 * halfLength_; }
    // The point at signed length s from the centre line, |s| <= length() / 2.
    Station at(double s) const;
    // The curve's depth y at x, |x| <= A / 2.
    double depthAt(double x) const;

private:
    explicit ReflectorCurve(const PhysicalDesign& design);
    // Length from the centre line to x >= 0 (the curve is mirror-symmetric).
    double lengthTo(double x) const;
    // Slope dy/dx at x >= 0, taken from the right at corners.
    double slopeAt(double x) const;
    // Radius of curvature at x (infinite on straight pieces).
    double radiusAt(double x) const;
    double xAtLength(double s) const;

    ReflectorShape shape_;
    double halfA_;
    double b_;
    double halfC_;
    double m_ = 1.0; // the parabola's y = (x - vertex)^2 / m
    double halfLength_ = 0.0;
    std::vector<Point> points_;
};

} // namespace kavrol::physics
