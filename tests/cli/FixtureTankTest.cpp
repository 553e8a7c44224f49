// SPDX-License-Identifier: GPL-3.0-or-later
// "kavrol-cli fixture" over a whole tank: a fixture of one unit gives the very figures of the
// single build's --tank with the same tube, tank and reflector; several tubes of their own
// lengths add up; the floor's map and cells are the single build's; a file without the tank's
// length, or --no-tank, reports and draws as before.
#include "CliRun.h"
#include "JsonReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kavrol {
namespace {

const std::string kTwoLengths = KAVROL_EXAMPLES_DIR "/two-lengths-tank.json";

std::filesystem::path Scratch() {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("kavrol-fixture-tank-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir;
}

// The start-up design as a fixture of one unit, with the tank's members `tank` and the unit's
// `unit` added.
std::string OneUnit(const std::string& tank, const std::string& unit) {
    return R"({"tank": {"waterDistance": 200, "width": 500)" + tank + R"(}, "albedo": 0.8,
  "units": [{"tube": "T5", "x": 0, "lampDistance": 50,
    "reflector": {"shape": "parabola", "A": 200, "B": 100})" +
           unit + "}]}";
}

void Write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The text from the whole tank's heading to the end.
std::string TankPart(const std::string& report) {
    const std::size_t at = report.find("Whole tank");
    return at == std::string::npos ? std::string() : report.substr(at);
}

// The object "tank" of a JSON report, as its text: from its opening brace to the matching one
// (its numbers and keys hold no braces).
std::string TankObject(const std::string& report) {
    const std::size_t from = report.find("{\"floorShare\"");
    int depth = 0;
    for (std::size_t i = from; i < report.size(); ++i) {
        depth += report[i] == '{' ? 1 : report[i] == '}' ? -1 : 0;
        if (depth == 0)
            return report.substr(from, i + 1 - from);
    }
    return {};
}

TEST(FixtureTank, OneUnitGivesTheSingleBuildsFigures) {
    const std::filesystem::path dir = Scratch();
    const std::string file = (dir / "one.json").string();
    const struct {
        std::string tank;
        std::string unit;
        std::vector<std::string> options; // of the single build besides --tank
    } cases[] = {
        {R"(, "length": 1200)", "", {}},
        {R"(, "length": 900, "depth": 300, "attenuation": 0.5)",
         R"(, "tubeModel": "T5-HO-39", "ends": "closed", "z": 400, "reflectorLength": 820)",
         {"--tank-length", "900", "--water-depth", "300", "--water-attenuation", "0.5",
          "--tube-model", "T5-HO-39", "--reflector-ends", "closed", "--tube-centre", "400",
          "--reflector-length", "820"}},
        {R"(, "length": 1000)",
         R"(, "litLength": 700, "lumens": 3000)",
         {"--tank-length", "1000", "--lit-length", "700", "--lumens", "3000"}},
        {R"(, "length": 1000)",
         R"(, "photonFlux": 42.5)",
         {"--tank-length", "1000", "--photon-flux", "42.5"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit);
        Write(file, OneUnit(c.tank, c.unit));
        std::vector<std::string> single = {"--tank", "--tolerance", "0.1"};
        single.insert(single.end(), c.options.begin(), c.options.end());
        // The text once: its figures are the JSON's.
        if (&c == &cases[0]) {
            const test::CliRun build = test::Cli(single);
            const test::CliRun fixture = test::Cli({"fixture", file, "--tolerance", "0.1"});
            ASSERT_EQ(build.status, 0) << build.err;
            ASSERT_EQ(fixture.status, 0) << fixture.err;
            EXPECT_FALSE(TankPart(build.out).empty());
            EXPECT_EQ(TankPart(fixture.out), TankPart(build.out));
        }
        single.push_back("--json");
        const test::CliRun buildJson = test::Cli(single);
        const test::CliRun fixtureJson =
            test::Cli({"fixture", file, "--tolerance", "0.1", "--json"});
        ASSERT_EQ(buildJson.status, 0) << buildJson.err;
        ASSERT_EQ(fixtureJson.status, 0) << fixtureJson.err;
        EXPECT_FALSE(TankObject(buildJson.out).empty()) << buildJson.out;
        EXPECT_EQ(TankObject(fixtureJson.out), TankObject(buildJson.out));
        // The report stays one JSON object.
        EXPECT_NO_THROW((void)physics::JsonReader::Parse(fixtureJson.out, "report"));
    }
    std::filesystem::remove_all(dir);
}

TEST(FixtureTank, TwoTubesOfTheirOwnLengthsAddUp) {
    const test::CliRun run = test::Cli({"fixture", kTwoLengths, "--tolerance", "0.1", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const physics::JsonValue report = physics::JsonReader::Parse(run.out, "report");
    const physics::JsonValue* tank = report.find("tank");
    ASSERT_NE(tank, nullptr);
    // A T5 54 W and a 39 W tube: 5000 and 3500 lm at 0.0135 umol/s per lm.
    EXPECT_NEAR(tank->find("photonFlux")->number, 8500 * 0.0135, 1e-9);
    double sum = tank->find("floorShare")->number;
    for (const physics::JsonValue& loss : tank->find("losses")->items)
        sum += loss.number;
    EXPECT_NEAR(sum, 1.0, 1e-12);
    const test::CliRun text = test::Cli({"fixture", kTwoLengths, "--tolerance", "0.1"});
    EXPECT_NE(text.out.find("  2 tubes                 T5-HO-54 lit 1099 mm; T5-HO-39 lit 799 mm; "
                            "together 114.75 umol/s\n"),
              std::string::npos)
        << text.out;
}

std::string Bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// With the whole tank, --plot and --profile-csv write the floor's map and cells, byte for byte
// the single build's with --tank; with --no-tank, the irradiance chart and bins of a file
// without the tank.
TEST(FixtureTank, PlotAndCellsAreTheFloorsAsWithTheSingleBuild) {
    const std::filesystem::path dir = Scratch();
    const std::string file = (dir / "one.json").string();
    const auto files = [&](const std::string& stem) {
        return std::vector<std::string>{"--plot", (dir / (stem + ".svg")).string(), "--profile-csv",
                                        (dir / (stem + ".csv")).string()};
    };
    const auto run = [](std::vector<std::string> args, const std::vector<std::string>& more) {
        args.insert(args.end(), more.begin(), more.end());
        const test::CliRun r = test::Cli(args);
        EXPECT_EQ(r.status, 0) << r.err;
    };
    run({"--tank", "--tolerance", "0.1", "--tank-length", "1000"}, files("single"));
    Write(file, OneUnit(R"(, "length": 1000)", ""));
    run({"fixture", file, "--tolerance", "0.1"}, files("fixture"));
    run({"fixture", file, "--tolerance", "0.1", "--no-tank"}, files("no-tank"));
    Write(file, OneUnit("", ""));
    run({"fixture", file, "--tolerance", "0.1"}, files("without"));
    for (const char* ending : {".svg", ".csv"}) {
        SCOPED_TRACE(ending);
        const std::string single = Bytes(dir / (std::string("single") + ending));
        EXPECT_GT(single.size(), 100u);
        EXPECT_EQ(Bytes(dir / (std::string("fixture") + ending)), single);
        const std::string without = Bytes(dir / (std::string("without") + ending));
        EXPECT_GT(without.size(), 100u);
        EXPECT_NE(without, single);
        EXPECT_EQ(Bytes(dir / (std::string("no-tank") + ending)), without);
    }
    EXPECT_NE(Bytes(dir / "fixture.csv").find("ppfd"), std::string::npos);
    std::filesystem::remove_all(dir);
}

// Without the tank's length the report is what it was; --no-tank gives the same report of a
// file with it, and a refusal of the tank's fields ends the command with its reason.
TEST(FixtureTank, WithoutTheTankTheReportIsUnchanged) {
    const std::filesystem::path dir = Scratch();
    const std::string file = (dir / "one.json").string();
    for (const char* json : {"--json", "--no-progress"}) {
        SCOPED_TRACE(json);
        Write(file, OneUnit("", ""));
        const test::CliRun before = test::Cli({"fixture", file, "--tolerance", "0.05", json});
        Write(file, OneUnit(R"(, "length": 1200, "depth": 300)", R"(, "ends": "closed")"));
        const test::CliRun without =
            test::Cli({"fixture", file, "--tolerance", "0.05", json, "--no-tank"});
        ASSERT_EQ(before.status, 0) << before.err;
        EXPECT_EQ(without.out, before.out);
        EXPECT_EQ(without.status, 0);
        EXPECT_EQ(TankPart(before.out), "");
    }
    Write(file, OneUnit(R"(, "length": 1200)", R"(, "z": 1300)"));
    const test::CliRun refused = test::Cli({"fixture", file});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("unit 1, \"z\": must lie along the tank, at most its length 1200 "
                               "mm, got 1300 mm\n"),
              std::string::npos)
        << refused.err;
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace kavrol
