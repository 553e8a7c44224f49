// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InputDomain.h"
#include "PhysicalSettings.h"

namespace kavrol {

// What "optimise --objective physical" ranks by: the physical share entering the water, among
// the designs whose uniformity (min/mean) reaches minUniformity.
struct PhysicalObjective {
    bool physical = InputDomain::Objective.initial == 1; // false: the 72-ray efficiency
    PhysicalSettings settings;
    double minUniformity = static_cast<double>(InputDomain::MinUniformity.initial);
};

} // namespace kavrol
