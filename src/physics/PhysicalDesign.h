// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Materials.h"

namespace kavrol::physics {

// The reflector's cross-section. The values match the pixel model's shape index.
enum class ReflectorShape { Trapezoid = 0, Parabola = 1, TwinArc = 2 };

// One design for the physical estimate. Millimetres throughout; y points downward, the
// reflector's top line is y = 0 and the tube's axis is x = 0.
struct PhysicalDesign {
    ReflectorShape shape = ReflectorShape::Parabola;
    double a = 200.0;             // opening of the reflector
    double b = 100.0;             // depth of the reflector below its top line
    double c = 50.0;              // flat top (trapezoid) or distance between the arcs' vertices
    double tubeRadius = 8.0;      // the window's tubes: InputDomain::TubeRadiusMm
    double lampDistance = 50.0;   // top line to the tube's axis
    double waterDistance = 200.0; // tube's axis to the water line
    double aquariumWidth = 500.0; // the water's span, centred under the tube
    Materials materials;
};

} // namespace kavrol::physics
