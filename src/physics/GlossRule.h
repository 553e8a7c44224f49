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
    // each node weighed by the density there (for much finer runs; an even count puts a panel's
    // edge at 0).
    static GlossRule ForSpread(double sigmaRadians, int panels = 0);

    // Light sent back the way it came (into a tube, say) kinks at tilt 0: it falls off with
    // |tilt|, so the light is a smooth function of the tilt on either side of 0 but not across.
    // These rules hold on each side alone. The Radau rule, nodes 0 and +-r: it integrates 1,
    // |tilt| and tilt^2 exactly (so the beam's spread is the density's), each node weighed as
    // on the density's half [0, 3 sigma].
    static GlossRule HalfRadau(double sigmaRadians);
    // The 2-point rule at the halves' means +-sigma h1, exact for 1 and |tilt| only: the Radau
    // rule's difference from it estimates the error of the cruder of the two.
    static GlossRule HalfMeans(double sigmaRadians);

    // The moments of the standard density cut at +-3, m2 and m4 (integrated with a fine rule).
    static double SecondMoment();
    static double FourthMoment();
    // The moments of the density's half on [0, 3], normalised on that half: h1, h2 (k 1 or 2).
    static double HalfMoment(int k);
};

} // namespace kavrol::physics
