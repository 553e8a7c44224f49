// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Direction.h"
#include "PieceHit.h"
#include "Ray.h"

#include <cmath>

namespace kavrol::physics {

// A long Lambertian tube seen in cross-section: a circle of radius `radius` around (x, y).
// `power` weighs its light against the other tubes of the scene.
struct Tube {
    double x = 0.0;
    double y = 0.0;
    double radius = 8.0;
    double power = 1.0;

    // Where the ray enters the tube when tMin < t < hit.t: then hit holds it, with tFar where
    // the ray leaves the tube again, and the result is true. A ray grazing the circle misses.
    bool hit(const Ray& ray, double tMin, PieceHit& hit) const {
        const double ox = ray.px - x;
        const double oy = ray.py - y;
        const double b = ox * ray.dx + oy * ray.dy;
        const double c = ox * ox + oy * oy - radius * radius;
        const double discriminant = b * b - c;
        if (discriminant <= 0.0) {
            return false;
        }
        const double root = std::sqrt(discriminant);
        const double t = -b - root;
        if (t > tMin && t < hit.t) {
            hit = {t, -b + root, 0.0, 0.0, 0.0};
            return true;
        }
        return false;
    }

    // The outward normal (of length `radius`) at the point (px, py) of the circle.
    Direction normal(const PieceHit& /*hit*/, double px, double py) const {
        return {px - x, py - y};
    }
};

} // namespace kavrol::physics
