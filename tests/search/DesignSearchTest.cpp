// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesignSearch.h"
#include "SingleBuild.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>

namespace kavrol {
namespace {

SearchSpace SmallSpace() {
    SearchSpace space;
    space.a = {60, 200, 28};   // 6 values
    space.b = {10, 200, 38};   // 6 values
    space.c = {10, 200, 38};   // 6 values
    space.lamp = {20, 80, 30}; // 3 values
    return space;
}

std::vector<ScoredDesign> RunCollecting(DesignSearch& search, SearchOptions options,
                                        SearchOutcome& outcome) {
    std::vector<ScoredDesign> all;
    options.onBatch = [&all](const std::vector<ScoredDesign>& batch) {
        all.insert(all.end(), batch.begin(), batch.end());
    };
    outcome = search.run(options);
    return all;
}

TEST(DesignSearch, VisitsTheParabolaOncePerCombinationWithoutC) {
    const SearchSpace space = SmallSpace();
    DesignSearch search(EvaluationContext{}, space);
    EXPECT_EQ(search.size(), 3 * 6 * 6 * 6 + 3 * 6 * 6 + 3 * 6 * 6 * 6);
    const Design first = search.designAt(0);
    EXPECT_EQ(first.shape, 0);
    EXPECT_EQ(first.refA, 60);
    EXPECT_EQ(first.refB, 10);
    EXPECT_EQ(first.refC, 10);
    EXPECT_EQ(first.lamp, 20);
    const Design second = search.designAt(1);
    EXPECT_EQ(second.refC, 48); // C varies fastest
    const Design parabola = search.designAt(3 * 6 * 6 * 6);
    EXPECT_EQ(parabola.shape, 1);
    EXPECT_EQ(search.designAt(3 * 6 * 6 * 6 + 1).refB, 48);
}

// On two threads every design arrives once, in search order; the best are ranked as a sort of
// the built ones would rank them, and every refused design is listed in order.
TEST(DesignSearch, DeliversEveryDesignOnceAndRanksTheBest) {
    DesignSearch search(EvaluationContext{}, SmallSpace());
    SearchOptions options;
    options.threads = 2;
    options.top = 7;
    SearchOutcome outcome;
    const std::vector<ScoredDesign> all = RunCollecting(search, options, outcome);
    ASSERT_EQ(static_cast<std::int64_t>(all.size()), search.size());
    std::vector<ScoredDesign> built;
    std::int64_t refused = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        ASSERT_EQ(all[i].index, static_cast<std::int64_t>(i));
        const Design expected = search.designAt(all[i].index);
        EXPECT_EQ(all[i].design.refA, expected.refA);
        EXPECT_EQ(all[i].design.refC, expected.refC);
        if (all[i].evaluation.refused())
            ++refused;
        else
            built.push_back(all[i]);
    }
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(outcome.evaluated, search.size());
    EXPECT_GT(refused, 0);
    EXPECT_EQ(static_cast<std::int64_t>(outcome.refused.size()), refused);
    EXPECT_TRUE(std::is_sorted(outcome.refused.begin(), outcome.refused.end(),
                               [](const auto& a, const auto& b) { return a.index < b.index; }));
    std::sort(built.begin(), built.end(), DesignSearch::Better);
    ASSERT_EQ(outcome.best.size(), 7u);
    for (std::size_t i = 0; i < outcome.best.size(); ++i) {
        EXPECT_EQ(outcome.best[i].index, built[i].index);
        EXPECT_EQ(outcome.best[i].evaluation.efficiency, built[i].evaluation.efficiency);
    }
}

// What the search reports, best designs and refusals alike, is what a single build gives.
TEST(DesignSearch, ReportsTheEfficiencyOfASingleBuildBitForBit) {
    EvaluationContext context;
    context.tube = 2;
    context.albedo = 0.9L;
    DesignSearch search(context, SmallSpace());
    SearchOptions options;
    options.threads = 2;
    options.top = 5;
    SearchOutcome outcome;
    const std::vector<ScoredDesign> all = RunCollecting(search, options, outcome);
    std::vector<ScoredDesign> sample(outcome.best);
    for (std::size_t i = 0; i < all.size(); i += 17)
        sample.push_back(all[i]);
    for (const ScoredDesign& s : sample) {
        const Evaluation expected = test::SingleBuild(context, s.design);
        const std::string state = "design " + std::to_string(s.index) + " in " +
                                  test::Describe(context) +
                                  "\n  search: " + test::Describe(s.evaluation) +
                                  "\n  build:  " + test::Describe(expected);
        EXPECT_EQ(s.evaluation.refusal, expected.refusal) << state;
        EXPECT_TRUE(test::SameBits(s.evaluation.efficiency, expected.efficiency)) << state;
    }
}

TEST(DesignSearch, StopsWhenAskedAndKeepsTheBestSoFar) {
    DesignSearch search(EvaluationContext{}, SmallSpace());
    std::atomic<bool> stop{false};
    SearchOptions options;
    options.threads = 2;
    options.control.stop = &stop;
    options.onBatch = [&stop](const std::vector<ScoredDesign>&) { stop.store(true); };
    const SearchOutcome outcome = search.run(options);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_LT(outcome.evaluated, search.size());
    EXPECT_GE(outcome.evaluated, DesignSearch::BatchSize);
    EXPECT_FALSE(outcome.best.empty());

    // Stopped before it starts, it evaluates nothing.
    options.onBatch = nullptr;
    const SearchOutcome none = search.run(options);
    EXPECT_TRUE(none.stopped);
    EXPECT_EQ(none.evaluated, 0);
    EXPECT_TRUE(none.best.empty());
}

// The best N kept in bounded heaps per worker and merged are the first N of every built design
// ranked, for any N and any number of threads.
TEST(DesignSearch, TheBestOfEveryTopAreTheFirstOfTheFullRanking) {
    DesignSearch search(EvaluationContext{}, SmallSpace());
    SearchOutcome full;
    std::vector<ScoredDesign> ranked;
    for (const ScoredDesign& s : RunCollecting(search, SearchOptions{}, full))
        if (!s.evaluation.refused())
            ranked.push_back(s);
    std::sort(ranked.begin(), ranked.end(), DesignSearch::Better);
    ASSERT_GT(ranked.size(), 10u);
    for (const std::size_t top :
         {std::size_t{0}, std::size_t{1}, std::size_t{7}, ranked.size(), ranked.size() + 5}) {
        for (const int threads : {1, 3}) {
            SCOPED_TRACE(std::to_string(top) + " best, " + std::to_string(threads) + " threads");
            SearchOptions options;
            options.top = top;
            options.threads = threads;
            const SearchOutcome outcome = search.run(options);
            ASSERT_EQ(outcome.best.size(), std::min(top, ranked.size()));
            for (std::size_t i = 0; i < outcome.best.size(); ++i)
                EXPECT_EQ(outcome.best[i].index, ranked[i].index) << i;
        }
    }
}

// However the workers are cut short, onBatch has seen the first designs of the search order
// without a gap, and the outcome says how many.
TEST(DesignSearch, AStopLeavesAGapFreePrefixOfTheSearchOrder) {
    DesignSearch search(EvaluationContext{}, SmallSpace());
    for (const int threads : {2, 3}) {
        for (const int batches : {1, 2, 3}) {
            SCOPED_TRACE(std::to_string(threads) + " threads, stop after " +
                         std::to_string(batches) + " batches");
            std::atomic<bool> stop{false};
            std::vector<std::int64_t> seen;
            int calls = 0;
            SearchOptions options;
            options.threads = threads;
            options.control.stop = &stop;
            options.onBatch = [&](const std::vector<ScoredDesign>& batch) {
                for (const ScoredDesign& s : batch)
                    seen.push_back(s.index);
                if (++calls == batches)
                    stop.store(true);
            };
            const SearchOutcome outcome = search.run(options);
            ASSERT_EQ(static_cast<std::int64_t>(seen.size()), outcome.delivered);
            EXPECT_LE(outcome.delivered, outcome.evaluated);
            for (std::size_t i = 0; i < seen.size(); ++i)
                ASSERT_EQ(seen[i], static_cast<std::int64_t>(i));
        }
    }
}

} // namespace
} // namespace kavrol
