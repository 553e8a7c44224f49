// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BuildInputs.h"
#include "EstimateOptions.h"
#include "InputDomain.h"
#include "PhysicalDesign.h"

namespace kavrol {

// How the command line runs the physical estimate, for a single build and for the search alike.
// Every value starts as the input table's default.
struct PhysicalSettings {
    double tolerance = static_cast<double>(InputDomain::Tolerance.initial);
    int bins = InputDomain::Bins.initial;
    int waterReflection = InputDomain::WaterReflection.initial; // 0 traced, 1 lost
    double tubeTransmission = static_cast<double>(InputDomain::TubeTransmission.initial);

    // The physical design of the inputs with these materials. Throws PhysicalDesignError when
    // the inputs select no shape or tube.
    physics::PhysicalDesign design(const BuildInputs& inputs) const;
    // The estimate at this tolerance and these bins, with the bare tube or without.
    physics::EstimateOptions estimateOptions(bool bareTube) const;
};

} // namespace kavrol
