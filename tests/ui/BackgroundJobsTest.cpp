// SPDX-License-Identifier: GPL-3.0-or-later
// The window's background jobs: the bookkeeping every runner shares (generations, the newest
// job's end alone shown, cancelling, waiting at the end) and the estimate runner on top of it,
// whose result is the estimator's own to the last bit.
#include "BackgroundJobs.h"
#include "DesignFromInputs.h"
#include "DesignInputs.h"
#include "EstimateRunner.h"
#include "LightEstimator.h"

#include <QTest>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kavrol {
namespace {

using testing_support::DesignInputs;

struct Result {
    std::uint64_t generation = 0;
    int value = 0;
    bool sawCancel = false;
};

struct Ending {
    std::uint64_t generation = 0;
    int value = 0;
    bool sawCancel = false;
    bool newest = false;
    bool cancelledByUser = false;
};

// A job that reports half its progress, then waits until it is cancelled or released.
struct Gate {
    std::atomic<bool> release{false};
    std::atomic<int> waiting{0};
};
std::function<Result(const JobFlags&)> Waiting(std::shared_ptr<Gate> gate, int value) {
    return [gate, value](const JobFlags& flags) {
        flags.progress(0.5);
        ++gate->waiting;
        while (!flags.cancel->load() && !gate->release.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return Result{0, value, flags.cancel->load()};
    };
}

class BackgroundJobsTest : public ::testing::Test {
protected:
    QObject owner;
    std::vector<Ending> ended;
    BackgroundJobs<Result> jobs{
        &owner, [this](Result& r, bool newest, bool byUser) {
            ended.push_back({r.generation, r.value, r.sawCancel, newest, byUser});
        }};
    bool settle(std::size_t count) {
        return QTest::qWaitFor([&] { return ended.size() >= count; }, 20000);
    }
};

TEST_F(BackgroundJobsTest, ANewJobCancelsTheOneBeforeAndOnlyTheNewestIsTheNewest) {
    const auto gate = std::make_shared<Gate>();
    EXPECT_FALSE(jobs.busy());
    EXPECT_EQ(jobs.start(Waiting(gate, 1)), 1u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate->waiting.load() == 1; }, 20000));
    EXPECT_TRUE(jobs.busy());
    EXPECT_EQ(jobs.progress(), 0.5);
    EXPECT_EQ(jobs.start(Waiting(gate, 2)), 2u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate->waiting.load() == 2; }, 20000));
    gate->release.store(true);
    ASSERT_TRUE(settle(2));
    // Ends arrive in any order; each says whether it was the newest.
    for (const Ending& e : ended) {
        SCOPED_TRACE(e.generation);
        EXPECT_EQ(e.value, static_cast<int>(e.generation));
        EXPECT_EQ(e.newest, e.generation == 2);
        EXPECT_EQ(e.sawCancel, e.generation == 1) << "the older job was asked to stop";
        EXPECT_FALSE(e.cancelledByUser);
    }
    EXPECT_FALSE(jobs.busy());
    EXPECT_EQ(jobs.progress(), 0.0);
}

// Both stop the job through its cancel flag; a cancelled job is still the window's to report as
// the user's, a dropped one no longer counts.
TEST_F(BackgroundJobsTest, CancelReportsTheJobAsTheUsersAndDropForgetsIt) {
    struct Case {
        const char* name;
        void (*stop)(BackgroundJobs<Result>&);
        bool busy;
        bool newest;
        bool byUser;
    };
    const Case cases[] = {
        {"cancel", [](BackgroundJobs<Result>& j) { j.cancel(); }, true, true, true},
        {"drop", [](BackgroundJobs<Result>& j) { j.drop(); }, false, false, false},
    };
    const auto gate = std::make_shared<Gate>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t before = ended.size();
        jobs.start(Waiting(gate, 1));
        c.stop(jobs);
        EXPECT_EQ(jobs.busy(), c.busy);
        ASSERT_TRUE(settle(before + 1));
        EXPECT_EQ(ended[before].newest, c.newest);
        EXPECT_EQ(ended[before].cancelledByUser, c.byUser);
        EXPECT_TRUE(ended[before].sawCancel);
    }
}

TEST(BackgroundJobs, AJobsStopAndFailureEndInItsOutcome) {
    struct Outcome {
        bool cancelled = false;
        QString failure;
        bool done = false;
    };
    struct Case {
        const char* name;
        std::function<void()> fault;
        bool cancelled;
        QString failure;
    };
    const Case cases[] = {
        {"finished", [] {}, false, {}},
        {"stopped", [] { throw physics::EstimateCancelled(); }, true, {}},
        {"failed", [] { throw std::runtime_error("The tank is too small"); }, false,
         "The tank is too small"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Outcome outcome;
        RunJob(outcome, [&] {
            c.fault();
            outcome.done = true;
        });
        EXPECT_EQ(outcome.cancelled, c.cancelled);
        EXPECT_EQ(outcome.failure, c.failure);
        EXPECT_EQ(outcome.done, !c.cancelled && c.failure.isEmpty());
    }
}

TEST(BackgroundJobs, TheEndCancelsEveryJobAndWaitsForIt) {
    const auto gate = std::make_shared<Gate>();
    auto sawCancel = std::make_shared<std::atomic<int>>(0);
    auto reported = std::make_shared<int>(0);
    QObject owner;
    {
        BackgroundJobs<Result> jobs(&owner, [reported](Result&, bool, bool) { ++*reported; });
        for (int k = 0; k < 2; ++k)
            jobs.start([gate, sawCancel, wait = Waiting(gate, k)](const JobFlags& flags) {
                Result r = wait(flags);
                *sawCancel += r.sawCancel ? 1 : 0;
                return r;
            });
        // Both wait: the first was cancelled by the second's start but may not have seen it yet.
        ASSERT_TRUE(QTest::qWaitFor([&] { return *sawCancel >= 1 || gate->waiting == 2; }, 20000));
    }
    // Every job has ended inside the destructor, each through its cancel flag, and whatever
    // had not been reported by then never is.
    EXPECT_EQ(sawCancel->load(), 2);
    const int before = *reported;
    EXPECT_LE(before, 1);
    QTest::qWait(20);
    EXPECT_EQ(*reported, before);
}

TEST(EstimateRunner, TheNewestEstimateIsTheEstimatorsOwnAndACancelShowsNothing) {
    physics::EstimateOptions options;
    options.tolerance = 0.005;
    EstimateRunner runner(options);
    std::vector<EstimateRunner::Outcome> shown;
    QObject::connect(&runner, &EstimateRunner::finished,
                     [&shown](const EstimateRunner::Outcome& o) { shown.push_back(o); });
    const physics::PhysicalDesign first = physics::DesignFromInputs(DesignInputs(1, 200, 100, 50));
    const physics::PhysicalDesign second = physics::DesignFromInputs(DesignInputs(0, 160, 60, 40));
    runner.start(first);
    EXPECT_EQ(runner.start(second), 2u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.empty(); }, 60000));
    QTest::qWait(50);
    ASSERT_EQ(shown.size(), 1u) << "the older job's end is not shown";
    const EstimateRunner::Outcome& outcome = shown[0];
    EXPECT_EQ(outcome.generation, 2u);
    ASSERT_TRUE(outcome.estimate.has_value());
    const physics::PhysicalEstimate direct = physics::LightEstimator(options).estimate(second);
    EXPECT_EQ(outcome.estimate->efficiency, direct.efficiency);
    EXPECT_EQ(outcome.estimate->error, direct.error);
    EXPECT_FALSE(runner.busy());

    physics::EstimateOptions slow;
    slow.tolerance = 1e-7;
    EstimateRunner slowRunner(slow);
    int slowShown = 0;
    QObject::connect(&slowRunner, &EstimateRunner::finished,
                     [&slowShown](const EstimateRunner::Outcome&) { ++slowShown; });
    slowRunner.start(first);
    slowRunner.cancel();
    EXPECT_FALSE(slowRunner.busy());
    ASSERT_TRUE(QTest::qWaitFor([&] { return slowRunner.cancelledJobs() == 1; }, 20000));
    EXPECT_EQ(slowShown, 0);
}

} // namespace
} // namespace kavrol
