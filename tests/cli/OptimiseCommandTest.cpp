// SPDX-License-Identifier: GPL-3.0-or-later
#include "OptimiseCommand.h"
#include "CommandLine.h"

#include <gtest/gtest.h>

namespace kavrol {
namespace {

TEST(OptimiseCommand, DefaultsToTheWindowsRangesAndAFixedLampDistance) {
    const OptimiseOptions o = OptimiseCommand::Parse({});
    EXPECT_EQ(o.space.shapes, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(o.space.a.count(), 91);
    EXPECT_EQ(o.space.b.count(), 96);
    EXPECT_EQ(o.space.c.count(), 96);
    EXPECT_EQ(o.space.lamp.count(), 1);
    EXPECT_EQ(o.space.lamp.first, 50);
    EXPECT_EQ(o.context.tube, 1);
    EXPECT_EQ(o.context.lampH, 200);
    EXPECT_EQ(o.context.aquaW, 500);
    EXPECT_TRUE(o.context.lampVisible);
}

TEST(OptimiseCommand, NarrowsRangesAndTakesTheFixedContext) {
    const OptimiseOptions o = OptimiseCommand::Parse({"--shapes",    "zefo,trapezoid",
                                                      "--a-min",     "100",
                                                      "--a-max=120", "--b-step",
                                                      "10",          "--lamp-min",
                                                      "20",          "--tube",
                                                      "T8",          "--water-distance",
                                                      "300",         "--aquarium-width",
                                                      "400",         "--albedo",
                                                      "0.9",         "--no-lamp",
                                                      "--no-grid",   "--top",
                                                      "3",           "--csv",
                                                      "out.csv"});
    EXPECT_EQ(o.space.shapes, (std::vector<int>{2, 0}));
    EXPECT_EQ(o.space.a.count(), 11);
    EXPECT_EQ(o.space.b.count(), 20);
    EXPECT_EQ(o.space.lamp.first, 20);
    EXPECT_EQ(o.space.lamp.last, 100);
    EXPECT_EQ(o.context.tube, 2);
    EXPECT_EQ(o.context.lampH, 300);
    EXPECT_EQ(o.context.aquaW, 400);
    EXPECT_EQ(o.context.albedo, 0.9L);
    EXPECT_FALSE(o.context.lampVisible);
    EXPECT_EQ(o.top, 3u);
    EXPECT_EQ(o.csvPath, "out.csv");
}

TEST(OptimiseCommand, RefusesValuesOutsideTheWindowsRanges) {
    EXPECT_THROW(OptimiseCommand::Parse({"--a-min", "10"}), UsageError);
    EXPECT_THROW(OptimiseCommand::Parse({"--b-max", "201"}), UsageError);
    EXPECT_THROW(OptimiseCommand::Parse({"--c-step", "0"}), UsageError);
    EXPECT_THROW(OptimiseCommand::Parse({"--a-min", "120", "--a-max", "100"}), UsageError);
    EXPECT_THROW(OptimiseCommand::Parse({"--shapes", "circle"}), UsageError);
    EXPECT_THROW(OptimiseCommand::Parse({"--shapes", "zefo,zefo"}), UsageError);
    EXPECT_THROW(OptimiseCommand::Parse({"--albedo", "1.5"}), UsageError);
    EXPECT_THROW(OptimiseCommand::Parse({"--lamp-min"}), UsageError);
    EXPECT_THROW(OptimiseCommand::Parse({"--frobnicate"}), UsageError);
}

TEST(OptimiseCommand, CsvLineCarriesTheEfficiencyToTheLastBitAndTheRefusal) {
    ScoredDesign built;
    built.design = {2, 200, 150, 60, 50};
    built.evaluation.efficiency = 0.1 + 0.2; // not exactly 0.3
    built.evaluation.losses.delivered = 72 * built.evaluation.efficiency;
    built.evaluation.losses.escaped = 36;
    const std::string line = OptimiseCommand::CsvLine(built);
    EXPECT_EQ(line.rfind("zefo,200,150,60,50,0.30000000000000004,", 0), 0u) << line;
    // The loss columns are shares of the tube's light, as the table shows them.
    EXPECT_EQ(line.substr(line.size() - 6), ",0.5,\n") << line;
    EXPECT_NE(OptimiseCommand::CsvHeader().find(",deliveredShare,absorbedShare,"
                                                "reflectedAtWaterShare,returnedToTubeShare,"
                                                "escapedShare,refused\n"),
              std::string::npos);
    ScoredDesign parabola;
    parabola.design = {1, 20, 102, 50, 50};
    parabola.evaluation.refusal = "Floating point division by zero";
    EXPECT_EQ(OptimiseCommand::CsvLine(parabola),
              "parabola,20,102,,50,,,,,,,\"Floating point division by zero\"\n");
}

TEST(OptimiseCommand, ReportRanksTheBestAndListsRefusedDesigns) {
    OptimiseOptions options;
    options.listRefused = 1;
    SearchOutcome outcome;
    outcome.total = 3;
    outcome.evaluated = 3;
    ScoredDesign best;
    best.design = {0, 198, 130, 106, 50};
    best.evaluation.efficiency = 0.75877248474426273;
    outcome.best.push_back(best);
    ScoredDesign refused;
    refused.design = {1, 20, 102, 50, 50};
    refused.evaluation.refusal = "Floating point division by zero";
    outcome.refused = {refused, refused};
    const std::string text = OptimiseCommand::Report(options, outcome);
    EXPECT_NE(text.find("trapezoid   198  130  106    50  0.75877248474426273"), std::string::npos)
        << text;
    EXPECT_NE(text.find("Refused: 2 of 3 evaluated designs (Floating point division by zero: 2)"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("parabola A 20 B 102 lamp 50: Floating point division by zero"),
              std::string::npos);
    EXPECT_NE(text.find("... and 1 more"), std::string::npos);
}

} // namespace
} // namespace kavrol
