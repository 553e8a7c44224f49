// SPDX-License-Identifier: GPL-3.0-or-later
// What one build pass leaves to the next (the pen width and the tube radius of the last known
// tube): the model reports it, and the search given it evaluates the next pass bit for bit.
#include "FastEvaluator.h"
#include "SingleBuild.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace kavrol {
namespace {

using test::Describe;
using test::InputsFor;
using test::SameBits;

TEST(CarriedState, AFreshModelCarriesAThinPenAndNoTube) {
    const OpticalModel model(96);
    EXPECT_EQ(model.carried().penWidth, 1);
    EXPECT_EQ(model.carried().tubeRadius, 0);
    const CarriedState fresh;
    EXPECT_EQ(fresh.penWidth, model.carried().penWidth);
    EXPECT_EQ(fresh.tubeRadius, model.carried().tubeRadius);
}

TEST(CarriedState, APassCarriesItsPenAndItsTubesRadius) {
    struct Case {
        int tube;
        bool rays;
        int penWidth;
        int tubeRadius; // pixels at 96 dots per inch, scale 3:1 (1 pixel per millimetre)
    };
    const std::vector<Case> cases = {
        {0, true, 1, 6}, {1, true, 1, 8}, {2, true, 1, 13}, {2, false, 3, 13}, {0, false, 3, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE("tube " + std::to_string(c.tube) + (c.rays ? " with rays" : " without rays"));
        OpticalModel model(96);
        BuildInputs in;
        in.tube = c.tube;
        in.rayVisible = c.rays;
        model.PaintRef(in);
        EXPECT_EQ(model.carried().penWidth, c.penWidth);
        EXPECT_EQ(model.carried().tubeRadius, c.tubeRadius);
        // A pass without a tube selected keeps the radius of the last known one.
        in.tube = -1;
        model.PaintRef(in);
        EXPECT_EQ(model.carried().tubeRadius, c.tubeRadius);
    }
}

// A pass without grid and without a tube selected, after passes of every tube with and without
// rays: the search, given what the first pass carried, matches the second pass bit for bit.
TEST(CarriedState, TheSearchGivenTheCarriedStateMatchesTheNextPass) {
    const std::vector<Design> designs = {
        {0, 120, 60, 40, 30}, {1, 200, 100, 50, 50}, {2, 160, 80, 40, 20}, {2, 60, 30, 20, 10}};
    for (int tube = 0; tube < ChoiceInput::Count; ++tube)
        for (const bool rays : {true, false})
            for (const Design& d : designs) {
                EvaluationContext context;
                context.tube = -1;
                OpticalModel model(context.dotsPerInch);
                BuildInputs first;
                first.tube = tube;
                first.rayVisible = rays;
                first.gridVisible = false;
                model.PaintRef(first);
                context.carried = model.carried();
                BuildInputs next = InputsFor(context, d);
                next.gridVisible = false;
                Evaluation build;
                try {
                    model.PaintRef(next);
                    build.efficiency = model.efficiency();
                    build.losses = model.losses();
                } catch (const BuildError& error) {
                    build.refusal = error.what();
                }
                FastEvaluator evaluator(context);
                const Evaluation fast = evaluator.evaluate(d);
                const std::string state = "context " + Describe(context) +
                                          "\n  search: " + Describe(fast) +
                                          "\n  build:  " + Describe(build);
                ASSERT_EQ(fast.refusal, build.refusal) << state;
                EXPECT_TRUE(SameBits(fast.efficiency, build.efficiency)) << state;
                EXPECT_TRUE(SameBits(fast.losses.escaped, build.losses.escaped)) << state;
                EXPECT_TRUE(SameBits(fast.losses.returnedToTube, build.losses.returnedToTube))
                    << state;
                // The carried radius really is the one the second pass used.
                EXPECT_EQ(model.quantities().LampR, context.carried.tubeRadius);
            }
}

TEST(CarriedState, TheSearchRefusesAPenNoPassLeaves) {
    EvaluationContext context;
    context.carried.penWidth = 2;
    EXPECT_THROW(FastEvaluator{context}, std::invalid_argument);
}

} // namespace
} // namespace kavrol
