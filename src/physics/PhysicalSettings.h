// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BuildInputs.h"
#include "EstimateOptions.h"
#include "InputDomain.h"
#include "PhysicalDesign.h"
#include "ReflectorSurface.h"

#include <string>

namespace kavrol {

// How the command line runs the physical estimate, for a single build and for the search alike.
// Every value starts as the input table's default.
struct PhysicalSettings {
    double tolerance = static_cast<double>(InputDomain::Tolerance.initial);
    int bins = InputDomain::Bins.initial;
    int waterReflection = InputDomain::WaterReflection.initial; // 0 traced, 1 lost
    double tubeTransmission = static_cast<double>(InputDomain::TubeTransmission.initial);
    // The reflector's surface: --surface names a preset; --diffuse-share and --gloss-spread set
    // a figure by hand (negative while not given), over the preset's whatever their order.
    std::string surfaceWord;
    double diffuseShare = -1.0;
    double glossSpread = -1.0;

    physics::ReflectorSurface surface() const;
    // True once any of the three is given: reports name the surface only then, so that a plain
    // run's report stays as it was.
    bool surfaceGiven() const {
        return !surfaceWord.empty() || diffuseShare >= 0.0 || glossSpread >= 0.0;
    }
    // The preset's word, "mirror" while nothing is set, "custom" once a figure is set by hand.
    std::string surfaceName() const;

    // The physical design of the inputs with these materials. Throws PhysicalDesignError when
    // the inputs select no shape or tube.
    physics::PhysicalDesign design(const BuildInputs& inputs) const;
    // The estimate at this tolerance and these bins, with the bare tube or without.
    physics::EstimateOptions estimateOptions(bool bareTube) const;
};

} // namespace kavrol
