// SPDX-License-Identifier: GPL-3.0-or-later
// Sections (each under a banner "// ---- name ----"): the spread's cumulative share; folding
// into the tank; deposits.
#include "FloorGrid.h"

#include <algorithm>
#include <cmath>

// ---- The spread's cumulative share ----
namespace kavrol::physics {

namespace {

// Narrower boxes or shift ranges than this (mm) count as points.
constexpr double kPoint = 1e-9;

// The integral of clamp(x, 0, box) from -infinity to x.
double RampIntegral(double x, double box) {
    if (x <= 0.0) {
        return 0.0;
    }
    if (x <= box) {
        return 0.5 * x * x;
    }
    return box * x - 0.5 * box * box;
}

} // namespace

double FloorGrid::Spread::cdf(double u) const {
    const double box = a1 - a0;
    const double shifts = s1 - s0;
    // Where the box covers u at every shift the share grows evenly: most cell edges of a long
    // piece lie there.
    if (u >= a0 + s1 && u <= a1 + s0 && box > kPoint) {
        return std::clamp((u - a0 - 0.5 * (s0 + s1)) / box, 0.0, 1.0);
    }
    if (box <= kPoint && shifts <= kPoint) {
        return u > 0.5 * (a0 + a1) + 0.5 * (s0 + s1) ? 1.0 : 0.0;
    }
    if (shifts <= kPoint) {
        const double shift = 0.5 * (s0 + s1);
        return std::clamp((u - a0 - shift) / box, 0.0, 1.0);
    }
    if (box <= kPoint) {
        const double at = 0.5 * (a0 + a1);
        return std::clamp((u - at - s0) / shifts, 0.0, 1.0);
    }
    const double value =
        (RampIntegral(u - a0 - s0, box) - RampIntegral(u - a0 - s1, box)) / (box * shifts);
    return std::clamp(value, 0.0, 1.0);
}

FloorGrid::FloorGrid(double width, double length, int cellsX, int cellsZ)
    : width_(width), length_(length), cellsX_(cellsX),
      cellsZ_(cellsZ), x_{-width / 2.0, width, cellsX}, z_{0.0, length, cellsZ} {}

} // namespace kavrol::physics

// ---- Folding into the tank ----
namespace kavrol::physics {

// The unfolded line is cut into images of the tank, lo + k period to lo + (k + 1) period; odd
// images are mirrored. Each cell gathers its share from every image the spread reaches.
void FloorGrid::Fractions(const Axis& axis, const Spread& spread, std::vector<double>& out,
                          int& first, int& last) {
    const double width = axis.period / axis.cells;
    const double low = spread.low();
    const double high = std::max(spread.high(), low);
    const auto kLow = static_cast<long long>(std::floor((low - axis.lo) / axis.period));
    const auto kHigh = static_cast<long long>(std::floor((high - axis.lo) / axis.period));
    first = axis.cells;
    last = -1;
    for (long long k = kLow; k <= kHigh; ++k) {
        const double start = axis.lo + static_cast<double>(k) * axis.period;
        const double r0 = std::max(low, start) - start;
        const double r1 = std::min(high, start + axis.period) - start;
        const bool mirrored = (k % 2) != 0;
        const double f0 = mirrored ? axis.period - r1 : r0;
        const double f1 = mirrored ? axis.period - r0 : r1;
        const int c0 = std::clamp(static_cast<int>(std::floor(f0 / width)), 0, axis.cells - 1);
        const int c1 = std::clamp(static_cast<int>(std::floor(f1 / width)), 0, axis.cells - 1);
        // Neighbouring cells share an edge: its cumulative share is taken once.
        const auto edge = [&](int c) {
            return mirrored ? start + axis.period - c * width : start + c * width;
        };
        double before = spread.cdf(edge(c0));
        for (int c = c0; c <= c1; ++c) {
            const double after = spread.cdf(edge(c + 1));
            const double mass = mirrored ? before - after : after - before;
            before = after;
            // Cells newly inside the range touched start from zero.
            if (first > last) {
                out[static_cast<std::size_t>(c)] = 0.0;
                first = c;
                last = c;
            } else if (c < first) {
                std::fill(out.begin() + c, out.begin() + first, 0.0);
                first = c;
            } else if (c > last) {
                std::fill(out.begin() + last + 1, out.begin() + c + 1, 0.0);
                last = c;
            }
            out[static_cast<std::size_t>(c)] += mass;
        }
    }
}

double FloorGrid::Mass(const Axis& axis, const Spread& spread, double a, double b) {
    const double low = spread.low();
    const double high = std::max(spread.high(), low);
    const auto kLow = static_cast<long long>(std::floor((low - axis.lo) / axis.period));
    const auto kHigh = static_cast<long long>(std::floor((high - axis.lo) / axis.period));
    double mass = 0.0;
    for (long long k = kLow; k <= kHigh; ++k) {
        const double start = axis.lo + static_cast<double>(k) * axis.period;
        const bool mirrored = (k % 2) != 0;
        const double e0 = mirrored ? start + axis.period - (b - axis.lo) : start + (a - axis.lo);
        const double e1 = mirrored ? start + axis.period - (a - axis.lo) : start + (b - axis.lo);
        mass += spread.cdf(e1) - spread.cdf(e0);
    }
    return mass;
}

} // namespace kavrol::physics

// ---- Deposits ----
namespace kavrol::physics {

void FloorGrid::deposit(const Spread& x, const Spread& z, double share,
                        std::vector<double>& cells) const {
    fz_.resize(static_cast<std::size_t>(cellsZ_));
    const bool sameX = xLast_ >= xFirst_ && x.a0 == lastX_.a0 && x.a1 == lastX_.a1 &&
                       x.s0 == lastX_.s0 && x.s1 == lastX_.s1;
    if (!sameX) {
        fx_.resize(static_cast<std::size_t>(cellsX_));
        Fractions(x_, x, fx_, xFirst_, xLast_);
        lastX_ = x;
    }
    const int xFirst = xFirst_;
    const int xLast = xLast_;
    int zFirst = 0;
    int zLast = -1;
    Fractions(z_, z, fz_, zFirst, zLast);
    for (int j = zFirst; j <= zLast; ++j) {
        const double along = share * fz_[static_cast<std::size_t>(j)];
        if (along == 0.0) {
            continue;
        }
        double* row =
            cells.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(cellsX_);
        for (int i = xFirst; i <= xLast; ++i) {
            row[i] += along * fx_[static_cast<std::size_t>(i)];
        }
    }
}

double FloorGrid::within(const Spread& x, const Spread& z, double xa, double xb, double za,
                         double zb) const {
    return acrossWithin(x, xa, xb) * alongWithin(z, za, zb);
}

} // namespace kavrol::physics
