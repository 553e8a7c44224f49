// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <vector>

namespace kavrol::physics {

// Nodes and weights of a rule on [-1, 1].
struct QuadratureRule {
    std::vector<double> nodes;
    std::vector<double> weights;

    // The n-point Gauss-Legendre rule (n >= 1), nodes ascending.
    static QuadratureRule GaussLegendre(int n);
};

// The 7-point Kronrod extension of the 3-point Gauss rule, nodes ascending. The Gauss nodes are
// indices 1, 3 and 5; the difference of the two sums estimates the 3-point rule's error and
// bounds the 7-point rule's.
struct GaussKronrod7 {
    static constexpr std::array<double, 7> kNodes{
        -0.9604912687080202, -0.7745966692414834, -0.4342437493468026, 0.0,
        0.4342437493468026,  0.7745966692414834,  0.9604912687080202};
    static constexpr std::array<double, 7> kKronrodWeights{
        0.1046562260264672, 0.2684880898683334, 0.4013974147759622, 0.4509165386584741,
        0.4013974147759622, 0.2684880898683334, 0.1046562260264672};
    static constexpr std::array<double, 7> kGaussWeights{0.0, 5.0 / 9.0, 0.0, 8.0 / 9.0,
                                                         0.0, 5.0 / 9.0, 0.0};
};

} // namespace kavrol::physics
