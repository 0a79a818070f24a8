// Reading a model of 1e5 nodes: the field reader alone, each table reader, and the tables
// derived after loading (bar table, boundary analysis).
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench_models.h"
#include "heightfield/bar_table.h"
#include "heightfield/boundary.h"
#include "heightfield/field_reader.h"
#include "heightfield/text_stream.h"
#include "heightfield/value_lists.h"

namespace membrane::bench {
namespace {

constexpr std::int64_t kInputNodes = 100000;

void BM_ReadFile(benchmark::State& run) {
    const std::string& path = CatenoidModel(kInputNodes);
    for (auto _ : run) benchmark::DoNotOptimize(ReadModelFile(path)->text.size());
    run.SetBytesProcessed(static_cast<std::int64_t>(run.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ReadFile)->Unit(benchmark::kMillisecond);

void BM_ReadFields(benchmark::State& run) {
    const auto file = ReadModelFile(CatenoidModel(kInputNodes));
    NullMessageSink messages;
    std::int64_t fields = 0;
    for (auto _ : run) {
        TextStream stream(file->text, messages);
        while (!stream.AtEnd()) {
            benchmark::DoNotOptimize(ReadField(stream));
            ++fields;
        }
    }
    run.SetBytesProcessed(static_cast<std::int64_t>(run.iterations()) *
                          static_cast<std::int64_t>(file->text.size()));
    run.counters["fields"] = benchmark::Counter(static_cast<double>(fields) / run.iterations());
}
BENCHMARK(BM_ReadFields)->Unit(benchmark::kMillisecond);

void BM_ReadCoordinates(benchmark::State& run) {
    const auto file = ReadModelFile(CatenoidModel(kInputNodes));
    NullMessageSink messages;
    for (auto _ : run) benchmark::DoNotOptimize(NodeTable::Read(file->text, messages).Count());
}
BENCHMARK(BM_ReadCoordinates)->Unit(benchmark::kMillisecond);

void BM_ReadElements(benchmark::State& run) {
    const auto file = ReadModelFile(CatenoidModel(kInputNodes));
    NullMessageSink messages;
    for (auto _ : run) benchmark::DoNotOptimize(ElementTable::Read(file->text, messages).Count());
}
BENCHMARK(BM_ReadElements)->Unit(benchmark::kMillisecond);

void BM_ReadInitialAndConstraints(benchmark::State& run) {
    const auto file = ReadModelFile(CatenoidModel(kInputNodes));
    NullMessageSink messages;
    for (auto _ : run) {
        RealList initial(KeyColumn::Explicit, "&INITIAL");
        IntList constraints(KeyColumn::Implicit, "&CONSTR");
        initial.ReadTable(file->text, messages);
        constraints.ReadTable(file->text, messages);
        benchmark::DoNotOptimize(initial.Count() + constraints.Count());
    }
}
BENCHMARK(BM_ReadInitialAndConstraints)->Unit(benchmark::kMillisecond);

void BM_BuildBarTable(benchmark::State& run) {
    const LoadedModel loaded(CatenoidModel(kInputNodes));
    for (auto _ : run) benchmark::DoNotOptimize(BuildBarTable(loaded.model->elements).Count());
}
BENCHMARK(BM_BuildBarTable)->Unit(benchmark::kMillisecond);

void BM_BoundaryAnalysis(benchmark::State& run) {
    const LoadedModel loaded(CatenoidModel(kInputNodes));
    for (auto _ : run) benchmark::DoNotOptimize(FindBoundary(loaded.model->elements).nodes.size());
}
BENCHMARK(BM_BoundaryAnalysis)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace membrane::bench
