// SPDX-License-Identifier: GPL-3.0-or-later
// The single build's options of the physical model, parsed in-process: every setting reaches
// the estimate, the defaults are the input table's and the physical model's own, and refusals
// name the option and what it takes.
#include "CommandLine.h"
#include "EstimateOptions.h"
#include "InputDomain.h"
#include "PhysicalDesign.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavrol {
namespace {

namespace D = InputDomain;

std::string Refusal(const std::vector<std::string>& args) {
    try {
        ParseCommandLine(args);
    } catch (const UsageError& e) {
        return e.what();
    }
    return "accepted";
}

TEST(PhysicalOptions, DefaultsAreTheTablesAndThePhysicalModelsOwn) {
    const PhysicalOptions o = ParseCommandLine({}).physical;
    EXPECT_FALSE(o.estimate);
    EXPECT_TRUE(o.plotPath.empty() && o.profileCsvPath.empty() && o.templatePath.empty());
    const physics::EstimateOptions estimate;
    const physics::PhysicalDesign design;
    EXPECT_EQ(o.settings.tolerance, static_cast<double>(D::Tolerance.initial));
    EXPECT_EQ(o.settings.tolerance, estimate.tolerance);
    EXPECT_EQ(o.settings.bins, D::Bins.initial);
    EXPECT_EQ(o.settings.bins, estimate.bins);
    EXPECT_EQ(o.settings.tubeTransmission, design.materials.tubeTransmission);
    EXPECT_EQ(D::WaterReflection.word(static_cast<int>(physics::WaterReflection::Traced)),
              "traced");
    EXPECT_EQ(D::WaterReflection.word(static_cast<int>(physics::WaterReflection::Lost)), "lost");
    EXPECT_EQ(o.settings.waterReflection, static_cast<int>(design.materials.waterReflection));
}

TEST(PhysicalOptions, EveryOptionReachesTheEstimateAndTheDesign) {
    const PhysicalOptions o =
        ParseCommandLine({"--physical", "--tolerance", "0.002", "--bins=80", "--water-reflection",
                          "lost", "--tube-transmission", "0.25", "--plot", "i.svg", "--profile-csv",
                          "i.csv", "--template", "t.pdf"})
            .physical;
    EXPECT_TRUE(o.estimate);
    EXPECT_EQ(o.settings.tolerance, 0.002);
    EXPECT_EQ(o.settings.bins, 80);
    EXPECT_EQ(o.settings.waterReflection, 1);
    EXPECT_EQ(o.settings.tubeTransmission, 0.25);
    EXPECT_EQ(o.plotPath, "i.svg");
    EXPECT_EQ(o.profileCsvPath, "i.csv");
    EXPECT_EQ(o.templatePath, "t.pdf");

    const physics::PhysicalDesign design = o.settings.design(BuildInputs{});
    EXPECT_EQ(design.materials.waterReflection, physics::WaterReflection::Lost);
    EXPECT_EQ(design.materials.tubeTransmission, 0.25);
    const physics::EstimateOptions estimate = o.settings.estimateOptions(false);
    EXPECT_EQ(estimate.tolerance, 0.002);
    EXPECT_EQ(estimate.bins, 80);
    EXPECT_FALSE(estimate.bareTube);
}

TEST(PhysicalOptions, RefusalsNameTheOptionAndWhatItTakes) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--physical", "--tolerance", "0"},
         "--tolerance: expected a number from 0.0001 to 0.1, got '0'"},
        {{"--physical", "--tolerance", "0.2"},
         "--tolerance: expected a number from 0.0001 to 0.1, got '0.2'"},
        {{"--physical", "--bins", "0"},
         "--bins: expected a whole number from 1 to 1000 (bins), got '0'"},
        {{"--physical", "--bins", "1001"},
         "--bins: expected a whole number from 1 to 1000 (bins), got '1001'"},
        {{"--physical", "--water-reflection", "kept"},
         "--water-reflection: expected traced or lost, got 'kept'"},
        {{"--physical", "--tube-transmission", "1.01"},
         "--tube-transmission: expected a number from 0 to 1, got '1.01'"},
        {{"--physical=yes"}, "--physical: takes no value"},
        {{"--physical", "--plot", ""}, "--plot: expected a file name"},
        {{"--template="}, "--template: expected a file name"},
        // Settings and the estimate's files mean nothing without the estimate.
        {{"--bins", "20"}, "--bins: only with --physical"},
        {{"--tolerance", "0.001"}, "--tolerance: only with --physical"},
        {{"--water-reflection", "lost"}, "--water-reflection: only with --physical"},
        {{"--tube-transmission", "0.5"}, "--tube-transmission: only with --physical"},
        {{"--plot", "a.png"}, "--plot: only with --physical"},
        {{"--profile-csv", "a.csv"}, "--profile-csv: only with --physical"},
        {{"--template", "t.svg"}, "accepted"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        EXPECT_EQ(Refusal(c.args), c.message);
    }
}

TEST(PhysicalOptions, HelpShowsTheTablesRangesAndWords) {
    const std::string help = UsageText();
    for (const char* line :
         {"  --tolerance X       error bound the physical estimate reaches, 0.0001 to 0.1 "
          "(0.0005)\n",
          "  --bins N            irradiance bins across the aquarium, 1 to 1000 (50)\n",
          // Options too long for the column give their description a line of its own.
          "  --water-reflection traced|lost\n"
          "                      light the water surface reflects (traced)\n",
          "  --tube-transmission X\n"
          "                      share of light meeting a tube that passes it, 0 to 1 (0)\n"})
        EXPECT_NE(help.find(line), std::string::npos) << line;
    for (const char* option :
         {"--physical", "--plot FILE", "--profile-csv FILE", "--template FILE"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

} // namespace
} // namespace kavrol
