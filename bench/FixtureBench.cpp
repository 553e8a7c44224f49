// SPDX-License-Identifier: GPL-3.0-or-later
// A two-tube fixture against a single design of the same unit over the same tank, both at the
// default options (tolerance 0.0005, 50 bins, bare tubes): the fixture should cost at most
// twice the single design.
#include "FixtureFile.h"
#include "FixtureScene.h"
#include "LightEstimator.h"

#include <benchmark/benchmark.h>

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

BENCHMARK(BM_SingleDesign)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Fixture, two_t5_80cm, "two-t5-80cm.json", 0.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Fixture, two_t5_80cm_right_unit_30mm_in, "two-t5-80cm.json", -30.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Fixture, four_tube_gull_wing, "four-tube-gull-wing.json", 0.0)
    ->Unit(benchmark::kMillisecond);
