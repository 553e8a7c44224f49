// SPDX-License-Identifier: GPL-3.0-or-later
// The search by the physical share on 2 threads over every third point of the window's twin-arc
// grid (A, B and C in steps of 6 mm: 31 x 32 x 32 designs, about as many refused by the physical
// model as on the whole grid): designs per second of wall time, the CPU time per design the
// physical model takes, and the whole grid's time at that pace (838,656 designs; the goal is
// under 3 minutes on 2 cores).
#include "PhysicalSearch.h"

#include <benchmark/benchmark.h>

#include <ctime>

namespace {

using namespace kavrol;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void PhysicalObjectiveOnTwoThreads(benchmark::State& state) {
    SearchSpace space;
    space.shapes = {InputDomain::ZeFo};
    space.a = {20, 200, 6};
    space.b = {10, 200, 6};
    space.c = {10, 200, 6};
    PhysicalSearch search(EvaluationContext{}, space, PhysicalSettings{}, 0.0);
    PhysicalSearch::RunOptions run;
    run.threads = 2;
    std::int64_t designs = 0;
    std::int64_t accepted = 0;
    std::int64_t again = 0;
    const double cpu0 = CpuSeconds();
    for (auto _ : state) {
        const PhysicalSearchOutcome outcome = search.run(run);
        designs += outcome.total;
        accepted += outcome.total - outcome.refusedCount;
        again += outcome.reestimated;
    }
    const double cpu = CpuSeconds() - cpu0;
    state.counters["designs/s"] =
        benchmark::Counter(static_cast<double>(designs), benchmark::Counter::kIsRate);
    state.counters["fullGridSeconds"] =
        benchmark::Counter(static_cast<double>(designs) / 838656.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["cpuMsPerAccepted"] = 1e3 * cpu / static_cast<double>(accepted);
    state.counters["reestimated"] =
        static_cast<double>(again) / static_cast<double>(state.iterations());
}
BENCHMARK(PhysicalObjectiveOnTwoThreads)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace

BENCHMARK_MAIN();
