// Sections: the checks and the exact lengths; the curve at a length; the samples.
#include "ReflectorCurve.h"

#include "PhysicalDesignError.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kavrol::physics {

namespace {

// Length of y = u^2 / m from its vertex to u (odd in u): with w = 2u/m the integral of
// sqrt(1 + w^2) is (m/4) (w sqrt(1 + w^2) + asinh w).
double ParabolaLength(double u, double m) {
    const double w = 2.0 * u / m;
    return m / 4.0 * (w * std::sqrt(1.0 + w * w) + std::asinh(w));
}

} // namespace

ReflectorCurve::ReflectorCurve(const PhysicalDesign& design)
    : shape_(design.shape), halfA_(design.a / 2.0), b_(design.b),
      halfC_(design.shape == ReflectorShape::Parabola ? 0.0 : design.c / 2.0) {
    if (!(std::isfinite(design.a) && design.a > 0.0 && std::isfinite(design.b) && design.b > 0.0)) {
        throw PhysicalDesignError("A and B must be positive lengths");
    }
    if (shape_ != ReflectorShape::Parabola &&
        !(std::isfinite(design.c) && design.c >= 0.0 && design.c < design.a)) {
        throw PhysicalDesignError("C must lie from 0 up to below A");
    }
    const double open = halfA_ - halfC_;
    m_ = open * open / b_;
    halfLength_ = lengthTo(halfA_);
}

double ReflectorCurve::lengthTo(double x) const {
    switch (shape_) {
    case ReflectorShape::Parabola:
        return ParabolaLength(x, m_);
    case ReflectorShape::TwinArc:
        return ParabolaLength(x - halfC_, m_) + ParabolaLength(halfC_, m_);
    case ReflectorShape::Trapezoid:
        break;
    }
    if (x <= halfC_) {
        return x;
    }
    return halfC_ + (x - halfC_) * std::hypot(1.0, b_ / (halfA_ - halfC_));
}

double ReflectorCurve::slopeAt(double x) const {
    switch (shape_) {
    case ReflectorShape::Parabola:
        return 2.0 * x / m_;
    case ReflectorShape::TwinArc:
        return 2.0 * (x - halfC_) / m_;
    case ReflectorShape::Trapezoid:
        break;
    }
    return x < halfC_ ? 0.0 : b_ / (halfA_ - halfC_);
}

double ReflectorCurve::radiusAt(double x) const {
    if (shape_ == ReflectorShape::Trapezoid) {
        return std::numeric_limits<double>::infinity();
    }
    const double slope = slopeAt(std::abs(x));
    return m_ / 2.0 * std::pow(1.0 + slope * slope, 1.5);
}

double ReflectorCurve::depthAt(double x) const {
    const double u = std::abs(x);
    switch (shape_) {
    case ReflectorShape::Parabola:
        return u * u / m_;
    case ReflectorShape::TwinArc:
        return (u - halfC_) * (u - halfC_) / m_;
    case ReflectorShape::Trapezoid:
        break;
    }
    return u <= halfC_ ? 0.0 : b_ * (u - halfC_) / (halfA_ - halfC_);
}

// The length grows strictly with x, so bisection finds x to the last bits in 200 halvings.
double ReflectorCurve::xAtLength(double s) const {
    const double target = std::clamp(std::abs(s), 0.0, halfLength_);
    double lo = 0.0;
    double hi = halfA_;
    for (int i = 0; i < 200 && lo < hi; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (mid <= lo || mid >= hi) {
            break;
        }
        (lengthTo(mid) < target ? lo : hi) = mid;
    }
    const double x = target >= halfLength_ ? halfA_ : 0.5 * (lo + hi);
    return s < 0.0 ? -x : x;
}

ReflectorCurve::Station ReflectorCurve::at(double s) const {
    const double x = xAtLength(s);
    // The slope is odd in x; the twin arcs' meeting point takes the upward normal.
    double slope = slopeAt(std::abs(x));
    if (x < 0.0) {
        slope = -slope;
    }
    if (x == 0.0) {
        slope = 0.0;
    }
    const double norm = std::hypot(slope, 1.0);
    return {x, depthAt(x), slope / norm, -1.0 / norm};
}

ReflectorCurve ReflectorCurve::FromDesign(const PhysicalDesign& design, double maxStep) {
    if (!(maxStep > 0.0)) {
        throw PhysicalDesignError("The curve's sampling step must be positive");
    }
    ReflectorCurve curve(design);
    // Knots on the right half: the centre, the corner or vertex at C/2, the rim.
    std::vector<double> knots{0.0};
    if (curve.halfC_ > 0.0) {
        knots.push_back(curve.lengthTo(curve.halfC_));
    }
    knots.push_back(curve.halfLength_);
    // Steps are at most maxStep long and turn the tangent by at most kMaxTurn, so that the
    // polyline through the samples is as long as the curve to far below a tenth of a millimetre
    // even round a sharp vertex. The radius of curvature is monotonic between knots, so the
    // smaller of its values at a step's two ends bounds it over the step.
    constexpr double kMaxTurn = 0.02; // radians
    std::vector<double> lengths;
    for (std::size_t k = 0; k + 1 < knots.size(); ++k) {
        double s = knots[k];
        while (s < knots[k + 1]) {
            lengths.push_back(s);
            const double end = std::min(s + maxStep, knots[k + 1]);
            const double radius =
                std::min(curve.radiusAt(curve.xAtLength(s)), curve.radiusAt(curve.xAtLength(end)));
            s += std::min(maxStep, kMaxTurn * radius);
        }
    }
    lengths.push_back(curve.halfLength_);
    // Mirror the right half onto the left; the samples run from the left rim to the right one.
    std::vector<Point>& points = curve.points_;
    points.reserve(2 * lengths.size());
    for (auto it = lengths.rbegin(); it != lengths.rend(); ++it) {
        if (*it > 0.0) {
            const double x = curve.xAtLength(*it);
            points.push_back({-x, curve.depthAt(x), -*it});
        }
    }
    for (const double s : lengths) {
        const double x = curve.xAtLength(s);
        points.push_back({x, curve.depthAt(x), s});
    }
    return curve;
}

} // namespace kavrol::physics
