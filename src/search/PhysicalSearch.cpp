// SPDX-License-Identifier: GPL-3.0-or-later
// The search by the physical model, its work spread by WorkerThreads::ForEach. Sections: one
// design's figures; refinement at full tolerance; screening and ranking.

#include "PhysicalSearch.h"

#include "FastEvaluator.h"
#include "LightEstimator.h"
#include "PhysicalDesignError.h"
#include "TopListRefinement.h"
#include "WorkerThreads.h"

#include <algorithm>
#include <chrono>
#include <memory>

namespace kavrol {

// --- One design's figures ---

PhysicalSearch::PhysicalSearch(const EvaluationContext& context, const SearchSpace& space,
                               const PhysicalSettings& settings, double minUniformity)
    : context_(context), grid_(context, space), settings_(settings), minUniformity_(minUniformity) {
}

double PhysicalSearch::screeningTolerance() const {
    return std::max(settings_.tolerance, physics::EstimateOptions::Screening().tolerance);
}

PhysicalScore PhysicalSearch::score(const Design& design, double tolerance) const {
    const BuildInputs in = context_.inputs(design);
    PhysicalSettings settings = settings_;
    settings.tolerance = tolerance;
    PhysicalScore score;
    try {
        const physics::LightEstimator estimator(settings.estimateOptions(false));
        const physics::PhysicalEstimate e = estimator.estimate(settings.design(in));
        score.efficiency = e.efficiency;
        score.error = e.error;
        score.minOverMean = e.uniformity.minOverMean;
        score.minOverMeanHigh = e.uniformity.minOverMeanHigh;
        score.maxOverMean = e.uniformity.maxOverMean;
    } catch (const physics::PhysicalDesignError& e) {
        score.refusal = e.what();
    }
    score.tolerance = tolerance;
    return score;
}

bool PhysicalSearch::meets(const PhysicalScore& s) const {
    return !s.refused() && s.tolerance > 0 && s.minOverMean >= minUniformity_;
}

std::string PhysicalSearch::RefusalKind(const std::string& message) {
    std::string kind = message.substr(0, message.find(':'));
    for (auto open = kind.find(" ("); open != std::string::npos; open = kind.find(" (")) {
        const auto close = kind.find(')', open);
        if (close == std::string::npos)
            break;
        kind.erase(open, close + 1 - open);
    }
    return kind;
}

namespace {} // namespace

// --- Refinement at full tolerance ---

// Re-estimates the refinement's candidates round by round; false when a stop cut it short.
bool PhysicalSearch::refine(TopListRefinement& refinement, std::vector<PhysicalScore>& scores,
                            const RunOptions& options, ProgressCounter& progress) {
    const int threads = std::max(1, options.threads);
    for (;;) {
        const std::vector<std::int64_t> round = refinement.next(RefineRound);
        if (round.empty())
            return true;
        std::vector<PhysicalScore> full(round.size());
        WorkerThreads::ForEach(
            static_cast<std::int64_t>(round.size()), 1, threads, options.control.stop,
            [&](int, std::int64_t k) {
                const auto at = static_cast<std::size_t>(k);
                full[at] = score(designAt(round[at]), settings_.tolerance);
                progress.step();
            },
            pool_);
        if (options.control.stopRequested())
            return false;
        for (std::size_t k = 0; k < round.size(); ++k) {
            scores[static_cast<std::size_t>(round[k])] = full[k];
            refinement.settle(full[k].refused() ? 0.0 : full[k].efficiency, full[k].error,
                              meets(full[k]));
        }
    }
}

// --- Screening and ranking ---

std::int64_t PhysicalSearch::screen(const RunOptions& options, std::vector<PhysicalScore>& scores,
                                    std::vector<Evaluation>& pixel) {
    ProgressCounter progress(options.control, 0, size());
    const int threads = std::max(1, options.threads);
    std::vector<std::unique_ptr<FastEvaluator>> evaluators(static_cast<std::size_t>(threads));
    const double screening = screeningTolerance();
    WorkerThreads::ForEach(
        size(), BatchSize, threads, options.control.stop,
        [&](int slot, std::int64_t i) {
            const Design design = designAt(i);
            const auto at = static_cast<std::size_t>(i);
            scores[at] = score(design, screening);
            if (options.keepAll) {
                auto& evaluator = evaluators[static_cast<std::size_t>(slot)];
                if (!evaluator)
                    evaluator = std::make_unique<FastEvaluator>(context_);
                pixel[at] = evaluator->evaluate(design);
            }
            progress.step();
        },
        pool_);
    return progress.done();
}

bool PhysicalSearch::refineTop(const RunOptions& options, std::vector<PhysicalScore>& scores,
                               PhysicalSearchOutcome& outcome) {
    std::vector<TopListRefinement::Candidate> candidates;
    for (std::int64_t i = 0; i < size(); ++i) {
        const PhysicalScore& s = scores[static_cast<std::size_t>(i)];
        // Out for its uniformity only when its screening min/mean could not reach the floor
        // even at its upper bound, widened as the share's bound is.
        const double reach = s.minOverMean + ScreeningSafety * (s.minOverMeanHigh - s.minOverMean);
        if (!s.refused() && reach >= minUniformity_)
            candidates.push_back({i, s.efficiency, s.error});
    }
    outcome.candidates = static_cast<std::int64_t>(candidates.size());
    TopListRefinement refinement(std::move(candidates), options.top, settings_.tolerance,
                                 ScreeningSafety);
    ProgressCounter progress(options.control, 1, outcome.candidates);
    const bool finished = refine(refinement, scores, options, progress);
    outcome.reestimated = progress.done();
    return finished;
}

void PhysicalSearch::rank(const RunOptions& options, std::vector<PhysicalScore>& scores,
                          std::vector<Evaluation>& pixel, bool onlyFull,
                          PhysicalSearchOutcome& outcome) const {
    std::vector<std::int64_t> order;
    for (std::int64_t i = 0; i < size(); ++i) {
        const PhysicalScore& s = scores[static_cast<std::size_t>(i)];
        if (s.refused()) {
            ++outcome.refusedCount;
            ++outcome.refusalKinds[RefusalKind(s.refusal)];
            if (outcome.refused.size() < options.listRefused)
                outcome.refused.push_back({i, designAt(i), s, std::nullopt});
        } else if (s.tolerance > 0 && s.minOverMean < minUniformity_) {
            ++outcome.belowUniformity;
        } else if (meets(s) && (!onlyFull || s.tolerance == settings_.tolerance)) {
            order.push_back(i);
        }
    }
    const auto better = [&scores](std::int64_t a, std::int64_t b) {
        const double ea = scores[static_cast<std::size_t>(a)].efficiency;
        const double eb = scores[static_cast<std::size_t>(b)].efficiency;
        return ea != eb ? ea > eb : a < b;
    };
    const std::size_t listed = std::min(options.top, order.size());
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(listed),
                      order.end(), better);
    FastEvaluator evaluator(context_);
    for (std::size_t k = 0; k < listed; ++k) {
        const auto at = static_cast<std::size_t>(order[k]);
        const Design design = designAt(order[k]);
        outcome.best.push_back({order[k], design, scores[at],
                                options.keepAll ? pixel[at] : evaluator.evaluate(design)});
    }
    if (!options.keepAll)
        return;
    outcome.all.reserve(scores.size());
    for (std::int64_t i = 0; i < size(); ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (scores[at].tolerance > 0 || scores[at].refused())
            outcome.all.push_back({i, designAt(i), std::move(scores[at]), pixel[at]});
    }
}

PhysicalSearchOutcome PhysicalSearch::run(const RunOptions& options) {
    const auto started = std::chrono::steady_clock::now();
    const auto since = [&started] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    pool_ = PoolReport{std::max(1, options.threads), {}};
    // Every design's figures, screening ones until it is estimated again; tolerance 0 marks a
    // design a stop left out.
    std::vector<PhysicalScore> scores(static_cast<std::size_t>(size()));
    std::vector<Evaluation> pixel(options.keepAll ? scores.size() : 0);
    PhysicalSearchOutcome outcome;
    outcome.screened = screen(options, scores, pixel);
    outcome.total = size();
    outcome.screeningSeconds = since();
    outcome.stopped = outcome.screened < outcome.total;
    // The refinement, unless the screening already reached the tolerance asked for. Once it
    // has run to its end only full figures are ranked; after a stop, whatever is known.
    bool onlyFull = false;
    if (!outcome.stopped && screeningTolerance() > settings_.tolerance) {
        onlyFull = refineTop(options, scores, outcome);
        outcome.stopped = !onlyFull;
    }
    rank(options, scores, pixel, onlyFull, outcome);
    outcome.threads = pool_.threads;
    outcome.threadRefusal = pool_.refusal;
    outcome.seconds = since();
    return outcome;
}

} // namespace kavrol
