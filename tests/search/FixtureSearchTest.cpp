// SPDX-License-Identifier: GPL-3.0-or-later
// The search of a fixture's spacing and lamp distance: its ranges, the floor on uniformity,
// determinism (also over several threads), cancelling and the fixtures it cannot search.
#include "FixtureSearch.h"
#include "EstimateCancelled.h"
#include "FixtureError.h"
#include "FixtureFile.h"
#include "FixtureScene.h"
#include "LightEstimator.h"

#include <gtest/gtest.h>

#include <atomic>

namespace kavrol::physics {
namespace {

FixtureSearch::Options Quick(double floor) {
    FixtureSearch::Options options;
    options.minUniformity = floor;
    options.steps = 5;
    options.finalEstimate.tolerance = 0.002;
    options.finalEstimate.bins = 20;
    options.finalEstimate.bareTube = false;
    return options;
}

TEST(FixtureSearch, SpacingWithinItsRangeNoWorseThanTheEndsAndRepeatable) {
    const Fixture f = FixtureFile::Read(KAVROL_EXAMPLES_DIR "/two-t5-80cm.json");
    int calls = 0;
    FixtureSearch::Options options = Quick(0.0);
    options.control.progress = [&](const SearchProgress& p) {
        EXPECT_EQ(p.total, 10);
        EXPECT_EQ(p.done, ++calls);
    };
    const FixtureSearch::Outcome o = FixtureSearch::Run(f, options);
    EXPECT_EQ(calls, 10);
    EXPECT_EQ(o.spacingMin, 160.0) << "the parabolas side by side";
    EXPECT_EQ(o.spacingMax, 800.0) << "the outer tubes at the tank's walls";
    EXPECT_GE(o.spacing, o.spacingMin);
    EXPECT_LE(o.spacing, o.spacingMax);
    EXPECT_TRUE(o.estimated);
    EXPECT_TRUE(o.metFloor);
    EXPECT_FALSE(o.stopped);
    EXPECT_EQ(o.best.units[0].x, -o.spacing / 2.0);
    EXPECT_EQ(o.best.units[1].x, o.spacing / 2.0);
    const LightEstimator final(options.finalEstimate);
    for (double spacing : {o.spacingMin, o.spacingMax}) {
        const PhysicalEstimate end =
            final.estimate(FixtureScene(FixtureSearch::Placed(f, spacing, 0.0)).scene());
        EXPECT_GE(o.estimate.efficiency, end.efficiency - 0.02 - o.estimate.error) << spacing;
    }
    const FixtureSearch::Outcome again = FixtureSearch::Run(f, Quick(0.0));
    EXPECT_EQ(again.spacing, o.spacing);
    EXPECT_EQ(again.estimate.efficiency, o.estimate.efficiency);
}

TEST(FixtureSearch, AFloorTradesShareForUniformity) {
    const Fixture f = FixtureFile::Read(KAVROL_EXAMPLES_DIR "/two-t5-80cm.json");
    const FixtureSearch::Outcome free = FixtureSearch::Run(f, Quick(0.0));
    // No candidate can be perfectly even: the most uniform one is returned and said to miss.
    const FixtureSearch::Outcome impossible = FixtureSearch::Run(f, Quick(1.0));
    EXPECT_FALSE(impossible.metFloor);
    ASSERT_GT(impossible.screeningUniformity, free.screeningUniformity);
    // A floor between the two is met at some cost in share.
    const double floor = 0.5 * (free.screeningUniformity + impossible.screeningUniformity);
    const FixtureSearch::Outcome even = FixtureSearch::Run(f, Quick(floor));
    EXPECT_GE(even.screeningUniformity, floor);
    EXPECT_LE(even.screeningShare, free.screeningShare);
    EXPECT_GE(even.screeningShare, impossible.screeningShare);
    // What is said of the floor is what the final estimate shows.
    for (const FixtureSearch::Outcome* o : {&free, &impossible, &even}) {
        ASSERT_TRUE(o->estimated);
        EXPECT_GE(o->verified, 1);
        EXPECT_EQ(o->metFloor, o->estimate.uniformity.minOverMean >= (o == &even   ? floor
                                                                      : o == &free ? 0.0
                                                                                   : 1.0));
    }
}

TEST(FixtureSearch, LampDistanceAlsoSearchedWhenAsked) {
    const Fixture f = FixtureFile::Read(KAVROL_EXAMPLES_DIR "/two-t5-80cm.json");
    FixtureSearch::Options options = Quick(0.0);
    options.steps = 3;
    options.lampDistance = true;
    const FixtureSearch::Outcome o = FixtureSearch::Run(f, options);
    EXPECT_EQ(o.lampMin, 8.0);
    EXPECT_EQ(o.lampMax, 68.0);
    EXPECT_GE(o.lampDistance, o.lampMin);
    EXPECT_LE(o.lampDistance, o.lampMax);
    EXPECT_EQ(o.best.units[1].lampDistance, o.lampDistance);
}

TEST(FixtureSearch, SeveralThreadsFindWhatOneFinds) {
    const Fixture f = FixtureFile::Read(KAVROL_EXAMPLES_DIR "/two-t5-80cm.json");
    for (const bool lamp : {false, true}) {
        SCOPED_TRACE(lamp ? "spacing and lamp distance" : "spacing");
        FixtureSearch::Options options = Quick(0.3);
        options.lampDistance = lamp;
        options.steps = lamp ? 3 : 5;
        const FixtureSearch::Outcome one = FixtureSearch::Run(f, options);
        options.threads = 3;
        std::int64_t last = 0;
        std::int64_t total = 0;
        options.control.progress = [&](const SearchProgress& p) {
            EXPECT_GT(p.done, last) << "the progress from several threads never goes back";
            last = p.done;
            total = p.total;
        };
        const FixtureSearch::Outcome three = FixtureSearch::Run(f, options);
        EXPECT_EQ(three.threads, 3);
        EXPECT_EQ(last, total);
        EXPECT_EQ(three.candidates + three.refused, total);
        EXPECT_EQ(three.candidates, one.candidates);
        EXPECT_EQ(three.refused, one.refused);
        EXPECT_EQ(three.spacing, one.spacing);
        EXPECT_EQ(three.lampDistance, one.lampDistance);
        EXPECT_EQ(three.screeningShare, one.screeningShare);
        EXPECT_EQ(three.screeningUniformity, one.screeningUniformity);
        EXPECT_EQ(three.verified, one.verified);
        EXPECT_EQ(three.metFloor, one.metFloor);
        EXPECT_EQ(three.estimate.efficiency, one.estimate.efficiency);
        EXPECT_EQ(three.estimate.error, one.estimate.error);
    }
}

TEST(FixtureSearch, StopsWhenCancelledAndRefusesWhatCannotBeSearched) {
    const Fixture f = FixtureFile::Read(KAVROL_EXAMPLES_DIR "/two-t5-80cm.json");
    for (const int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        std::atomic<bool> cancel{false};
        FixtureSearch::Options options = Quick(0.0);
        options.threads = threads;
        options.control.stop = &cancel;
        options.control.progress = [&](const SearchProgress& p) { cancel.store(p.done >= 3); };
        const FixtureSearch::Outcome o = FixtureSearch::Run(f, options);
        EXPECT_TRUE(o.stopped);
        EXPECT_FALSE(o.estimated);
        EXPECT_LT(o.candidates, 10) << "no candidate is begun after the stop";
        EXPECT_GT(o.screeningShare, 0.0) << "the best of the first candidates";
    }
    Fixture one = f;
    one.units.resize(1);
    EXPECT_THROW((void)FixtureSearch::Run(one, Quick(0.0)), FixtureError);
    Fixture narrow = f;
    narrow.width = 150.0;
    EXPECT_THROW((void)FixtureSearch::Run(narrow, Quick(0.0)), FixtureError);
}

} // namespace
} // namespace kavrol::physics
