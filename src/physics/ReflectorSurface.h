// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kavrol::physics {

// How a reflector's sheet scatters the light it keeps (the albedo stays the materials' own).
// A diffuse share of the kept light is re-emitted Lambertian about the local normal; the rest
// is mirrored about a normal tilted in the plane by an angle drawn from a normal distribution
// of spread glossSpreadDeg, cut at three spreads. Both zero is a plain mirror.
struct ReflectorSurface {
    double diffuseShare = 0.0;   // 0 to 1
    double glossSpreadDeg = 0.0; // degrees, 0 to 30

    bool isMirror() const { return diffuseShare == 0.0 && glossSpreadDeg == 0.0; }

    friend bool operator==(const ReflectorSurface&, const ReflectorSurface&) = default;
};

} // namespace kavrol::physics
