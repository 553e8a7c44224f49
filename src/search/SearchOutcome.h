#pragma once

#include "ScoredDesign.h"

#include <cstdint>
#include <vector>

namespace kavrol {

// What a search found: the best designs by efficiency (ties in search order), every refused
// design, and how far it got.
struct SearchOutcome {
    std::vector<ScoredDesign> best;
    std::vector<ScoredDesign> refused;
    std::int64_t total = 0;     // designs in the search space
    std::int64_t evaluated = 0; // built or refused
    bool stopped = false;       // stopped before the end
    double seconds = 0;
};

} // namespace kavrol
