// SPDX-License-Identifier: GPL-3.0-or-later
// Both command-line parsers against the input table: each takes an input's minimum and maximum
// and refuses one past either end, with the range in its message.
#include "CommandLine.h"
#include "FixtureCommand.h"
#include "InputDomain.h"
#include "OptimiseCommand.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kavrol {
namespace {

namespace D = InputDomain;

using Parser = std::function<int(const std::vector<std::string>&)>;

// One option of one parser, the input it takes its range from and how to read the parsed value.
struct Edge {
    const char* command;
    std::string option;
    IntegerInput input;
    Parser parse;
};

// The whole value parsed for one option, or the refusal's text.
std::string Outcome(const Edge& edge, int value) {
    try {
        return std::to_string(edge.parse({edge.option, std::to_string(value)}));
    } catch (const UsageError& e) {
        return e.what();
    }
}

std::string ExpectedRefusal(const Edge& edge, int value) {
    return edge.option + ": expected a whole number from " + std::to_string(edge.input.minimum) +
           " to " + std::to_string(edge.input.maximum) + " (" + std::string(edge.input.unit) +
           "), got '" + std::to_string(value) + "'";
}

std::vector<Edge> Edges() {
    const auto build = [](auto field) -> Parser {
        return
            [field](const std::vector<std::string>& args) { return field(ParseCommandLine(args)); };
    };
    const auto search = [](auto field) -> Parser {
        return [field](const std::vector<std::string>& args) {
            return field(OptimiseCommand::Parse(args));
        };
    };
    const auto physicalBuild = [](auto field) -> Parser {
        return [field](std::vector<std::string> args) {
            args.insert(args.begin(), "--physical");
            return field(ParseCommandLine(args));
        };
    };
    const auto physicalSearch = [](auto field) -> Parser {
        return [field](std::vector<std::string> args) {
            args.insert(args.begin(), {"--objective", "physical"});
            return field(OptimiseCommand::Parse(args));
        };
    };
    const auto fixture = [](auto field) -> Parser {
        return [field](std::vector<std::string> args) {
            args.insert(args.begin(), "f.json");
            return field(FixtureCommand::Parse(args));
        };
    };
    return {
        {"build", "--bins", D::Bins,
         physicalBuild([](const CliOptions& o) { return o.physical.settings.bins; })},
        {"optimise", "--bins", D::Bins,
         physicalSearch([](const OptimiseOptions& o) { return o.objective.settings.bins; })},
        {"fixture", "--bins", D::Bins, fixture([](const FixtureOptions& o) { return o.bins; })},
        {"fixture", "--steps", D::FixtureSteps,
         fixture([](const FixtureOptions& o) { return o.steps; })},
        {"build", "--a", D::RefA, build([](const CliOptions& o) { return o.inputs.refA; })},
        {"build", "--b", D::RefB, build([](const CliOptions& o) { return o.inputs.refB; })},
        {"build", "--c", D::RefC, build([](const CliOptions& o) { return o.inputs.refC; })},
        {"build", "--lamp-distance", D::Lamp,
         build([](const CliOptions& o) { return o.inputs.lamp; })},
        {"build", "--water-distance", D::LampH,
         build([](const CliOptions& o) { return o.inputs.lampH; })},
        {"build", "--aquarium-width", D::AquaW,
         build([](const CliOptions& o) { return o.inputs.aquaW; })},
        {"build", "--dpi", D::CommandLineDotsPerInch,
         build([](const CliOptions& o) { return o.dotsPerInch; })},
        {"optimise", "--a-min", D::RefA,
         search([](const OptimiseOptions& o) { return o.space.a.first; })},
        {"optimise", "--a-max", D::RefA,
         search([](const OptimiseOptions& o) { return o.space.a.last; })},
        {"optimise", "--b-min", D::RefB,
         search([](const OptimiseOptions& o) { return o.space.b.first; })},
        {"optimise", "--b-max", D::RefB,
         search([](const OptimiseOptions& o) { return o.space.b.last; })},
        {"optimise", "--c-min", D::RefC,
         search([](const OptimiseOptions& o) { return o.space.c.first; })},
        {"optimise", "--c-max", D::RefC,
         search([](const OptimiseOptions& o) { return o.space.c.last; })},
        {"optimise", "--lamp-distance", D::Lamp,
         search([](const OptimiseOptions& o) { return o.space.lamp.first; })},
        {"optimise", "--water-distance", D::LampH,
         search([](const OptimiseOptions& o) { return o.context.lampH; })},
        {"optimise", "--aquarium-width", D::AquaW,
         search([](const OptimiseOptions& o) { return o.context.aquaW; })},
        {"optimise", "--dpi", D::CommandLineDotsPerInch,
         search([](const OptimiseOptions& o) { return o.context.dotsPerInch; })},
    };
}

TEST(InputDomainEdges, EveryWholeNumberOptionTakesItsInputsRangeAndNoMore) {
    for (const Edge& edge : Edges()) {
        SCOPED_TRACE(std::string(edge.command) + " " + edge.option);
        const IntegerInput& in = edge.input;
        EXPECT_EQ(Outcome(edge, in.minimum), std::to_string(in.minimum));
        EXPECT_EQ(Outcome(edge, in.maximum), std::to_string(in.maximum));
        EXPECT_EQ(Outcome(edge, in.minimum - 1), ExpectedRefusal(edge, in.minimum - 1));
        EXPECT_EQ(Outcome(edge, in.maximum + 1), ExpectedRefusal(edge, in.maximum + 1));
    }
}

TEST(InputDomainEdges, SearchStepsSpanOneToTheWidthOfTheRange) {
    const std::vector<std::pair<std::string, IntegerInput>> steps = {{"--a-step", D::RefA},
                                                                     {"--b-step", D::RefB},
                                                                     {"--c-step", D::RefC},
                                                                     {"--lamp-step", D::Lamp}};
    for (const auto& [option, input] : steps) {
        SCOPED_TRACE(option);
        const int widest = input.maximum - input.minimum;
        EXPECT_NO_THROW(OptimiseCommand::Parse({option, "1"}));
        EXPECT_NO_THROW(OptimiseCommand::Parse({option, std::to_string(widest)}));
        EXPECT_THROW(OptimiseCommand::Parse({option, "0"}), UsageError);
        EXPECT_THROW(OptimiseCommand::Parse({option, std::to_string(widest + 1)}), UsageError);
    }
}

TEST(InputDomainEdges, DefaultsAreTheTablesStartUpValues) {
    const CliOptions build = ParseCommandLine({});
    const OptimiseOptions search = OptimiseCommand::Parse({});
    EXPECT_EQ(build.inputs.shape, D::Shape.initial);
    EXPECT_EQ(build.inputs.tube, D::Tube.initial);
    EXPECT_EQ(search.context.tube, D::Tube.initial);
    EXPECT_EQ(build.inputs.scale, D::Scale.initial);
    EXPECT_EQ(search.context.scale, D::Scale.initial);
    EXPECT_EQ(build.inputs.albedo, D::Albedo.initial);
    EXPECT_EQ(search.context.albedo, D::Albedo.initial);
    EXPECT_EQ(build.dotsPerInch, D::DotsPerInch.initial);
    EXPECT_EQ(search.context.dotsPerInch, D::DotsPerInch.initial);
    EXPECT_EQ(search.space.lamp.first, D::Lamp.initial);
    EXPECT_EQ(search.space.lamp.last, D::Lamp.initial);
    for (const auto& [range, input] :
         {std::pair{search.space.a, D::RefA}, std::pair{search.space.b, D::RefB},
          std::pair{search.space.c, D::RefC}}) {
        EXPECT_EQ(range.first, input.minimum);
        EXPECT_EQ(range.last, input.maximum);
        EXPECT_EQ(range.step, input.step);
    }
}

TEST(InputDomainEdges, AlbedoAndListsFollowTheTable) {
    const auto albedo = [](const std::string& text) {
        return ParseCommandLine({"--albedo", text}).inputs.albedo;
    };
    EXPECT_EQ(albedo("0.1"), D::Albedo.minimum);
    EXPECT_EQ(albedo("1.0"), D::Albedo.maximum);
    EXPECT_THROW(albedo("0.0999"), UsageError);
    EXPECT_THROW(albedo("1.0001"), UsageError);
    EXPECT_THROW(OptimiseCommand::Parse({"--albedo", "1.0001"}), UsageError);
    for (int k = 0; k < ChoiceInput::Count; ++k) {
        const std::string shape(D::Shape.word(k));
        const std::string tube(D::Tube.word(k));
        const std::string scale(D::Scale.word(k));
        EXPECT_EQ(ParseCommandLine({"--shape", shape}).inputs.shape, k);
        EXPECT_EQ(ParseCommandLine({"--tube", tube}).inputs.tube, k);
        EXPECT_EQ(ParseCommandLine({"--scale", scale}).inputs.scale, k);
        EXPECT_EQ(OptimiseCommand::Parse({"--shapes", shape}).space.shapes, std::vector<int>{k});
        EXPECT_EQ(OptimiseCommand::Parse({"--tube", tube}).context.tube, k);
        EXPECT_EQ(OptimiseCommand::Parse({"--scale", scale}).context.scale, k);
    }
}

// Every parser taking a real input of the table takes its bounds, refuses what lies beyond them,
// and each refusal names bounds the same parser takes.
TEST(InputDomainEdges, EveryRealOptionTakesItsInputsRangeAndNoMore) {
    using RealParser = std::function<double(const std::string&, const std::string&)>;
    const RealParser build = [](const std::string& option, const std::string& text) {
        const CliOptions o = ParseCommandLine({"--physical", option, text});
        return option == "--tolerance" ? o.physical.settings.tolerance
                                       : o.physical.settings.tubeTransmission;
    };
    const RealParser search = [](const std::string& option, const std::string& text) {
        const OptimiseOptions o = OptimiseCommand::Parse({"--objective", "physical", option, text});
        return option == "--tolerance" ? o.objective.settings.tolerance : o.objective.minUniformity;
    };
    const RealParser fixture = [](const std::string& option, const std::string& text) {
        const FixtureOptions o = FixtureCommand::Parse({"f.json", option, text});
        return option == "--tolerance" ? o.tolerance : o.minUniformity;
    };
    const struct {
        const char* command;
        const char* option;
        RealInput input;
        RealParser parse;
        std::string below; // just under the minimum
        std::string above; // just over the maximum
    } cases[] = {
        {"build", "--tolerance", D::Tolerance, build, "0.00009", "0.10001"},
        {"build", "--tube-transmission", D::TubeTransmission, build, "", "1.01"},
        {"optimise", "--tolerance", D::Tolerance, search, "0.00009", "0.10001"},
        {"optimise", "--min-uniformity", D::MinUniformity, search, "", "1.01"},
        {"fixture", "--tolerance", D::Tolerance, fixture, "0.00005", "0.10001"},
        {"fixture", "--min-uniformity", D::MinUniformity, fixture, "", "1.01"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.option);
        const std::string span = RealSpan(c.input);
        const std::string minimum = span.substr(0, span.find(' '));
        const std::string maximum =
            span.substr(span.find(" to ") + 4, span.find(" (") - span.find(" to ") - 4);
        EXPECT_EQ(c.parse(c.option, minimum), static_cast<double>(c.input.minimum));
        EXPECT_EQ(c.parse(c.option, maximum), static_cast<double>(c.input.maximum));
        for (const std::string& beyond : {c.below, c.above}) {
            if (beyond.empty())
                continue;
            try {
                c.parse(c.option, beyond);
                ADD_FAILURE() << beyond << " was taken";
            } catch (const UsageError& e) {
                EXPECT_EQ(std::string(e.what()), std::string(c.option) +
                                                     ": expected a number from " + minimum +
                                                     " to " + maximum + ", got '" + beyond + "'");
            }
        }
    }
}

} // namespace
} // namespace kavrol
