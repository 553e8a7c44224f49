// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EstimateOptions.h"
#include "PhysicalDesign.h"
#include "PhysicalEstimate.h"
#include "Scene.h"

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

private:
    EstimateOptions options_;
};

} // namespace kavrol::physics
