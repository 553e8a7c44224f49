// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FresnelTable.h"
#include "RayOutcome.h"
#include "Scene.h"

namespace kavrol::physics {

// Follows one emitted ray through a scene in its cross-section. A ray is named by its tube, its
// in-plane direction a (radians from the downward vertical toward +x) and its offset p (mm) from
// the tube's axis, measured along (cos a, -sin a): the oriented lines (a, p) with |p| < R are
// exactly the rays a Lambertian tube emits, with uniform density in a and p.
class PathTracer {
public:
    // Bound on the events (reflections, passages, water arrivals) of one ray; what a ray still
    // carries when it reaches the bound counts as absorbed.
    static constexpr int kMaxEvents = 256;

    PathTracer(const Scene& scene, const FresnelTable& fresnel);

    void trace(int tube, double a, double p, RayOutcome& out) const;

private:
    const Scene& scene_;
    const FresnelTable& fresnel_;
};

} // namespace kavrol::physics
