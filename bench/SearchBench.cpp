// SPDX-License-Identifier: GPL-3.0-or-later
// Designs per second of the design search's evaluation path and of plain repeated build passes
// over the same designs, and their ratio.

#include "BuildError.h"
#include "BuildInputs.h"
#include "DesignSearch.h"
#include "FastEvaluator.h"
#include "OpticalModel.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

namespace {

using namespace kavrol;

// A spread of "ZeFo" designs at the start-up context, in search order (C varying fastest).
std::vector<Design> Designs() {
    std::vector<Design> designs;
    for (int a = 20; a <= 200; a += 20)
        for (int b = 10; b <= 200; b += 20)
            for (int c = 10; c <= 200; c += 20)
                designs.push_back({2, a, b, c, 50});
    return designs;
}

void SearchPath(benchmark::State& state) {
    const std::vector<Design> designs = Designs();
    FastEvaluator evaluator(EvaluationContext{});
    std::size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(evaluator.evaluate(designs[k]).efficiency);
        k = (k + 1) % designs.size();
    }
    state.counters["designs/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(SearchPath)->Unit(benchmark::kMicrosecond);

void BuildPass(benchmark::State& state) {
    const std::vector<Design> designs = Designs();
    OpticalModel model(96);
    BuildInputs in;
    std::size_t k = 0;
    for (auto _ : state) {
        const Design& d = designs[k];
        in.shape = d.shape;
        in.refA = d.refA;
        in.refB = d.refB;
        in.refC = d.refC;
        in.lamp = d.lamp;
        try {
            model.PaintRef(in);
        } catch (const BuildError&) {
        }
        benchmark::DoNotOptimize(model.efficiency());
        // Larger steps through the list, so that a short run still sees all kinds of design.
        k = (k + 37) % designs.size();
    }
    state.counters["designs/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BuildPass)->Unit(benchmark::kMicrosecond);

// The whole search on 2 threads over a 10 x 10 x 10 grid of one shape: designs per second of
// wall time, both cores busy.
void SearchOnTwoThreads(benchmark::State& state) {
    SearchSpace space;
    space.shapes = {2};
    space.a = {20, 200, 20};
    space.b = {10, 200, 20};
    space.c = {10, 200, 20};
    DesignSearch search(EvaluationContext{}, space);
    SearchOptions options;
    options.threads = 2;
    std::int64_t designs = 0;
    for (auto _ : state)
        designs += search.run(options).evaluated;
    state.counters["designs/s"] =
        benchmark::Counter(static_cast<double>(designs), benchmark::Counter::kIsRate);
}
BENCHMARK(SearchOnTwoThreads)->Unit(benchmark::kMillisecond)->UseRealTime();

// Both paths over the very same 100 designs, timed one after the other: designs per second of each
// and how many times faster the search path is.
void SpeedRatio(benchmark::State& state) {
    std::vector<Design> designs;
    const std::vector<Design> all = Designs();
    for (std::size_t k = 0; k < all.size(); k += 10)
        designs.push_back(all[k]);
    using Clock = std::chrono::steady_clock;
    double fastSeconds = 0;
    double buildSeconds = 0;
    std::int64_t count = 0;
    for (auto _ : state) {
        FastEvaluator evaluator(EvaluationContext{});
        evaluator.evaluate(designs.front()); // draws the tube and the water once
        const auto t0 = Clock::now();
        for (const Design& d : designs)
            benchmark::DoNotOptimize(evaluator.evaluate(d).efficiency);
        const auto t1 = Clock::now();
        OpticalModel model(96);
        BuildInputs in;
        for (const Design& d : designs) {
            in.shape = d.shape;
            in.refA = d.refA;
            in.refB = d.refB;
            in.refC = d.refC;
            in.lamp = d.lamp;
            try {
                model.PaintRef(in);
            } catch (const BuildError&) {
            }
            benchmark::DoNotOptimize(model.efficiency());
        }
        const auto t2 = Clock::now();
        fastSeconds += std::chrono::duration<double>(t1 - t0).count();
        buildSeconds += std::chrono::duration<double>(t2 - t1).count();
        count += static_cast<std::int64_t>(designs.size());
        state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
    }
    state.counters["search designs/s"] = static_cast<double>(count) / fastSeconds;
    state.counters["build designs/s"] = static_cast<double>(count) / buildSeconds;
    state.counters["ratio"] = buildSeconds / fastSeconds;
}
BENCHMARK(SpeedRatio)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();
