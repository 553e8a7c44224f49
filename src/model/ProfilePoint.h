// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace kavrol {

// One sample of the reflector's cross-section: its exact position, that position rounded to a
// pixel, and the direction of the surface (radians from the downward vertical, between -pi/2
// and pi/2).
struct ProfilePoint {
    long double X = 0;
    long double Y = 0;
    std::int32_t PX = 0;
    std::int32_t PY = 0;
    double Angle = 0;
};

} // namespace kavrol
