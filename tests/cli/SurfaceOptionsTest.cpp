// SPDX-License-Identifier: GPL-3.0-or-later
// The reflector surface on the command line: the presets' words and the two figures reach the
// physical design whatever their order, refusals name the option, and the report names the
// surface in text and JSON only when one is given.
#include "CliRun.h"
#include "CommandLine.h"
#include "InputDomain.h"
#include "OptimiseCommand.h"
#include "Refusal.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavrol {
namespace {

namespace D = InputDomain;

using testing_support::OptimiseRefusal;
using testing_support::Refusal;

TEST(SurfaceOptions, PresetsAndFiguresReachTheDesignWhateverTheirOrder) {
    struct Case {
        std::vector<std::string> args;
        std::string name;
        double diffuseShare;
        double glossSpread;
    };
    const std::vector<Case> cases = {
        {{}, "mirror", 0.0, 0.0},
        {{"--surface", "mirror"}, "mirror", 0.0, 0.0},
        {{"--surface", "white-matte-paint"}, "white-matte-paint", 1.0, 0.0},
        {{"--surface=crumpled-foil"}, "crumpled-foil", 0.3, 15.0},
        {{"--diffuse-share", "0.4"}, "custom", 0.4, 0.0},
        {{"--gloss-spread", "30"}, "custom", 0.0, 30.0},
        {{"--surface", "smooth-foil", "--diffuse-share", "0.2"}, "custom", 0.2, 5.0},
        {{"--gloss-spread", "2.5", "--surface", "smooth-foil"}, "custom", 0.05, 2.5},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--physical"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const PhysicalSettings s = ParseCommandLine(args).physical.settings;
        SCOPED_TRACE(c.name);
        EXPECT_EQ(s.surfaceName(), c.name);
        EXPECT_EQ(s.surfaceGiven(), !c.args.empty());
        const physics::PhysicalDesign design = s.design(BuildInputs{});
        EXPECT_EQ(design.materials.surface.diffuseShare, c.diffuseShare);
        EXPECT_EQ(design.materials.surface.glossSpreadDeg, c.glossSpread);
        EXPECT_EQ(design.materials.albedo, static_cast<double>(D::Albedo.initial))
            << "the user's albedo";
    }
    // Every preset of the table is a word of the command line with its own figures.
    for (const SurfacePreset& preset : D::SurfacePresets) {
        const PhysicalSettings s =
            ParseCommandLine({"--physical", "--surface", std::string(preset.word)})
                .physical.settings;
        EXPECT_EQ(s.surface().diffuseShare, preset.diffuseShare) << preset.word;
        EXPECT_EQ(s.surface().glossSpreadDeg, preset.glossSpreadDeg) << preset.word;
        EXPECT_GT(preset.typicalAlbedo, 0.5) << preset.word;
        EXPECT_LE(preset.typicalAlbedo, 1.0) << preset.word;
    }
}

TEST(SurfaceOptions, RefusalsNameTheOptionAndWhatItTakes) {
    const std::string words = "mirror, mirror-aluminium, metallised-film, polished-aluminium, "
                              "smooth-foil, crumpled-foil, white-gloss-paint, white-matte-paint";
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--physical", "--surface", "chrome"},
         "--surface: expected one of " + words + ", got 'chrome'"},
        {{"--physical", "--diffuse-share", "1.5"},
         "--diffuse-share: expected a number from 0 to 1, got '1.5'"},
        {{"--physical", "--gloss-spread", "31"},
         "--gloss-spread: expected a number from 0 to 30, got '31'"},
        {{"--surface", "smooth-foil"}, "--surface: only with --physical"},
        {{"--gloss-spread", "3"}, "--gloss-spread: only with --physical"},
        {{"optimise", "--diffuse-share", "1"}, "--diffuse-share: only with --objective physical"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        if (c.args.front() == "optimise")
            EXPECT_EQ(OptimiseRefusal({c.args.begin() + 1, c.args.end()}), c.message);
        else
            EXPECT_EQ(Refusal(c.args), c.message);
    }
}

TEST(SurfaceOptions, TheReportNamesTheSurfaceOnlyWhenOneIsGiven) {
    const test::CliRun plain = test::Cli({"--physical", "--json", "--tolerance", "0.01"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out.find("\"surface\""), std::string::npos);
    const test::CliRun run = test::Cli(
        {"--physical", "--json", "--tolerance", "0.01", "--surface", "white-matte-paint"});
    ASSERT_EQ(run.status, 0) << run.err;
    const QJsonObject physical =
        QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object()["physical"].toObject();
    const QJsonObject surface = physical["surface"].toObject();
    EXPECT_EQ(surface.keys(), (QStringList{"diffuseShare", "glossSpread", "name"}));
    EXPECT_EQ(surface["name"].toString(), "white-matte-paint");
    EXPECT_EQ(surface["diffuseShare"].toDouble(), 1.0);
    EXPECT_EQ(surface["glossSpread"].toDouble(), 0.0);
    // The rest of the object keeps its keys, and the white hood sends less light into the water
    // than the mirror of the same shape here.
    EXPECT_EQ(physical.keys().size(), 9);
    const QJsonObject plainPhysical = QJsonDocument::fromJson(QByteArray::fromStdString(plain.out))
                                          .object()["physical"]
                                          .toObject();
    const double mirror = plainPhysical["efficiency"].toDouble();
    EXPECT_LT(physical["efficiency"].toDouble(), mirror);

    const test::CliRun text =
        test::Cli({"--physical", "--tolerance", "0.01", "--diffuse-share", "0.5"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("  reflector surface       custom (diffuse share 0.50, gloss spread "
                            "0.0 degrees)\n"),
              std::string::npos)
        << text.out;
}

} // namespace
} // namespace kavrol
