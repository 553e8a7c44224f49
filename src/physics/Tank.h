// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kavrol::physics {

// The tank under a lamp, seen along its length. Millimetres: z runs along the tank from one end
// glass (z = 0) to the other (z = length); the width across is the water line's span.
struct Tank {
    double length = 1200.0;
    double waterDepth = 450.0;
    double attenuationPerM = 0.0; // the water's attenuation coefficient, per metre
};

// One unit of the lamp along the tank: its tube's lit length and its reflector's length, both
// centred on `centre`, whether the reflector's ends are closed by plates, and the tube's photon
// output (micromoles per second, 400 to 700 nm).
struct TankUnit {
    double centre = 600.0;
    double litLength = 1149.0;
    double reflectorLength = 1149.0;
    bool closedLow = false;  // the plate at centre - reflectorLength / 2
    bool closedHigh = false; // the plate at centre + reflectorLength / 2
    double photonFlux = 1.0;
};

} // namespace kavrol::physics
