// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Numerics.h"

namespace kavrol {

// A ray entering the water, whose surface counts as horizontal: the refracted direction by Snell's
// law with index 1.33 and the share of the power the s-polarised Fresnel transmission lets in.
// Everything here depends on the ray's direction t alone, so a scene may keep it per direction.
struct Refraction {
    double r = 0;      // the refracted direction, radians from straight down
    double factor = 1; // the share of the power that enters the water
    Extended sinR = 0; // sin r and cos r in extended precision, the refracted path's slopes
    Extended cosR = 1;

    static Refraction IntoWater(double t);
};

} // namespace kavrol
