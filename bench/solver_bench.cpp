// One Newton step's two halves at 1e3 and 1e4 nodes with the built-in elimination:
// assembling the system from every triangle, and the sparse elimination of it.
#include <benchmark/benchmark.h>

#include "bench_models.h"
#include "heightfield/newton_system.h"

namespace membrane::bench {
namespace {

void BM_Assembly(benchmark::State& run) {
    const LoadedModel loaded(CatenoidModel(run.range(0)));
    NewtonSystem::Made made;
    const auto solver = NewtonSystem::Create(SolverChoice::Elimination, *loaded.model, 1e-3, made);
    for (auto _ : run) {
        solver->Assemble(loaded.model->startHeights);
        benchmark::DoNotOptimize(solver->RightHandSide(1));
    }
    run.counters["nodes"] = loaded.model->nodes.Count();
}
BENCHMARK(BM_Assembly)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Elimination(benchmark::State& run) {
    const LoadedModel loaded(CatenoidModel(run.range(0)));
    NewtonSystem::Made made;
    const auto solver = NewtonSystem::Create(SolverChoice::Elimination, *loaded.model, 1e-3, made);
    for (auto _ : run) {
        run.PauseTiming();
        solver->Assemble(loaded.model->startHeights);
        run.ResumeTiming();
        if (solver->Solve() != SolveStatus::Ok) run.SkipWithError("elimination failed");
    }
    run.counters["nodes"] = loaded.model->nodes.Count();
}
BENCHMARK(BM_Elimination)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace membrane::bench
