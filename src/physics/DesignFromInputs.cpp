// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesignFromInputs.h"

#include "InputDomain.h"
#include "PhysicalDesignError.h"

#include <string>

namespace kavrol::physics {

PhysicalDesign DesignFromInputs(const BuildInputs& inputs) {
    if (inputs.shape < 0 || inputs.shape > 2) {
        throw PhysicalDesignError("No reflector shape is selected (list index " +
                                  std::to_string(inputs.shape) + ")");
    }
    if (inputs.tube < 0 || inputs.tube > 2) {
        throw PhysicalDesignError("No tube is selected (list index " + std::to_string(inputs.tube) +
                                  ")");
    }
    PhysicalDesign design;
    design.shape = static_cast<ReflectorShape>(inputs.shape);
    design.a = inputs.refA;
    design.b = inputs.refB;
    design.c = inputs.refC;
    design.tubeRadius = InputDomain::TubeRadiusMm[static_cast<std::size_t>(inputs.tube)];
    design.lampDistance = inputs.lamp;
    design.waterDistance = inputs.lampH;
    design.aquariumWidth = inputs.aquaW;
    design.albedo = static_cast<double>(inputs.albedo);
    return design;
}

} // namespace kavrol::physics
