// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

namespace kavrol::physics {

// Tilts of the normal and their weights standing for the gloss spread: the density
// proportional to exp(-delta^2 / (2 sigma^2)) on |delta| <= 3 sigma.
struct GlossRule {
    std::vector<double> tilts;   // radians
    std::vector<double> weights; // adding up to 1

    // The 3-point rule that integrates every polynomial up to the fifth degree exactly against
    // the density (nodes 0 and +-sigma sqrt(m4 / m2), m2 and m4 the density's moments). With
    // `panels` > 0 instead a composite rule: 3-point Gauss-Legendre on that many equal panels,
    // each node weighed by the density there (for much finer runs).
    static GlossRule ForSpread(double sigmaRadians, int panels = 0);
    // The 2-point rule +-sigma sqrt(m2), exact up to the third degree: the 3-point rule's
    // difference from it estimates the 3-point rule's error.
    static GlossRule TwoPoint(double sigmaRadians);

    // The moments of the standard density cut at +-3, m2 and m4 (integrated with a fine rule).
    static double SecondMoment();
    static double FourthMoment();
};

} // namespace kavrol::physics
