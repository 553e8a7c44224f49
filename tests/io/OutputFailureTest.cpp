// SPDX-License-Identifier: GPL-3.0-or-later
// Output that cannot be written is reported, never taken for success: standard output on a full
// device or a pipe without a reader, a picture written into a pipe whose reader goes away, and a
// picture cut short by the system, which leaves the old file as it was.

#include "CliProcess.h"
#include "CliRun.h"
#include "ScratchFolder.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using kavrol::test::Cli;
using kavrol::test::CliProcess;
using kavrol::test::CliRun;
using kavrol::test::Slurp;

namespace {

class OutputFailure : public ::testing::Test {
protected:
    kavrol::test::ScratchFolder scratch_{"kavrol-output"};
    const fs::path dir_ = scratch_.path();
};

// Small searches, so that each run takes well under a second.
const std::vector<std::string> SmallSearch = {"optimise", "--shapes", "parabola", "--a-min",
                                              "190",      "--b-min",  "190",      "--no-progress"};

TEST_F(OutputFailure, AFullDeviceOnStandardOutputIsAnError) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    const std::vector<std::vector<std::string>> runs = {
        {}, {"--json"}, {"--help"}, SmallSearch, {"optimise", "--help"}};
    for (const auto& args : runs) {
        SCOPED_TRACE(args.empty() ? "(no arguments)" : args.back());
        CliProcess run(args, dir_, "/dev/full");
        ASSERT_TRUE(run.started());
        const CliRun done = run.wait();
        EXPECT_EQ(done.status, 1);
        const std::string front =
            !args.empty() && args[0] == "optimise" ? "kavrol-cli optimise: " : "kavrol-cli: ";
        EXPECT_EQ(done.err, front + "cannot write standard output: No space left on device\n");
    }
}

TEST_F(OutputFailure, APipeWithoutAReaderIsAWriteErrorNotASilentEnd) {
    for (const auto& args : {std::vector<std::string>{"--json"}, SmallSearch}) {
        SCOPED_TRACE(args.front());
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        CliProcess run(args, dir_, fds[1]);
        ::close(fds[0]);
        ::close(fds[1]);
        const CliRun done = run.wait();
        EXPECT_EQ(done.status, 1) << "a status of -1 means a signal ended it";
        EXPECT_NE(done.err.find("cannot write standard output: Broken pipe\n"), std::string::npos)
            << done.err;
    }
}

// The reader of a FIFO takes a few bytes of the picture and goes away.
TEST_F(OutputFailure, APictureReaderThatGoesAwayIsReported) {
    const fs::path fifo = dir_ / "pipe.bmp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    CliProcess run({"--save", fifo.string()}, dir_, dir_ / "out.txt");
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    pollfd wanted{reader, POLLIN, 0};
    ASSERT_EQ(::poll(&wanted, 1, 60000), 1);
    char head[2];
    EXPECT_EQ(::read(reader, head, sizeof head), 2);
    EXPECT_EQ(std::string(head, 2), "BM");
    ::close(reader);
    const CliRun done = run.wait();
    EXPECT_EQ(done.status, 1);
    EXPECT_EQ(done.err, "kavrol-cli: Cannot write file \"" + fifo.string() + "\". Broken pipe\n");
    EXPECT_EQ(Slurp(dir_ / "out.txt"), "");
}

// A file size limit stops the picture part-way as a full disk would; the old picture stays, whole,
// and no temporary file is left beside it.
TEST_F(OutputFailure, APictureCutShortLeavesTheOldFile) {
    const fs::path picture = dir_ / "lamp.bmp";
    std::ofstream(picture) << "the old picture";
    const std::string command = "ulimit -f 100; trap '' XFSZ; exec '" KAVROL_CLI_PATH
                                "' --save lamp.bmp >out.txt 2>err.txt";
    const std::string shell = "cd '" + dir_.string() + "' && sh -c \"" + command + "\"";
    const int status = std::system(shell.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(Slurp(dir_ / "err.txt"),
              "kavrol-cli: Cannot write file \"" + picture.string() + "\". File too large\n");
    EXPECT_EQ(Slurp(picture), "the old picture");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"err.txt", "lamp.bmp", "out.txt"}));
}

// A signal in the middle of writing the picture ends the program as before, but the old file
// stays whole and the temporary file is removed. The 600 dpi picture takes long enough to write
// that the signal is sent while its temporary file grows; a run that ends first is tried again.
TEST_F(OutputFailure, ASignalDuringTheSaveLeavesTheOldFileAndNoTemporaryFile) {
    const fs::path picture = dir_ / "big.bmp";
    const auto leftOver = [&]() {
        for (const auto& entry : fs::directory_iterator(dir_))
            if (entry.path().filename().string().rfind(".big.bmp-", 0) == 0)
                return true;
        return false;
    };
    int caught = 0;
    for (int attempt = 0; attempt < 5 && caught == 0; ++attempt) {
        std::ofstream(picture) << "the old picture";
        CliProcess run({"--dpi", "600", "--save", picture.string()}, dir_, dir_ / "out.txt");
        ASSERT_TRUE(run.started());
        ASSERT_TRUE(kavrol::test::WaitFor(
            [&] { return run.temporaryFileSize(dir_, "big.bmp") > 1 || run.finished(); }));
        if (run.finished())
            continue;
        run.signal(SIGTERM);
        run.wait();
        if (run.endingSignal() != SIGTERM)
            continue;
        ++caught;
        EXPECT_EQ(Slurp(picture), "the old picture");
        EXPECT_FALSE(leftOver());
    }
    EXPECT_EQ(caught, 1) << "no run was caught while writing its picture";
}

} // namespace
