// SPDX-License-Identifier: GPL-3.0-or-later
#include "PhysicalSettings.h"

#include "DesignFromInputs.h"

namespace kavrol {

physics::PhysicalDesign PhysicalSettings::design(const BuildInputs& inputs) const {
    physics::PhysicalDesign design = physics::DesignFromInputs(inputs);
    design.materials.tubeTransmission = tubeTransmission;
    design.materials.waterReflection =
        waterReflection == 1 ? physics::WaterReflection::Lost : physics::WaterReflection::Traced;
    return design;
}

physics::EstimateOptions PhysicalSettings::estimateOptions(bool bareTube) const {
    physics::EstimateOptions options;
    options.tolerance = tolerance;
    options.bins = bins;
    options.bareTube = bareTube;
    return options;
}

} // namespace kavrol
