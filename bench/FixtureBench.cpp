// SPDX-License-Identifier: GPL-3.0-or-later
// A two-tube fixture against a single design of the same unit over the same tank, both at the
// default options (tolerance 0.0005, 50 bins, bare tubes): the fixture should cost at most
// twice the single design. Also the checks of the largest file allowed: 32 units of 4000-point
// profiles, read and checked (its scene built) in seconds, one such profile in well under one.
#include "FixtureFile.h"
#include "FixtureScene.h"
#include "LightEstimator.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

namespace {

using namespace kavrol::physics;

void Report(benchmark::State& state, const PhysicalEstimate& e) {
    state.counters["share"] = e.efficiency;
    state.counters["error"] = e.error;
    state.counters["rays"] = static_cast<double>(e.raysTraced);
}

// The left unit of examples/two-t5-80cm.json alone, centred over the same tank.
void BM_SingleDesign(benchmark::State& state) {
    const Fixture fixture = FixtureFile::Read(KAVROL_EXAMPLES_DIR "/two-t5-80cm.json");
    const PhysicalDesign d = FixtureScene::UnitDesign(fixture, 0);
    const LightEstimator estimator;
    PhysicalEstimate e = estimator.estimate(d);
    for (auto _ : state) {
        e = estimator.estimate(d);
        // The whole result: this library's DoNotOptimize garbles a lone double lvalue here.
        benchmark::DoNotOptimize(e);
    }
    Report(state, e);
}

// A fixture file; `shift` moves the last unit (mm), which breaks the mirror symmetry that lets
// the estimate take one tube's light as the mirror image of its partner's.
void BM_Fixture(benchmark::State& state, const char* file, double shift) {
    Fixture fixture = FixtureFile::Read(std::string(KAVROL_EXAMPLES_DIR "/") + file);
    fixture.units.back().x += shift;
    const FixtureScene scene(fixture);
    const LightEstimator estimator;
    PhysicalEstimate e = estimator.estimate(scene.scene());
    for (auto _ : state) {
        e = estimator.estimate(scene.scene());
        // The whole result: this library's DoNotOptimize garbles a lone double lvalue here.
        benchmark::DoNotOptimize(e);
    }
    Report(state, e);
}

} // namespace

// A fixture file of `units` units 300 mm apart, each under a profile of `points` points: a
// measured parabola (focus on the tube's axis) 240 mm wide, 90 mm deep, with a ripple of 0.5 mm.
std::string LargeFixture(int units, int points, const char* join) {
    std::string text = R"({"tank": {"waterDistance": 300, "width": 10000}, "albedo": 0.9,
        "units": [)";
    for (int u = 0; u < units; ++u) {
        text += std::string(u == 0 ? "" : ",") + R"({"tube": "T5", "lampDistance": 40, "x": )" +
                std::to_string(-4650 + 300 * u) + R"(, "reflector": {"join": ")" + join +
                R"(", "profile": [)";
        for (int i = 0; i < points; ++i) {
            const double x = -120.0 + 240.0 * i / (points - 1);
            const double y = x * x / 160.0 + 0.5 + 0.5 * std::sin(x / 5.0);
            text += std::string(i == 0 ? "" : ",") + "[" + std::to_string(x) + "," +
                    std::to_string(y) + "]";
        }
        text += "]}}";
    }
    return text + "]}";
}

void BM_CheckLargestFixture(benchmark::State& state, const char* join) {
    const int units = static_cast<int>(state.range(0));
    const std::string text = LargeFixture(units, FixtureFile::kMaxPoints, join);
    for (auto _ : state) {
        CheckedFixture checked = FixtureFile::Check(text, "large.json", "");
        benchmark::DoNotOptimize(checked);
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}

BENCHMARK_CAPTURE(BM_CheckLargestFixture, smooth, "smooth")
    ->Arg(1)
    ->Arg(32)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_CheckLargestFixture, straight, "straight")
    ->Arg(1)
    ->Arg(32)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

BENCHMARK(BM_SingleDesign)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Fixture, two_t5_80cm, "two-t5-80cm.json", 0.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Fixture, two_t5_80cm_right_unit_30mm_in, "two-t5-80cm.json", -30.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Fixture, four_tube_gull_wing, "four-tube-gull-wing.json", 0.0)
    ->Unit(benchmark::kMillisecond);
