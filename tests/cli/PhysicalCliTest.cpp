// SPDX-License-Identifier: GPL-3.0-or-later
// kavrol-cli --physical end to end: the report's physical part in text and JSON, a refused
// design, and the files drawn from the estimate, written whole or failing with the picture's
// messages.
#include "CliRun.h"
#include "DesignFromInputs.h"
#include "Immutable.h"
#include "IrradianceCsv.h"
#include "JsonKeys.h"
#include "LightEstimator.h"
#include "ScratchFolder.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using kavrol::test::Cli;
using kavrol::test::CliRun;
using kavrol::test::Json;
using kavrol::test::Keys;
using kavrol::test::Slurp;
using kavrol::test::Sorted;

namespace {

// The report of a design whose pixel build and physical estimate both succeed, with each water
// reflection: the keys exactly, the shares adding up to all the light, the water's reflection a
// loss only when it is lost, and the build's own JSON byte for byte as without --physical.
TEST(PhysicalCli, JsonCarriesThePhysicalObjectBesideTheBuildsUnchanged) {
    const std::vector<std::string> design = {"--shape", "zefo", "--a", "160", "--c", "40"};
    const CliRun plain = Cli([&] {
        auto args = design;
        args.push_back("--json");
        return args;
    }());
    ASSERT_EQ(plain.status, 0) << plain.err;
    for (const std::string reflection : {"traced", "lost"}) {
        SCOPED_TRACE(reflection);
        auto args = design;
        args.insert(args.end(), {"--json", "--physical", "--water-reflection", reflection});
        const CliRun run = Cli(args);
        ASSERT_EQ(run.status, 0) << run.err;
        const auto at = run.out.find(",\"physical\":{");
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(run.out.substr(0, at) + "}\n", plain.out);

        const QJsonObject p = Json(run.out)["physical"].toObject();
        EXPECT_EQ(Keys(p), Sorted({"efficiency", "error", "toleranceReached", "losses", "bareTube",
                                   "gain", "irradiance", "uniformity"}));
        EXPECT_TRUE(p["toleranceReached"].toBool());
        const QJsonObject losses = p["losses"].toObject();
        EXPECT_EQ(Keys(losses), Sorted({"absorbed", "returnedToTube", "besideAquarium", "escaped",
                                        "reflectedAtWater"}));
        EXPECT_EQ(Keys(p["bareTube"].toObject()), Sorted({"efficiency", "error"}));
        EXPECT_EQ(Keys(p["irradiance"].toObject()),
                  Sorted({"edgesMm", "relative", "perMm", "errors"}));
        EXPECT_EQ(Keys(p["uniformity"].toObject()),
                  Sorted({"minOverMean", "maxOverMean", "minOverMeanBounds", "maxOverMeanBounds"}));

        double sum = p["efficiency"].toDouble();
        for (const QString& key : losses.keys())
            sum += losses[key].toDouble();
        EXPECT_NEAR(sum, 1.0, 1e-12);
        EXPECT_GT(p["error"].toDouble(), 0.0);
        EXPECT_LE(p["error"].toDouble(), 0.0005);
        const double reflected = losses["reflectedAtWater"].toDouble();
        if (reflection == "traced")
            EXPECT_EQ(reflected, 0.0);
        else
            EXPECT_GT(reflected, 0.01);
        EXPECT_NEAR(p["gain"].toDouble(),
                    p["efficiency"].toDouble() / p["bareTube"]["efficiency"].toDouble(), 1e-12);
        const QJsonObject irradiance = p["irradiance"].toObject();
        EXPECT_EQ(irradiance["edgesMm"].toArray().size(), 51);
        EXPECT_EQ(irradiance["relative"].toArray().size(), 50);
        EXPECT_EQ(irradiance["perMm"].toArray().size(), 50);
        EXPECT_EQ(irradiance["errors"].toArray().size(), 50);
        const QJsonObject uniformity = p["uniformity"].toObject();
        EXPECT_LE(uniformity["minOverMeanBounds"][0].toDouble(),
                  uniformity["minOverMean"].toDouble());
        EXPECT_GE(uniformity["maxOverMeanBounds"][1].toDouble(),
                  uniformity["maxOverMean"].toDouble());
        EXPECT_EQ(irradiance["edgesMm"][0].toDouble(), -250.0);
    }
}

TEST(PhysicalCli, TextAddsThePhysicalPartAfterTheBuildsReport) {
    const CliRun plain = Cli({});
    const CliRun run = Cli({"--physical", "--bins", "20"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, plain.out.size()), plain.out);
    const std::string physical = run.out.substr(plain.out.size());
    for (const char* line :
         {"Physical estimate (", "  into the water          0.", " +/- 0.000",
          "  beside the aquarium     ", "  gain over the bare tube ", " over 20 bins\n"})
        EXPECT_NE(physical.find(line), std::string::npos) << line;
}

// The pixel model builds these; the physical model refuses them: the report says why and the
// build succeeds.
TEST(PhysicalCli, ARefusedDesignIsReportedWithItsReasonAndStillBuilds) {
    const std::vector<std::string> design = {"--shape", "zefo", "--a", "100", "--c", "150"};
    const std::string reason =
        "C (150 mm) must be below A (100 mm) for the trapezoid and the twin arc";
    auto text = design;
    text.push_back("--physical");
    const CliRun run = Cli(text);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.substr(0, 12), "Efficiency: ");
    EXPECT_NE(run.out.find("\nPhysical estimate: refused: " + reason + "\n"), std::string::npos);
    auto json = text;
    json.push_back("--json");
    const CliRun jsonRun = Cli(json);
    EXPECT_EQ(jsonRun.status, 0);
    EXPECT_EQ(Json(jsonRun.out)["physical"].toObject(),
              QJsonObject({{"refused", QString::fromStdString(reason)}}));
}

class PhysicalFiles : public ::testing::Test {
protected:
    kavrol::test::ScratchFolder scratch_{"kavrol-physical"};
    const fs::path dir_ = scratch_.path();
    std::vector<std::string> Names() const { return scratch_.names(); }
};

// Each file starts as its format does; the CSV holds the very bins of the same estimate made
// in-process.
TEST_F(PhysicalFiles, EachFileIsWrittenInTheFormatItsNameAsks) {
    const std::string png = (dir_ / "light.png").string();
    const std::string svg = (dir_ / "light.svg").string();
    const std::string csv = (dir_ / "light.csv").string();
    const std::string pdf = (dir_ / "cut.pdf").string();
    const std::string cutSvg = (dir_ / "cut.svg").string();
    const CliRun run = Cli({"--physical", "--plot", png, "--profile-csv", csv, "--template", pdf});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Physical estimate ("), std::string::npos);
    EXPECT_EQ(Slurp(png).substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(Slurp(pdf).substr(0, 5), "%PDF-");

    const kavrol::physics::LightEstimator estimator;
    const auto estimate =
        estimator.estimate(kavrol::physics::DesignFromInputs(kavrol::BuildInputs{}));
    EXPECT_EQ(Slurp(csv), kavrol::IrradianceCsv::text(estimate).toStdString());

    ASSERT_EQ(Cli({"--physical", "--plot", svg}).status, 0);
    EXPECT_NE(Slurp(svg).find("<svg"), std::string::npos);
    // The template needs no estimate.
    const CliRun cut = Cli({"--template", cutSvg});
    ASSERT_EQ(cut.status, 0) << cut.err;
    EXPECT_EQ(cut.out.find("Physical"), std::string::npos);
    EXPECT_NE(Slurp(cutSvg).find("id=\"curve\""), std::string::npos);
}

// Every failure: status 1, the message naming the file on stderr, no report, and nothing
// under the asked name.
TEST_F(PhysicalFiles, FailuresNameTheFileAndLeaveNothingUnderIt) {
    const fs::path folder = dir_ / "folder.png";
    fs::create_directory(folder);
    const auto full = [](const fs::path& p) {
        return "Cannot create file \"" + p.string() + "\". ";
    };
    const fs::path missing = dir_ / "missing" / "a.png";
    const fs::path missingCut = dir_ / "missing" / "cut.svg";
    const fs::path bmp = dir_ / "a.bmp";
    const fs::path txt = dir_ / "cut.txt";
    const fs::path refusedCut = dir_ / "refused.svg";
    const fs::path refusedPlot = dir_ / "refused.png";
    const std::vector<std::string> refused = {"--shape", "zefo", "--a", "100", "--c", "150"};
    const std::string refusal =
        "C (150 mm) must be below A (100 mm) for the trapezoid and the twin arc";
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    std::vector<Case> cases = {
        {{"--physical", "--plot", missing.string()}, full(missing) + "No such file or directory"},
        {{"--physical", "--profile-csv", missing.string()},
         full(missing) + "No such file or directory"},
        {{"--template", missingCut.string()}, full(missingCut) + "No such file or directory"},
        {{"--physical", "--plot", folder.string()}, full(folder) + "Is a directory"},
        {{"--physical", "--plot", bmp.string()}, full(bmp) + "The name must end in .png or .svg"},
        {{"--template", txt.string()}, full(txt) + "The name must end in .svg or .pdf"},
        {{"--template", refusedCut.string()}, full(refusedCut) + refusal},
        {{"--physical", "--plot", refusedPlot.string()}, full(refusedPlot) + refusal},
    };
    if (fs::exists("/dev/full"))
        cases.push_back({{"--physical", "--profile-csv", "/dev/full"},
                         "Stream write error: \"/dev/full\". No space left on device"});
    for (Case& c : cases) {
        SCOPED_TRACE(c.message);
        if (c.message.find(refusal) != std::string::npos)
            c.args.insert(c.args.begin(), refused.begin(), refused.end());
        const CliRun run = Cli(c.args, dir_);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        // Qt may warn on its own lines before the message.
        const std::string last = "kavrol-cli: " + c.message + "\n";
        ASSERT_GE(run.err.size(), last.size()) << run.err;
        EXPECT_EQ(run.err.substr(run.err.size() - last.size()), last) << run.err;
    }
    EXPECT_EQ(Names(), std::vector<std::string>{"folder.png"});
}

// A folder nobody may write to: root is refused through the immutable attribute, others
// through the permission bits. Each file fails with the system's reason and none appears.
TEST_F(PhysicalFiles, AFolderThatCannotBeWrittenGetsNoFile) {
    const fs::path folder = dir_ / "locked";
    fs::create_directory(folder);
    std::string reason = "Permission denied";
    if (::geteuid() == 0) {
        if (!kavrol::test::SetImmutable(folder, true))
            GTEST_SKIP() << "running as root without a way to make a folder immutable";
        reason = "Operation not permitted";
    } else {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    }
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--physical", "--plot", "a.svg"},
                                               {"--physical", "--profile-csv", "a.csv"},
                                               {"--template", "a.pdf"}}) {
        SCOPED_TRACE(args.back());
        auto asked = args;
        asked.back() = (folder / args.back()).string();
        const CliRun run = Cli(asked, dir_);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        const std::string last =
            "kavrol-cli: Cannot create file \"" + asked.back() + "\". " + reason + "\n";
        ASSERT_GE(run.err.size(), last.size()) << run.err;
        EXPECT_EQ(run.err.substr(run.err.size() - last.size()), last);
    }
    if (::geteuid() == 0)
        kavrol::test::SetImmutable(folder, false);
    else
        fs::permissions(folder, fs::perms::owner_all);
    EXPECT_TRUE(fs::is_empty(folder));
}

// The search by the physical share end to end: its report, its CSV file with a line per design,
// and a CSV file that cannot be written: status 1, the message and no report.
TEST_F(PhysicalFiles, OptimiseByThePhysicalShareWritesItsCsvWhole) {
    // A, B and C each take 3 values: 27 designs.
    const std::vector<std::string> grid = {
        "optimise", "--objective", "physical", "--shapes",     "zefo", "--a-min",
        "180",      "--a-step",    "10",       "--b-min",      "100",  "--b-max",
        "120",      "--b-step",    "10",       "--c-max",      "30",   "--c-step",
        "10",       "--top",       "2",        "--no-progress"};
    const fs::path csv = dir_ / "zefo.csv";
    auto args = grid;
    args.insert(args.end(), {"--csv", csv.string()});
    const CliRun run = Cli(args, dir_);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("Searched 27 designs by the physical model", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\n   1  zefo        "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\n   2  zefo        "), std::string::npos) << run.out;
    const std::string text = Slurp(csv);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 28);

    const fs::path missing = dir_ / "missing" / "zefo.csv";
    args = grid;
    args.insert(args.end(), {"--csv", missing.string()});
    const CliRun failed = Cli(args, dir_);
    // The name is checked before the search, which does not run: nothing is ranked.
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err, "kavrol-cli optimise: Cannot create file \"" + missing.string() +
                              "\". No such file or directory\n");
    EXPECT_EQ(Names(), std::vector<std::string>{"zefo.csv"});
}

} // namespace
