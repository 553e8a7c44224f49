// SPDX-License-Identifier: GPL-3.0-or-later
// How the search ends early: SIGINT, SIGTERM and SIGHUP stop it with the best designs so far and
// a CSV file that holds a gap-free prefix of the search order in whole lines; a CSV file that
// cannot be written stops it with a message naming the file and the reason, the ranking still
// printed and the old file left as it was.

#include "CliProcess.h"
#include "CliRun.h"
#include "DesignSearch.h"
#include "OptimiseCommand.h"
#include "ScratchFolder.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace kavrol {
namespace {

namespace fs = std::filesystem;
using test::CliProcess;
using test::CliRun;
using test::Slurp;

class OptimiseStop : public ::testing::Test {
protected:
    test::ScratchFolder scratch_{"kavrol-stop"};
    const fs::path dir_ = scratch_.path();

    // The names in the folder, sorted, but for the running program's standard error, which is
    // the test's own file.
    std::vector<std::string> Names() const {
        std::vector<std::string> names = scratch_.names();
        std::erase_if(names, [](const std::string& n) { return n.rfind("kavrol-cli-", 0) == 0; });
        return names;
    }
};

// The rows of a CSV file after its header; each must be a whole line.
std::vector<std::string> Rows(const std::string& text) {
    std::vector<std::string> rows;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line + "\n", OptimiseCommand::CsvHeader());
    while (std::getline(in, line))
        rows.push_back(line);
    EXPECT_TRUE(text.empty() || text.back() == '\n') << "the last line is cut";
    return rows;
}

// The row's design columns: shape, A, B, C, lamp.
std::string DesignColumns(const std::string& row) {
    std::size_t at = 0;
    for (int commas = 0; commas < 5; ++commas)
        at = row.find(',', at) + 1;
    return row.substr(0, at);
}

TEST_F(OptimiseStop, EachStopSignalKeepsTheBestSoFarAndAGapFreeCsv) {
    const std::vector<std::string> args = {"optimise", "--threads", "2", "--csv",
                                           "out.csv",  "--top",     "3", "--no-progress"};
    const OptimiseOptions options =
        OptimiseCommand::Parse(std::vector<std::string>(args.begin() + 1, args.end()));
    const DesignSearch order(options.context, options.space);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        CliProcess run(args, dir_, dir_ / "report.txt");
        ASSERT_TRUE(run.started());
        // Rows are streaming into the temporary file: the search is well under way.
        ASSERT_TRUE(test::WaitFor([&] { return run.temporaryFileSize(dir_, "out.csv") > 0; }));
        run.signal(signal);
        const CliRun done = run.wait();
        EXPECT_EQ(done.status, 128 + signal) << done.err;
        EXPECT_EQ(done.err, "");
        const std::string report = Slurp(dir_ / "report.txt");
        EXPECT_EQ(report.rfind("Stopped after ", 0), 0u) << report;
        EXPECT_NE(report.find("   1  "), std::string::npos) << report;
        EXPECT_NE(report.find("   3  "), std::string::npos) << report;

        const std::vector<std::string> rows = Rows(Slurp(dir_ / "out.csv"));
        ASSERT_GT(rows.size(), 0u);
        EXPECT_NE(report.find("The CSV file holds the first " + std::to_string(rows.size()) +
                              " designs of the search order, without a gap."),
                  std::string::npos)
            << report;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            ScoredDesign expected;
            expected.design = order.designAt(static_cast<std::int64_t>(i));
            ASSERT_EQ(DesignColumns(rows[i]), DesignColumns(OptimiseCommand::CsvLine(expected)))
                << "row " << i;
            ASSERT_EQ(std::count(rows[i].begin(), rows[i].end(), ','), 11) << rows[i];
        }
        EXPECT_EQ(Names(), (std::vector<std::string>{"out.csv", "report.txt"}));
    }
}

// Started ignoring SIGHUP, as nohup starts it, the search goes on through a closing terminal
// and still stops at SIGTERM.
TEST_F(OptimiseStop, ASignalIgnoredFromTheStartStaysIgnored) {
    const auto previous = std::signal(SIGHUP, SIG_IGN);
    CliProcess run({"optimise", "--csv", "out.csv", "--no-progress"}, dir_, dir_ / "report.txt",
                   true);
    std::signal(SIGHUP, previous);
    ASSERT_TRUE(run.started());
    ASSERT_TRUE(test::WaitFor([&] { return run.temporaryFileSize(dir_, "out.csv") > 0; }));
    run.signal(SIGHUP);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(run.finished());
    run.signal(SIGTERM);
    const CliRun done = run.wait();
    EXPECT_EQ(done.status, 128 + SIGTERM) << done.err;
}

TEST_F(OptimiseStop, AFullDeviceStopsTheSearchAndTheRankingIsPrinted) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    fs::create_symlink("/dev/full", dir_ / "full.csv");
    const std::string full = (dir_ / "full.csv").string();
    const CliRun run = test::Cli(
        {"optimise", "--shapes", "parabola", "--csv", full, "--top", "2", "--no-progress"}, dir_);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind("Stopped after ", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("Best designs"), std::string::npos) << run.out;
    const std::string reason = "kavrol-cli optimise: cannot write '" + full +
                               "': No space left on device; the search stopped after ";
    EXPECT_EQ(run.err.rfind(reason, 0), 0u) << run.err;
    EXPECT_NE(run.err.find(" of 8736 designs and '" + full + "' was left as it was\n"),
              std::string::npos)
        << run.err;
}

// A size limit refuses the rows part-way, as a full disk does: the old CSV stays as it was.
TEST_F(OptimiseStop, AFailedWriteLeavesTheOldCsvAndNoTemporaryFile) {
    std::ofstream(dir_ / "out.csv") << "the old rows\n";
    const std::string command = "cd '" + dir_.string() +
                                "' && ulimit -f 200 && trap '' XFSZ && exec '" KAVROL_CLI_PATH
                                "' optimise --shapes parabola --csv out.csv --no-progress "
                                ">report.txt 2>err.txt";
    const int status = std::system(("sh -c \"" + command + "\"").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(Slurp(dir_ / "out.csv"), "the old rows\n");
    EXPECT_EQ(Slurp(dir_ / "err.txt")
                  .rfind("kavrol-cli optimise: cannot write 'out.csv': File "
                         "too large; the search stopped after ",
                         0),
              0u)
        << Slurp(dir_ / "err.txt");
    EXPECT_NE(Slurp(dir_ / "report.txt").find("Best designs"), std::string::npos);
    EXPECT_EQ(Names(), (std::vector<std::string>{"err.txt", "out.csv", "report.txt"}));
}

TEST_F(OptimiseStop, ACsvThatCannotBeCreatedNamesTheReason) {
    fs::create_directory(dir_ / "adir");
    const std::string folder = (dir_ / "adir").string();
    const CliRun run = test::Cli({"optimise", "--csv", folder, "--no-progress"}, dir_);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "kavrol-cli optimise: cannot create '" + folder + "': Is a directory\n");
    EXPECT_EQ(run.out, "");
}

} // namespace
} // namespace kavrol
