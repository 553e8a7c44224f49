// SPDX-License-Identifier: GPL-3.0-or-later
// Keeping the best designs of a search: the bounded heap the search uses against a sorted vector
// with an insertion per design (the way the best were kept before), over 130,944 designs in
// search order with efficiencies from a smooth landscape, for --top 10 and --top 1000000.

#include "BoundedTop.h"
#include "DesignSearch.h"
#include "ScoredDesign.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using namespace kavrol;

// The size of the grid the slow ranking was first seen on.
constexpr std::int64_t Designs = 130944;

std::vector<ScoredDesign> Scored() {
    std::vector<ScoredDesign> all(static_cast<std::size_t>(Designs));
    for (std::int64_t i = 0; i < Designs; ++i) {
        ScoredDesign& s = all[static_cast<std::size_t>(i)];
        s.index = i;
        s.evaluation.efficiency = 0.5 + 0.3 * std::sin(static_cast<double>(i) * 0.001) *
                                            std::cos(static_cast<double>(i % 96) * 0.05);
    }
    return all;
}

struct Ranking {
    bool operator()(const ScoredDesign& a, const ScoredDesign& b) const {
        return DesignSearch::Better(a, b);
    }
};

void BoundedHeap(benchmark::State& state) {
    const std::vector<ScoredDesign> all = Scored();
    const auto top = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        BoundedTop<ScoredDesign, Ranking> best(top);
        for (const ScoredDesign& s : all)
            best.offer(s);
        benchmark::DoNotOptimize(best.takeSorted());
    }
    state.counters["designs/s"] = benchmark::Counter(
        static_cast<double>(Designs * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BoundedHeap)->Arg(10)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The former way: a sorted vector, each design that makes the cut inserted in its place.
void SortedVectorInsertion(benchmark::State& state) {
    const std::vector<ScoredDesign> all = Scored();
    const auto top = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        std::vector<ScoredDesign> best;
        for (const ScoredDesign& s : all) {
            if (best.size() == top && !DesignSearch::Better(s, best.back()))
                continue;
            best.insert(std::upper_bound(best.begin(), best.end(), s, DesignSearch::Better), s);
            if (best.size() > top)
                best.pop_back();
        }
        benchmark::DoNotOptimize(best);
    }
    state.counters["designs/s"] = benchmark::Counter(
        static_cast<double>(Designs * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(SortedVectorInsertion)->Arg(10)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
