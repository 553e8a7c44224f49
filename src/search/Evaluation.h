// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "LossBreakdown.h"

#include <string>

namespace kavrol {

// What one design yields: its efficiency and where the light went, or the build error that
// refuses it (in which case the numbers are 0).
struct Evaluation {
    double efficiency = 0;
    LossBreakdown losses;
    std::string refusal; // empty when the design was built

    bool refused() const { return !refusal.empty(); }
};

} // namespace kavrol
