// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "QuadratureRule.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace kavrol::physics {

// An adaptive Gauss-Legendre rule for an integrand with several components over [a, b]. Each
// range is integrated whole and as its two halves; the halves are kept and their difference
// from the whole is the range's error. The range that may still be most wrong in one component
// (the judged one) is halved until the ranges together are within the budget or none may be
// halved further. A range may still be wrong by the larger of its difference (times a safety)
// and how far its halves' nodes stray from the polynomial through its own nodes, weighed by its
// width (or its share of a density): where the integrand jumps the stray stays the same at every
// depth and only the width shrinks, while the two sums may agree by chance.
class AdaptiveGauss {
public:
    // Writes the integrand's components at x; every call must give as many.
    using Integrand = std::function<void(double x, std::vector<double>& value)>;

    struct Settings {
        int points = 3;      // Gauss-Legendre nodes per range
        int maxDepth = 12;   // halvings of the whole range at most
        double budget = 0.0; // what the judged component's ranges may still be wrong by together
        std::size_t judged = 0;
        double differenceSafety = 1.0; // the halves' difference counts this many times over
        // How much a range's stray, times its width, may exceed what the range adds to the error.
        double strayFactor = 4.0;
        // A known density d(x) the integrand is multiplied by, and its integral D(x) (both or
        // neither): the rule then sums d(x) f(x), while the stray is judged on f itself and
        // weighed by the range's share of the density, D(b) - D(a), instead of its width.
        std::function<double(double)> density;
        std::function<double(double)> densityIntegral;
        // Called before each halving with the evaluations it will add (for progress).
        std::function<void(int)> foresee;
    };

    struct Result {
        std::vector<double> value;
        // Each component's error estimate: its halves' difference from the whole, times the
        // safety, summed over the ranges.
        std::vector<double> error;
        int evaluations = 0;
        // False when the ranges stopped at the depth limit before the budget was met.
        bool reached = true;
    };

    explicit AdaptiveGauss(Settings settings);

    const Settings& settings() const { return settings_; }

    Result integrate(const Integrand& f, double a, double b) const;

private:
    struct Sum;
    struct Range;

    Sum gauss(const Integrand& f, double a, double b, int& evaluations) const;
    void judge(const Integrand& f, Range& range, int& evaluations) const;
    double stray(const Range& range) const;

    Settings settings_;
    QuadratureRule rule_;
};

} // namespace kavrol::physics
