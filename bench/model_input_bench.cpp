// Reading a model of 1e5 nodes: the field reader alone, each table reader, and the tables
// derived after loading (bar table, boundary analysis).
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench_models.h"
#include "model/coor_table.h"
#include "model/elem_table.h"
#include "model/field_reader.h"
#include "model/text_stream.h"
#include "model/value_lists.h"
#include "output/boundary_points.h"

namespace membrane::bench {
namespace {

constexpr std::int64_t kInputNodes = 100000;

void BM_ReadFields(benchmark::State& run) {
    const std::string& path = CatenoidModel(kInputNodes);
    NullMessageSink messages;
    std::int64_t fields = 0;
    for (auto _ : run) {
        auto stream = TextStream::Open(path, messages);
        while (!stream->AtEnd()) {
            benchmark::DoNotOptimize(ReadField(*stream));
            ++fields;
        }
    }
    run.SetBytesProcessed(static_cast<std::int64_t>(run.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
    run.counters["fields"] = benchmark::Counter(static_cast<double>(fields) / run.iterations());
}
BENCHMARK(BM_ReadFields)->Unit(benchmark::kMillisecond);

void BM_ReadCoordinates(benchmark::State& run) {
    const std::string& path = CatenoidModel(kInputNodes);
    NullMessageSink messages;
    for (auto _ : run) {
        TCoorClass nodes(true, path, &messages);
        benchmark::DoNotOptimize(nodes.Count());
    }
}
BENCHMARK(BM_ReadCoordinates)->Unit(benchmark::kMillisecond);

void BM_ReadElements(benchmark::State& run) {
    const std::string& path = CatenoidModel(kInputNodes);
    NullMessageSink messages;
    for (auto _ : run) {
        TElemClass elements(true, path, &messages);
        benchmark::DoNotOptimize(elements.Count());
    }
}
BENCHMARK(BM_ReadElements)->Unit(benchmark::kMillisecond);

void BM_ReadInitialAndConstraints(benchmark::State& run) {
    const std::string& path = CatenoidModel(kInputNodes);
    NullMessageSink messages;
    for (auto _ : run) {
        TdoubleList initial(true, false, "&INITIAL", path, &messages);
        TIntList constraints(true, true, "&CONSTR", path, &messages);
        benchmark::DoNotOptimize(initial.Count() + constraints.Count());
    }
}
BENCHMARK(BM_ReadInitialAndConstraints)->Unit(benchmark::kMillisecond);

void BM_BuildBarTable(benchmark::State& run) {
    LoadedState loaded(CatenoidModel(kInputNodes));
    const TElemClass& elements = *loaded.state.model.elements;
    for (auto _ : run) {
        TElemClass bars(false, "");
        elements.BuildBarTable(bars);
        benchmark::DoNotOptimize(bars.Count());
    }
}
BENCHMARK(BM_BuildBarTable)->Unit(benchmark::kMillisecond);

void BM_BoundaryAnalysis(benchmark::State& run) {
    LoadedState loaded(CatenoidModel(kInputNodes));
    ModelObjects& m = loaded.state.model;
    for (auto _ : run) {
        m.edgePairs.reset();
        m.boundaryNodes.reset();
        benchmark::DoNotOptimize(FindBoundaryNodes(loaded.state));
    }
}
BENCHMARK(BM_BoundaryAnalysis)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace membrane::bench
