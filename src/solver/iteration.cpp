#include "solver/iteration.h"

#include <algorithm>
#include <memory>
#include <cmath>
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
#include "solver/tmatrix.h"

namespace membrane {
namespace {

constexpr double kDivergenceLimit = 1e10;

void Show(RunState& state, const std::string& text) {
    if (state.view) state.view->ShowMessage(text);
}

bool Cancelled(RunState& state) { return state.view && state.view->CancelRequested(); }

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

    try {
        state.modelLoaded = LoadModel(state, state.inputName);
        if (!state.modelLoaded) {
            success = false;
            result.outcome = RunOutcome::InputErrors;
            result.reason = "input errors";
        } else {
            ModelObjects& m = state.model;
            result.flatArea = m.elements->Total();
            const std::vector<std::int32_t> order = ElementOrder(*m.elements);
            ElementTerms terms{};
            const int maxIterations = state.settings.maxIterations;
            // The sparse Cholesky solver assembles straight into its own matrix; its
            // pattern and ordering are worked out once for all Newton steps.
            std::unique_ptr<CholmodSolver> cholmod;
            if (state.settings.useCholmod && maxIterations > 0) {
                cholmod = std::make_unique<CholmodSolver>();
                if (!cholmod->Setup(state, order)) {
                    state.messages->Show("The sparse Cholesky solver is not available in this build.",
                                         MessageKind::Error);
                    success = false;
                    result.outcome = RunOutcome::SolverFailure;
                    result.reason = "sparse Cholesky solver not available";
                }
            }
            // A limit of 0 or less makes no Newton step: the outputs carry the initial
            // heights and 0 iterations.
            while (success && maxIterations > 0) {
                for (const NodeEntry& node : m.nodes->Nodes()) m.increments->SetValue(node.number, 0.0);
                m.system->Clear();
                m.rightHandSide->Clear();

                ++n;
                Show(state, "ITERATION " + std::to_string(n) + " : Assemble");
                if (!cholmod) {
                    for (std::int32_t number : order)
                        if (ComputeElement(state, number, terms))
                            AccumulateElement(*m.system, *m.rightHandSide, terms);
                    ImposeConstraints(state, *m.system, *m.rightHandSide);
                }
                if (Cancelled(state)) {
                    success = false;
                    result.outcome = RunOutcome::Cancelled;
                    result.reason = "cancelled by the user in iteration " + std::to_string(n);
                    break;
                }

                Show(state, "ITERATION " + std::to_string(n) + " : Elimination");
                const SolveStatus status = cholmod ? cholmod->Step(state, *state.messages)
                                                   : Solve(*m.system, *m.rightHandSide, *state.messages);
                if (status != SolveStatus::Ok) {
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
            WriteOutput(state, n, state.reportFileName, accuracy);
            result.finalArea = state.model.elements->Total();
            if (state.view) state.view->ShowResultHeights(state, n);
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
    Show(state, "ERRORS reported " + result.reason);
    return result;
}

}  // namespace membrane
