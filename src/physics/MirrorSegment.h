// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Direction.h"
#include "PieceHit.h"
#include "Ray.h"

namespace kavrol::physics {

// A straight, zero-thickness specular mirror from (x0, y0) to (x1, y1); both sides reflect.
struct MirrorSegment {
    double x0 = 0.0;
    double y0 = 0.0;
    double x1 = 0.0;
    double y1 = 0.0;

    // Where the ray crosses the segment, when tMin < t < hit.t: then hit holds the crossing and
    // the result is true. A ray along the segment's line never crosses it.
    bool hit(const Ray& ray, double tMin, PieceHit& hit) const {
        const double ex = x1 - x0;
        const double ey = y1 - y0;
        const double denominator = ray.dx * ey - ray.dy * ex;
        if (denominator == 0.0) {
            return false;
        }
        const double wx = x0 - ray.px;
        const double wy = y0 - ray.py;
        const double t = (wx * ey - wy * ex) / denominator;
        const double along = (wx * ray.dy - wy * ray.dx) / denominator;
        if (t > tMin && t < hit.t && along >= 0.0 && along <= 1.0) {
            hit = {t, 0.0, 0.0, 0.0, 0.0};
            return true;
        }
        return false;
    }

    // The normal (not unit length) anywhere on the segment.
    Direction normal(const PieceHit& /*hit*/, double /*x*/, double /*y*/) const {
        return {-(y1 - y0), x1 - x0};
    }
};

} // namespace kavrol::physics
