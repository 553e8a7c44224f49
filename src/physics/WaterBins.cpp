// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: spreading over bins; polynomials; following a track.
#include "WaterBins.h"

#include <algorithm>
#include <cmath>

namespace kavrol::physics {

// ====================================================================== spreading over bins
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
    spread(x, x, amount, error);
}

// Adds `amount` and `error` spread evenly over [x0, x1] (either order).
void WaterBins::spread(double x0, double x1, double amount, double error) {
    const int bins = count();
    const double lo = std::clamp((std::min(x0, x1) - xMin_) / width_, 0.0, double(bins));
    const double hi = std::clamp((std::max(x0, x1) - xMin_) / width_, 0.0, double(bins));
    const int last = bins - 1;
    const int first = std::min(static_cast<int>(lo), last);
    const int end = std::min(static_cast<int>(hi), last);
    if (first == end || hi - lo < 1e-12) {
        light_[static_cast<std::size_t>(first)] += amount;
        error_[static_cast<std::size_t>(first)] += error;
        return;
    }
    const double perUnit = 1.0 / (hi - lo);
    for (int bin = first; bin <= end; ++bin) {
        const double overlap = std::min(hi, bin + 1.0) - std::max(lo, double(bin));
        if (overlap > 0.0) {
            light_[static_cast<std::size_t>(bin)] += amount * perUnit * overlap;
            error_[static_cast<std::size_t>(bin)] += error * perUnit * overlap;
        }
    }
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
            const double factor = other[static_cast<std::size_t>(col)] /
                                  row[static_cast<std::size_t>(col)];
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
// slopes; each piece is cut into steps narrower than a bin where it crosses bins, and each
// step's light (the rule's polynomial integrated over it) is spread evenly between the places
// at its ends. The step's error is the difference of the two polynomials' integrals over it.
void WaterBins::add(const Track& track) {
    for (int i = 0; i + 1 < track.points; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double t0 = track.tau[k];
        const double t1 = track.tau[k + 1];
        const double h = t1 - t0;
        const double m0 = track.slope[k] * h;
        const double m1 = track.slope[k + 1] * h;
        const double reach =
            std::abs(track.x[k + 1] - track.x[k]) + 0.25 * (std::abs(m0) + std::abs(m1));
        const int steps = std::clamp(static_cast<int>(std::ceil(3.0 * reach / width_)), 1, 512);
        double xFrom = track.x[k];
        double highFrom = Antiderivative(track.high, t0);
        double lowFrom = Antiderivative(track.low, t0);
        for (int s = 1; s <= steps; ++s) {
            const double theta = double(s) / steps;
            const double tTo = s == steps ? t1 : t0 + h * theta;
            const double xTo =
                s == steps ? track.x[k + 1] : Hermite(track.x[k], m0, track.x[k + 1], m1, theta);
            const double highTo = Antiderivative(track.high, tTo);
            const double lowTo = Antiderivative(track.low, tTo);
            const double amount = track.scale * (highTo - highFrom);
            const double error = track.scale * std::abs(highTo - highFrom - lowTo + lowFrom) +
                                 track.errorRate * std::abs(amount);
            spread(xFrom, xTo, amount, error);
            xFrom = xTo;
            highFrom = highTo;
            lowFrom = lowTo;
        }
    }
}

} // namespace kavrol::physics
