// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"
#include "Refusal.h"

#include <gtest/gtest.h>

using kavrol::ParseCommandLine;
using kavrol::UsageError;

namespace {

using kavrol::testing_support::Refusal;

} // namespace

TEST(CommandLine, DefaultsAreTheWindowsStartUpDesign) {
    const auto o = ParseCommandLine({});
    EXPECT_EQ(o.inputs.shape, 1);
    EXPECT_EQ(o.inputs.tube, 1);
    EXPECT_EQ(o.inputs.scale, 2);
    EXPECT_EQ(o.inputs.refA, 200);
    EXPECT_EQ(o.inputs.refB, 100);
    EXPECT_EQ(o.inputs.refC, 50);
    EXPECT_EQ(o.inputs.lamp, 50);
    EXPECT_EQ(o.inputs.lampH, 200);
    EXPECT_EQ(o.inputs.aquaW, 500);
    EXPECT_EQ(o.inputs.albedo, 0.8L);
    EXPECT_TRUE(o.inputs.gridVisible && o.inputs.lampVisible && o.inputs.rayVisible);
    EXPECT_EQ(o.dotsPerInch, 96);
    EXPECT_FALSE(o.json);
}

TEST(CommandLine, EveryOptionReachesTheDesign) {
    const auto o = ParseCommandLine({"--shape",   "zefo",
                                     "--a=120",   "--b",
                                     "60",        "--c",
                                     "30",        "--tube",
                                     "T8",        "--lamp-distance",
                                     "40",        "--water-distance",
                                     "300",       "--aquarium-width",
                                     "800",       "--albedo",
                                     "0.855",     "--scale",
                                     "1:1",       "--dpi",
                                     "144",       "--no-grid",
                                     "--no-lamp", "--no-rays",
                                     "--save",    "x.bmp",
                                     "--json"});
    EXPECT_EQ(o.inputs.shape, 2);
    EXPECT_EQ(o.inputs.refA, 120);
    EXPECT_EQ(o.inputs.refB, 60);
    EXPECT_EQ(o.inputs.refC, 30);
    EXPECT_EQ(o.inputs.tube, 2);
    EXPECT_EQ(o.inputs.lamp, 40);
    EXPECT_EQ(o.inputs.lampH, 300);
    EXPECT_EQ(o.inputs.aquaW, 800);
    EXPECT_EQ(o.inputs.albedo, 0.855L);
    EXPECT_EQ(o.inputs.scale, 0);
    EXPECT_EQ(o.dotsPerInch, 144);
    EXPECT_FALSE(o.inputs.gridVisible || o.inputs.lampVisible || o.inputs.rayVisible);
    EXPECT_EQ(o.savePath, "x.bmp");
    EXPECT_TRUE(o.json);
}

TEST(CommandLine, RefusalsNameTheOptionAndWhatItAccepts) {
    EXPECT_EQ(Refusal({"--a", "250"}),
              "--a: expected a whole number from 20 to 200 (mm), got '250'");
    EXPECT_EQ(Refusal({"--b", "ten"}),
              "--b: expected a whole number from 10 to 200 (mm), got 'ten'");
    EXPECT_EQ(Refusal({"--lamp-distance", "5.5"}),
              "--lamp-distance: expected a whole number from 10 to 100 (mm), got '5.5'");
    EXPECT_EQ(Refusal({"--albedo", "1.5"}), "--albedo: expected a number from 0.1 to 1, got '1.5'");
    EXPECT_EQ(Refusal({"--albedo", "nan"}), "--albedo: expected a number from 0.1 to 1, got 'nan'");
    EXPECT_EQ(Refusal({"--shape", "circle"}),
              "--shape: expected one of trapezoid, parabola, zefo, got 'circle'");
    EXPECT_EQ(Refusal({"--tube", "T6"}), "--tube: expected one of T4, T5, T8, got 'T6'");
    EXPECT_EQ(Refusal({"--scale", "4:1"}), "--scale: expected one of 1:1, 2:1, 3:1, got '4:1'");
    EXPECT_EQ(Refusal({"--dpi", "0"}),
              "--dpi: expected a whole number from 1 to 600 (dots per inch), got '0'");
    EXPECT_EQ(Refusal({"--colour", "red"}), "unknown option '--colour' (see --help)");
    EXPECT_EQ(Refusal({"--a"}), "--a: a value is missing");
    EXPECT_EQ(Refusal({"--json=yes"}), "--json: takes no value");
}

// Help lines keep two blanks at least between an option and its description, which readers such
// as help2man need to tell them apart; a longer option moves its description to the next line.
TEST(CommandLine, OptionLinesKeepTwoBlanksBeforeTheDescription) {
    const struct {
        std::string option;
        std::string span;
        std::string line;
    } cases[] = {
        {"--a MM", "20 to 200 (200)", "  --a MM  description, 20 to 200 (200)\n"},
        {"--a", "(T5)", "  --a     description (T5)\n"},
        {"--long M", "", "  --long M\n          description\n"},
        {"--longer MM", "(x)", "  --longer MM\n          description (x)\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kavrol::OptionLine(c.option, 8, "description", c.span), c.line) << c.option;
}
