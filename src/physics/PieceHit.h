// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <limits>

namespace kavrol::physics {

// Where a ray meets a piece of a scene (a mirror, a tube, the water): its distance along the
// ray, and what the piece needs later to answer its normal there or the ray's way through it.
// Every piece's hit accepts only crossings nearer than `t`, so one value carried over all the
// pieces ends as the nearest.
struct PieceHit {
    double t = std::numeric_limits<double>::infinity();
    double tFar = 0.0; // a tube: where the ray leaves it again
    double nx = 0.0;   // a curve: its normal at the crossing, found with the crossing
    double ny = 0.0;
    double curvature = 0.0; // a curve: its signed curvature there, as MirrorCurve::Hit's
    double g = 0.0;         // a curve: its piece's number plus the parameter within the piece
};

} // namespace kavrol::physics
