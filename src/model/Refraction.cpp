// SPDX-License-Identifier: GPL-3.0-or-later
#include "Refraction.h"

#include <cmath>

namespace kavrol {

Refraction Refraction::IntoWater(double t) {
    Refraction w;
    w.r = static_cast<double>(std::asin(std::sin(static_cast<Extended>(t)) / 1.33L));
    const Extended incidence = IncidenceOnWater(t);
    const Extended sum = incidence + w.r;
    // Straight down (incidence 0) the Fresnel formula divides 0 by 0; all the light enters.
    if (sum != 0) {
        const Extended difference = incidence - w.r;
        const Extended sd = std::sin(difference);
        const Extended ss = std::sin(sum);
        w.factor = static_cast<double>(1 - (sd * sd) / (ss * ss));
    }
    w.sinR = std::sin(static_cast<Extended>(w.r));
    w.cosR = std::cos(static_cast<Extended>(w.r));
    return w;
}

} // namespace kavrol
