// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "LossBreakdown.h"
#include "PhysicalEstimate.h"

#include <QString>
#include <vector>

namespace kavrol {

// One fate of the light with its share (of 1) in both models, for reading them side by side.
// The physical model's light beside the tank joins what escaped, as the 72-ray model counts
// both as gone past; light the water surface reflects is followed on in the physical model, so
// its share there is only what is counted lost at the surface.
struct LossComparison {
    QString fate;      // Russian, as the main window's tool tip names it
    double rays = 0.0; // 72-ray model
    double physical = 0.0;

    static std::vector<LossComparison> rows(const LossBreakdown& rays,
                                            const physics::PhysicalEstimate& physical);
};

} // namespace kavrol
