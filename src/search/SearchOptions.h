// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ScoredDesign.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

namespace kavrol {

// How a search runs and what it keeps.
struct SearchOptions {
    int threads = 2;
    std::size_t top = 10; // the best designs kept, ranked
    // When set, the search stops soon after it turns true and reports what it has found.
    const std::atomic<bool>* stop = nullptr;
    // Receives every evaluated design, in search order, batch by batch; called from one thread
    // at a time (any of the workers), never concurrently. After a stop it has received a
    // gap-free prefix of the search order (SearchOutcome::delivered designs).
    std::function<void(const std::vector<ScoredDesign>&)> onBatch;
};

} // namespace kavrol
