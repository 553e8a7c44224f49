// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Direction.h"
#include "PieceHit.h"
#include "Ray.h"

namespace kavrol::physics {

// The water surface: the horizontal line y = y. Light meeting it between xMin and xMax enters
// the tank (less the Fresnel reflection); elsewhere it falls beside the tank.
struct WaterLine {
    double y = 250.0;
    double xMin = -250.0;
    double xMax = 250.0;

    // Where a downward ray meets the line (whatever x) when tMin < t < hit.t: then hit holds
    // it and the result is true. Rays going up or level never meet it: light comes from above.
    bool hit(const Ray& ray, double tMin, PieceHit& hit) const {
        if (!(ray.dy > 0.0)) {
            return false;
        }
        const double t = (y - ray.py) / ray.dy;
        if (t > tMin && t < hit.t) {
            hit = {t, 0.0, 0.0, 0.0, 0.0};
            return true;
        }
        return false;
    }

    // Whether the point at x of the line lies over the water rather than beside the tank.
    bool overWater(double x) const { return !(x < xMin || x > xMax); }

    // The normal facing the lamp (up, y downward).
    Direction normal(const PieceHit& /*hit*/, double /*x*/, double /*y*/) const {
        return {0.0, -1.0};
    }
};

} // namespace kavrol::physics
