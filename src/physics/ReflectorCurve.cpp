// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: the checks and the exact lengths; the curve at a length; the samples; a profile's
// samples.
#include "ReflectorCurve.h"

#include "PhysicalDesignError.h"
#include "ProfileCurve.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace kavrol::physics {

namespace {

// --- The checks and the exact lengths ---

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
    leftS_ = -halfLength_;
    rightS_ = halfLength_;
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
    if (sampled_) {
        for (std::size_t i = 0; i + 1 < points_.size(); ++i) {
            const Point& p = points_[i];
            const Point& q = points_[i + 1];
            if ((p.x <= x && x <= q.x) || (q.x <= x && x <= p.x)) {
                return p.x == q.x ? p.y : p.y + (q.y - p.y) * (x - p.x) / (q.x - p.x);
            }
        }
        throw PhysicalDesignError("The profile does not reach this x");
    }
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

// --- The curve at a length ---

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
    if (sampled_) {
        return sampledAt(s);
    }
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

// --- The samples ---

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

// --- A profile's samples ---

namespace {

constexpr double kProfileMaxTurn = 0.02; // radians between neighbouring samples' tangents

struct PieceAt {
    std::size_t piece = 0;
    double u = 0.0;
};

double Derivative(const std::array<double, 4>& c, double u) {
    return c[1] + u * (2.0 * c[2] + u * 3.0 * c[3]);
}

// The length of piece i from u0 to u1 by five-point Gauss-Legendre on eight parts: the speed is
// the root of a quartic, smooth on the piece, so this is exact to far below a micrometre.
double PieceLength(const MirrorCurve& curve, std::size_t i, double u0, double u1) {
    static constexpr std::array<double, 5> kNodes = {0.0, -0.5384693101056831, 0.5384693101056831,
                                                     -0.9061798459386640, 0.9061798459386640};
    static constexpr std::array<double, 5> kWeights = {0.5688888888888889, 0.4786286704993665,
                                                       0.4786286704993665, 0.2369268850561891,
                                                       0.2369268850561891};
    constexpr int kParts = 8;
    const MirrorCurve::Piece& p = curve.pieces[i];
    const double part = (u1 - u0) / kParts;
    double sum = 0.0;
    for (int k = 0; k < kParts; ++k) {
        const double mid = u0 + (k + 0.5) * part;
        for (std::size_t n = 0; n < kNodes.size(); ++n) {
            const double u = mid + kNodes[n] * part / 2.0;
            sum += kWeights[n] * std::hypot(Derivative(p.cx, u), Derivative(p.cy, u));
        }
    }
    return sum * part / 2.0;
}

// Splits [u0, u1] of piece i until every step is at most maxStep long and turns the tangent by
// at most kProfileMaxTurn; appends the ends of the steps after u0.
void Subdivide(const MirrorCurve& curve, std::size_t i, double u0, double u1, double maxStep,
               int depth, std::vector<PieceAt>& out) {
    const MirrorCurve::Piece& p = curve.pieces[i];
    const double chord =
        std::hypot(curve.xAt(static_cast<int>(i), u1) - curve.xAt(static_cast<int>(i), u0),
                   curve.yAt(static_cast<int>(i), u1) - curve.yAt(static_cast<int>(i), u0));
    const double a0 = std::atan2(Derivative(p.cy, u0), Derivative(p.cx, u0));
    const double a1 = std::atan2(Derivative(p.cy, u1), Derivative(p.cx, u1));
    const double turn = std::abs(std::remainder(a1 - a0, 2.0 * std::acos(-1.0)));
    if (depth < 40 && (chord > maxStep || turn > kProfileMaxTurn)) {
        const double mid = 0.5 * (u0 + u1);
        Subdivide(curve, i, u0, mid, maxStep, depth + 1, out);
        Subdivide(curve, i, mid, u1, maxStep, depth + 1, out);
        return;
    }
    out.push_back({i, u1});
}

// Samples of a profile with their lengths from the left rim, and the length at which the curve
// first crosses x = 0 from the left, if it does.
struct ProfileSamples {
    std::vector<ReflectorCurve::Point> points;
    double zero = 0.0;
    bool crossed = false;
};

ProfileSamples SampleStraight(const std::vector<Fixture::Point>& points, double maxStep) {
    ProfileSamples samples;
    std::vector<ReflectorCurve::Point>& out = samples.points;
    double& zero = samples.zero;
    bool& crossed = samples.crossed;
    out.push_back({points[0].x, points[0].y, 0.0});
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const Fixture::Point& a = points[i];
        const Fixture::Point& b = points[i + 1];
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        const double start = out.back().s;
        if (!crossed && a.x <= 0.0 && b.x >= 0.0) {
            crossed = true;
            zero = start + (a.x == b.x ? 0.0 : length * (-a.x) / (b.x - a.x));
        }
        const int steps = std::max(1, static_cast<int>(std::ceil(length / maxStep)));
        for (int k = 1; k <= steps; ++k) {
            const double f = double(k) / steps;
            out.push_back(k == steps
                              ? ReflectorCurve::Point{b.x, b.y, start + length}
                              : ReflectorCurve::Point{a.x + f * (b.x - a.x), a.y + f * (b.y - a.y),
                                                      start + f * length});
        }
    }
    return samples;
}

ProfileSamples SampleSmooth(const std::vector<Fixture::Point>& points, double maxStep) {
    ProfileSamples samples;
    std::vector<ReflectorCurve::Point>& out = samples.points;
    double& zero = samples.zero;
    bool& crossed = samples.crossed;
    const MirrorCurve spline = ProfileCurve::Smooth(points);
    std::vector<PieceAt> at{{0, 0.0}};
    for (std::size_t i = 0; i < spline.pieces.size(); ++i) {
        Subdivide(spline, i, 0.0, 1.0, maxStep, 0, at);
    }
    double t = 0.0;
    for (std::size_t k = 0; k < at.size(); ++k) {
        const int piece = static_cast<int>(at[k].piece);
        if (k > 0) {
            // A piece starts where the one before it ends.
            const double u0 = at[k - 1].piece == at[k].piece ? at[k - 1].u : 0.0;
            const double u1 = at[k].u;
            const double x0 = spline.xAt(piece, u0);
            const double x1 = spline.xAt(piece, u1);
            if (!crossed && x0 <= 0.0 && x1 >= 0.0) {
                // The crossing by bisection, its length from the step's start exact.
                double lo = u0;
                double hi = u1;
                for (int n = 0; n < 60; ++n) {
                    const double mid = 0.5 * (lo + hi);
                    (spline.xAt(piece, mid) < 0.0 ? lo : hi) = mid;
                }
                crossed = true;
                zero = t + PieceLength(spline, at[k].piece, u0, hi);
            }
            t += PieceLength(spline, at[k].piece, u0, u1);
        }
        out.push_back({spline.xAt(piece, at[k].u), spline.yAt(piece, at[k].u), t});
    }
    return samples;
}

} // namespace

ReflectorCurve::Station ReflectorCurve::sampledAt(double s) const {
    const double target = std::clamp(s, leftS_, rightS_);
    auto after = std::upper_bound(points_.begin(), points_.end(), target,
                                  [](double value, const Point& p) { return value < p.s; });
    // At a sample the step to its right gives the normal, as at the shapes' corners.
    if (after == points_.end()) {
        --after;
    }
    // The lengths carry rounding, so a sample within a nanometre of s counts as reached.
    constexpr double kAtSample = 1e-9;
    const bool nearNext = std::abs(after->s - target) <= kAtSample;
    if (smooth_ && nearNext && after + 1 != points_.end()) {
        ++after;
    }
    const Point& q = *after;
    const Point& p = *(after - 1);
    const double dx = q.x - p.x;
    const double dy = q.y - p.y;
    const double step = std::hypot(dx, dy);
    const double f = q.s > p.s ? (target - p.s) / (q.s - p.s) : 0.0;
    double tx = dx / step;
    double ty = dy / step;
    // On the spline a sample is no corner: its tangent lies between its two steps'.
    if (smooth_ && std::abs(target - p.s) <= kAtSample && after - 1 != points_.begin()) {
        const Point& o = *(after - 2);
        const double back = std::hypot(p.x - o.x, p.y - o.y);
        tx += (p.x - o.x) / back;
        ty += (p.y - o.y) / back;
        const double norm = std::hypot(tx, ty);
        tx /= norm;
        ty /= norm;
    }
    return {p.x + f * dx, p.y + f * dy, ty, -tx};
}

ReflectorCurve ReflectorCurve::FromProfile(const std::vector<Fixture::Point>& profile,
                                           Fixture::Join join, double maxStep) {
    if (!(maxStep > 0.0)) {
        throw PhysicalDesignError("The curve's sampling step must be positive");
    }
    if (profile.size() < 2) {
        throw PhysicalDesignError("A profile needs at least two points");
    }
    // Lengths are signed like x, so the samples run from the rim on the left.
    std::vector<Fixture::Point> points = profile;
    if (points.front().x > points.back().x) {
        std::reverse(points.begin(), points.end());
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Fixture::Point& p = points[i];
        if (!std::isfinite(p.x) || !std::isfinite(p.y) ||
            (i > 0 && p.x == points[i - 1].x && p.y == points[i - 1].y)) {
            throw PhysicalDesignError("The profile's points must be finite and distinct");
        }
    }
    ReflectorCurve curve;
    curve.sampled_ = true;
    curve.smooth_ = join == Fixture::Join::Smooth;
    // Lengths count from the left rim until the centre is known.
    ProfileSamples samples = join == Fixture::Join::Straight ? SampleStraight(points, maxStep)
                                                             : SampleSmooth(points, maxStep);
    std::vector<Point>& out = curve.points_;
    out = std::move(samples.points);
    const double zero = samples.zero;
    const bool crossed = samples.crossed;
    curve.fromLeftRim_ = !crossed;
    for (Point& p : out) {
        p.s -= zero;
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.s)) {
            throw PhysicalDesignError("The profile's curve cannot be drawn");
        }
    }
    curve.leftS_ = out.front().s;
    curve.rightS_ = out.back().s;
    return curve;
}

} // namespace kavrol::physics
