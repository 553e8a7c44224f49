// SPDX-License-Identifier: GPL-3.0-or-later
// The rules the estimate integrates with: exact on the polynomials they must be exact on.
#include "QuadratureRule.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kavrol::physics {
namespace {

// Integral of x^k over [-1, 1].
double Monomial(int k) {
    return k % 2 == 1 ? 0.0 : 2.0 / (k + 1);
}

TEST(QuadratureRule, GaussLegendreIsExactUpToDegreeTwoNMinusOne) {
    for (int n : {1, 2, 3, 8, 48}) {
        const QuadratureRule rule = QuadratureRule::GaussLegendre(n);
        ASSERT_EQ(rule.nodes.size(), static_cast<std::size_t>(n));
        for (int k = 0; k <= 2 * n - 1 && k <= 40; ++k) {
            double sum = 0.0;
            for (std::size_t i = 0; i < rule.nodes.size(); ++i) {
                sum += rule.weights[i] * std::pow(rule.nodes[i], k);
            }
            EXPECT_NEAR(sum, Monomial(k), 1e-13) << "n = " << n << ", degree " << k;
        }
        for (std::size_t i = 1; i < rule.nodes.size(); ++i) {
            EXPECT_LT(rule.nodes[i - 1], rule.nodes[i]);
        }
    }
}

TEST(QuadratureRule, KronrodSevenIsExactToDegreeElevenAndGaussThreeToFive) {
    for (int k = 0; k <= 12; ++k) {
        double kronrod = 0.0;
        double gauss = 0.0;
        for (std::size_t i = 0; i < 7; ++i) {
            const double x = std::pow(GaussKronrod7::kNodes[i], k);
            kronrod += GaussKronrod7::kKronrodWeights[i] * x;
            gauss += GaussKronrod7::kGaussWeights[i] * x;
        }
        if (k <= 11) {
            EXPECT_NEAR(kronrod, Monomial(k), 1e-15) << "degree " << k;
        } else {
            EXPECT_GT(std::abs(kronrod - Monomial(k)), 1e-6) << "exact beyond its degree?";
        }
        if (k <= 5) {
            EXPECT_NEAR(gauss, Monomial(k), 1e-15) << "degree " << k;
        }
    }
}

} // namespace
} // namespace kavrol::physics
