// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ScoredDesign.h"
#include "SearchControl.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace kavrol {

// How a search runs and what it keeps.
struct SearchOptions {
    int threads = 2;
    std::size_t top = 10; // the best designs kept, ranked
    // Its stop flag and its progress (one stage, a step per design).
    SearchControl control;
    // Receives every evaluated design, in search order, batch by batch; called from one thread
    // at a time (any of the workers), never concurrently. After a stop it has received a
    // gap-free prefix of the search order (SearchOutcome::delivered designs).
    std::function<void(const std::vector<ScoredDesign>&)> onBatch;
};

} // namespace kavrol
