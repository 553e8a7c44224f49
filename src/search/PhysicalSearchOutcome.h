// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Design.h"
#include "Evaluation.h"
#include "PhysicalScore.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kavrol {

// What a search by the physical model found.
struct PhysicalSearchOutcome {
    struct Scored {
        std::int64_t index = 0;
        Design design;
        PhysicalScore score;
        std::optional<Evaluation> pixel; // the 72-ray build's figures, where they were taken
    };
    // The best designs that reach the uniformity asked for, by their full-tolerance figures
    // (screening figures only after a stop), ties in search order.
    std::vector<Scored> best;
    // Every design in search order, when the run was asked to keep them (for the CSV file).
    std::vector<Scored> all;
    // Designs the physical model refuses: how many, by kind of reason (the message without its
    // figures), and the first of them in search order.
    std::int64_t refusedCount = 0;
    std::map<std::string, std::int64_t> refusalKinds;
    std::vector<Scored> refused;
    std::int64_t total = 0;
    std::int64_t screened = 0;        // estimated at the screening tolerance, refusals included
    std::int64_t reestimated = 0;     // estimated again at full tolerance
    std::int64_t candidates = 0;      // designs the refinement could have visited
    std::int64_t belowUniformity = 0; // estimated designs left out for their uniformity
    bool stopped = false;
    double screeningSeconds = 0;
    double seconds = 0;
    // The fewest threads that worked at once, and the system's reason when fewer started than
    // were asked.
    int threads = 1;
    std::string threadRefusal;
};

} // namespace kavrol
