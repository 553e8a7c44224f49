// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FresnelTable.h"
#include "RayOutcome.h"
#include "Scene.h"

#include <vector>

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

    // Also follows the ray's derivatives in a, for the entries' slopes and the clearances; the
    // clearances only while the ray carries at least `followWeight`.
    void trace(int tube, double a, double p, RayOutcome& out, double followWeight = 0.0) const;

private:
    // An end point of a reflector piece or of the water's span, with its owner's code.
    struct Rim {
        double x = 0.0;
        double y = 0.0;
        int owner = 0;
    };
    // The clearances of one step of a walk (the tracer's own walk state) toward what it meets.
    void clear(const void* walk, int hitKind, int hitIndex, double hitT, RayOutcome& out) const;

    const Scene& scene_;
    const FresnelTable& fresnel_;
    std::vector<Rim> rims_;
    // Profile curves of one's own lack their tangents among the conditions, and their many
    // grazing rays made the clearances cost a hundred times the rays: scenes with them keep
    // judging stretches by their samples alone (see docs/physical-estimate.md).
    bool followsClearances_ = true;
};

} // namespace kavrol::physics
