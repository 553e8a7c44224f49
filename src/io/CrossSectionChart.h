// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PhysicalDesign.h"
#include "Scene.h"

#include <QString>

#include <QChart>
#include <memory>

namespace kavrol::CrossSectionChart {

// Object names of the chart's series.
inline constexpr const char* kReflectorSeries = "reflector";
inline constexpr const char* kTubeSeries = "tube";
inline constexpr const char* kWaterSeries = "water";

// The design's cross-section at true proportions: the reflector's exact curve, the tube's
// circle and the water line across the tank, y downward as in the lamp. The axes keep one
// millimetre the same length across and down whatever size the chart is given: their ranges
// follow the plot area. Throws PhysicalDesignError when the design cannot exist.
std::unique_ptr<QChart> create(const physics::PhysicalDesign& design);

// Any scene at true proportions under this title: every reflector piece (segments, parabolic
// arcs and curves, sampled), every tube's circle and the water line, each its own series under
// the names above; the legend names each kind once.
std::unique_ptr<QChart> create(const physics::Scene& scene, const QString& title);

} // namespace kavrol::CrossSectionChart
