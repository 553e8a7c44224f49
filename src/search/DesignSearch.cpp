// SPDX-License-Identifier: GPL-3.0-or-later
// The design search. Sections: the search order (designAt); ranking; collecting the workers'
// batches and best designs; running the workers.

#include "DesignSearch.h"

#include "BoundedTop.h"
#include "FastEvaluator.h"
#include "WorkerThreads.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace kavrol {

namespace {

// --- The search order (designAt) ---

std::int64_t DesignsOfShape(const SearchSpace& space, int shape) {
    const std::int64_t cCount = SearchSpace::UsesC(shape) ? space.c.count() : 1;
    return std::int64_t{space.lamp.count()} * space.a.count() * space.b.count() * cCount;
}

} // namespace

DesignSearch::DesignSearch(const EvaluationContext& context, const SearchSpace& space)
    : context_(context), space_(space) {
    for (const int shape : space_.shapes)
        size_ += DesignsOfShape(space_, shape);
    // Fail here, on the caller's thread, for a context no evaluator takes.
    FastEvaluator probe(context_);
}

Design DesignSearch::designAt(std::int64_t index) const {
    if (index < 0 || index >= size_)
        throw std::out_of_range("design index outside the search space");
    for (const int shape : space_.shapes) {
        const std::int64_t count = DesignsOfShape(space_, shape);
        if (index >= count) {
            index -= count;
            continue;
        }
        const std::int64_t cCount = SearchSpace::UsesC(shape) ? space_.c.count() : 1;
        Design d;
        d.shape = shape;
        d.refC = space_.c.at(static_cast<int>(index % cCount));
        index /= cCount;
        d.refB = space_.b.at(static_cast<int>(index % space_.b.count()));
        index /= space_.b.count();
        d.refA = space_.a.at(static_cast<int>(index % space_.a.count()));
        index /= space_.a.count();
        d.lamp = space_.lamp.at(static_cast<int>(index));
        return d;
    }
    throw std::out_of_range("design index outside the search space");
}

// --- Ranking ---

bool DesignSearch::Better(const ScoredDesign& a, const ScoredDesign& b) {
    if (a.evaluation.efficiency != b.evaluation.efficiency)
        return a.evaluation.efficiency > b.evaluation.efficiency;
    return a.index < b.index;
}

namespace {

// The ranking as a function object, for the bounded heaps of the best designs.
struct Ranking {
    bool operator()(const ScoredDesign& a, const ScoredDesign& b) const {
        return DesignSearch::Better(a, b);
    }
};
using BestDesigns = BoundedTop<ScoredDesign, Ranking>;

// --- Collecting the workers' batches and best designs ---

// Gathers the workers' batches under one lock: keeps every refused design and hands the batches
// to onBatch in search order, holding back those that finish early. Only a gap-free prefix of
// the search order is handed on: after a batch cut short by a stop, nothing more is.
class Collector {
public:
    Collector(const SearchOptions& options, SearchOutcome& outcome)
        : options_(options), outcome_(outcome), best_(options.top) {}

    void deliver(std::int64_t batch, std::vector<ScoredDesign>&& results, bool complete) {
        const std::lock_guard<std::mutex> guard(lock_);
        for (const ScoredDesign& s : results)
            if (s.evaluation.refused())
                outcome_.refused.push_back(s);
        outcome_.evaluated += static_cast<std::int64_t>(results.size());
        if (!options_.onBatch)
            return;
        waiting_.emplace(batch, Pending{std::move(results), complete});
        while (!prefixEnded_ && !waiting_.empty() && waiting_.begin()->first == delivered_) {
            const Pending& next = waiting_.begin()->second;
            options_.onBatch(next.results);
            outcome_.delivered += static_cast<std::int64_t>(next.results.size());
            prefixEnded_ = !next.complete;
            waiting_.erase(waiting_.begin());
            ++delivered_;
        }
    }

    // A worker's best designs, once the workers have ended.
    void merge(BestDesigns& best) { best_.merge(best); }

    // After the workers: ranks the best designs and lists the refusals in search order. Batches
    // behind a gap (after a stop) are not handed on.
    void finish() {
        outcome_.best = best_.takeSorted();
        std::sort(outcome_.refused.begin(), outcome_.refused.end(),
                  [](const ScoredDesign& a, const ScoredDesign& b) { return a.index < b.index; });
    }

private:
    struct Pending {
        std::vector<ScoredDesign> results;
        bool complete = true;
    };

    const SearchOptions& options_;
    SearchOutcome& outcome_;
    BestDesigns best_;
    std::mutex lock_;
    std::map<std::int64_t, Pending> waiting_;
    std::int64_t delivered_ = 0;
    bool prefixEnded_ = false;
};

} // namespace

// --- Running the workers ---

SearchOutcome DesignSearch::run(const SearchOptions& options) {
    const auto started = std::chrono::steady_clock::now();
    SearchOutcome outcome;
    outcome.total = size_;
    const std::int64_t batches = (size_ + BatchSize - 1) / BatchSize;
    Collector collector(options, outcome);
    ProgressCounter progress(options.control, 0, size_);
    // Each worker has its own evaluator and ranks its own designs without a lock; the heaps
    // are merged once the workers have ended.
    const int threads = std::max(1, options.threads);
    std::vector<std::unique_ptr<FastEvaluator>> evaluators(static_cast<std::size_t>(threads));
    std::vector<BestDesigns> best(static_cast<std::size_t>(threads), BestDesigns(options.top));
    // A worker takes the next batch until none is left, a stop is asked for or one fails.
    const auto work = [&](int slot, std::int64_t batch) {
        auto& evaluator = evaluators[static_cast<std::size_t>(slot)];
        if (!evaluator)
            evaluator = std::make_unique<FastEvaluator>(context_);
        std::vector<ScoredDesign> results;
        const std::int64_t end = std::min(size_, (batch + 1) * BatchSize);
        for (std::int64_t i = batch * BatchSize; i < end && !options.control.stopRequested(); ++i) {
            ScoredDesign s;
            s.index = i;
            s.design = designAt(i);
            s.evaluation = evaluator->evaluate(s.design);
            if (!s.evaluation.refused())
                best[static_cast<std::size_t>(slot)].offer(s);
            results.push_back(std::move(s));
            progress.step();
        }
        const bool complete = static_cast<std::int64_t>(results.size()) == end - batch * BatchSize;
        collector.deliver(batch, std::move(results), complete);
    };
    PoolReport pool{threads, {}};
    WorkerThreads::ForEach(batches, 1, threads, options.control.stop, work, pool);
    outcome.threads = pool.threads;
    outcome.threadRefusal = pool.refusal;
    for (BestDesigns& b : best)
        collector.merge(b);
    collector.finish();
    outcome.stopped = outcome.evaluated < size_;
    outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return outcome;
}

} // namespace kavrol
