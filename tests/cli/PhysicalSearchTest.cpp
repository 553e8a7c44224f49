// SPDX-License-Identifier: GPL-3.0-or-later
// The search by the physical share on a small grid that is also estimated exhaustively at full
// tolerance: the screening loses no design of the true top list, the figures are those of a
// single build, the uniformity floor holds, and threads change nothing.
#include "PhysicalSearch.h"
#include "CommandLine.h"
#include "OptimiseCommand.h"
#include "PhysicalBuild.h"
#include "PhysicalOptimise.h"

#include <gtest/gtest.h>

#include <sstream>

#include <algorithm>
#include <atomic>
#include <vector>

namespace kavrol {
namespace {

// 18 trapezoids, 9 parabolas and 18 twin arcs near the best of the window's grid; the physical
// model refuses C = 170 for A = 160 (C not below A) and for the twin arcs (the tube behind
// the ridge).
SearchSpace SmallGrid() {
    SearchSpace space;
    space.a = {160, 200, 20};
    space.b = {80, 120, 20};
    space.c = {20, 170, 150};
    return space;
}

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

std::vector<std::int64_t> Indices(const PhysicalSearchOutcome& outcome) {
    std::vector<std::int64_t> indices;
    for (const auto& s : outcome.best)
        indices.push_back(s.index);
    return indices;
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

// The listed figures are the single build's estimate of the same design, to the last bit.
TEST(PhysicalSearch, FiguresEqualTheSingleBuildsEstimate) {
    PhysicalSearch search(EvaluationContext{}, SmallGrid(), PhysicalSettings{}, 0.0);
    PhysicalSearch::RunOptions run;
    run.top = 4;
    const PhysicalSearchOutcome outcome = search.run(run);
    ASSERT_EQ(outcome.best.size(), 4u);
    for (const auto& s : outcome.best) {
        CliOptions single = ParseCommandLine({"--physical"});
        single.inputs.shape = s.design.shape;
        single.inputs.refA = s.design.refA;
        single.inputs.refB = s.design.refB;
        single.inputs.refC = s.design.refC;
        const PhysicalBuild build(single.inputs, single.physical);
        ASSERT_TRUE(build.estimate().has_value());
        EXPECT_EQ(s.score.efficiency, build.estimate()->efficiency);
        EXPECT_EQ(s.score.error, build.estimate()->error);
        EXPECT_EQ(s.score.minOverMean, build.estimate()->uniformity.minOverMean);
        EXPECT_EQ(s.score.maxOverMean, build.estimate()->uniformity.maxOverMean);
        ASSERT_TRUE(s.pixel.has_value());
    }
}

TEST(PhysicalSearch, TheOutcomeIsTheSameOnAnyNumberOfThreads) {
    std::vector<PhysicalSearchOutcome> outcomes;
    for (const int threads : {1, 3}) {
        PhysicalSearch search(EvaluationContext{}, SmallGrid(), PhysicalSettings{}, 0.1);
        PhysicalSearch::RunOptions run;
        run.threads = threads;
        run.top = 5;
        run.keepAll = true;
        outcomes.push_back(search.run(run));
    }
    EXPECT_EQ(Indices(outcomes[0]), Indices(outcomes[1]));
    EXPECT_EQ(outcomes[0].reestimated, outcomes[1].reestimated);
    ASSERT_EQ(outcomes[0].all.size(), outcomes[1].all.size());
    for (std::size_t i = 0; i < outcomes[0].all.size(); ++i)
        EXPECT_EQ(PhysicalOptimise::CsvLine(outcomes[0].all[i]),
                  PhysicalOptimise::CsvLine(outcomes[1].all[i]));
}

// Every line has the header's columns; the tolerance says which figures were estimated again.
TEST(PhysicalSearch, CsvLinesCarryBothModelsAndTheTolerance) {
    PhysicalSearch search(EvaluationContext{}, SmallGrid(), PhysicalSettings{}, 0.0);
    PhysicalSearch::RunOptions run;
    run.top = 2;
    run.keepAll = true;
    const PhysicalSearchOutcome outcome = search.run(run);
    ASSERT_EQ(static_cast<std::int64_t>(outcome.all.size()), search.size());
    // Commas inside quoted fields (the refusals) separate nothing.
    const auto columns = [](const std::string& line) {
        int count = 1;
        bool quoted = false;
        for (const char c : line) {
            quoted = c == '"' ? !quoted : quoted;
            count += c == ',' && !quoted;
        }
        return count;
    };
    const std::string header = PhysicalOptimise::CsvHeader();
    EXPECT_EQ(header,
              OptimiseCommand::CsvHeader().substr(0, OptimiseCommand::CsvHeader().size() - 1) +
                  ",physical,physicalError,minOverMean,maxOverMean,physicalTolerance,"
                  "physicalRefused\n");
    int full = 0;
    for (const auto& s : outcome.all) {
        const std::string line = PhysicalOptimise::CsvLine(s);
        EXPECT_EQ(columns(line), columns(header)) << line;
        full += line.find(",0.0005,") != std::string::npos;
        if (s.score.refused()) {
            // Refused designs keep the screening's tolerance, the only one they were tried at.
            std::ostringstream screening;
            screening << physics::EstimateOptions::Screening().tolerance;
            EXPECT_NE(line.find("," + screening.str() + ",\"" + s.score.refusal + "\"\n"),
                      std::string::npos)
                << line;
        }
    }
    EXPECT_EQ(full, outcome.reestimated);
    EXPECT_NE(PhysicalOptimise::CsvLine(outcome.best[0]).find(",0.0005,"), std::string::npos);
}

TEST(PhysicalSearch, AStopReportsTheBestSoFar) {
    const std::atomic<bool> stop{true};
    PhysicalSearch search(EvaluationContext{}, SmallGrid(), PhysicalSettings{}, 0.0);
    PhysicalSearch::RunOptions run;
    run.stop = &stop;
    const PhysicalSearchOutcome outcome = search.run(run);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_LT(outcome.screened, search.size());
    const std::string report = PhysicalOptimise::Report(OptimiseCommand::Parse({}), outcome);
    EXPECT_EQ(report.rfind("Stopped after screening ", 0), 0u) << report;
}

TEST(PhysicalSearch, RefusalKindsDropTheFigures) {
    EXPECT_EQ(PhysicalSearch::RefusalKind(
                  "C (170 mm) must be below A (160 mm) for the trapezoid and the twin arc"),
              "C must be below A for the trapezoid and the twin arc");
    EXPECT_EQ(PhysicalSearch::RefusalKind("The reflector cuts through the tube: it passes 3 mm"),
              "The reflector cuts through the tube");
}

TEST(PhysicalSearch, OptionsNeedThePhysicalObjective) {
    const OptimiseOptions o = OptimiseCommand::Parse(
        {"--objective", "physical", "--min-uniformity", "0.5", "--tolerance", "0.001", "--bins",
         "20", "--water-reflection", "lost", "--tube-transmission", "0.1"});
    EXPECT_TRUE(o.objective.physical);
    EXPECT_EQ(o.objective.minUniformity, 0.5);
    EXPECT_EQ(o.objective.settings.tolerance, 0.001);
    EXPECT_EQ(o.objective.settings.bins, 20);
    EXPECT_EQ(o.objective.settings.waterReflection, 1);
    EXPECT_EQ(o.objective.settings.tubeTransmission, 0.1);
    EXPECT_FALSE(OptimiseCommand::Parse({}).objective.physical);
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> refused = {
        {{"--min-uniformity", "0.5"}, "--min-uniformity: only with --objective physical"},
        {{"--objective", "pixel", "--bins", "20"}, "--bins: only with --objective physical"},
        {{"--objective", "best"}, "--objective: expected pixel or physical, got 'best'"},
        {{"--objective", "physical", "--min-uniformity", "1.5"},
         "--min-uniformity: expected a number from 0 to 1, got '1.5'"},
        {{"--objective", "physical", "--no-lamp"},
         "--no-lamp: the physical model always has its tube; only with --objective pixel"},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.message);
        try {
            OptimiseCommand::Parse(c.args);
            ADD_FAILURE() << "accepted";
        } catch (const UsageError& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

} // namespace
} // namespace kavrol
