// SPDX-License-Identifier: GPL-3.0-or-later
// "optimise --objective physical": the search's figures are those of a single build, threads
// change nothing in its CSV lines, a stop is reported, and the options need the objective.
#include "PhysicalOptimise.h"
#include "CommandLine.h"
#include "OptimiseCommand.h"
#include "PhysicalBuild.h"
#include "PhysicalGrid.h"
#include "PhysicalSearch.h"

#include <gtest/gtest.h>

#include <sstream>

#include <algorithm>
#include <atomic>
#include <vector>

namespace kavrol {
namespace {

using testing_support::Indices;
using testing_support::SmallGrid;

// The listed figures are the single build's estimate of the same design, to the last bit.
TEST(PhysicalOptimise, FiguresEqualTheSingleBuildsEstimate) {
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

TEST(PhysicalOptimise, TheOutcomeIsTheSameOnAnyNumberOfThreads) {
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
TEST(PhysicalOptimise, CsvLinesCarryBothModelsAndTheTolerance) {
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

TEST(PhysicalOptimise, AStopReportsTheBestSoFar) {
    const std::atomic<bool> stop{true};
    PhysicalSearch search(EvaluationContext{}, SmallGrid(), PhysicalSettings{}, 0.0);
    PhysicalSearch::RunOptions run;
    run.control.stop = &stop;
    const PhysicalSearchOutcome outcome = search.run(run);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_LT(outcome.screened, search.size());
    const std::string report = PhysicalOptimise::Report(OptimiseCommand::Parse({}), outcome);
    EXPECT_EQ(report.rfind("Stopped after screening ", 0), 0u) << report;
}

TEST(PhysicalOptimise, OptionsNeedThePhysicalObjective) {
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
