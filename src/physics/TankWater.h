// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TankRay.h"

#include <vector>

namespace kavrol::physics {

// Light in the water: straight lines from the surface down, attenuated along their 3D length,
// partly reflected by the glass walls (one water-to-air interface each, unpolarised Fresnel,
// total reflection beyond the critical angle). A wall mirrors only the component across it, so
// the light lands where the unreflected line would, folded back into the tank.
class TankWater {
public:
    // Events (wall crossings) of one line along each axis at most; what is left after them
    // counts as absorbed by the water.
    static constexpr int kMaxWallEvents = 64;

    // Light of an entry reaching the depth, on the unfolded plane: x where its rays arrive (all
    // at one x), and pieces of z, each with the share it carries there.
    struct Piece {
        double z0 = 0.0;
        double z1 = 0.0;
        double share = 0.0;
    };
    struct Descent {
        double x = 0.0;
        std::vector<Piece> pieces;
        double arrived = 0.0; // the pieces' shares together
        double frontBackGlass = 0.0;
        double endGlass = 0.0;
        double absorbed = 0.0;    // by the water (and beyond the event bound)
        std::vector<double> cuts; // scratch of the descent, kept to spare its allocations
    };

    TankWater(double width, double length, double refractiveIndex, double attenuationPerM);

    // Follows an entry's light down to `depth` (mm below the surface).
    void descend(const WaterEntry& entry, double depth, Descent& out) const;

    // The share of light passing from water (index n) into air at incidence cos(theta).
    static double WallTransmittance(double cosTheta, double n);

    double width() const { return width_; }
    double length() const { return length_; }

private:
    double width_;
    double length_;
    double n_;
    double attenuationPerMm_;
};

} // namespace kavrol::physics
