// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: bins; polynomials; following a track.
#include "WaterBins.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kavrol::physics {

// ====================================================================== bins
WaterBins::WaterBins(double xMin, double xMax, int count)
    : xMin_(xMin), width_((xMax - xMin) / count), light_(static_cast<std::size_t>(count), 0.0),
      error_(static_cast<std::size_t>(count), 0.0) {}

std::vector<double> WaterBins::errors() const {
    std::vector<double> total = error_;
    for (double& value : total) {
        value += anywhere_;
    }
    return total;
}

void WaterBins::addAt(double x, double amount, double error) {
    const double u = (x - xMin_) / width_;
    const int bin = std::clamp(u < 0.0 ? 0 : static_cast<int>(std::min(u, 1e9)), 0, count() - 1);
    light_[static_cast<std::size_t>(bin)] += amount;
    error_[static_cast<std::size_t>(bin)] += error;
}

// ====================================================================== polynomials
namespace {

constexpr int kMax = WaterBins::Track::kMaxPoints;

// The integral from 0 to tau of the polynomial with these coefficients.
double Antiderivative(const std::array<double, kMax>& c, double tau) {
    double sum = 0.0;
    for (int k = kMax - 1; k >= 0; --k) {
        sum = sum * tau + c[static_cast<std::size_t>(k)] / (k + 1);
    }
    return sum * tau;
}

// The cubic Hermite piece through (0, x0) and (1, x1) with slopes m0, m1 (per unit theta).
double Hermite(double x0, double m0, double x1, double m1, double theta) {
    const double t2 = theta * theta;
    const double t3 = t2 * theta;
    return (2.0 * t3 - 3.0 * t2 + 1.0) * x0 + (t3 - 2.0 * t2 + theta) * m0 +
           (-2.0 * t3 + 3.0 * t2) * x1 + (t3 - t2) * m1;
}

// Its derivative in theta.
double HermiteSlope(double x0, double m0, double x1, double m1, double theta) {
    const double t2 = theta * theta;
    return (6.0 * t2 - 6.0 * theta) * x0 + (3.0 * t2 - 4.0 * theta + 1.0) * m0 +
           (-6.0 * t2 + 6.0 * theta) * x1 + (3.0 * t2 - 2.0 * theta) * m1;
}

} // namespace

// Gaussian elimination with partial pivoting on the Vandermonde system; n is small and the
// nodes spread over [-1, 1], where it is well conditioned.
std::array<double, WaterBins::Track::kMaxPoints>
WaterBins::Interpolate(const double* nodes, const double* values, int n) {
    std::array<std::array<double, kMax + 1>, kMax> m{};
    for (int i = 0; i < n; ++i) {
        double power = 1.0;
        for (int k = 0; k < n; ++k) {
            m[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)] = power;
            power *= nodes[i];
        }
        m[static_cast<std::size_t>(i)][static_cast<std::size_t>(n)] = values[i];
    }
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int i = col + 1; i < n; ++i) {
            if (std::abs(m[static_cast<std::size_t>(i)][static_cast<std::size_t>(col)]) >
                std::abs(m[static_cast<std::size_t>(pivot)][static_cast<std::size_t>(col)])) {
                pivot = i;
            }
        }
        std::swap(m[static_cast<std::size_t>(col)], m[static_cast<std::size_t>(pivot)]);
        const auto& row = m[static_cast<std::size_t>(col)];
        for (int i = 0; i < n; ++i) {
            if (i == col) {
                continue;
            }
            auto& other = m[static_cast<std::size_t>(i)];
            const double factor =
                other[static_cast<std::size_t>(col)] / row[static_cast<std::size_t>(col)];
            for (int k = col; k <= n; ++k) {
                other[static_cast<std::size_t>(k)] -= factor * row[static_cast<std::size_t>(k)];
            }
        }
    }
    std::array<double, kMax> c{};
    for (int i = 0; i < n; ++i) {
        const auto& row = m[static_cast<std::size_t>(i)];
        c[static_cast<std::size_t>(i)] =
            row[static_cast<std::size_t>(n)] / row[static_cast<std::size_t>(i)];
    }
    return c;
}

// ====================================================================== following a track
// Between neighbouring points x(tau) is the cubic Hermite piece through their places and
// slopes; each piece is cut into steps narrower than a bin where it crosses bins, and within a
// step x is taken linear in tau, so that each bin gets the rule's polynomial integrated over
// the part that lands in it. Its error is the two polynomials' difference over that part.
void WaterBins::add(const Track& track) {
    for (int i = 0; i + 1 < track.points; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double t0 = track.tau[k];
        const double t1 = track.tau[k + 1];
        const double h = t1 - t0;
        const double m0 = track.slope[k] * h;
        const double m1 = track.slope[k + 1] * h;
        // How far the piece reaches: its chord, and as far again as its slopes could bend it.
        const double reach =
            std::abs(track.x[k + 1] - track.x[k]) + 0.25 * (std::abs(m0) + std::abs(m1));
        const int steps = std::clamp(static_cast<int>(std::ceil(3.0 * reach / width_)), 1, 512);
        double xFrom = track.x[k];
        double tFrom = t0;
        for (int step = 1; step <= steps; ++step) {
            const double theta = double(step) / steps;
            const double tTo = step == steps ? t1 : t0 + h * theta;
            const double xTo =
                step == steps ? track.x[k + 1] : Hermite(track.x[k], m0, track.x[k + 1], m1, theta);
            place(track, {track.x[k], m0, track.x[k + 1], m1, t0, h}, tFrom, tTo, xFrom, xTo);
            xFrom = xTo;
            tFrom = tTo;
        }
    }
}

// One step from tau0 (landing at x0) to tau1 (at x1) of a Hermite piece: each bin gets the
// polynomials' integrals over the part of the step that lands in it, its edges found on the
// piece by Newton's method from the step's chord. The end bins reach out to either side.
void WaterBins::place(const Track& track, const Piece& piece, double tau0, double tau1, double x0,
                      double x1) {
    const double u0 = (x0 - xMin_) / width_;
    const double u1 = (x1 - xMin_) / width_;
    const int last = count() - 1;
    const auto binOf = [last](double u) {
        return u < 0.0 ? 0 : (u >= last ? last : static_cast<int>(u));
    };
    const int first = binOf(std::min(u0, u1));
    const int end = binOf(std::max(u0, u1));
    const bool flat = std::abs(u1 - u0) < 1e-12;
    for (int bin = first; bin <= end; ++bin) {
        double ta = tau0;
        double tb = tau1;
        if (!flat && first != end) {
            const double lo = bin == 0 ? -std::numeric_limits<double>::infinity() : double(bin);
            const double hi = bin == last ? std::numeric_limits<double>::infinity() : bin + 1.0;
            const auto tauAt = [&](double u) {
                const double clamped = std::clamp(u, std::min(u0, u1), std::max(u0, u1));
                double tau = tau0 + (clamped - u0) / (u1 - u0) * (tau1 - tau0);
                if (clamped == u0 || clamped == u1) {
                    return tau;
                }
                const double edge = xMin_ + clamped * width_;
                for (int iteration = 0; iteration < 3; ++iteration) {
                    const double theta = (tau - piece.t0) / piece.h;
                    const double slope =
                        HermiteSlope(piece.x0, piece.m0, piece.x1, piece.m1, theta) / piece.h;
                    if (slope == 0.0) {
                        break;
                    }
                    const double x = Hermite(piece.x0, piece.m0, piece.x1, piece.m1, theta);
                    tau = std::clamp(tau - (x - edge) / slope, tau0, tau1);
                }
                return tau;
            };
            ta = tauAt(lo);
            tb = tauAt(hi);
        }
        const double from = std::min(ta, tb);
        const double to = std::max(ta, tb);
        const double high = Antiderivative(track.high, to) - Antiderivative(track.high, from);
        const double low = Antiderivative(track.low, to) - Antiderivative(track.low, from);
        light_[static_cast<std::size_t>(bin)] += track.scale * high;
        error_[static_cast<std::size_t>(bin)] +=
            track.scale * std::abs(high - low) + track.errorRate * track.scale * std::abs(high);
    }
}

} // namespace kavrol::physics
