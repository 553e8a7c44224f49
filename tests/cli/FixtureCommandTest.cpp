// SPDX-License-Identifier: GPL-3.0-or-later
// "kavrol-cli fixture": its options, its reports against the estimate they print, and the
// program end to end (exit statuses, refused files, the search).
#include "FixtureCommand.h"
#include "CliProcess.h"
#include "CliRun.h"
#include "CommandLine.h"
#include "FixtureFile.h"
#include "FixtureScene.h"
#include "JsonReader.h"
#include "LightEstimator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include <string>
#include <vector>

namespace kavrol {
namespace {

const std::string kTwo = KAVROL_EXAMPLES_DIR "/two-t5-80cm.json";
const std::string kFour = KAVROL_EXAMPLES_DIR "/four-tube-gull-wing.json";

TEST(FixtureCommand, ParsesItsOptions) {
    const FixtureOptions o =
        FixtureCommand::Parse({"f.json", "--json", "--tolerance=0.002", "--bins", "20",
                               "--optimise", "spacing,lamp-distance", "--min-uniformity", "0.4",
                               "--steps", "5", "--no-bare-tube", "--no-progress"});
    EXPECT_EQ(o.file, "f.json");
    EXPECT_TRUE(o.json);
    EXPECT_EQ(o.tolerance, 0.002);
    EXPECT_EQ(o.bins, 20);
    EXPECT_TRUE(o.optimiseSpacing);
    EXPECT_TRUE(o.optimiseLamp);
    EXPECT_EQ(o.minUniformity, 0.4);
    EXPECT_EQ(o.steps, 5);
    EXPECT_FALSE(o.bareTube);
    EXPECT_FALSE(o.progress);
    EXPECT_TRUE(FixtureCommand::Parse({"--help"}).help);
}

TEST(FixtureCommand, RefusesBadOptionsNamingThem) {
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{}, "expected a fixture file (see kavrol-cli fixture --help)"},
        {{"a.json", "b.json"}, "one fixture file only, got 'a.json' and 'b.json'"},
        {{"a.json", "--optimise", "width"},
         "--optimise: expected spacing, lamp-distance or both, separated by a comma, got "
         "'width'"},
        {{"a.json", "--frobnicate"},
         "unknown option '--frobnicate' (see kavrol-cli fixture "
         "--help)"},
        {{"a.json", "--json=yes"}, nullptr},
        {{"a.json", "--tolerance", "0"}, nullptr},
        {{"a.json", "--bins", "0"}, nullptr},
        {{"a.json", "--min-uniformity", "1.5"}, nullptr},
    };
    for (const auto& c : cases) {
        try {
            (void)FixtureCommand::Parse(c.args);
            ADD_FAILURE() << "accepted " << (c.args.empty() ? "" : c.args.back());
        } catch (const UsageError& e) {
            if (c.message != nullptr) {
                EXPECT_EQ(std::string(e.what()), c.message);
            }
        }
    }
}

TEST(FixtureCommand, ReportsTheEstimateItMade) {
    const physics::Fixture f = physics::FixtureFile::Read(kTwo);
    physics::EstimateOptions options;
    options.tolerance = 0.002;
    const physics::PhysicalEstimate e =
        physics::LightEstimator(options).estimate(physics::FixtureScene(f).scene());
    const std::string text = FixtureCommand::TextReport(f, kTwo, e);
    EXPECT_NE(text.find("Fixture: Two T5 tubes over an 80 cm tank"), std::string::npos);
    EXPECT_NE(text.find("parabola A 160 B 60"), std::string::npos);
    EXPECT_NE(text.find("Per tube"), std::string::npos);
    char share[64];
    std::snprintf(share, sizeof share, "Share into the water: %.6f", e.efficiency);
    EXPECT_NE(text.find(share), std::string::npos) << text;
    // The JSON reads back to the very numbers.
    const physics::JsonValue json =
        physics::JsonReader::Parse(FixtureCommand::JsonReport(f, kTwo, e), "report");
    EXPECT_EQ(json.find("efficiency")->number, e.efficiency);
    EXPECT_EQ(json.find("error")->number, e.error);
    const physics::JsonValue* tubes = json.find("tubes");
    ASSERT_NE(tubes, nullptr);
    ASSERT_EQ(tubes->items.size(), 2u);
    EXPECT_EQ(tubes->items[1].find("efficiency")->number, e.tubes[1].efficiency);
    EXPECT_EQ(tubes->items[0].find("name")->text, "left");
    EXPECT_EQ(json.find("irradiance")->find("relative")->items.size(), e.relative.size());
}

// Names from the file reach the text report whole, with control characters and terminal
// escapes shown as escapes; plain names keep their columns.
TEST(FixtureCommand, TheTextReportEscapesNamesFromTheFile) {
    physics::Fixture f = physics::FixtureFile::Read(kTwo);
    physics::EstimateOptions options;
    options.tolerance = 0.01;
    const physics::PhysicalEstimate e =
        physics::LightEstimator(options).estimate(physics::FixtureScene(f).scene());
    const std::string plain = FixtureCommand::TextReport(f, kTwo, e);
    EXPECT_NE(plain.find("\n   1  left       T5"), std::string::npos) << plain;
    const struct {
        std::string name;
        std::string shown;
    } cases[] = {
        {std::string("a\x1B[2Jb\0c\nd", 10), "a\\x1B[2Jb\\x00c\\nd"},
        {"\xC2\x9B"
         "31mred",
         "\\xC2\\x9B31mred"},
        {std::string(300, 'w'), std::string(300, 'w')},
        {"лево", "лево"},
    };
    for (const auto& c : cases) {
        f.name = c.name;
        f.units[0].name = c.name;
        const std::string text = FixtureCommand::TextReport(f, kTwo, e);
        EXPECT_NE(text.find("Fixture: " + c.shown + " ("), std::string::npos) << text;
        EXPECT_NE(text.find("   1  " + c.shown + " "), std::string::npos) << text;
        EXPECT_EQ(text.find('\x1B'), std::string::npos);
        EXPECT_EQ(text.find('\0'), std::string::npos);
        // Every line after the per-tube heading is whole: one per tube, then the rays.
        const std::size_t tubes = text.find("Per tube");
        ASSERT_NE(tubes, std::string::npos);
        EXPECT_EQ(std::count(text.begin() + static_cast<std::ptrdiff_t>(tubes), text.end(), '\n'),
                  4);
    }
}

// A stop that comes once the estimate is done, while the report and the files are written, ends
// the program with 128 + the signal, every file whole or not begun. The report is held up in a
// full pipe until the signal has been sent, so the signal always comes at that stage.
TEST(FixtureCommand, AStopWhileTheFilesAreWrittenIsHonoured) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kavrol-stop-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        std::filesystem::remove(dir / "bins.csv");
        std::filesystem::remove(dir / "cut.svg");
        int pipe[2];
        ASSERT_EQ(::pipe(pipe), 0);
        const int flags = ::fcntl(pipe[1], F_GETFL);
        ::fcntl(pipe[1], F_SETFL, flags | O_NONBLOCK);
        const std::string block(4096, 'x');
        while (::write(pipe[1], block.data(), block.size()) > 0) {
        }
        ::fcntl(pipe[1], F_SETFL, flags);
        test::CliProcess run({"fixture", kTwo, "--tolerance", "0.01", "--no-progress", "--no-tank",
                              "--profile-csv", "bins.csv", "--template", "cut.svg"},
                             dir, pipe[1]);
        ::close(pipe[1]);
        ASSERT_TRUE(run.started());
        // Blocked writing the report: the estimate is done.
        ASSERT_TRUE(test::WaitFor([&] {
            std::ifstream wchan("/proc/" + std::to_string(run.pid()) + "/wchan");
            std::string where;
            wchan >> where;
            return where.find("pipe_write") != std::string::npos;
        }));
        run.signal(signal);
        char sink[65536];
        while (::read(pipe[0], sink, sizeof sink) > 0) {
        }
        ::close(pipe[0]);
        const test::CliRun done = run.wait();
        EXPECT_EQ(done.status, 128 + signal) << done.err;
        EXPECT_EQ(done.err, "kavrol-cli fixture: stopped\n");
        // The files are not begun once the stop has come; none is left cut short.
        EXPECT_FALSE(std::filesystem::exists(dir / "bins.csv"));
        EXPECT_FALSE(std::filesystem::exists(dir / "cut.svg"));
    }
    std::filesystem::remove_all(dir);
}

// Output names are checked before the estimate (empty values, endings, folders, names that are
// not valid bytes of the locale's encoding, standard output), in the fixture command and the
// single build alike; the charts need no display whatever QT_QPA_PLATFORM says.
TEST(FixtureCommand, OutputNamesAreWrittenAsGivenOrRefusedBeforeTheWork) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kavrol-names-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string d = dir.string();
    const std::string invalid = d + "/a\xff.csv";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err; // the whole of standard error
    } cases[] = {
        {{"fixture", kTwo, "--plot="}, 2, "kavrol-cli fixture: --plot: the file name is empty\n"},
        {{"fixture", kTwo, "--profile-csv="},
         2,
         "kavrol-cli fixture: --profile-csv: the file name is empty\n"},
        {{"fixture", kTwo, "--template", ""},
         2,
         "kavrol-cli fixture: --template: the file name is empty\n"},
        {{"fixture", kTwo, "--optimise="},
         2,
         "kavrol-cli fixture: --optimise: expected spacing, lamp-distance or both, separated by "
         "a comma, got ''\n"},
        {{"fixture", kTwo, "--plot", d + "/x.txt"},
         1,
         "kavrol-cli fixture: Cannot create file \"" + d +
             "/x.txt\". The name must end in .png or "
             ".svg\n"},
        {{"fixture", kTwo, "--template", d + "/x.png"},
         1,
         "kavrol-cli fixture: Cannot create file \"" + d +
             "/x.png\". The name must end in .svg or "
             ".pdf\n"},
        {{"fixture", kTwo, "--profile-csv", d + "/none/x.csv"},
         1,
         "kavrol-cli fixture: Cannot create file \"" + d +
             "/none/x.csv\". No such file or "
             "directory\n"},
        {{"fixture", kTwo, "--profile-csv", invalid},
         1,
         "kavrol-cli fixture: Cannot create file \"" + d +
             "/a\xEF\xBF\xBD.csv\". Invalid or incomplete multibyte or wide character\n"},
        {{"fixture", kTwo, "--profile-csv", "/dev/stdout"},
         1,
         "kavrol-cli fixture: Cannot create file \"/dev/stdout\". It is the standard output, which "
         "carries the report; give the file a name of its own\n"},
        {{"--physical", "--profile-csv", "/dev/stdout"},
         1,
         "kavrol-cli: Cannot create file \"/dev/stdout\". It is the standard output, which "
         "carries the report; give the file a name of its own\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        const test::CliRun run = test::Cli(c.args, dir);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err, c.err);
        // Refused before the estimate: nothing is reported.
        if (c.args.front() == "fixture") {
            EXPECT_EQ(run.out, "");
        }
    }
    // "-" is no name for standard output either; nothing is written under it.
    const test::CliRun dash = test::Cli({"fixture", kTwo, "--profile-csv", "-"}, dir);
    EXPECT_EQ(dash.status, 1);
    EXPECT_NE(dash.err.find("\"-\" does not stand for the standard output"), std::string::npos)
        << dash.err;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              0);

    // An inherited platform without its display does not stop the charts.
    ::setenv("QT_QPA_PLATFORM", "wayland", 1);
    ::unsetenv("WAYLAND_DISPLAY");
    const test::CliRun wayland =
        test::Cli({"--physical", "--tolerance", "0.01", "--plot", d + "/p.png"}, dir);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    EXPECT_EQ(wayland.status, 0) << wayland.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "p.png"));
    std::filesystem::remove_all(dir);
}

TEST(FixtureCommand, RunsEndToEnd) {
    const test::CliRun ok =
        test::Cli({"fixture", kTwo, "--tolerance", "0.005", "--no-progress", "--no-tank"});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_NE(ok.out.find("Share into the water:"), std::string::npos);
    const test::CliRun four =
        test::Cli({"fixture", kFour, "--json", "--tolerance", "0.01", "--no-tank"});
    EXPECT_EQ(four.status, 0) << four.err;
    EXPECT_EQ(physics::JsonReader::Parse(four.out, "out").find("tubes")->items.size(), 4u);
    const test::CliRun search =
        test::Cli({"fixture", kTwo, "--optimise", "spacing", "--steps", "4", "--min-uniformity",
                   "0.1", "--tolerance", "0.005", "--no-progress", "--no-tank"});
    EXPECT_EQ(search.status, 0) << search.err;
    EXPECT_NE(search.out.find("Spacing searched from 160.0 to 800.0 mm"), std::string::npos)
        << search.out;
    // With --json the search's figures join the JSON object.
    const test::CliRun searchJson = test::Cli({"fixture", kTwo, "--optimise", "spacing", "--steps",
                                               "3", "--json", "--tolerance", "0.01", "--no-tank"});
    EXPECT_EQ(searchJson.status, 0) << searchJson.err;
    const physics::JsonValue found = physics::JsonReader::Parse(searchJson.out, "out");
    ASSERT_NE(found.find("search"), nullptr);
    EXPECT_EQ(found.find("search")->find("spacingMax")->number, 800.0);
    const test::CliRun missing = test::Cli({"fixture", "/nonexistent/f.json"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(
        missing.err,
        "kavrol-cli fixture: /nonexistent/f.json: cannot open the fixture file: No such file or "
        "directory\n");
    const test::CliRun usage = test::Cli({"fixture", kTwo, "--bins", "x"});
    EXPECT_EQ(usage.status, 2);
    const test::CliRun help = test::Cli({"fixture", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, FixtureCommand::UsageText());
    try {
        (void)ParseCommandLine({"--a", "50", "fixture"});
        ADD_FAILURE() << "a late 'fixture' was accepted";
    } catch (const UsageError& e) {
        EXPECT_EQ(std::string(e.what()), "'fixture' must come first: kavrol-cli fixture FILE "
                                         "[options]");
    }
}

TEST(FixtureCommand, WritesTheChartTheBinsAndTheTemplates) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("kavrol-fixture-cli-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string plot = (dir / "light.svg").string();
    const std::string csv = (dir / "light.csv").string();
    const std::string cut = (dir / "cut.svg").string();
    const test::CliRun run =
        test::Cli({"fixture", kTwo, "--no-tank", "--tolerance", "0.005", "--bins", "16", "--plot",
                   plot, "--profile-csv", csv, "--template", cut});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(test::Slurp(plot).find("<svg"), std::string::npos);
    const std::string bins = test::Slurp(csv);
    EXPECT_EQ(bins.rfind("left_mm,right_mm,centre_mm,relative,share_per_mm\n", 0), 0u) << bins;
    EXPECT_EQ(std::count(bins.begin(), bins.end(), '\n'), 17);
    EXPECT_NE(test::Slurp(cut).find("id=\"curve\""), std::string::npos);
    // Qt may add a note of its own about the display; the template's line is there whole.
    EXPECT_NE(run.err.find("kavrol-cli fixture: cutting template of unit 1 (\"left\"), unit 2 "
                           "(\"right\"): " +
                           cut + "\n"),
              std::string::npos)
        << run.err;
    // Four units under one measured profile share one template, drawn like the shapes'.
    const std::string gull = (dir / "gull.svg").string();
    const test::CliRun four = test::Cli(
        {"fixture", kFour, "--no-tank", "--tolerance", "0.02", "--bins", "8", "--template", gull});
    EXPECT_EQ(four.status, 0);
    EXPECT_NE(four.err.find("kavrol-cli fixture: cutting template of unit 1, unit 2, unit 3, "
                            "unit 4: " +
                            gull + "\n"),
              std::string::npos)
        << four.err;
    EXPECT_EQ(four.err.find("no cutting template"), std::string::npos) << four.err;
    const std::string drawn = test::Slurp(gull);
    EXPECT_NE(drawn.find("id=\"curve\""), std::string::npos);
    EXPECT_NE(drawn.find("id=\"profile-size\""), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "gull-1.svg"));
    // A PDF needs Qt's fonts and so an application object, which the command makes itself.
    const std::string gullPdf = (dir / "gull.pdf").string();
    const test::CliRun pdf = test::Cli({"fixture", kFour, "--no-tank", "--tolerance", "0.05",
                                        "--bins", "4", "--template", gullPdf});
    EXPECT_EQ(pdf.status, 0) << pdf.err;
    EXPECT_EQ(test::Slurp(gullPdf).rfind("%PDF-", 0), 0u);
    const test::CliRun badName =
        test::Cli({"fixture", kTwo, "--tolerance", "0.02", "--plot", (dir / "x.gif").string()});
    EXPECT_EQ(badName.status, 1);
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace kavrol
