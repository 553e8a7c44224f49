// SPDX-License-Identifier: GPL-3.0-or-later
#include "SurfaceComparison.h"

#include "InputDomain.h"
#include "LightEstimator.h"
#include "Scene.h"

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
    const std::size_t presets = InputDomain::SurfacePresets.size();
    for (std::size_t i = 0; i < presets; ++i) {
        const SurfacePreset& preset = InputDomain::SurfacePresets[i];
        const ReflectorSurface surface{preset.diffuseShare, preset.glossSpreadDeg};
        const double own = design.materials.albedo;
        const double typical = preset.typicalAlbedo;
        // Both albedos from one run: the larger is the run's own (see LightEstimator).
        PhysicalDesign d = design;
        d.materials.albedo = std::max(own, typical);
        d.materials.surface = surface;
        std::vector<double> alikeAlbedos;
        if (typical != own) {
            alikeAlbedos.push_back(std::min(own, typical));
        }
        std::vector<LightEstimator::AlbedoShare> alike;
        const PhysicalEstimate e = estimator.estimate(Scene::FromDesign(d), alikeAlbedos, alike);
        const LightEstimator::AlbedoShare larger{e.efficiency, e.error, e.toleranceReached};
        const auto figures = [&](double albedo) {
            return albedo == d.materials.albedo ? larger : alike.front();
        };
        const LightEstimator::AlbedoShare atOwn = figures(own);
        rows.push_back(
            {preset.word, preset.caption, surface, own, false, atOwn.efficiency, atOwn.error});
        if (typical != own) {
            const LightEstimator::AlbedoShare atTypical = figures(typical);
            rows.push_back({preset.word, preset.caption, surface, typical, true,
                            atTypical.efficiency, atTypical.error});
        }
        if (progress) {
            progress(static_cast<double>(i + 1) / static_cast<double>(presets));
        }
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row& p, const Row& q) { return p.efficiency > q.efficiency; });
    return rows;
}

} // namespace kavrol::physics
