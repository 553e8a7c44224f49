// SPDX-License-Identifier: GPL-3.0-or-later
// One build pass of the start-up design against its floor: filling the whole picture once and
// copying it once, which every pass must do anyway.
#include "Canvas.h"
#include "OpticalModel.h"

#include <benchmark/benchmark.h>

namespace {

void BM_BuildPass(benchmark::State& state) {
    kavrol::OpticalModel model(static_cast<int>(state.range(0)));
    const kavrol::BuildInputs design;
    model.PaintRef(design);
    for (auto _ : state) {
        model.PaintRef(design);
        benchmark::DoNotOptimize(model.efficiency());
    }
    state.counters["side"] = model.workImage().width();
}

void BM_FillAndCopyFloor(benchmark::State& state) {
    const kavrol::OpticalModel sized(static_cast<int>(state.range(0)));
    kavrol::Canvas work(sized.workImage().width(), sized.workImage().height());
    kavrol::Canvas shown(work);
    for (auto _ : state) {
        work.setBrushColor(kavrol::Colors::White);
        work.fillAll();
        shown.copyFrom(work);
        benchmark::DoNotOptimize(shown.pixels().data());
        benchmark::ClobberMemory();
    }
    state.counters["side"] = work.width();
}

} // namespace

BENCHMARK(BM_BuildPass)->Arg(96)->Arg(192)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillAndCopyFloor)->Arg(96)->Arg(192)->Unit(benchmark::kMicrosecond);
