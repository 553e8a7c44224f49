// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ReflectorSurface.h"

namespace kavrol::physics {

// The reflector's cross-section. The values match the pixel model's shape index.
enum class ReflectorShape { Trapezoid = 0, Parabola = 1, TwinArc = 2 };

// What becomes of the light the water surface reflects.
enum class WaterReflection {
    Traced, // it goes on upward like any other ray
    Lost    // it is counted as lost at once
};

// One design for the physical estimate. Millimetres throughout; y points downward, the
// reflector's top line is y = 0 and the tube's axis is x = 0.
struct PhysicalDesign {
    ReflectorShape shape = ReflectorShape::Parabola;
    double a = 200.0;              // opening of the reflector
    double b = 100.0;              // depth of the reflector below its top line
    double c = 50.0;               // flat top (trapezoid) or distance between the arcs' vertices
    double tubeRadius = 8.0;       // the window's tubes: InputDomain::TubeRadiusMm
    double lampDistance = 50.0;    // top line to the tube's axis
    double waterDistance = 200.0;  // tube's axis to the water line
    double aquariumWidth = 500.0;  // the water's span, centred under the tube
    double albedo = 0.8;           // share a reflection keeps, whatever the angle
    double tubeTransmission = 0.0; // share of light returning to a tube that passes through it
    WaterReflection waterReflection = WaterReflection::Traced;
    double refractiveIndex = 1.33; // of the water; 1 switches the Fresnel loss off
    ReflectorSurface surface;      // a plain mirror unless set
};

} // namespace kavrol::physics
