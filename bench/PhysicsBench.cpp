// SPDX-License-Identifier: GPL-3.0-or-later
// The physical estimate against the build pass of the same design at 96 dots per inch, in one
// run: one estimate at the default tolerance should cost at most 20 build passes. Scattering
// surfaces against the mirror estimate of the same shape: a white matte hood at most 10 times,
// polished sheet at most 5 times, the comparison of surfaces at most 40 times. The screening
// estimate is timed over a fixed sample of the window's grid, as the search would run it;
// random designs from the window's ranges should cost at most 30 build passes on average. The
// whole tank (the start-up design over a 1200 x 500 x 450 mm tank, a T5 54 W tube, 20 x 48
// cells, every cell within +-1 % of the mean) should cost at most 300 build passes, four tubes
// at most four times that.
#include "BuildInputs.h"
#include "DesignFromInputs.h"
#include "InputDomain.h"
#include "LightEstimator.h"
#include "OpticalModel.h"
#include "PhysicalDesignError.h"
#include "RandomDesigns.h"
#include "SurfaceComparison.h"
#include "TankEstimator.h"
#include "TankScene.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

using kavrol::physics::EstimateOptions;
using kavrol::physics::LightEstimator;
using kavrol::physics::PhysicalDesign;
using kavrol::physics::PhysicalEstimate;
using kavrol::physics::ReflectorShape;

// The start-up design of the window, as the physical estimate takes it.
PhysicalDesign StartUpDesign(int shape) {
    kavrol::BuildInputs in;
    in.shape = shape;
    return kavrol::physics::DesignFromInputs(in);
}

void BM_BuildPass96(benchmark::State& state) {
    kavrol::OpticalModel model(96);
    kavrol::BuildInputs design;
    design.shape = static_cast<int>(state.range(0));
    model.PaintRef(design);
    for (auto _ : state) {
        model.PaintRef(design);
        benchmark::DoNotOptimize(model.efficiency());
    }
}

void Report(benchmark::State& state, const PhysicalEstimate& e) {
    state.counters["share"] = e.efficiency;
    state.counters["error"] = e.error;
    state.counters["rays"] = static_cast<double>(e.raysTraced);
}

// One design estimated again and again with default options (tolerance 0.0005, 50 bins, bare
// tube and gain included).
void TimeEstimate(benchmark::State& state, const PhysicalDesign& design) {
    const LightEstimator estimator;
    PhysicalEstimate e = estimator.estimate(design);
    for (auto _ : state) {
        e = estimator.estimate(design);
        // The whole result: this library's DoNotOptimize garbles a lone double lvalue here.
        benchmark::DoNotOptimize(e);
    }
    Report(state, e);
}

void BM_PhysicalEstimate(benchmark::State& state) {
    TimeEstimate(state, StartUpDesign(static_cast<int>(state.range(0))));
}

// The same start-up shape with a scattering surface: white matte paint (diffuse share 1) and
// polished sheet (gloss spread 3 degrees, diffuse share 0.05), default options.
void BM_PhysicalEstimateSurface(benchmark::State& state, double diffuseShare, double glossSpread) {
    PhysicalDesign design = StartUpDesign(static_cast<int>(state.range(0)));
    design.materials.surface = {diffuseShare, glossSpread};
    TimeEstimate(state, design);
}

void BM_PhysicalEstimateDiffuse(benchmark::State& state) {
    BM_PhysicalEstimateSurface(state, 1.0, 0.0);
}

void BM_PhysicalEstimateGloss(benchmark::State& state) {
    BM_PhysicalEstimateSurface(state, 0.05, 3.0);
}

// The analysis window's comparison of surfaces for the start-up design: every preset at the
// design's albedo and at its typical one, default tolerance, on one thread.
void BM_SurfaceComparison(benchmark::State& state) {
    const PhysicalDesign design = StartUpDesign(static_cast<int>(state.range(0)));
    std::size_t rows = 0;
    for (auto _ : state) {
        const auto table = kavrol::physics::SurfaceComparison::Compare(design, {});
        rows = table.size();
        benchmark::DoNotOptimize(table);
    }
    state.counters["rows"] = static_cast<double>(rows);
}

// A fixed sample of the grid the search visits (twin arcs, A, B, C in steps of 2 mm, lamp 50),
// the designs that cannot exist left out as the search would refuse them.
std::vector<PhysicalDesign> GridSample(std::size_t count) {
    kavrol::testing_support::WholeNumbers whole(12345);
    return kavrol::testing_support::ExistingDesigns(count, [&] {
        PhysicalDesign d = StartUpDesign(2);
        d.a = 20 + 2 * whole(0, 90);
        d.b = 10 + 2 * whole(0, 95);
        d.c = 10 + 2 * whole(0, 95);
        return d;
    });
}

// One screening estimate per iteration, cycling through the sample.
void BM_ScreeningOverGrid(benchmark::State& state) {
    const std::vector<PhysicalDesign> designs = GridSample(200);
    const LightEstimator estimator(EstimateOptions::Screening());
    std::size_t next = 0;
    double worstError = 0.0;
    double rays = 0.0;
    std::int64_t count = 0;
    for (auto _ : state) {
        const PhysicalEstimate e = estimator.estimate(designs[next]);
        benchmark::DoNotOptimize(e);
        worstError = std::max(worstError, e.error);
        rays += static_cast<double>(e.raysTraced);
        ++count;
        next = (next + 1) % designs.size();
    }
    state.counters["worstError"] = worstError;
    state.counters["meanRays"] = rays / static_cast<double>(std::max<std::int64_t>(count, 1));
}

// One default estimate per iteration, cycling through 30 random designs: the mean time per
// design against the start-up designs' build passes.
void BM_PhysicalEstimateRandom(benchmark::State& state) {
    // Designs drawn from the window's ranges (every shape, tube, distance and width) with random
    // albedos, the designs that cannot exist left out.
    const std::vector<PhysicalDesign> designs = kavrol::testing_support::RandomDesigns(30, 2026);
    const LightEstimator estimator;
    std::size_t next = 0;
    double rays = 0.0;
    int unreached = 0;
    std::int64_t count = 0;
    for (auto _ : state) {
        const PhysicalEstimate e = estimator.estimate(designs[next]);
        benchmark::DoNotOptimize(e);
        rays += static_cast<double>(e.raysTraced);
        unreached += e.toleranceReached ? 0 : 1;
        ++count;
        next = (next + 1) % designs.size();
    }
    state.counters["meanRays"] = rays / static_cast<double>(std::max<std::int64_t>(count, 1));
    state.counters["unreached"] = unreached;
}

// One tube: the start-up design; four: narrower parabolas side by side over the same tank.
kavrol::physics::TankScene TankCase(int tubes, kavrol::physics::ReflectorSurface surface = {}) {
    using namespace kavrol::physics;
    Fixture f;
    f.waterDistance = 200.0;
    f.width = 500.0;
    f.materials.albedo = 0.8;
    std::vector<TankUnit> spans;
    for (int i = 0; i < tubes; ++i) {
        Fixture::Unit u;
        u.tubeRadius = 8.0;
        u.lampDistance = tubes == 1 ? 50.0 : 30.0;
        u.reflector.shape = ReflectorShape::Parabola;
        u.reflector.a = tubes == 1 ? 200.0 : 110.0;
        u.reflector.b = tubes == 1 ? 100.0 : 50.0;
        u.x = tubes == 1 ? 0.0 : -180.0 + 120.0 * i;
        u.surface = surface;
        f.units.push_back(u);
        TankUnit span;
        span.centre = 600.0;
        span.litLength = 1099.0;
        span.reflectorLength = 1099.0;
        span.photonFlux = 5000.0 * 0.0135;
        spans.push_back(span);
    }
    Tank tank;
    tank.length = 1200.0;
    tank.waterDepth = 450.0;
    return TankScene(f, tank, spans);
}

void TankEstimateOf(benchmark::State& state, const kavrol::physics::TankScene& scene) {
    using namespace kavrol::physics;
    const TankEstimator estimator(TankEstimator::Settings{});
    TankEstimate e;
    for (auto _ : state) {
        e = estimator.estimate(scene);
        benchmark::DoNotOptimize(e);
    }
    const double worst = *std::max_element(e.cellErrors.begin(), e.cellErrors.end());
    state.counters["floorShare"] = e.floorShare;
    state.counters["error"] = e.error;
    state.counters["worstCellOverMean"] = worst / e.mean;
    state.counters["rays"] = static_cast<double>(e.raysTraced);
}

void BM_TankEstimate(benchmark::State& state) {
    TankEstimateOf(state, TankCase(static_cast<int>(state.range(0))));
}

// The single tube's tank with a glossy sheet of spread range(0) degrees and no diffuse share,
// against BM_TankEstimate/1's mirror.
void BM_TankEstimateSurface(benchmark::State& state) {
    TankEstimateOf(state, TankCase(1, {0.0, static_cast<double>(state.range(0))}));
}

} // namespace

BENCHMARK(BM_BuildPass96)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhysicalEstimate)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhysicalEstimateRandom)->Iterations(60)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhysicalEstimateDiffuse)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhysicalEstimateGloss)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SurfaceComparison)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ScreeningOverGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TankEstimate)->Arg(1)->Arg(4)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TankEstimateSurface)->Arg(3)->Iterations(1)->Unit(benchmark::kMillisecond);
