// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ChartText.h"
#include "PhysicalEstimate.h"

#include <QChart>
#include <memory>

namespace kavrol::IrradianceChart {

// Object names of the chart's series, for whoever reads them back.
inline constexpr const char* kIrradianceSeries = "irradiance";
inline constexpr const char* kMeanSeries = "mean";

// The light across the water as a line chart: each irradiance bin of the estimate, relative to
// the mean over the span, as a flat step from its left edge to its right edge (millimetres
// across the tank, 0 under the tube of a design or in the middle of a fixture's tank), the
// mean as a level line at 1, the uniformity min/mean in the title. An estimate without bins
// gives empty series.
std::unique_ptr<QChart> create(const physics::PhysicalEstimate& estimate,
                               ChartText::Subject subject = ChartText::Subject::Design);

} // namespace kavrol::IrradianceChart
