// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Materials.h"
#include "PhysicalDesign.h"
#include "Tank.h"

#include <optional>
#include <string>
#include <vector>

namespace kavrol::physics {

// A lamp of several units, each a tube under its own reflector, over one tank. Millimetres; x
// from the tank's centre line to the right, y downward. Every tube's axis lies on one
// horizontal line; the water lies waterDistance below it and spans `width`, centred on x = 0.
struct Fixture {
    // A point of a reflector profile of one's own: x from the tube's axis, y downward from the
    // reflector's top line.
    struct Point {
        double x = 0.0;
        double y = 0.0;
    };
    // How the points of a profile are joined.
    enum class Join {
        Smooth,  // a C2 cubic spline through every point (see ProfileCurve)
        Straight // straight segments from point to point
    };
    // A unit's reflector: one of the three shapes with A, B, C, or a profile of points.
    struct Reflector {
        bool hasProfile = false;
        ReflectorShape shape = ReflectorShape::Parabola; // when !hasProfile
        double a = 200.0;
        double b = 100.0;
        double c = 50.0;
        std::vector<Point> points; // when hasProfile, from one rim to the other
        Join join = Join::Smooth;
    };
    struct Unit {
        std::string name; // may be empty; messages then use the unit's number
        double tubeRadius = 8.0;
        double x = 0.0;             // the tube's axis
        double lampDistance = 50.0; // the reflector's top line to the tube's axis
        double power = 1.0;         // the tube's light relative to the other tubes
        Reflector reflector;
        ReflectorSurface surface; // the reflector's sheet; a plain mirror unless set
        std::string surfaceName;  // the preset's word, "custom", or empty when not set
        // Along the whole tank, when the file gives one: the tube's lit length, photon output
        // and middle, its reflector's length and ends, and the catalogue tube as the report
        // names it ("T5-HO-54", "T5-HO-54 (lumens given)"; "given" for a diameter the
        // catalogue lacks).
        TankUnit along;
        std::string tubeModel;
    };

    std::string name;
    double waterDistance = 200.0;
    double width = 800.0;
    Materials materials; // the water reflection is always traced
    std::vector<Unit> units;
    // The tank along the tubes (length, water depth, attenuation) when the file gives its
    // length; the whole tank's light is then estimated besides the cross-section's.
    std::optional<Tank> wholeTank;
};

} // namespace kavrol::physics
