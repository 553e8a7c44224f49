#include "DesignSearch.h"
#include "BuildError.h"
#include "BuildInputs.h"
#include "OpticalModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
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

double SingleBuildEfficiency(const EvaluationContext& context, const Design& d,
                             std::string& error) {
    BuildInputs in;
    in.shape = d.shape;
    in.refA = d.refA;
    in.refB = d.refB;
    in.refC = d.refC;
    in.lamp = d.lamp;
    in.tube = context.tube;
    in.scale = context.scale;
    in.lampH = context.lampH;
    in.aquaW = context.aquaW;
    in.albedo = context.albedo;
    in.lampVisible = context.lampVisible;
    OpticalModel model(context.dotsPerInch);
    try {
        model.PaintRef(in);
    } catch (const BuildError& e) {
        error = e.what();
        return 0;
    }
    return model.efficiency();
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

TEST(DesignSearch, DeliversEveryDesignOnceInSearchOrderOnTwoThreads) {
    DesignSearch search(EvaluationContext{}, SmallSpace());
    SearchOptions options;
    options.threads = 2;
    SearchOutcome outcome;
    const std::vector<ScoredDesign> all = RunCollecting(search, options, outcome);
    ASSERT_EQ(static_cast<std::int64_t>(all.size()), search.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        ASSERT_EQ(all[i].index, static_cast<std::int64_t>(i));
        const Design expected = search.designAt(all[i].index);
        EXPECT_EQ(all[i].design.refA, expected.refA);
        EXPECT_EQ(all[i].design.refC, expected.refC);
    }
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(outcome.evaluated, search.size());
}

TEST(DesignSearch, RanksTheBestDesignsAndCountsEveryRefusedOne) {
    DesignSearch search(EvaluationContext{}, SmallSpace());
    SearchOptions options;
    options.threads = 2;
    options.top = 7;
    SearchOutcome outcome;
    std::vector<ScoredDesign> all = RunCollecting(search, options, outcome);
    std::vector<ScoredDesign> built;
    std::int64_t refused = 0;
    for (const ScoredDesign& s : all) {
        if (s.evaluation.refused())
            ++refused;
        else
            built.push_back(s);
    }
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
        std::string error;
        const double expected = SingleBuildEfficiency(context, s.design, error);
        EXPECT_EQ(s.evaluation.refusal, error) << s.index;
        const double got = s.evaluation.efficiency;
        EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << s.index;
    }
}

TEST(DesignSearch, StopsWhenAskedAndKeepsTheBestSoFar) {
    DesignSearch search(EvaluationContext{}, SmallSpace());
    std::atomic<bool> stop{false};
    SearchOptions options;
    options.threads = 2;
    options.stop = &stop;
    options.onBatch = [&stop](const std::vector<ScoredDesign>&) { stop.store(true); };
    const SearchOutcome outcome = search.run(options);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_LT(outcome.evaluated, search.size());
    EXPECT_GE(outcome.evaluated, DesignSearch::BatchSize);
    EXPECT_FALSE(outcome.best.empty());
}

TEST(DesignSearch, EvaluatesNothingWhenStoppedBeforeItStarts) {
    DesignSearch search(EvaluationContext{}, SmallSpace());
    const std::atomic<bool> stop{true};
    SearchOptions options;
    options.stop = &stop;
    const SearchOutcome outcome = search.run(options);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.evaluated, 0);
    EXPECT_TRUE(outcome.best.empty());
}

} // namespace
} // namespace kavrol
