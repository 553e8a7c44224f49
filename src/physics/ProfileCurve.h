// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Fixture.h"
#include "MirrorCurve.h"
#include "MirrorSegment.h"

#include <vector>

namespace kavrol::physics {

// The mirror through the points of a profile of one's own.
//
// Smooth profiles are a parametric cubic spline through every point: x(u) and y(u) are each a
// C2 cubic spline in the chord length u, with not-a-knot ends. Why this curve:
// - C2 keeps the reflected direction's rate of change continuous across the points, so the
//   light on the water has no kinks at them that the integration would have to chase;
// - being parametric it takes steep or vertical walls and shapes that turn back on themselves
//   as well as gentle ones, and chord length follows unevenly measured points;
// - not-a-knot ends do not force the curvature to zero at the rims (a natural spline would
//   flatten a parabola's rims) and reproduce any cubic, so points sampled from a smooth shape
//   converge to it at the fourth power of their spacing (slopes at the third).
// Two points give a straight piece, three a parabola in u.
class ProfileCurve {
public:
    static MirrorCurve Smooth(const std::vector<Fixture::Point>& points);
    static std::vector<MirrorSegment> Straight(const std::vector<Fixture::Point>& points);

    // Points along the curve, `perPiece` to a piece, both ends included.
    static std::vector<Fixture::Point> Sample(const MirrorCurve& curve, int perPiece);
};

} // namespace kavrol::physics
