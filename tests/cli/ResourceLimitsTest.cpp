// SPDX-License-Identifier: GPL-3.0-or-later
// The threads a search may use within the memory available, and the water that no design can
// reach at the lowest densities: a warning for the single build, a refusal for the search.

#include "ResourceLimits.h"
#include "CliRun.h"
#include "FastEvaluator.h"

#include "WorkerThreads.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kavrol {
namespace {

constexpr std::uint64_t MB = 1u << 20;

TEST(ResourceLimits, ThreadsAreCappedByHalfTheAvailableMemory) {
    const std::uint64_t each = FastEvaluator::MemoryNeed(600);
    // The picture at 600 dpi is 4820 pixels square: 6 bytes a pixel, about 133 MB.
    EXPECT_EQ(each, 4820ull * 4820 * 6);
    struct Case {
        int asked;
        int cores;
        std::uint64_t available;
        int threads;
        bool noted;
    };
    const std::vector<Case> cases = {
        {32, 2, 4096 * MB, static_cast<int>(4096 * MB / 2 / each), true},
        {0, 2, 4096 * MB, 2, false},   // one per core fits
        {256, 2, 0, 256, false},       // nothing known, nothing capped
        {8, 2, 100 * MB, 1, true},     // never below one thread
        {15, 2, 30 * each, 15, false}, // exactly enough
        {16, 2, 30 * each, 15, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.asked) + " asked");
        const auto plan = ResourceLimits::PlanThreads(c.asked, c.cores, 600, c.available);
        EXPECT_EQ(plan.threads, c.threads);
        EXPECT_EQ(!plan.note.empty(), c.noted) << plan.note;
    }
    EXPECT_EQ(ResourceLimits::PlanThreads(32, 2, 600, 4096 * MB).note,
              "using 15 threads, not 32: each needs about 133 MB at 600 dpi and 4096 MB of "
              "memory is available");
}

TEST(ResourceLimits, TheWaterLeavesThePictureBelow39DotsPerInch) {
    EvaluationContext context;
    for (int dpi = 1; dpi <= 600; ++dpi) {
        context.dotsPerInch = dpi;
        EXPECT_EQ(FastEvaluator::WaterInPicture(context, 50), dpi >= 39) << dpi;
    }
    // A shorter distance can bring it back in.
    context.dotsPerInch = 38;
    context.lampH = 100;
    EXPECT_TRUE(FastEvaluator::WaterInPicture(context, 50));
}

TEST(ResourceLimits, TheSingleBuildWarnsAndTheSearchRefuses) {
    const test::CliRun low = test::Cli({"--dpi", "38"});
    EXPECT_EQ(low.status, 0);
    EXPECT_EQ(low.out.rfind("Efficiency: 0.000000\n", 0), 0u) << low.out;
    EXPECT_EQ(low.err, "kavrol-cli: warning: " + ResourceLimits::WaterOutOfPicture(38) + "\n");
    EXPECT_EQ(test::Cli({"--dpi", "39"}).err, "");

    const test::CliRun search = test::Cli({"optimise", "--dpi", "38", "--no-progress"});
    EXPECT_EQ(search.status, 2);
    EXPECT_EQ(search.out, "");
    EXPECT_EQ(search.err, "kavrol-cli optimise: no design can reach the water: " +
                              ResourceLimits::WaterOutOfPicture(38) + "\n");
    // The shortest lamp distance searched decides.
    const test::CliRun reachable =
        test::Cli({"optimise", "--dpi", "38", "--water-distance", "150", "--lamp-min", "10",
                   "--lamp-max", "100", "--lamp-step", "90", "--shapes", "parabola", "--a-min",
                   "200", "--b-min", "200", "--no-progress"});
    EXPECT_EQ(reachable.status, 0) << reachable.err;
}

// A search that runs out of memory says so instead of "std::bad_alloc": a limit on the address
// space leaves no room for the 600 dpi picture.
TEST(ResourceLimits, MemoryExhaustionIsAClearMessage) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's shadow memory does not fit a limited address space";
#endif
    const auto err = std::filesystem::temp_directory_path() /
                     ("kavrol-memory-" + std::to_string(::getpid()) + ".err");
    const std::string command = "ulimit -v 200000; exec '" KAVROL_CLI_PATH
                                "' optimise --dpi 600 --shapes parabola --a-min 200 --b-min 200 "
                                "--threads 1 --no-progress >/dev/null 2>'" +
                                err.string() + "'";
    const int status = std::system(("sh -c \"" + command + "\"").c_str());
    const std::string message = test::Slurp(err);
    std::filesystem::remove(err);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(message, "kavrol-cli optimise: " + ResourceLimits::OutOfMemory(600, true) + "\n");
}

// The memory the threads are planned in sees a limit on the address space (ulimit -v) as well as
// the machine's; threads the system then refuses to start are reported and the others do all
// the work. Run in a child process, whose limits end with it.
TEST(ResourceLimits, ThreadsSeeTheAddressSpaceLimitAndRunOnWhenSomeCannotStart) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's shadow memory does not fit a limited address space";
#endif
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::ifstream statm("/proc/self/statm");
        std::uint64_t pages = 0;
        statm >> pages;
        const std::uint64_t used = pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
        // Room for a few thread stacks (8 MB each by default), not for 64 of them.
        struct rlimit limit {};
        limit.rlim_cur = limit.rlim_max = used + 64 * MB;
        if (::setrlimit(RLIMIT_AS, &limit) != 0)
            ::_exit(10);
        const std::uint64_t available = ResourceLimits::AvailableMemory();
        if (available == 0 || available > 64 * MB)
            ::_exit(11);
        std::atomic<int> done{0};
        std::atomic<std::int64_t> next{0};
        const auto work = [&](int) {
            while (next.fetch_add(1) < 1000)
                done.fetch_add(1);
        };
        WorkerThreads pool(64, work);
        work(0);
        pool.join();
        if (pool.running() >= 64 || pool.refusal().empty())
            ::_exit(12);
        if (done.load() != 1000)
            ::_exit(13);
        const std::string note =
            ResourceLimits::ThreadsNotStarted(pool.running(), 64, pool.refusal());
        if (note.rfind("only ", 0) != 0 || note.find(" of 64 could start (") == std::string::npos)
            ::_exit(14);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    // 11: the limit was not seen; 12: every thread started or no reason was kept; 13: work was
    // lost; 14: the note.
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace kavrol
