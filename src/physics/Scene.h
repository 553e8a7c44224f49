// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Materials.h"
#include "MirrorArc.h"
#include "MirrorCurve.h"
#include "MirrorSegment.h"
#include "PhysicalDesign.h"
#include "ReflectorSurface.h"
#include "Tube.h"
#include "WaterLine.h"

#include <vector>

namespace kavrol::physics {

// Everything the physical estimate traces: any number of tubes and reflector pieces above one
// water line, with the materials. Millimetres, y downward. Generic scenes (tests, several tubes,
// profiles of one's own) are filled in directly; FromDesign builds and checks a window design.
struct Scene {
    std::vector<Tube> tubes;
    std::vector<MirrorSegment> segments;
    std::vector<MirrorArc> arcs;
    std::vector<MirrorCurve> curves;
    WaterLine water;
    Materials materials;
    // When the pieces' sheets differ (fixtures): one surface per segment, arc and curve, in
    // their lists' order. Empty lists: the materials' surface for every piece.
    std::vector<ReflectorSurface> segmentSurfaces;
    std::vector<ReflectorSurface> arcSurfaces;
    std::vector<ReflectorSurface> curveSurfaces;

    // The surface of piece `index` of each kind.
    const ReflectorSurface& segmentSurface(std::size_t index) const {
        return segmentSurfaces.empty() ? materials.surface : segmentSurfaces[index];
    }
    const ReflectorSurface& arcSurface(std::size_t index) const {
        return arcSurfaces.empty() ? materials.surface : arcSurfaces[index];
    }
    const ReflectorSurface& curveSurface(std::size_t index) const {
        return curveSurfaces.empty() ? materials.surface : curveSurfaces[index];
    }
    // True when some piece is not a plain mirror, scatters diffusely, or spreads its gloss.
    bool anyScattering() const;
    bool anyDiffuse() const;
    bool hasGlossSpread() const;

    // The scene of a design; throws PhysicalDesignError when the design cannot exist.
    static Scene FromDesign(const PhysicalDesign& design);

    // The same tubes, water and materials without any reflector.
    Scene withoutReflector() const;

    // True when mirroring x -> -x maps the scene onto itself (to a few ulps of its size).
    bool mirrorSymmetric() const;
};

} // namespace kavrol::physics
