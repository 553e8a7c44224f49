// SPDX-License-Identifier: GPL-3.0-or-later
#include "GlossRule.h"

#include "QuadratureRule.h"

#include <cmath>

namespace kavrol::physics {

namespace {

constexpr double kCut = 3.0; // the density is cut at three spreads

double Density(double x) {
    return std::exp(-0.5 * x * x);
}

// The k-th moment of the cut standard density, normalised, over [-3, 3] or with `halfOnly`
// over [0, 3]: 32 panels of 10-point Gauss-Legendre leave far less than 1e-15.
double Moment(int k, bool halfOnly = false) {
    static const QuadratureRule rule = QuadratureRule::GaussLegendre(10);
    constexpr int kPanels = 32;
    double mass = 0.0;
    double moment = 0.0;
    const double from = halfOnly ? 0.0 : -kCut;
    const double half = (kCut - from) / (2 * kPanels);
    for (int panel = 0; panel < kPanels; ++panel) {
        const double centre = from + (2 * panel + 1) * half;
        for (std::size_t i = 0; i < rule.nodes.size(); ++i) {
            const double x = centre + half * rule.nodes[i];
            const double w = half * rule.weights[i] * Density(x);
            mass += w;
            moment += w * std::pow(x, k);
        }
    }
    return moment / mass;
}

} // namespace

double GlossRule::SecondMoment() {
    static const double value = Moment(2);
    return value;
}

double GlossRule::FourthMoment() {
    static const double value = Moment(4);
    return value;
}

double GlossRule::HalfMoment(int k) {
    static const double first = Moment(1, true);
    static const double second = Moment(2, true);
    return k == 1 ? first : second;
}

GlossRule GlossRule::HalfRadau(double sigmaRadians) {
    // w r = h1 and w r^2 = h2 on the half; node 0 takes the rest.
    const double h1 = HalfMoment(1);
    const double h2 = HalfMoment(2);
    const double r = h2 / h1;
    const double w = h1 * h1 / h2;
    return {{-r * sigmaRadians, 0.0, r * sigmaRadians}, {0.5 * w, 1.0 - w, 0.5 * w}};
}

GlossRule GlossRule::HalfMeans(double sigmaRadians) {
    const double x = HalfMoment(1) * sigmaRadians;
    return {{-x, x}, {0.5, 0.5}};
}

GlossRule GlossRule::ForSpread(double sigmaRadians, int panels) {
    GlossRule rule;
    if (panels <= 0) {
        const double m2 = SecondMoment();
        const double m4 = FourthMoment();
        const double x = std::sqrt(m4 / m2);
        const double side = m2 * m2 / (2.0 * m4);
        rule.tilts = {-x * sigmaRadians, 0.0, x * sigmaRadians};
        rule.weights = {side, 1.0 - 2.0 * side, side};
        return rule;
    }
    const QuadratureRule gauss = QuadratureRule::GaussLegendre(3);
    const double half = kCut / panels;
    double mass = 0.0;
    for (int panel = 0; panel < panels; ++panel) {
        const double centre = -kCut + (2 * panel + 1) * half;
        for (std::size_t i = 0; i < gauss.nodes.size(); ++i) {
            const double x = centre + half * gauss.nodes[i];
            const double w = half * gauss.weights[i] * Density(x);
            rule.tilts.push_back(x * sigmaRadians);
            rule.weights.push_back(w);
            mass += w;
        }
    }
    for (double& w : rule.weights) {
        w /= mass;
    }
    return rule;
}

} // namespace kavrol::physics
