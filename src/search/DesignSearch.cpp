#include "DesignSearch.h"

#include "FastEvaluator.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace kavrol {

namespace {

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

bool DesignSearch::Better(const ScoredDesign& a, const ScoredDesign& b) {
    if (a.evaluation.efficiency != b.evaluation.efficiency)
        return a.evaluation.efficiency > b.evaluation.efficiency;
    return a.index < b.index;
}

SearchOutcome DesignSearch::run(const SearchOptions& options) {
    const auto started = std::chrono::steady_clock::now();
    SearchOutcome outcome;
    outcome.total = size_;
    done_.store(0);
    const std::int64_t batches = (size_ + BatchSize - 1) / BatchSize;
    std::atomic<std::int64_t> nextBatch{0};
    std::mutex lock;
    // Batches that finished before an earlier one wait here, so that onBatch sees search order.
    std::map<std::int64_t, std::vector<ScoredDesign>> waiting;
    std::int64_t delivered = 0;
    std::exception_ptr failure;
    auto stopRequested = [&] {
        return options.stop != nullptr && options.stop->load(std::memory_order_relaxed);
    };

    // Called with the lock held.
    auto keep = [&](const ScoredDesign& s) {
        if (s.evaluation.refused()) {
            outcome.refused.push_back(s);
            return;
        }
        if (options.top == 0)
            return;
        if (outcome.best.size() == options.top && !Better(s, outcome.best.back()))
            return;
        const auto at = std::upper_bound(outcome.best.begin(), outcome.best.end(), s, Better);
        outcome.best.insert(at, s);
        if (outcome.best.size() > options.top)
            outcome.best.pop_back();
    };
    auto deliver = [&](std::int64_t batch, std::vector<ScoredDesign>&& results) {
        for (const ScoredDesign& s : results)
            keep(s);
        outcome.evaluated += static_cast<std::int64_t>(results.size());
        if (!options.onBatch)
            return;
        waiting.emplace(batch, std::move(results));
        while (!waiting.empty() && waiting.begin()->first == delivered) {
            options.onBatch(waiting.begin()->second);
            waiting.erase(waiting.begin());
            ++delivered;
        }
    };

    auto work = [&] {
        try {
            FastEvaluator evaluator(context_);
            std::vector<ScoredDesign> results;
            for (;;) {
                const std::int64_t batch = nextBatch.fetch_add(1);
                if (batch >= batches || stopRequested())
                    return;
                results.clear();
                const std::int64_t end = std::min(size_, (batch + 1) * BatchSize);
                for (std::int64_t i = batch * BatchSize; i < end && !stopRequested(); ++i) {
                    ScoredDesign s;
                    s.index = i;
                    s.design = designAt(i);
                    s.evaluation = evaluator.evaluate(s.design);
                    results.push_back(std::move(s));
                    done_.fetch_add(1, std::memory_order_relaxed);
                }
                const std::lock_guard<std::mutex> guard(lock);
                deliver(batch, std::move(results));
                results = {};
            }
        } catch (...) {
            const std::lock_guard<std::mutex> guard(lock);
            if (!failure)
                failure = std::current_exception();
            // Make the other workers stop at their next batch.
            nextBatch.store(batches);
        }
    };

    const int threads = std::max(1, options.threads);
    std::vector<std::thread> pool;
    for (int k = 1; k < threads; ++k)
        pool.emplace_back(work);
    work();
    for (std::thread& t : pool)
        t.join();
    if (failure)
        std::rethrow_exception(failure);
    // After a stop, batches behind a gap are still delivered, in order.
    if (options.onBatch)
        for (const auto& [batch, results] : waiting)
            options.onBatch(results);
    // Workers finish batches in any order; refusals are listed in search order.
    std::sort(outcome.refused.begin(), outcome.refused.end(),
              [](const ScoredDesign& a, const ScoredDesign& b) { return a.index < b.index; });
    outcome.stopped = outcome.evaluated < size_;
    outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return outcome;
}

} // namespace kavrol
