// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ReflectorSurface.h"

namespace kavrol::physics {

// What becomes of the light the water surface reflects.
enum class WaterReflection {
    Traced, // it goes on upward like any other ray
    Lost    // it is counted as lost at once
};

// What the pieces of a scene are made of: the one place stating the physical estimate's
// materials and their defaults. The defaults that the window's input table also states are
// checked against it at compile time (DesignFromInputs.cpp). Models of the reflector's surface
// beyond a plain mirror belong here too.
struct Materials {
    // Share a reflection keeps, whatever the angle.
    double albedo = 0.8;
    // Share of light returning to a tube that passes through it.
    double tubeTransmission = 0.0;
    WaterReflection waterReflection = WaterReflection::Traced;
    // Of the water; 1 switches the Fresnel loss off.
    double refractiveIndex = 1.33;
    // How the reflector's sheet scatters what it keeps; end plates stay plain mirrors.
    ReflectorSurface surface;

    friend bool operator==(const Materials&, const Materials&) = default;
};

} // namespace kavrol::physics
