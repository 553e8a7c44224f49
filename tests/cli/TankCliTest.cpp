// SPDX-License-Identifier: GPL-3.0-or-later
// kavrol-cli --tank end to end: the object "tank" with exactly its keys, cells of the asked
// shape, shares adding up to all the light, the build's JSON unchanged beside it; bad values
// and contradictions refused with status 2; a design that cannot exist refused with its reason.
#include "CliRun.h"
#include "JsonKeys.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using kavrol::test::Cli;
using kavrol::test::CliRun;
using kavrol::test::Json;
using kavrol::test::Keys;
using kavrol::test::Sorted;

namespace {

TEST(TankCli, JsonCarriesTheTankObjectBesideTheBuildsUnchanged) {
    const std::vector<std::string> quick = {"--tolerance", "0.1",           "--floor-cells",
                                            "4,6",         "--ppfd-levels", "30,62.5"};
    std::vector<std::string> args = {"--json", "--tank", "--tube-model", "T5-HE-28"};
    args.insert(args.end(), quick.begin(), quick.end());
    const CliRun run = Cli(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const QJsonObject all = Json(run.out);
    const QJsonObject tank = all.value("tank").toObject();
    EXPECT_EQ(Keys(tank),
              Sorted({"floorShare", "error", "photonFlux", "ppfd", "depthProfile", "losses"}));
    const QJsonObject ppfd = tank.value("ppfd").toObject();
    EXPECT_EQ(Keys(ppfd), Sorted({"mean", "min", "max", "minOverMean", "cellsX", "cellsZ",
                                  "edgesXmm", "edgesZmm", "cells", "cellErrors", "atLeast"}));
    EXPECT_EQ(ppfd.value("cellsX").toInt(), 4);
    EXPECT_EQ(ppfd.value("cellsZ").toInt(), 6);
    const QJsonArray cells = ppfd.value("cells").toArray();
    ASSERT_EQ(cells.size(), 6);
    EXPECT_EQ(cells[0].toArray().size(), 4);
    EXPECT_EQ(ppfd.value("cellErrors").toArray().size(), 6);
    EXPECT_EQ(ppfd.value("edgesXmm").toArray().size(), 5);
    EXPECT_EQ(Keys(ppfd.value("atLeast").toObject()), Sorted({"30", "62.5"}));
    EXPECT_EQ(tank.value("depthProfile").toArray().size(), 20);
    // 2900 lm x 0.0135 umol/s per lm.
    EXPECT_NEAR(tank.value("photonFlux").toDouble(), 39.15, 1e-9);
    const QJsonObject losses = tank.value("losses").toObject();
    EXPECT_EQ(Keys(losses), Sorted({"absorbed", "returnedToTube", "besideTank", "frontBackGlass",
                                    "endGlass", "water"}));
    double sum = tank.value("floorShare").toDouble();
    for (const QString& key : losses.keys())
        sum += losses.value(key).toDouble();
    EXPECT_NEAR(sum, 1.0, 1e-12);
    // The build's own report is what it is without --tank.
    const CliRun plain = Cli({"--json"});
    QJsonObject without = all;
    without.remove("tank");
    EXPECT_EQ(without, Json(plain.out));
}

// A glossy sheet of one's own is traced over the whole tank; the object keeps its keys and adds
// the surface as "physical" does. (The water's reflection dropped keeps it quick: light it sends
// back up meets the glossy sheet again and splits again.)
TEST(TankCli, AGlossySheetIsTracedAndNamed) {
    const CliRun run =
        Cli({"--json", "--tank", "--tolerance", "0.1", "--floor-cells", "4,6", "--diffuse-share",
             "0", "--gloss-spread", "3", "--water-reflection", "lost"});
    ASSERT_EQ(run.status, 0) << run.err;
    const QJsonObject tank = Json(run.out).value("tank").toObject();
    EXPECT_EQ(Keys(tank), Sorted({"floorShare", "error", "photonFlux", "ppfd", "depthProfile",
                                  "losses", "surface"}));
    const QJsonObject surface = tank.value("surface").toObject();
    EXPECT_EQ(surface.value("name").toString(), "custom");
    EXPECT_EQ(surface.value("diffuseShare").toDouble(), 0.0);
    EXPECT_EQ(surface.value("glossSpread").toDouble(), 3.0);
    double sum = tank.value("floorShare").toDouble();
    const QJsonObject losses = tank.value("losses").toObject();
    for (const QString& key : losses.keys())
        sum += losses.value(key).toDouble();
    EXPECT_NEAR(sum, 1.0, 1e-12);
}

TEST(TankCli, BadValuesAndContradictionsAreRefused) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--tank", "--water-depth", "5000"},
         "--water-depth: expected a whole number from 20 to 2000 (mm), got '5000'"},
        {{"--tank", "--tank-length", "99"},
         "--tank-length: expected a whole number from 100 to 5000 (mm), got '99'"},
        {{"--tank-length", "800"}, "--tank-length: only with --tank"},
        {{"--tank", "--lumens", "100", "--photon-flux", "3"}, "not both"},
        {{"--tank", "--tube-model", "T8-36"}, "T8-36 is a T8 tube"},
        {{"--tank", "--tube-model", "T6"}, "--tube-model: expected one of T4-12"},
        {{"--tank", "--floor-cells", "20,500"}, "from 1 to 400"},
        {{"--tank", "--ppfd-levels", "30"}, "--ppfd-levels: expected A,B, got '30'"},
        {{"--tank", "--reflector-ends", "half"}, "expected open or closed, got 'half'"},
        {{"--tank", "--tube-centre", "1500"}, "--tube-centre: expected a place along the tank"},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli(c.args);
        EXPECT_EQ(run.status, 2) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

TEST(TankCli, ADesignThatCannotExistIsRefusedWithItsReason) {
    const CliRun run = Cli({"--json", "--tank", "--tolerance", "0.1", "--b", "200",
                            "--water-distance", "50", "--lamp-distance", "10"});
    ASSERT_EQ(run.status, 0) << run.err;
    const QString reason = Json(run.out).value("tank").toObject().value("refused").toString();
    EXPECT_TRUE(reason.contains("reaches the water")) << reason.toStdString();
    // The whole tank follows gloss but no diffuse light yet: a diffuse sheet is refused, not
    // ignored.
    const CliRun foil =
        Cli({"--json", "--tank", "--tolerance", "0.1", "--surface", "crumpled-foil"});
    ASSERT_EQ(foil.status, 0) << foil.err;
    EXPECT_EQ(Json(foil.out).value("tank").toObject().value("refused").toString(),
              "The reflector's surface: the whole tank does not yet re-emit a reflector's "
              "diffuse light; a diffuse share above 0 is not modelled over the whole tank");
}

} // namespace
