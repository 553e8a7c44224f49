// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EstimateOptions.h"
#include "PhysicalDesign.h"
#include "PhysicalEstimate.h"
#include "Scene.h"

#include <vector>

namespace kavrol::physics {

// The physical light estimate: integrates the light of Lambertian tubes over emission points
// and in-plane directions deterministically and adaptively, traces each ray through the
// reflector pieces, tubes and water, and bounds the error of the share entering the water.
// The same inputs give the same figures to the last bit. Holds no state between estimates, so
// one estimator may serve several threads at once.
class LightEstimator {
public:
    explicit LightEstimator(EstimateOptions options = {});

    const EstimateOptions& options() const { return options_; }

    // Throws PhysicalDesignError for a design that cannot exist, EstimateCancelled when
    // cancelled.
    PhysicalEstimate estimate(const PhysicalDesign& design) const;
    PhysicalEstimate estimate(const Scene& scene) const;

    // The share entering the water at further albedos of the reflector's sheet too, each with
    // its bound (same options but the bins and the bare tube, which only the scene's own albedo
    // gets). A reflection on the sheet only weighs the light, so when the scene's surface
    // scatters and its albedo is the largest of them, one run traces the rays for all of them
    // (see PathTracer; up to RayOutcome::kMaxAlike further albedos); otherwise each is estimated
    // apart. The figures of a shared run may differ from a lone one's within their bounds,
    // since the integrals refine until every albedo's figure is within the tolerance.
    struct AlbedoShare {
        double efficiency = 0.0;
        double error = 0.0;
        bool toleranceReached = true;
    };
    PhysicalEstimate estimate(const Scene& scene, const std::vector<double>& alikeAlbedos,
                              std::vector<AlbedoShare>& alike) const;
    // True when one run serves the scene's albedo and these further ones.
    static bool TracedAlike(const Scene& scene, const std::vector<double>& alikeAlbedos);

private:
    PhysicalEstimate estimateApart(const Scene& scene, const std::vector<double>& alikeAlbedos,
                                   std::vector<AlbedoShare>& alike) const;

    EstimateOptions options_;
};

} // namespace kavrol::physics
