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

    // A part of the tank along z, [z0, z1], and how far the pieces may yet be moved along
    // (by shift0 to shift1) before they are looked at.
    struct Window {
        double z0 = 0.0;
        double z1 = 0.0;
        double shift0 = 0.0;
        double shift1 = 0.0;
    };

    TankWater(double width, double length, double refractiveIndex, double attenuationPerM);

    // Follows an entry's light down to `depth` (mm below the surface).
    void descend(const WaterEntry& entry, double depth, Descent& out) const;
    // The same, but only the pieces that can land, once moved and folded into the tank, in the
    // window; the shares and losses of the rest are left out.
    void descend(const WaterEntry& entry, double depth, const Window& window, Descent& out) const;

    // The share of light passing from water (index n) into air at incidence cos(theta).
    static double WallTransmittance(double cosTheta, double n);

    double width() const { return width_; }
    double length() const { return length_; }

private:
    void follow(const WaterEntry& entry, double depth, const Window* window, Descent& out) const;

    double width_;
    double length_;
    double n_;
    double attenuationPerMm_;
};

} // namespace kavrol::physics
