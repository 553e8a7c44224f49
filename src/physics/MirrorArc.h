// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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
};

} // namespace kavrol::physics
