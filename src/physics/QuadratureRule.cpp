// SPDX-License-Identifier: GPL-3.0-or-later
#include "QuadratureRule.h"

#include <cmath>
#include <numbers>

namespace kavrol::physics {

QuadratureRule QuadratureRule::GaussLegendre(int n) {
    QuadratureRule rule;
    rule.nodes.resize(static_cast<std::size_t>(n));
    rule.weights.resize(static_cast<std::size_t>(n));
    // Newton's method on the Legendre polynomial from the Chebyshev-like first guess.
    for (int i = 0; i < n; ++i) {
        double x = std::cos(std::numbers::pi * (i + 0.75) / (n + 0.5));
        double derivative = 1.0;
        for (int iteration = 0; iteration < 100; ++iteration) {
            double p0 = 1.0;
            double p1 = x;
            for (int k = 2; k <= n; ++k) {
                const double p2 = ((2.0 * k - 1.0) * x * p1 - (k - 1.0) * p0) / k;
                p0 = p1;
                p1 = p2;
            }
            derivative = n * (x * p1 - p0) / (x * x - 1.0);
            const double step = p1 / derivative;
            x -= step;
            if (std::abs(step) < 1e-16) {
                break;
            }
        }
        const auto index = static_cast<std::size_t>(n - 1 - i);
        rule.nodes[index] = x;
        rule.weights[index] = 2.0 / ((1.0 - x * x) * derivative * derivative);
    }
    return rule;
}

} // namespace kavrol::physics
