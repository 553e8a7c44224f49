// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesignFromInputs.h"

#include "EstimateOptions.h"
#include "InputDomain.h"
#include "PhysicalDesignError.h"

#include <string>

namespace kavrol::physics {

// The physical estimate states its defaults once, free of the pixel model; where the window's
// input table states the same value, the two must agree.
namespace {
namespace D = InputDomain;
constexpr Materials kMaterials;
static_assert(kMaterials.albedo == static_cast<double>(D::Albedo.initial));
static_assert(kMaterials.tubeTransmission == static_cast<double>(D::TubeTransmission.initial));
static_assert(static_cast<int>(kMaterials.waterReflection) == D::WaterReflection.initial);
static_assert(static_cast<int>(WaterReflection::Lost) == 1);
constexpr PhysicalDesign kDesign;
static_assert(static_cast<int>(kDesign.shape) == D::Shape.initial);
static_assert(kDesign.a == D::RefA.initial && kDesign.b == D::RefB.initial &&
              kDesign.c == D::RefC.initial);
static_assert(kDesign.tubeRadius == D::TubeRadiusMm[static_cast<std::size_t>(D::Tube.initial)]);
static_assert(kDesign.lampDistance == D::Lamp.initial &&
              kDesign.waterDistance == D::LampH.initial &&
              kDesign.aquariumWidth == D::AquaW.initial);
static_assert(static_cast<int>(ReflectorShape::TwinArc) == D::ZeFo &&
              static_cast<int>(ReflectorShape::Parabola) == D::Parabola &&
              static_cast<int>(ReflectorShape::Trapezoid) == D::Trapezoid);
static_assert(EstimateOptions::kDefaultTolerance == static_cast<double>(D::Tolerance.initial));
static_assert(EstimateOptions::kDefaultBins == D::Bins.initial);
} // namespace

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
    design.materials.albedo = static_cast<double>(inputs.albedo);
    return design;
}

} // namespace kavrol::physics
