// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EvaluationContext.h"
#include "PhysicalObjective.h"
#include "SearchSpace.h"

#include <cstddef>
#include <string>

namespace kavrol {

// What one run of "kavrol-cli optimise" asks for.
struct OptimiseOptions {
    EvaluationContext context;
    SearchSpace space;
    std::size_t top = 10;
    std::size_t listRefused = 20;
    int threads = 0; // 0: one per core
    std::string csvPath;
    bool progress = true; // shown only when standard error is a terminal
    bool json = false;    // the physical search's report as JSON
    bool help = false;
    PhysicalObjective objective;
};

} // namespace kavrol
