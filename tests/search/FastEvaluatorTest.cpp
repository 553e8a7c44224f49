// SPDX-License-Identifier: GPL-3.0-or-later
#include "FastEvaluator.h"
#include "SingleBuild.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kavrol {
namespace {

using test::Describe;
using test::InputsFor;
using test::SameBits;
using test::SingleBuild;

// On a mismatch the message holds the design and the full state of both paths.
void ExpectIdentical(const Evaluation& fast, const Evaluation& build, const Design& d,
                     const EvaluationContext& context) {
    const std::string what = "shape " + std::to_string(d.shape) + " A " + std::to_string(d.refA) +
                             " B " + std::to_string(d.refB) + " C " + std::to_string(d.refC) +
                             " lamp " + std::to_string(d.lamp) +
                             "\n  context: " + Describe(context) + "\n  search: " + Describe(fast) +
                             "\n  build:  " + Describe(build);
    ASSERT_EQ(fast.refusal, build.refusal) << what;
    EXPECT_TRUE(SameBits(fast.efficiency, build.efficiency))
        << what << ": " << fast.efficiency << " vs " << build.efficiency;
    EXPECT_TRUE(SameBits(fast.losses.delivered, build.losses.delivered)) << what;
    EXPECT_TRUE(SameBits(fast.losses.absorbed, build.losses.absorbed)) << what;
    EXPECT_TRUE(SameBits(fast.losses.reflectedAtWater, build.losses.reflectedAtWater)) << what;
    EXPECT_TRUE(SameBits(fast.losses.returnedToTube, build.losses.returnedToTube)) << what;
    EXPECT_TRUE(SameBits(fast.losses.escaped, build.losses.escaped)) << what;
}

Design RandomDesign(std::mt19937& rng, int shape, bool varyLamp) {
    std::uniform_int_distribution<int> a(10, 100); // A 20..200 step 2
    std::uniform_int_distribution<int> bc(5, 100); // B and C 10..200 step 2
    std::uniform_int_distribution<int> lamp(10, 100);
    Design d;
    d.shape = shape;
    d.refA = 2 * a(rng);
    d.refB = 2 * bc(rng);
    d.refC = 2 * bc(rng);
    d.lamp = varyLamp ? lamp(rng) : 50;
    return d;
}

// One evaluator serves the whole sample in turn, as a search thread does, so that whatever one
// design leaves behind is exercised against the next.
void CheckSample(const EvaluationContext& context, int designsPerShape, unsigned seed,
                 bool varyLamp) {
    FastEvaluator evaluator(context);
    std::mt19937 rng(seed);
    for (int shape = 0; shape <= 2; ++shape)
        for (int k = 0; k < designsPerShape; ++k) {
            const Design d = RandomDesign(rng, shape, varyLamp);
            ExpectIdentical(evaluator.evaluate(d), SingleBuild(context, d), d, context);
        }
}

TEST(FastEvaluator, MatchesBuildPassBitForBitInEachContext) {
    EvaluationContext hidden;
    hidden.lampVisible = false;
    EvaluationContext t8;
    t8.tube = 2;
    t8.lampH = 50;
    t8.aquaW = 200;
    t8.albedo = 0.95L;
    EvaluationContext t4;
    t4.tube = 0;
    t4.scale = 1; // 2:1
    t4.albedo = 0.1L;
    t4.aquaW = 1000;
    EvaluationContext fine;
    fine.dotsPerInch = 144;
    fine.scale = 0; // 1:1 at 6 pixels per millimetre
    fine.lampH = 80;
    const struct {
        const char* label;
        EvaluationContext context;
        int designsPerShape;
        unsigned seed;
        bool varyLamp;
    } cases[] = {
        {"default", EvaluationContext{}, 120, 1, false},
        {"default, lamp distances varied", EvaluationContext{}, 60, 2, true},
        {"tube hidden", hidden, 60, 3, true},
        {"T8, water close, narrow aquarium", t8, 30, 4, true},
        {"T4 at 2:1, low albedo, wide aquarium", t4, 20, 5, true},
        {"144 dots per inch at 1:1", fine, 8, 6, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        CheckSample(c.context, c.designsPerShape, c.seed, c.varyLamp);
    }
}

// Deep reflectors reach into the water: rays then cross the outline on their first line after a
// reflection and refracted paths run over the outline, which later rays read.
TEST(FastEvaluator, MatchesBuildPassWhereTheReflectorReachesIntoTheWater) {
    EvaluationContext context;
    context.lampH = 50;
    FastEvaluator evaluator(context);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> half(10, 100);
    for (int shape = 0; shape <= 2; ++shape)
        for (int k = 0; k < 40; ++k) {
            Design d;
            d.shape = shape;
            d.refA = 2 * half(rng);
            d.refB = 150 + 2 * (k % 26);
            d.refC = 2 * half(rng) / 4 + 10;
            d.lamp = 10 + k % 20;
            ExpectIdentical(evaluator.evaluate(d), SingleBuild(context, d), d, context);
        }
}

TEST(FastEvaluator, RefusesTheDesignsTheBuildPassRefusesWithTheSameMessage) {
    const EvaluationContext context;
    FastEvaluator evaluator(context);
    const std::vector<Design> refused = {
        {0, 100, 50, 100, 50}, // trapezoid, C = A: the side angle divides by zero
        {0, 60, 50, 120, 50},  // trapezoid, C above A
        {1, 20, 102, 50, 50},  // parabola, depth divisor 0
        {2, 60, 100, 50, 50},  // "ZeFo", depth divisor 0
        {2, 80, 40, 80, 50},   // "ZeFo", C = A: 0 / 0
    };
    for (const Design& d : refused) {
        const Evaluation fast = evaluator.evaluate(d);
        EXPECT_TRUE(fast.refused());
        ExpectIdentical(fast, SingleBuild(context, d), d, context);
        // A refused design leaves nothing behind for the next one.
        const Design good{1, 200, 100, 50, 50};
        ExpectIdentical(evaluator.evaluate(good), SingleBuild(context, good), good, context);
    }
}

// A pass without grid that follows a pass which set the outline pen and traced no rays draws the
// tube and the water 3 pixels wide.
TEST(FastEvaluator, MatchesAPassWhoseTubeAndWaterAreDrawnThreePixelsWide) {
    EvaluationContext context;
    context.carried.penWidth = 3;
    FastEvaluator evaluator(context);
    std::mt19937 rng(8);
    for (int shape = 0; shape <= 2; ++shape)
        for (int k = 0; k < 15; ++k) {
            const Design d = RandomDesign(rng, shape, true);
            OpticalModel model(context.dotsPerInch);
            // A pass of the start-up design without rays leaves the pen 3 pixels wide.
            BuildInputs first = InputsFor(context, Design{});
            first.gridVisible = false;
            first.rayVisible = false;
            model.PaintRef(first);
            BuildInputs in = InputsFor(context, d);
            in.gridVisible = false;
            Evaluation build;
            try {
                model.PaintRef(in);
                build.efficiency = model.efficiency();
                build.losses = model.losses();
            } catch (const BuildError& error) {
                build.refusal = error.what();
            }
            ExpectIdentical(evaluator.evaluate(d), build, d, context);
        }
}

} // namespace
} // namespace kavrol
