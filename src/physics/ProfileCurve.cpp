// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: slopes of the not-a-knot spline; pieces; straight joins; sampling.
#include "ProfileCurve.h"

#include <cmath>
#include <cstddef>

namespace kavrol::physics {

namespace {

// --- Slopes of the not-a-knot spline ---

// Slopes dv/du at the knots of the C2 not-a-knot cubic spline through (u_i, v_i), given the
// knot spacings h and the chord slopes delta; at least four knots. A tridiagonal system
// solved by elimination: the first and last rows make the third derivative continuous at the
// second and the last-but-one knots.
std::vector<double> NotAKnotSlopes(const std::vector<double>& h, const std::vector<double>& delta) {
    const std::size_t n = h.size() + 1;
    std::vector<double> sub(n, 0.0);
    std::vector<double> diagonal(n, 0.0);
    std::vector<double> super(n, 0.0);
    std::vector<double> right(n, 0.0);
    diagonal[0] = h[1];
    super[0] = h[0] + h[1];
    right[0] = ((h[0] + 2.0 * super[0]) * h[1] * delta[0] + h[0] * h[0] * delta[1]) / super[0];
    for (std::size_t i = 1; i + 1 < n; ++i) {
        sub[i] = h[i];
        diagonal[i] = 2.0 * (h[i] + h[i - 1]);
        super[i] = h[i - 1];
        right[i] = 3.0 * (h[i] * delta[i - 1] + h[i - 1] * delta[i]);
    }
    const double last = h[n - 3] + h[n - 2];
    sub[n - 1] = last;
    diagonal[n - 1] = h[n - 3];
    right[n - 1] =
        (h[n - 2] * h[n - 2] * delta[n - 3] + (2.0 * last + h[n - 2]) * h[n - 3] * delta[n - 2]) /
        last;
    for (std::size_t i = 1; i < n; ++i) {
        const double factor = sub[i] / diagonal[i - 1];
        diagonal[i] -= factor * super[i - 1];
        right[i] -= factor * right[i - 1];
    }
    std::vector<double> slopes(n, 0.0);
    slopes[n - 1] = right[n - 1] / diagonal[n - 1];
    for (std::size_t i = n - 1; i-- > 0;) {
        slopes[i] = (right[i] - super[i] * slopes[i + 1]) / diagonal[i];
    }
    return slopes;
}

// Slopes of one coordinate over the knots: the spline's for four knots or more, the
// parabola's for three, the chord's for two.
std::vector<double> Slopes(const std::vector<double>& h, const std::vector<double>& v) {
    std::vector<double> delta(h.size());
    for (std::size_t i = 0; i < h.size(); ++i) {
        delta[i] = (v[i + 1] - v[i]) / h[i];
    }
    if (h.size() >= 3) {
        return NotAKnotSlopes(h, delta);
    }
    if (h.size() == 2) {
        const double curvature = (delta[1] - delta[0]) / (h[0] + h[1]);
        return {delta[0] - curvature * h[0], delta[0] + curvature * h[0],
                delta[0] + curvature * (h[0] + 2.0 * h[1])};
    }
    return {delta[0], delta[0]};
}

// --- Pieces ---

// The Hermite cubic from v0 to v1 over a knot spacing h with end slopes m0, m1, in s = u / h.
std::array<double, 4> Hermite(double v0, double v1, double m0, double m1, double h) {
    const double rise = v1 - v0;
    return {v0, m0 * h, 3.0 * rise - (2.0 * m0 + m1) * h, (m0 + m1) * h - 2.0 * rise};
}

} // namespace

MirrorCurve ProfileCurve::Smooth(const std::vector<Fixture::Point>& points) {
    const std::size_t n = points.size();
    std::vector<double> h(n - 1);
    std::vector<double> x(n);
    std::vector<double> y(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = points[i].x;
        y[i] = points[i].y;
    }
    for (std::size_t i = 0; i + 1 < n; ++i) {
        h[i] = std::hypot(x[i + 1] - x[i], y[i + 1] - y[i]);
    }
    const std::vector<double> mx = Slopes(h, x);
    const std::vector<double> my = Slopes(h, y);
    MirrorCurve curve;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        curve.addPiece(Hermite(x[i], x[i + 1], mx[i], mx[i + 1], h[i]),
                       Hermite(y[i], y[i + 1], my[i], my[i + 1], h[i]), x[i + 1], y[i + 1]);
    }
    return curve;
}

// --- Straight joins ---

std::vector<MirrorSegment> ProfileCurve::Straight(const std::vector<Fixture::Point>& points) {
    std::vector<MirrorSegment> segments;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        segments.push_back({points[i].x, points[i].y, points[i + 1].x, points[i + 1].y});
    }
    return segments;
}

// --- Sampling ---

std::vector<Fixture::Point> ProfileCurve::Sample(const MirrorCurve& curve, int perPiece) {
    std::vector<Fixture::Point> samples;
    const int pieces = static_cast<int>(curve.pieces.size());
    for (int i = 0; i < pieces; ++i) {
        for (int k = i == 0 ? 0 : 1; k <= perPiece; ++k) {
            const double s = double(k) / perPiece;
            samples.push_back({curve.xAt(i, s), curve.yAt(i, s)});
        }
    }
    return samples;
}

} // namespace kavrol::physics
