// How soon the program answers where the tests only check that it does:
// - a run whose cancel flag is raised while a solve is under way (the flag set 0.3 s into the
//   first solve of a 12000-node model; the time from setting it to the run's end), for each
//   solver;
// - loading a side table with keys a model file chose to fall on one hash slot, beside keys
//   that spread (the seeded hash keeps both linear).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "bench_models.h"
#include "common/pair_map.h"
#include "heightfield/run_model.h"
#include "linalg/cholmod_system.h"

namespace membrane::bench {
namespace {

using Clock = std::chrono::steady_clock;

class NoMessages final : public MessageSink {
  public:
    using MessageSink::Show;
    void Show(const UserMessage&) override {}
};

// Raises the flag 0.3 s after the first solve has begun.
class CancellingView final : public ResultsView {
  public:
    explicit CancellingView(std::atomic<bool>& cancel) : cancel_(cancel) {}
    ~CancellingView() override {
        if (timer_.joinable()) timer_.join();
    }
    void ShowMessage(const std::string& text) override {
        if (text != "ITERATION 1 : Elimination" || timer_.joinable()) return;
        timer_ = std::thread([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            set = Clock::now();
            cancel_ = true;
        });
    }
    void ShowInput(std::shared_ptr<const Model>, bool) override {}
    void SetFlatArea(const std::string&) override {}
    void SetFinalArea(const std::string&) override {}
    void ShowResults(std::shared_ptr<const Solution>) override {}
    Clock::time_point set;

  private:
    std::atomic<bool>& cancel_;
    std::thread timer_;
};

void BM_CancelLatency(benchmark::State& run) {
    const auto solver = static_cast<SolverChoice>(run.range(0));
    if (solver == SolverChoice::Cholmod && !CholmodSystem::Available()) {
        run.SkipWithError("no sparse Cholesky in this build");
        return;
    }
    const std::string& model = CatenoidModel(12000);
    for (auto _ : run) {
        std::atomic<bool> cancel{false};
        Settings settings;
        settings.accuracy = 1e-14;
        settings.maxIterations = 50;
        settings.solver = solver;
        settings.newton = NewtonStep::Pure;
        RunRequest request{model, settings, ScratchFile("BNDRYPTS.txt")};
        request.cancel = &cancel;
        NoMessages sink;
        Clock::time_point ended;
        CancellingView view(cancel);
        const RunResult result = RunModel(request, sink, &view);
        ended = Clock::now();
        if (result.outcome != RunOutcome::Cancelled) {
            run.SkipWithError("the run ended before the flag was raised");
            return;
        }
        run.SetIterationTime(std::chrono::duration<double>(ended - view.set).count());
    }
}
BENCHMARK(BM_CancelLatency)
    ->Arg(static_cast<int>(SolverChoice::Elimination))
    ->Arg(static_cast<int>(SolverChoice::Cholmod))
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// 60000 keys that an unseeded finalizer puts on one slot (see the containers test), or
// consecutive pairs.
void BM_SideTableLoading(benchmark::State& run) {
    const bool colliding = run.range(0) != 0;
    constexpr std::uint64_t kMultiplier = 0xff51afd7ed558ccdULL;
    std::uint64_t inverse = kMultiplier;
    for (int k = 0; k < 6; ++k) inverse *= 2 - kMultiplier * inverse;
    const auto unshift = [](std::uint64_t x) { return x ^ (x >> 33); };
    std::vector<std::uint64_t> keys;
    for (std::uint64_t k = 1; keys.size() < 60000; ++k)
        keys.push_back(colliding ? unshift(inverse * unshift(k << 24)) : PairMap::Key(k, k + 1));
    for (auto _ : run) {
        PairMap map;
        for (std::size_t k = 0; k < keys.size(); ++k)
            map.Set(keys[k], static_cast<std::int32_t>(k));
        run.counters["longest cluster"] = static_cast<double>(map.LongestCluster());
    }
}
BENCHMARK(BM_SideTableLoading)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace membrane::bench
