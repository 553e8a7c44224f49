// SPDX-License-Identifier: GPL-3.0-or-later
// The one worker pool and the one stop and progress convention every search shares: each item
// once, a stop ends the handing out, the first failure comes back, and the progress a search
// reports only grows and ends at its total.
#include "WorkerThreads.h"
#include "DesignSearch.h"
#include "PhysicalGrid.h"
#include "PhysicalSearch.h"
#include "SearchControl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace kavrol {
namespace {

TEST(WorkerThreads, EveryItemOnceOnAnyNumberOfThreadsAndBatch) {
    for (const int threads : {1, 2, 5}) {
        for (const std::int64_t batch : {1, 3, 64}) {
            SCOPED_TRACE(testing::Message() << threads << " threads, batches of " << batch);
            std::vector<std::atomic<int>> visits(200);
            std::vector<std::atomic<int>> slots(static_cast<std::size_t>(threads));
            PoolReport report{threads, {}};
            WorkerThreads::ForEach(
                200, batch, threads, nullptr,
                [&](int slot, std::int64_t i) {
                    ++visits[static_cast<std::size_t>(i)];
                    ++slots[static_cast<std::size_t>(slot)];
                },
                report);
            for (std::size_t i = 0; i < visits.size(); ++i)
                ASSERT_EQ(visits[i].load(), 1) << i;
            EXPECT_EQ(report.threads, threads);
            EXPECT_TRUE(report.refusal.empty());
        }
    }
}

TEST(WorkerThreads, AStopEndsTheHandingOutAndTheFirstFailureComesBack) {
    std::atomic<bool> stop{false};
    std::atomic<int> calls{0};
    PoolReport report{2, {}};
    WorkerThreads::ForEach(
        1000, 4, 2, &stop,
        [&](int, std::int64_t) {
            if (++calls == 10)
                stop.store(true);
        },
        report);
    // Each thread finishes at most the item it was on when the flag turned.
    EXPECT_GE(calls.load(), 10);
    EXPECT_LE(calls.load(), 11);

    std::atomic<int> after{0};
    const auto failing = [&](int, std::int64_t i) {
        if (i == 5)
            throw std::runtime_error("item 5");
        if (i > 500)
            ++after;
    };
    try {
        WorkerThreads::ForEach(1000, 1, 1, nullptr, failing, report);
        ADD_FAILURE() << "no failure came back";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "item 5");
    }
    EXPECT_EQ(after.load(), 0) << "one thread stops at its failure";
}

TEST(SearchControl, ProgressOnlyGrowsAndEndsAtTheTotal) {
    std::int64_t last = 0;
    std::int64_t total = 0;
    int calls = 0;
    SearchControl control;
    control.progress = [&](const SearchProgress& p) {
        // Never called concurrently: plain variables suffice.
        EXPECT_EQ(p.stage, 0);
        EXPECT_GT(p.done, last);
        last = p.done;
        total = p.total;
        ++calls;
    };
    SearchOptions options;
    options.threads = 3;
    options.control = control;
    SearchSpace space;
    space.a = {60, 200, 28};
    space.b = {10, 200, 38};
    DesignSearch search(EvaluationContext{}, space);
    const SearchOutcome outcome = search.run(options);
    EXPECT_EQ(total, search.size());
    EXPECT_EQ(last, search.size());
    EXPECT_EQ(outcome.evaluated, search.size());
    EXPECT_GT(calls, 1);
}

TEST(SearchControl, ThePhysicalSearchReportsBothStages) {
    std::vector<SearchProgress> seen;
    PhysicalSearch search(EvaluationContext{}, testing_support::SmallGrid(), PhysicalSettings{},
                          0.0);
    PhysicalSearch::RunOptions run;
    run.top = 3;
    run.control.progress = [&](const SearchProgress& p) { seen.push_back(p); };
    const PhysicalSearchOutcome outcome = search.run(run);
    ASSERT_FALSE(seen.empty());
    std::int64_t screened = 0;
    std::int64_t again = 0;
    for (const SearchProgress& p : seen) {
        if (p.stage == 0) {
            EXPECT_EQ(again, 0) << "the screening comes first";
            EXPECT_EQ(p.total, search.size());
            screened = p.done;
        } else {
            EXPECT_EQ(p.total, outcome.candidates);
            again = p.done;
        }
    }
    EXPECT_EQ(screened, outcome.screened);
    EXPECT_EQ(again, outcome.reestimated);
    EXPECT_GT(again, 0);
}

} // namespace
} // namespace kavrol
