// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BuildInputs.h"
#include "LossBreakdown.h"

namespace kavrol {

// A successful build pass as the windows pass it on: the inputs it ran with, where its 72 rays
// went and the efficiency it showed.
struct BuildResult {
    BuildInputs inputs;
    LossBreakdown losses;
    double efficiency = 0.0; // share of 1
};

} // namespace kavrol
