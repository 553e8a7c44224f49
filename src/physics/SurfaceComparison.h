// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EstimateOptions.h"
#include "PhysicalDesign.h"
#include "PhysicalEstimate.h"

#include <string_view>
#include <vector>

namespace kavrol::physics {

// One design's shape with every surface preset of the input table, each at the design's own
// albedo and at the preset's typical albedo (once when the two are equal), ranked by the share
// entering the water, best first.
struct SurfaceComparison {
    struct Row {
        std::string_view word;    // the preset's command-line word
        std::string_view caption; // and the window's caption
        ReflectorSurface surface;
        double albedo = 0.0;
        bool typicalAlbedo = false; // the preset's own albedo rather than the design's
        double efficiency = 0.0;
        double error = 0.0;
    };

    // Estimates without the bare tube or the irradiance; throws PhysicalDesignError for a
    // design that cannot exist and EstimateCancelled through options.cancel.
    static std::vector<Row> Compare(const PhysicalDesign& design, EstimateOptions options);
};

} // namespace kavrol::physics
