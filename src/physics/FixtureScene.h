// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Fixture.h"
#include "MirrorCurve.h"
#include "Scene.h"

#include <string>
#include <vector>

namespace kavrol::physics {

// The scene of a fixture, built and checked: every tube, every unit's reflector pieces, the
// water and the materials. A fixture of one unit at x = 0 with one of the three shapes gives
// exactly the scene of the same single design. Millimetres, y downward; the highest top line
// of the units is y = 0 and the tubes' axes lie at the largest lamp distance.
class FixtureScene {
public:
    // Throws FixtureError, naming the unit, when the fixture cannot exist: a shape that cannot
    // (as for a single design), a profile that crosses itself, a reflector that cuts a tube or
    // lies below it, units that overlap, a tube or reflector reaching the water.
    explicit FixtureScene(const Fixture& fixture);

    const Scene& scene() const { return scene_; }

    // Unit i's reflector in the scene's frame as curves (segments and arcs included), for the
    // checks and for drawings.
    const std::vector<MirrorCurve>& outline(int unit) const {
        return outlines_[static_cast<std::size_t>(unit)];
    }

    // The leftmost and the rightmost x that unit i's reflector reaches.
    double left(int unit) const { return extents_[static_cast<std::size_t>(unit)].first; }
    double right(int unit) const { return extents_[static_cast<std::size_t>(unit)].second; }
    // The deepest y that unit i's reflector reaches.
    double bottom(int unit) const { return bottoms_[static_cast<std::size_t>(unit)]; }

    // "unit 2" or "unit 2 ("left")", as messages name a unit (the name escaped, cut short).
    static std::string UnitName(const Fixture& fixture, int unit);

    // Unit i's reflector of the three shapes with its tube as a single design over the
    // fixture's tank and materials, in the unit's own frame (top line y = 0, axis x = 0).
    static PhysicalDesign UnitDesign(const Fixture& fixture, int unit);

private:
    void addUnit(const Fixture& fixture, int unit, double axisY);
    void addShape(const Fixture& fixture, int unit, double top, std::vector<MirrorCurve>& outline);
    void checkUnit(const Fixture& fixture, int unit, double axisY) const;
    void checkNeighbours(const Fixture& fixture) const;

    Scene scene_;
    std::vector<std::vector<MirrorCurve>> outlines_;
    std::vector<std::pair<double, double>> extents_;
    std::vector<double> bottoms_;
};

} // namespace kavrol::physics
