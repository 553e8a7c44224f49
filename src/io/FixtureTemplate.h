// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CuttingTemplate.h"
#include "Fixture.h"

#include <QString>
#include <vector>

namespace kavrol {

// One cutting template a fixture needs: a reflector with its tube, shared by every unit whose
// reflector and tube are the same.
struct FixtureTemplate {
    std::vector<int> units; // the units sharing it, counted from 0, the first one first

    // The fixture's templates, one for each distinct reflector with its tube, in the order of
    // their first units.
    static std::vector<FixtureTemplate> of(const physics::Fixture& fixture);

    // The template of the first unit: a shape's as the single design draws it, a profile of
    // points labelled with names (the units' names as the caller writes them). Throws
    // PhysicalDesignError as CuttingTemplate does.
    CuttingTemplate make(const physics::Fixture& fixture, const QString& names) const;
};

} // namespace kavrol
