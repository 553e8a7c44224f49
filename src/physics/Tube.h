// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kavrol::physics {

// A long Lambertian tube seen in cross-section: a circle of radius `radius` around (x, y).
// `power` weighs its light against the other tubes of the scene.
struct Tube {
    double x = 0.0;
    double y = 0.0;
    double radius = 8.0;
    double power = 1.0;
};

} // namespace kavrol::physics
