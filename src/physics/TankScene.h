// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Fixture.h"
#include "MirrorCurve.h"
#include "Scene.h"
#include "Tank.h"

#include <vector>

namespace kavrol::physics {

// A lamp over a whole tank: the cross-section of a fixture (every surface but the end plates is
// parallel to z) with each unit's extent along the tank. Millimetres; x across, y downward, z
// along the tank.
class TankScene {
public:
    // One mirror piece of a unit's reflector, with its unit's sheet.
    struct Mirror {
        MirrorCurve curve;
        int unit = 0;
        ReflectorSurface surface;
    };
    // Where a unit's end plates stand: the region between its profile and the chord of its rims,
    // a closed polygon running from the left rim along the profile to the right rim.
    struct Region {
        std::vector<double> x;
        std::vector<double> y;
        double xMin = 0.0;
        double xMax = 0.0;
        double yMin = 0.0;
        double yMax = 0.0;
    };

    // Throws FixtureError (from the fixture's own checks) or PhysicalDesignError naming the
    // impossible tank or unit.
    TankScene(const Fixture& fixture, const Tank& tank, const std::vector<TankUnit>& units);
    // A single design's lamp over a tank, its water reflection as the design says. The design's
    // own checks come first, with its own words (PhysicalDesignError).
    static TankScene FromDesign(const PhysicalDesign& design, const Tank& tank,
                                const TankUnit& unit);

    const Scene& scene() const { return scene_; }
    const Tank& tank() const { return tank_; }
    const std::vector<Mirror>& mirrors() const { return mirrors_; }
    const std::vector<TankUnit>& units() const { return units_; }
    const Region& region(int unit) const { return regions_[static_cast<std::size_t>(unit)]; }
    double width() const { return scene_.water.xMax - scene_.water.xMin; }

    // Whether light the water's surface reflects is traced on or lost.
    void setWaterReflection(WaterReflection reflection) {
        scene_.materials.waterReflection = reflection;
    }

    // The same tubes, tank and water without any reflector or end plate.
    TankScene withoutReflectors() const;

    // Whether (x, y) lies between unit u's profile and the chord of its rims.
    bool inRegion(int unit, double x, double y) const;

    // Whether any reflector's sheet spreads the light it mirrors (a gloss spread above 0).
    bool anyGloss() const;
    // Of the glossy sheets, the largest share of the kept light reflected specularly (1 - d);
    // 0 without gloss.
    double glossySpecularShare() const;

private:
    Scene scene_;
    Tank tank_;
    std::vector<TankUnit> units_;
    std::vector<Mirror> mirrors_;
    std::vector<Region> regions_;
};

} // namespace kavrol::physics
