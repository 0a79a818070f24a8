// One Newton step's two halves at 1e3 and 1e4 nodes: assembling the system from every
// triangle, and the sparse elimination of the assembled system.
#include <benchmark/benchmark.h>

#include "bench_models.h"
#include "model/elem_table.h"
#include "model/value_lists.h"
#include "solver/assembly.h"
#include "solver/sparse_matrix.h"

namespace membrane::bench {
namespace {

void Assemble(RunState& state) {
    ModelObjects& m = state.model;
    m.system->Clear();
    m.rightHandSide->Clear();
    ElementTerms terms{};
    for (const ElementEntry& e : m.elements->Elements())
        if (ComputeElement(state, e.number, terms))
            AccumulateElement(*m.system, *m.rightHandSide, terms);
    ImposeConstraints(state, *m.system, *m.rightHandSide);
}

void BM_Assembly(benchmark::State& run) {
    LoadedState loaded(CatenoidModel(run.range(0)));
    for (auto _ : run) {
        Assemble(loaded.state);
        benchmark::DoNotOptimize(loaded.state.model.system->RowCount());
    }
    run.counters["nodes"] = loaded.state.model.heights->Count();
}
BENCHMARK(BM_Assembly)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Elimination(benchmark::State& run) {
    LoadedState loaded(CatenoidModel(run.range(0)));
    ModelObjects& m = loaded.state.model;
    NullMessageSink messages;
    for (auto _ : run) {
        run.PauseTiming();
        Assemble(loaded.state);
        run.ResumeTiming();
        if (Solve(*m.system, *m.rightHandSide, messages) != SolveStatus::Ok)
            run.SkipWithError("elimination failed");
    }
    run.counters["nodes"] = m.heights->Count();
}
BENCHMARK(BM_Elimination)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace membrane::bench
