// SPDX-License-Identifier: GPL-3.0-or-later
// The search by the physical share on a small grid that is also estimated exhaustively at full
// tolerance: the screening loses no design of the true top list and the uniformity floor holds.
#include "PhysicalSearch.h"
#include "PhysicalGrid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kavrol {
namespace {

using testing_support::Indices;
using testing_support::SmallGrid;

struct Exhaustive {
    std::vector<PhysicalScore> scores;
    // The best designs meeting the floor by their full figures, ties in search order.
    std::vector<std::int64_t> ranked(double minUniformity, std::size_t top) const {
        std::vector<std::int64_t> order;
        for (std::size_t i = 0; i < scores.size(); ++i)
            if (!scores[i].refused() && scores[i].minOverMean >= minUniformity)
                order.push_back(static_cast<std::int64_t>(i));
        std::stable_sort(order.begin(), order.end(), [this](std::int64_t a, std::int64_t b) {
            return scores[static_cast<std::size_t>(a)].efficiency >
                   scores[static_cast<std::size_t>(b)].efficiency;
        });
        order.resize(std::min(order.size(), top));
        return order;
    }
};

const Exhaustive& FullGrid() {
    static const Exhaustive full = [] {
        const PhysicalSearch search(EvaluationContext{}, SmallGrid(), PhysicalSettings{}, 0.0);
        Exhaustive e;
        for (std::int64_t i = 0; i < search.size(); ++i)
            e.scores.push_back(search.score(search.designAt(i), PhysicalSettings{}.tolerance));
        return e;
    }();
    return full;
}

TEST(PhysicalSearch, ScreeningLosesNoDesignOfTheExhaustiveTopList) {
    struct Case {
        std::size_t top;
        double minUniformity;
    };
    const Exhaustive& full = FullGrid();
    const std::vector<Case> cases = {{1, 0.0}, {3, 0.0}, {8, 0.0}, {50, 0.0}, {3, 0.2}, {2, 0.99}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "top " << c.top << ", min/mean " << c.minUniformity);
        PhysicalSearch search(EvaluationContext{}, SmallGrid(), PhysicalSettings{},
                              c.minUniformity);
        PhysicalSearch::RunOptions run;
        run.top = c.top;
        const PhysicalSearchOutcome outcome = search.run(run);
        EXPECT_FALSE(outcome.stopped);
        EXPECT_EQ(Indices(outcome), full.ranked(c.minUniformity, c.top));
        for (const auto& s : outcome.best) {
            const PhysicalScore& expected = full.scores[static_cast<std::size_t>(s.index)];
            EXPECT_EQ(s.score.efficiency, expected.efficiency);
            EXPECT_EQ(s.score.error, expected.error);
            EXPECT_EQ(s.score.minOverMean, expected.minOverMean);
            EXPECT_GE(s.score.minOverMean, c.minUniformity);
            EXPECT_EQ(s.score.tolerance, 0.0005);
        }
        EXPECT_EQ(outcome.refusedCount,
                  std::count_if(full.scores.begin(), full.scores.end(),
                                [](const PhysicalScore& p) { return p.refused(); }));
        EXPECT_LE(outcome.reestimated, outcome.candidates);
        if (c.minUniformity > 0) {
            EXPECT_GT(outcome.belowUniformity, 0);
        }
    }
}

// The coarse figures the search prunes with hold their bound against the full ones of the same
// design, and refuse exactly the designs the full estimate refuses.
TEST(PhysicalSearch, CoarseFiguresBoundTheFullOnes) {
    const Exhaustive& full = FullGrid();
    const PhysicalSearch search(EvaluationContext{}, SmallGrid(), PhysicalSettings{}, 0.0);
    for (std::int64_t i = 0; i < search.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "design " << i);
        const PhysicalScore coarse = search.coarseScore(search.designAt(i));
        const PhysicalScore& exact = full.scores[static_cast<std::size_t>(i)];
        ASSERT_EQ(coarse.refused(), exact.refused());
        if (coarse.refused())
            continue;
        EXPECT_EQ(coarse.tolerance, 0.1);
        EXPECT_LE(coarse.error, 0.1);
        EXPECT_LE(std::abs(coarse.efficiency - exact.efficiency), coarse.error + exact.error);
    }
}

TEST(PhysicalSearch, RefusalKindsDropTheFigures) {
    EXPECT_EQ(PhysicalSearch::RefusalKind(
                  "C (170 mm) must be below A (160 mm) for the trapezoid and the twin arc"),
              "C must be below A for the trapezoid and the twin arc");
    EXPECT_EQ(PhysicalSearch::RefusalKind("The reflector cuts through the tube: it passes 3 mm"),
              "The reflector cuts through the tube");
}

} // namespace
} // namespace kavrol
