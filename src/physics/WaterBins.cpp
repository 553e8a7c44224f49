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

// --- Bins ---

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

// --- Polynomials ---

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

WaterBins::Interpolation::Interpolation(const double* nodes, int n) : n_(n) {
    std::array<double, kMax> unit{};
    for (int i = 0; i < n; ++i) {
        unit.fill(0.0);
        unit[static_cast<std::size_t>(i)] = 1.0;
        basis_[static_cast<std::size_t>(i)] = Interpolate(nodes, unit.data(), n);
    }
}

std::array<double, WaterBins::Track::kMaxPoints>
WaterBins::Interpolation::coefficients(const double* values) const {
    std::array<double, kMax> c{};
    for (int i = 0; i < n_; ++i) {
        const auto& column = basis_[static_cast<std::size_t>(i)];
        for (int k = 0; k < n_; ++k) {
            c[static_cast<std::size_t>(k)] += values[i] * column[static_cast<std::size_t>(k)];
        }
    }
    return c;
}

// --- Following a track ---

// ====================================================================== following a track
// Between neighbouring points x(tau) is the cubic Hermite piece through their places and
// slopes; each piece is cut into steps narrower than a bin where it crosses bins, and within a
// step the bin edges are found on the piece by Newton's method from the step's chord. The
// track's light is then cut at the edges into runs, each landing in one bin: each bin gets the
// rule's polynomial integrated over its runs, and as error the two polynomials' difference
// over them.
void WaterBins::add(const Track& track) {
    Run run;
    run.tau = track.tau[0];
    run.high = Antiderivative(track.high, run.tau);
    run.low = Antiderivative(track.low, run.tau);
    run.bin = binOf((track.x[0] - xMin_) / width_);
    for (int i = 0; i + 1 < track.points; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double t0 = track.tau[k];
        const double t1 = track.tau[k + 1];
        const double h = t1 - t0;
        const Piece piece{
            track.x[k], track.slope[k] * h, track.x[k + 1], track.slope[k + 1] * h, t0, h};
        // How far the piece reaches: its chord, and as far again as its slopes could bend it.
        const double reach =
            std::abs(piece.x1 - piece.x0) + 0.25 * (std::abs(piece.m0) + std::abs(piece.m1));
        const int steps = std::clamp(static_cast<int>(std::ceil(3.0 * reach / width_)), 1, 512);
        double xFrom = piece.x0;
        double tFrom = t0;
        for (int step = 1; step <= steps; ++step) {
            const double theta = double(step) / steps;
            const double tTo = step == steps ? t1 : t0 + h * theta;
            const double xTo =
                step == steps ? piece.x1 : Hermite(piece.x0, piece.m0, piece.x1, piece.m1, theta);
            cross(track, piece, tFrom, tTo, xFrom, xTo, run);
            xFrom = xTo;
            tFrom = tTo;
        }
    }
    finish(track, track.tau[static_cast<std::size_t>(track.points - 1)], run);
}

int WaterBins::binOf(double u) const {
    const int last = count() - 1;
    return u < 0.0 ? 0 : (u >= last ? last : static_cast<int>(u));
}

// The run so far ends at tau: its bin gets the polynomials' integrals over it, and the next run
// starts there.
void WaterBins::finish(const Track& track, double tau, Run& run) {
    const double highAt = Antiderivative(track.high, tau);
    const double lowAt = Antiderivative(track.low, tau);
    const double high = highAt - run.high;
    const double low = lowAt - run.low;
    light_[static_cast<std::size_t>(run.bin)] += track.scale * high;
    error_[static_cast<std::size_t>(run.bin)] +=
        track.scale * std::abs(high - low) + track.errorRate * track.scale * std::abs(high);
    run.tau = tau;
    run.high = highAt;
    run.low = lowAt;
}

// One step from tau0 (landing at x0) to tau1 (at x1) of a Hermite piece: at each bin edge it
// crosses, the run ends and the next bin's begins. The end bins reach out to either side.
void WaterBins::cross(const Track& track, const Piece& piece, double tau0, double tau1, double x0,
                      double x1, Run& run) {
    const double u0 = (x0 - xMin_) / width_;
    const double u1 = (x1 - xMin_) / width_;
    const int from = binOf(u0);
    const int to = binOf(u1);
    if (from != run.bin) {
        // Steps join where they meet, so this takes rounding at a bin's edge.
        finish(track, tau0, run);
        run.bin = from;
    }
    if (from == to) {
        return;
    }
    const int direction = to > from ? 1 : -1;
    const double uLow = std::min(u0, u1);
    const double uHigh = std::max(u0, u1);
    for (int bin = from; bin != to; bin += direction) {
        // The edge between bin and the next one in the step's direction.
        const double u = direction > 0 ? bin + 1.0 : double(bin);
        const double clamped = std::clamp(u, uLow, uHigh);
        double tau = tau0 + (clamped - u0) / (u1 - u0) * (tau1 - tau0);
        if (clamped != u0 && clamped != u1) {
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
        }
        // Newton may not keep the edges in order where the piece bends back within a step.
        finish(track, std::max(tau, run.tau), run);
        run.bin = bin + direction;
    }
}

} // namespace kavrol::physics
