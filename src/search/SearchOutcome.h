// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ScoredDesign.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kavrol {

// What a search found: the best designs by efficiency (ties in search order), every refused
// design, and how far it got.
struct SearchOutcome {
    std::vector<ScoredDesign> best;
    std::vector<ScoredDesign> refused;
    std::int64_t total = 0;     // designs in the search space
    std::int64_t evaluated = 0; // built or refused
    // Designs handed to onBatch: always the first ones of the search order, without a gap.
    std::int64_t delivered = 0;
    bool stopped = false; // stopped before the end
    double seconds = 0;
    // The threads that worked, and the system's reason when fewer started than were asked.
    int threads = 1;
    std::string threadRefusal;
};

} // namespace kavrol
