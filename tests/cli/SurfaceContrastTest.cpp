// SPDX-License-Identifier: GPL-3.0-or-later
// optimise --objective physical with a scattering surface sets its best shape against the best
// shape of the same search with a perfect mirror, in text and in JSON: the mirror's best is the
// plain search's own, its figures made of the surface are a single build's, and the differences
// are those of the two designs. Small grids at a loose tolerance keep it quick.
#include "CliRun.h"
#include "CommandLine.h"
#include "OptimiseCommand.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavrol {
namespace {

// Parabolas and trapezoids around the start-up design: 75 designs.
const std::vector<std::string> kGrid = {
    "optimise",     "--objective", "physical", "--shapes",    "parabola,trapezoid",
    "--a-min",      "120",         "--a-max",  "200",         "--a-step",
    "20",           "--b-min",     "40",       "--b-max",     "120",
    "--b-step",     "20",          "--c-min",  "40",          "--c-max",
    "80",           "--c-step",    "40",       "--tolerance", "0.005",
    "--no-progress"};

QJsonObject Json(std::vector<std::string> args) {
    args.push_back("--json");
    const test::CliRun run = test::Cli(args);
    EXPECT_EQ(run.status, 0) << run.err;
    return QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
}

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

TEST(SurfaceContrast, TheBestShapeIsSetAgainstTheMirrorsBest) {
    const QJsonObject matte = Json(With(kGrid, {"--surface", "white-matte-paint"}));
    const QJsonObject mirror = Json(kGrid);
    ASSERT_FALSE(mirror.contains("againstMirror")) << "a mirror is not set against itself";
    ASSERT_FALSE(mirror.contains("surface"));
    const QJsonObject contrast = matte["againstMirror"].toObject();
    ASSERT_FALSE(contrast.isEmpty());
    EXPECT_EQ(contrast["surface"].toObject()["name"].toString(), "white-matte-paint");
    EXPECT_EQ(contrast["best"].toObject(), matte["best"].toArray()[0].toObject());
    // The mirror's best is the plain search's own best, figures and all.
    const QJsonObject mirrorBest = contrast["mirrorBest"].toObject();
    EXPECT_EQ(mirrorBest, mirror["best"].toArray()[0].toObject());

    // Made of the surface, its share is what a single build of that design says.
    std::vector<std::string> single = {"--physical",  "--json",
                                       "--surface",   "white-matte-paint",
                                       "--tolerance", "0.005",
                                       "--shape",     mirrorBest["shape"].toString().toStdString(),
                                       "--a",         std::to_string(mirrorBest["A"].toInt()),
                                       "--b",         std::to_string(mirrorBest["B"].toInt())};
    if (!mirrorBest["C"].isNull())
        single = With(single, {"--c", std::to_string(mirrorBest["C"].toInt())});
    const test::CliRun build = test::Cli(single);
    ASSERT_EQ(build.status, 0) << build.err;
    const QJsonObject physical = QJsonDocument::fromJson(QByteArray::fromStdString(build.out))
                                     .object()["physical"]
                                     .toObject();
    const QJsonObject onSurface = contrast["mirrorBestOnSurface"].toObject();
    EXPECT_EQ(onSurface["physical"].toDouble(), physical["efficiency"].toDouble());
    EXPECT_EQ(onSurface["error"].toDouble(), physical["error"].toDouble());

    // The differences are the two designs'.
    const QJsonObject best = contrast["best"].toObject();
    const QJsonObject differences = contrast["differences"].toObject();
    EXPECT_EQ(contrast["sameDesign"].toBool(), best == mirrorBest);
    EXPECT_EQ(differences["A"].toInt(), best["A"].toInt() - mirrorBest["A"].toInt());
    EXPECT_EQ(differences["B"].toInt(), best["B"].toInt() - mirrorBest["B"].toInt());
    EXPECT_EQ(differences["lamp"].toInt(), best["lamp"].toInt() - mirrorBest["lamp"].toInt());
    EXPECT_EQ(differences["shape"].isNull(), best["shape"] == mirrorBest["shape"]);
    EXPECT_EQ(contrast["gainOverMirrorShape"].toDouble(),
              best["physical"].toDouble() - onSurface["physical"].toDouble());

    // The text says the same.
    const test::CliRun text = test::Cli(With(kGrid, {"--surface", "white-matte-paint"}));
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("\nAgainst a perfect mirror (the same search with --surface mirror), "
                            "for white-matte-paint (diffuse share 1.00, gloss spread 0.0 "
                            "degrees):\n  best for the surface: "),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("  best for the mirror:  " +
                            mirrorBest["shape"].toString().toStdString() + " A "),
              std::string::npos)
        << text.out;
}

TEST(SurfaceContrast, OneDesignIsItsOwnBestAndPlainRunsSayNothing) {
    const std::vector<std::string> one = {"optimise", "--objective", "physical", "--shapes",
                                          "parabola", "--a-min",     "200",      "--a-max",
                                          "200",      "--b-min",     "100",      "--b-max",
                                          "100",      "--tolerance", "0.01",     "--no-progress"};
    const test::CliRun foil = test::Cli(With(one, {"--surface", "smooth-foil"}));
    ASSERT_EQ(foil.status, 0) << foil.err;
    EXPECT_NE(foil.out.find("  The same shape is best for both: the surface changes the share, "
                            "not the shape.\n"),
              std::string::npos)
        << foil.out;
    const QJsonObject contrast =
        Json(With(one, {"--surface", "smooth-foil"}))["againstMirror"].toObject();
    EXPECT_TRUE(contrast["sameDesign"].toBool());
    EXPECT_EQ(contrast["gainOverMirrorShape"].toDouble(), 0.0);
    for (const std::vector<std::string>& plain :
         {one, With(one, {"--surface", "mirror"}), With(one, {"--diffuse-share", "0"})}) {
        const test::CliRun run = test::Cli(plain);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out.find("Against a perfect mirror"), std::string::npos) << run.out;
    }
    try {
        OptimiseCommand::Parse({"--json"});
        ADD_FAILURE() << "accepted";
    } catch (const UsageError& e) {
        EXPECT_EQ(std::string(e.what()), "--json: only with --objective physical");
    }
}

} // namespace
} // namespace kavrol
