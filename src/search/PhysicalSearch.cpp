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
#include <functional>
#include <limits>
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
    physics::EstimateOptions options = settings_.estimateOptions(false);
    options.tolerance = tolerance;
    return scoreWith(design, options);
}

PhysicalScore PhysicalSearch::coarseScore(const Design& design) const {
    return scoreWith(design, CoarseOptions(settings_.estimateOptions(false)));
}

PhysicalScore PhysicalSearch::scoreWith(const Design& design,
                                        const physics::EstimateOptions& options) const {
    const BuildInputs in = context_.inputs(design);
    PhysicalScore score;
    try {
        const physics::LightEstimator estimator(options);
        const physics::PhysicalEstimate e = estimator.estimate(settings_.design(in));
        score.efficiency = e.efficiency;
        score.error = e.error;
        score.minOverMean = e.uniformity.minOverMean;
        score.minOverMeanHigh = e.uniformity.minOverMeanHigh;
        score.maxOverMean = e.uniformity.maxOverMean;
    } catch (const physics::PhysicalDesignError& e) {
        score.refusal = e.what();
    }
    score.tolerance = options.tolerance;
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

namespace {

// The designs a stage estimates first: as many as the list holds.
std::size_t FirstRound(const PhysicalSearch::RunOptions& options) {
    return std::max<std::size_t>(options.top, 1);
}

} // namespace

// --- Refinement at full tolerance ---

// Re-estimates the refinement's candidates round by round; false when a stop cut it short.
bool PhysicalSearch::refine(TopListRefinement& refinement, std::vector<PhysicalScore>& scores,
                            const RunOptions& options, ProgressCounter& progress) {
    const int threads = std::max(1, options.threads);
    std::size_t size = FirstRound(options);
    for (;;) {
        const std::vector<std::int64_t> round = refinement.next(size);
        size = LaterRound;
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
                                    std::vector<Evaluation>& pixel, bool coarse) {
    ProgressCounter progress(options.control, 0, size());
    const int threads = std::max(1, options.threads);
    std::vector<std::unique_ptr<FastEvaluator>> evaluators(static_cast<std::size_t>(threads));
    physics::EstimateOptions estimate = settings_.estimateOptions(false);
    estimate.tolerance = screeningTolerance();
    if (coarse)
        estimate = CoarseOptions(estimate);
    WorkerThreads::ForEach(
        size(), BatchSize, threads, options.control.stop,
        [&](int slot, std::int64_t i) {
            const Design design = designAt(i);
            const auto at = static_cast<std::size_t>(i);
            scores[at] = scoreWith(design, estimate);
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

// The coarse estimate's precision, first samples and bins with the search's other settings.
physics::EstimateOptions PhysicalSearch::CoarseOptions(physics::EstimateOptions options) {
    const physics::EstimateOptions coarse = physics::EstimateOptions::Coarse();
    options.tolerance = coarse.tolerance;
    options.cellsPerHalfTurn = coarse.cellsPerHalfTurn;
    options.bins = coarse.bins;
    return options;
}

// Whether the designs are first screened coarsely: only when every screening figure is not
// kept for the CSV file and uniformity decides nothing (the coarse figures would count
// differently below the floor), and when the coarse estimate is the looser one.
bool PhysicalSearch::prunesFirst(const RunOptions& options) const {
    return !options.keepAll && options.top > 0 && !(minUniformity_ > 0) &&
           physics::EstimateOptions::Coarse().tolerance > screeningTolerance();
}

// Estimates again, at `tolerance`, the designs whose known figures are looser and could still
// reach the top list, in order of their known upper bounds. A design whose upper bound lies
// below the top-th best lower bound at that tolerance cannot be listed: each of those designs'
// full figures lies above that, so the list's last full figure does too. The bounds are widened
// by ScreeningSafety as the refinement widens them. False when a stop cut it short.
bool PhysicalSearch::sharpen(const RunOptions& options, std::vector<PhysicalScore>& scores,
                             double tolerance) {
    const int threads = std::max(1, options.threads);
    const auto upper = [](const PhysicalScore& s) {
        return s.efficiency + ScreeningSafety * s.error;
    };
    std::vector<std::int64_t> order;
    for (std::int64_t i = 0; i < size(); ++i) {
        if (!scores[static_cast<std::size_t>(i)].refused())
            order.push_back(i);
    }
    std::sort(order.begin(), order.end(), [&](std::int64_t a, std::int64_t b) {
        const double ua = upper(scores[static_cast<std::size_t>(a)]);
        const double ub = upper(scores[static_cast<std::size_t>(b)]);
        return ua != ub ? ua > ub : a < b;
    });
    // The top-th best screening lower bounds so far, the least first.
    std::vector<double> lower;
    const auto floor = [&] {
        return lower.size() < options.top ? -std::numeric_limits<double>::infinity()
                                          : lower.front();
    };
    std::size_t round = FirstRound(options);
    std::size_t next = 0;
    while (next < order.size() &&
           !(upper(scores[static_cast<std::size_t>(order[next])]) < floor())) {
        std::vector<std::int64_t> batch;
        while (batch.size() < round && next < order.size() &&
               !(upper(scores[static_cast<std::size_t>(order[next])]) < floor()))
            batch.push_back(order[next++]);
        std::vector<PhysicalScore> sharp(batch.size());
        WorkerThreads::ForEach(
            static_cast<std::int64_t>(batch.size()), 1, threads, options.control.stop,
            [&](int, std::int64_t k) {
                const auto at = static_cast<std::size_t>(k);
                const PhysicalScore& known = scores[static_cast<std::size_t>(batch[at])];
                sharp[at] =
                    known.tolerance > tolerance ? score(designAt(batch[at]), tolerance) : known;
            },
            pool_);
        if (options.control.stopRequested())
            return false;
        round = LaterRound;
        for (std::size_t k = 0; k < batch.size(); ++k) {
            const PhysicalScore& s = sharp[k];
            scores[static_cast<std::size_t>(batch[k])] = s;
            if (s.refused())
                continue;
            lower.push_back(s.efficiency - ScreeningSafety * s.error);
            std::push_heap(lower.begin(), lower.end(), std::greater<>());
            if (lower.size() > options.top) {
                std::pop_heap(lower.begin(), lower.end(), std::greater<>());
                lower.pop_back();
            }
        }
    }
    return true;
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
        // Listed after a stop with coarse figures only: estimated again as coarsely, with the
        // irradiance the list shows.
        if (scores[at].tolerance > screeningTolerance()) {
            physics::EstimateOptions binned = CoarseOptions(settings_.estimateOptions(false));
            binned.bins = settings_.bins;
            scores[at] = scoreWith(design, binned);
        }
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
    const bool prune = prunesFirst(options);
    outcome.screened = screen(options, scores, pixel, prune);
    outcome.total = size();
    outcome.stopped = outcome.screened < outcome.total;
    if (prune && !outcome.stopped)
        outcome.stopped = !sharpen(options, scores, screeningTolerance());
    // Then as far again for the designs still within reach, when the tolerance asked lies below:
    // the refinement's full estimates go to fewer designs.
    if (prune && !outcome.stopped && settings_.tolerance < SharpTolerance &&
        SharpTolerance < screeningTolerance())
        outcome.stopped = !sharpen(options, scores, SharpTolerance);
    outcome.screeningSeconds = since();
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
