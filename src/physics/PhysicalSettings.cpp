// SPDX-License-Identifier: GPL-3.0-or-later
#include "PhysicalSettings.h"

#include "DesignFromInputs.h"

namespace kavrol {

physics::PhysicalDesign PhysicalSettings::design(const BuildInputs& inputs) const {
    physics::PhysicalDesign design = physics::DesignFromInputs(inputs);
    design.materials.tubeTransmission = tubeTransmission;
    design.materials.waterReflection =
        waterReflection == 1 ? physics::WaterReflection::Lost : physics::WaterReflection::Traced;
    design.materials.surface = surface();
    return design;
}

physics::ReflectorSurface PhysicalSettings::surface() const {
    physics::ReflectorSurface result{static_cast<double>(InputDomain::DiffuseShare.initial),
                                     static_cast<double>(InputDomain::GlossSpread.initial)};
    if (const SurfacePreset* preset = InputDomain::SurfacePresetOf(surfaceWord)) {
        result = {preset->diffuseShare, preset->glossSpreadDeg};
    }
    if (diffuseShare >= 0.0)
        result.diffuseShare = diffuseShare;
    if (glossSpread >= 0.0)
        result.glossSpreadDeg = glossSpread;
    return result;
}

std::string PhysicalSettings::surfaceName() const {
    if (diffuseShare >= 0.0 || glossSpread >= 0.0)
        return std::string(InputDomain::CustomSurface);
    if (!surfaceWord.empty())
        return surfaceWord;
    return std::string(InputDomain::MirrorSurface);
}

physics::EstimateOptions PhysicalSettings::estimateOptions(bool bareTube) const {
    physics::EstimateOptions options;
    options.tolerance = tolerance;
    options.bins = bins;
    options.bareTube = bareTube;
    return options;
}

} // namespace kavrol
