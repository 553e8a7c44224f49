// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Direction.h"
#include "PieceHit.h"
#include "Ray.h"

#include <cmath>

namespace kavrol::physics {

// A parabolic, zero-thickness specular mirror y = vertexY + (x - vertexX)^2 / m for
// xMin <= x <= xMax (m > 0, y downward, so it opens toward the water); both sides reflect.
struct MirrorArc {
    double vertexX = 0.0;
    double vertexY = 0.0;
    double m = 1.0;
    double xMin = 0.0;
    double xMax = 0.0;

    double yAt(double x) const { return vertexY + (x - vertexX) * (x - vertexX) / m; }

    // The ray's nearest crossing with the arc when tMin < t < hit.t: then hit holds it and the
    // result is true. Solves (x0 + t dx)^2 = m (y0 + t dy) in the arc's vertex frame, the
    // larger root from the smaller without cancellation.
    bool hit(const Ray& ray, double tMin, PieceHit& hit) const {
        const double x0 = ray.px - vertexX;
        const double y0 = ray.py - vertexY;
        const double qa = ray.dx * ray.dx;
        const double qb = 2.0 * x0 * ray.dx - m * ray.dy;
        const double qc = x0 * x0 - m * y0;
        double roots[2] = {-1.0, -1.0};
        if (qa == 0.0) {
            if (qb != 0.0) {
                roots[0] = -qc / qb;
            }
        } else {
            const double discriminant = qb * qb - 4.0 * qa * qc;
            if (discriminant < 0.0) {
                return false;
            }
            const double q = -0.5 * (qb + std::copysign(std::sqrt(discriminant), qb));
            roots[0] = q / qa;
            if (q != 0.0) {
                roots[1] = qc / q;
            }
        }
        bool found = false;
        for (double t : roots) {
            if (t > tMin && t < hit.t) {
                const double x = ray.px + t * ray.dx;
                if (x >= xMin && x <= xMax) {
                    hit = {t, 0.0, 0.0, 0.0, 0.0};
                    found = true;
                }
            }
        }
        return found;
    }

    // The normal (not unit length) at the arc's point above x.
    Direction normal(const PieceHit& /*hit*/, double x, double /*y*/) const {
        return {-2.0 * (x - vertexX) / m, 1.0};
    }
};

} // namespace kavrol::physics
