// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kavrol::physics {

// A ray in the cross-section: the points (px, py) + t (dx, dy) for t > 0, |(dx, dy)| = 1.
// Millimetres, y downward.
struct Ray {
    double px = 0.0;
    double py = 0.0;
    double dx = 0.0;
    double dy = 1.0;
};

} // namespace kavrol::physics
