#include "solver/iteration.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/file_names.h"
#include "common/io_error.h"
#include "model/coor_table.h"
#include "model/elem_table.h"
#include "model/model_loader.h"
#include "model/value_lists.h"
#include "output/report_writer.h"
#include "solver/assembly.h"
#include "solver/cholmod_solver.h"
#include "solver/fill_ordering.h"
#include "solver/tmatrix.h"

namespace membrane {
namespace {

constexpr double kDivergenceLimit = 1e10;

void Show(RunState& state, const std::string& text) {
    if (state.view) state.view->ShowMessage(text);
}

bool Cancelled(RunState& state) { return state.view && state.view->CancelRequested(); }

void ShowCholmodMissing(RunState& state) {
    state.messages->Show("The sparse Cholesky solver is not available in this build.", MessageKind::Error);
}

// Wall-clock seconds since construction or the last Restart.
class Stopwatch {
public:
    double Seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }
    void Restart() { start_ = Clock::now(); }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point start_ = Clock::now();
};

std::string Trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// Element numbers in ascending order, each once: for a model numbered 1..E exactly the
// order 1, 2, ..., E, and a model with gaps in its numbering is computed completely.
std::vector<std::int32_t> ElementOrder(const TElemClass& elements) {
    std::vector<std::int32_t> numbers;
    numbers.reserve(elements.Elements().size());
    for (const ElementEntry& e : elements.Elements()) numbers.push_back(e.number);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

}  // namespace

double PeakMemoryMb() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return 0.0;
    char line[256];
    long kilobytes = 0;
    while (std::fgets(line, sizeof line, status) != nullptr)
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            kilobytes = std::strtol(line + 6, nullptr, 10);  // "VmHWM:   123456 kB"
            break;
        }
    std::fclose(status);
    return kilobytes / 1024.0;
}

void ResetRun(RunState& state) { state.Reset(); }

RunResult RunModel(RunState& state, const std::string& inputFileName, double accuracy) {
    RunResult result;
    Show(state, "Open " + inputFileName);
    state.inputName = inputFileName;
    state.reportFileName = ChangeFileExt(inputFileName, ".OUT");
    bool stop = false;
    bool success = true;
    state.resultsAvailable = false;
    int n = 0;

    RunTimings& timings = result.timings;
    Stopwatch clock;
    // The sparse Cholesky solver's ordering is worked out beside the loading of the
    // model. Whatever way the run ends, the ordering's thread ends with this object.
    std::unique_ptr<FillOrdering> ordering;
    if (state.settings.useCholmod && state.settings.maxIterations > 0)
        ordering = FillOrdering::Start(state.inputName);
    // The output files, whose parts that the Newton steps do not change are written
    // while they go on; the temporary files go with this object unless the run succeeds.
    std::unique_ptr<OutputFiles> output;
    try {
        state.modelLoaded = LoadModel(state, state.inputName);
        timings.load = clock.Seconds();
        if (!state.modelLoaded) {
            success = false;
            result.outcome = RunOutcome::InputErrors;
            result.reason = "input errors";
        } else {
            ModelObjects& m = state.model;
            output = std::make_unique<OutputFiles>(state, state.reportFileName);
            result.flatArea = m.elements->Total();
            const std::vector<std::int32_t> order = ElementOrder(*m.elements);
            ElementTerms terms{};
            const int maxIterations = state.settings.maxIterations;
            // The sparse Cholesky solver assembles straight into its own matrix; its
            // pattern and ordering are worked out once for all Newton steps.
            std::unique_ptr<CholmodSolver> cholmod;
            EliminationWorkspace elimination;  // memory for every Newton step of the run
            if (state.settings.useCholmod && maxIterations > 0) {
                clock.Restart();
                cholmod = std::make_unique<CholmodSolver>();
                const bool ready = cholmod->Setup(state, order);
                timings.solve += clock.Seconds();  // unknowns and pattern
                if (!ready) {
                    ShowCholmodMissing(state);
                    success = false;
                    result.outcome = RunOutcome::SolverFailure;
                    result.reason = "sparse Cholesky solver not available";
                }
            }
            // A limit of 0 or less makes no Newton step: the outputs carry the initial
            // heights and 0 iterations.
            while (success && maxIterations > 0) {
                clock.Restart();
                for (const NodeEntry& node : m.nodes->Nodes()) m.increments->SetValue(node.number, 0.0);
                m.system->Clear();
                m.rightHandSide->Clear();

                ++n;
                Show(state, "ITERATION " + std::to_string(n) + " : Assemble");
                if (cholmod) {
                    cholmod->Assemble(state);
                } else {
                    for (std::int32_t number : order)
                        if (ComputeElement(state, number, terms))
                            AccumulateElement(*m.system, *m.rightHandSide, terms);
                    ImposeConstraints(state, *m.system, *m.rightHandSide);
                }
                timings.assemble += clock.Seconds();
                if (Cancelled(state)) {
                    success = false;
                    result.outcome = RunOutcome::Cancelled;
                    result.reason = "cancelled by the user in iteration " + std::to_string(n);
                    break;
                }

                Show(state, "ITERATION " + std::to_string(n) + " : Elimination");
                // From here on the output files' first parts are written beside the
                // solution (after the first assembly, so as not to take a core from the
                // ordering before the solver has to wait for it).
                if (n == 1) output->WriteAhead(state);
                clock.Restart();
                // The ordering and the symbolic factorization, once the first assembly is done.
                if (cholmod && n == 1 && !cholmod->Analyze(ordering.get())) {
                    timings.solve += clock.Seconds();
                    ShowCholmodMissing(state);
                    success = false;
                    result.outcome = RunOutcome::SolverFailure;
                    result.reason = "sparse Cholesky solver not available";
                    break;
                }
                const SolveStatus status = cholmod ? cholmod->Solve(*state.messages)
                                                   : Solve(*m.system, *m.rightHandSide, *state.messages,
                                                           EliminationOptions{.workspace = &elimination});
                if (status != SolveStatus::Ok) {
                    timings.solve += clock.Seconds();
                    success = false;
                    result.outcome = RunOutcome::SolverFailure;
                    result.reason = Trimmed(SolveStatusText(status));
                    break;
                }

                bool notANumber = false;
                for (const NodeEntry& node : m.nodes->Nodes()) {
                    const double increment =
                        cholmod ? cholmod->Increment(node.number) : m.rightHandSide->GetEntry(node.number, 1);
                    notANumber = notANumber || std::isnan(increment);
                    m.increments->SetValue(node.number, increment);
                }
                const double max = m.increments->MaxValue();
                const double min = m.increments->MinValue();
                if (2 * accuracy >= std::fabs(max) + std::fabs(min)) stop = true;
                if (std::fabs(max) > kDivergenceLimit || std::fabs(min) > kDivergenceLimit || notANumber) {
                    stop = true;
                    success = false;
                    result.outcome = RunOutcome::Diverged;
                    result.reason = "iteration " + std::to_string(n) + ", solution to infinity";
                }
                if (!stop) m.heights->AddList(m.increments.get());
                timings.solve += clock.Seconds();
                if (stop || n == maxIterations) break;
                if (Cancelled(state)) {
                    success = false;
                    result.outcome = RunOutcome::Cancelled;
                    result.reason = "cancelled by the user after iteration " + std::to_string(n);
                    break;
                }
            }
        }
        result.iterations = n;

        if (success) {
            state.resultsAvailable = true;
            clock.Restart();
            output->Finish(state, n, accuracy);
            result.finalArea = state.model.elements->Total();
            if (state.view) state.view->ShowResultHeights(state, n);
            timings.write = clock.Seconds();
            timings.peakMemoryMb = PeakMemoryMb();
            Show(state, "READY, output to file : " + ExtractFileName(state.reportFileName));
            result.outcome = RunOutcome::Success;
            return result;
        }
    } catch (const IoError& error) {
        state.resultsAvailable = false;
        state.messages->Show(error.what(), MessageKind::Error, "Input/output error");
        result.outcome = RunOutcome::OutputFailure;
        result.reason = "input/output error";
        result.iterations = n;
    }
    timings.peakMemoryMb = PeakMemoryMb();
    Show(state, "ERRORS reported " + result.reason);
    return result;
}

}  // namespace membrane
