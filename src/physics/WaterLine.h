// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kavrol::physics {

// The water surface: the horizontal line y = y. Light meeting it between xMin and xMax enters
// the aquarium (less the Fresnel reflection); elsewhere it falls beside the aquarium.
struct WaterLine {
    double y = 250.0;
    double xMin = -250.0;
    double xMax = 250.0;
};

} // namespace kavrol::physics
