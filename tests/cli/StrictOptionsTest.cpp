// SPDX-License-Identifier: GPL-3.0-or-later
// One rule for every option: plain decimal numbers, each option once, no option taken for a
// value, a picture name ending in .bmp, lists without empty words, no setting silently dropped.
// Checked in-process for both commands and end to end for the exit status.

#include "CliRun.h"
#include "CommandLine.h"
#include "OptimiseCommand.h"
#include "Refusal.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kavrol {
namespace {

using testing_support::OptimiseRefusal;
using testing_support::Refusal;

TEST(StrictOptions, NumbersArePlainDecimalsForEveryOption) {
    const std::string albedo = "--albedo: expected a number from 0.1 to 1, got '";
    const std::string a = "--a: expected a whole number from 20 to 200 (mm), got '";
    struct Case {
        std::string option;
        std::string text;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"--albedo", " 0.5", albedo + " 0.5'"},
        {"--albedo", "+0.5", albedo + "+0.5'"},
        {"--albedo", "0x1p-1", albedo + "0x1p-1'"},
        {"--albedo", ".5", albedo + ".5'"},
        {"--albedo", "5e-1", albedo + "5e-1'"},
        {"--albedo", "0.5 ", albedo + "0.5 '"},
        {"--albedo", "1.", albedo + "1.'"},
        {"--albedo", "", albedo + "'"},
        {"--a", " 50", a + " 50'"},
        {"--a", "+50", a + "+50'"},
        {"--a", "0x32", a + "0x32'"},
        {"--a", "50.0", a + "50.0'"},
        {"--a", "-0", a + "-0'"},
        {"--a", "", a + "'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option + " '" + c.text + "'");
        EXPECT_EQ(Refusal({c.option, c.text}), c.expected);
        EXPECT_EQ(OptimiseRefusal({c.option == "--a" ? "--a-min" : c.option, c.text}),
                  c.option == "--a" ? "--a-min" + c.expected.substr(3) : c.expected);
    }
    EXPECT_EQ(ParseCommandLine({"--albedo", "0.5"}).inputs.albedo, 0.5L);
    EXPECT_EQ(ParseCommandLine({"--albedo", "1"}).inputs.albedo, 1.0L);
    EXPECT_EQ(ParseCommandLine({"--a", "050"}).inputs.refA, 50);
}

TEST(StrictOptions, AnOptionGivenTwiceIsRefused) {
    EXPECT_EQ(Refusal({"--albedo", "0.5", "--albedo=0.6"}), "--albedo: given more than once");
    EXPECT_EQ(Refusal({"--json", "--json"}), "--json: given more than once");
    EXPECT_EQ(Refusal({"--help", "-h"}), "-h: given more than once");
    EXPECT_EQ(OptimiseRefusal({"--top", "3", "--top", "4"}), "--top: given more than once");
    EXPECT_EQ(OptimiseRefusal({"--shapes", "zefo", "--shapes", "parabola"}),
              "--shapes: given more than once");
}

TEST(StrictOptions, AValueThatIsAnOptionIsMissing) {
    EXPECT_EQ(Refusal({"--save", "--json"}), "--save: a value is missing");
    EXPECT_EQ(Refusal({"--save=--json"}), "--save: a value is missing");
    EXPECT_EQ(Refusal({"--a", "--b", "60"}), "--a: a value is missing");
    EXPECT_EQ(OptimiseRefusal({"--csv", "--top", "3"}), "--csv: a value is missing");
    // A file of such a name stays reachable through its folder.
    EXPECT_EQ(ParseCommandLine({"--save", "./--json.bmp"}).savePath, "./--json.bmp");
}

TEST(StrictOptions, ThePictureNameMustEndInBmp) {
    for (const std::string name : {"x.png", "x", "bmp", "x.bmp.tmp", ".bm"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Refusal({"--save", name}),
                  "--save: the picture is a BMP file; give a name ending in .bmp, got '" + name +
                      "'");
    }
    for (const std::string name : {"x.bmp", "X.BMP", "a/b.Bmp", ".bmp"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ParseCommandLine({"--save", name}).savePath, name);
    }
}

TEST(StrictOptions, ShapeListsHaveNoEmptyWords) {
    for (const std::string list : {"zefo,", ",zefo", "zefo,,parabola", ","}) {
        SCOPED_TRACE(list);
        EXPECT_EQ(OptimiseRefusal({"--shapes", list}),
                  "--shapes: expected a comma-separated list of shapes, got '" + list + "'");
    }
    EXPECT_EQ(OptimiseCommand::Parse({"--shapes", "zefo,parabola"}).space.shapes,
              (std::vector<int>{2, 1}));
}

TEST(StrictOptions, AFixedLampDistanceAndARangeAreNotCombined) {
    const std::string refusal = "--lamp-distance fixes the lamp distance; it cannot be combined "
                                "with --lamp-min, --lamp-max or --lamp-step";
    EXPECT_EQ(OptimiseRefusal({"--lamp-distance", "40", "--lamp-min", "30"}), refusal);
    EXPECT_EQ(OptimiseRefusal({"--lamp-step", "5", "--lamp-distance", "40"}), refusal);
    EXPECT_EQ(OptimiseCommand::Parse({"--lamp-distance", "40"}).space.lamp.first, 40);
}

TEST(StrictOptions, TheSubcommandComesFirstAndItsOtherSpellingGetsAHint) {
    EXPECT_EQ(Refusal({"--a", "50", "optimise"}),
              "'optimise' must come first: kavrol-cli optimise [options]");
    EXPECT_EQ(Refusal({"optimize"}),
              "unknown option 'optimize' (to search designs: kavrol-cli optimise [options])");
    EXPECT_EQ(Refusal({"--optimise"}),
              "unknown option '--optimise' (to search designs: kavrol-cli optimise [options])");
}

TEST(StrictOptions, BothHelpTextsStateTheRules) {
    for (const std::string& help : {UsageText(), OptimiseCommand::UsageText()}) {
        EXPECT_NE(help.find(OptionRules()), std::string::npos) << help;
        EXPECT_NE(help.find("Exit status: 0 "), std::string::npos) << help;
    }
    EXPECT_NE(UsageText().find("the name must\n                      end in .bmp"),
              std::string::npos);
    EXPECT_NE(OptimiseCommand::UsageText().find("128 + N when\nsignal N stopped it"),
              std::string::npos);
}

// End to end: each refusal exits with status 2 and writes nothing, a file named like the option
// least of all.
TEST(StrictOptions, RefusalsExitWithStatusTwoAndWriteNothing) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("kavrol-strict-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::vector<std::vector<std::string>> refused = {
        {"--save", "--json"},
        {"--save", "x.png"},
        {"--albedo", ".5"},
        {"--a", "50", "--a", "60"},
        {"optimize"},
        {"optimise", "--shapes", "zefo,"},
        {"optimise", "--lamp-distance", "40", "--lamp-max", "60"}};
    for (const auto& args : refused) {
        SCOPED_TRACE(args.back());
        const test::CliRun run = test::Cli(args, dir);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(std::filesystem::is_empty(dir));
    }
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace kavrol
