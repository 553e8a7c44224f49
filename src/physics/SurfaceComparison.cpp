// SPDX-License-Identifier: GPL-3.0-or-later
#include "SurfaceComparison.h"

#include "InputDomain.h"
#include "LightEstimator.h"

#include <algorithm>

namespace kavrol::physics {

std::vector<SurfaceComparison::Row> SurfaceComparison::Compare(const PhysicalDesign& design,
                                                               EstimateOptions options) {
    options.bareTube = false;
    options.bins = 0;
    const auto progress = options.progress;
    options.progress = nullptr;
    const LightEstimator estimator(options);
    std::vector<Row> rows;
    const std::size_t total = 2 * InputDomain::SurfacePresets.size();
    for (const SurfacePreset& preset : InputDomain::SurfacePresets) {
        for (const bool typical : {false, true}) {
            const double albedo = typical ? preset.typicalAlbedo : design.materials.albedo;
            if (typical && albedo == design.materials.albedo) {
                continue;
            }
            PhysicalDesign d = design;
            d.materials.albedo = albedo;
            d.materials.surface = {preset.diffuseShare, preset.glossSpreadDeg};
            const PhysicalEstimate e = estimator.estimate(d);
            rows.push_back({preset.word, preset.caption, d.materials.surface, albedo, typical,
                            e.efficiency, e.error});
            if (progress) {
                progress(static_cast<double>(rows.size()) / static_cast<double>(total));
            }
        }
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row& p, const Row& q) { return p.efficiency > q.efficiency; });
    return rows;
}

} // namespace kavrol::physics
