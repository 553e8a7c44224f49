// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DesignSearch.h"
#include "EvaluationContext.h"
#include "PhysicalScore.h"
#include "PhysicalSearchOutcome.h"
#include "PhysicalSettings.h"
#include "SearchControl.h"
#include "SearchSpace.h"
#include "TopListRefinement.h"
#include "WorkerThreads.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kavrol {

// Searches a design space for the designs whose physical share entering the water is highest,
// among those whose uniformity (min/mean over the irradiance bins) reaches a floor.
//
// Every design is screened with the physical model's cheap estimate (without the CSV file and a
// uniformity floor, a coarse estimate first and the cheap one only for the designs whose coarse
// bounds could still reach the top list); then the designs that could reach the top list are
// estimated again at full tolerance, by TopListRefinement over their
// screening bounds widened by ScreeningSafety, and the list is ranked by the full figures. A
// design leaves the race for its uniformity at screening only when the upper bound on its
// screening min/mean, widened the same way, lies below the floor; any other is decided by its
// full figures.
// The outcome is the same whatever the number of threads.
class PhysicalSearch {
public:
    // The screening error bound is about 95 %: with the screening at 0.01, over 288 random
    // twin-arc designs 3 screening figures lay farther from the full ones than both bounds
    // together, and 1 of 429 with A from 150 mm, at most 1.27 times the screening bound; at 0.02
    // none of the same designs did (at most 0.92 times). Twice the bound covers them.
    static constexpr double ScreeningSafety = 2.0;
    // When the search prunes coarsely first, the designs still within reach of the top list after
    // screening are estimated again at this tolerance before the refinement (when it lies between
    // the screening's and the one asked).
    static constexpr double SharpTolerance = 0.005;
    // Designs a worker screens at a time. The stages after the coarse pruning (the screening, the
    // sharper estimates and the refinement) first estimate as many designs as the list holds,
    // whose bounds then decide which others are still within reach, and then LaterRound designs
    // at a time: no design is estimated again only to fill a round. The rounds do not depend on
    // the threads, so neither does which designs are estimated again.
    static constexpr std::int64_t BatchSize = 64;
    static constexpr std::size_t LaterRound = 4;

    struct RunOptions {
        int threads = 2;
        std::size_t top = 10;
        std::size_t listRefused = 20;
        // Keep every design in the outcome with its 72-ray figures as well (for the CSV file).
        bool keepAll = false;
        // Its stop flag and its progress: the screening as stage 0, a step per design, and the
        // estimates again at full tolerance as stage 1.
        SearchControl control;
    };

    // Throws std::invalid_argument for a context the 72-ray evaluation does not take.
    PhysicalSearch(const EvaluationContext& context, const SearchSpace& space,
                   const PhysicalSettings& settings, double minUniformity);

    std::int64_t size() const { return grid_.size(); }
    Design designAt(std::int64_t index) const { return grid_.designAt(index); }
    // The tolerance the screening estimates at: the cheap estimate's, or the asked one when that
    // is looser (the search then has one stage).
    double screeningTolerance() const;

    // One design's physical figures at a tolerance, as a single build with the same settings
    // would estimate them (no bare tube); a refusal is a result.
    PhysicalScore score(const Design& design, double tolerance) const;
    // The coarse figures the search prunes with before screening (no irradiance), when it does:
    // without the CSV file and without a uniformity floor.
    PhysicalScore coarseScore(const Design& design) const;

    PhysicalSearchOutcome run(const RunOptions& options);

    // The kind of a refusal: its message without figures in brackets or after a colon.
    static std::string RefusalKind(const std::string& message);

private:
    // Estimated, not refused, and at least as uniform as asked.
    bool meets(const PhysicalScore& score) const;
    // The run's stages: every design at the screening tolerance (and by the 72-ray build when
    // all are kept); the refinement of the top list, false when a stop cut it short; the
    // ranking and the counts of the outcome.
    std::int64_t screen(const RunOptions& options, std::vector<PhysicalScore>& scores,
                        std::vector<Evaluation>& pixel, bool coarse);
    bool prunesFirst(const RunOptions& options) const;
    static physics::EstimateOptions CoarseOptions(physics::EstimateOptions options);
    bool sharpen(const RunOptions& options, std::vector<PhysicalScore>& scores, double tolerance);
    PhysicalScore scoreWith(const Design& design, const physics::EstimateOptions& options) const;
    bool refineTop(const RunOptions& options, std::vector<PhysicalScore>& scores,
                   PhysicalSearchOutcome& outcome);
    bool refine(TopListRefinement& refinement, std::vector<PhysicalScore>& scores,
                const RunOptions& options, ProgressCounter& progress);
    void rank(const RunOptions& options, std::vector<PhysicalScore>& scores,
              std::vector<Evaluation>& pixel, bool onlyFull, PhysicalSearchOutcome& outcome) const;

    EvaluationContext context_;
    DesignSearch grid_;
    PhysicalSettings settings_;
    double minUniformity_ = 0;
    // The fewest threads that ran in this run's stages, and why the others did not start.
    PoolReport pool_;
};

} // namespace kavrol
