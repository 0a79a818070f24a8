// membrane: the command-line batch runner. It does exactly what the desktop program's
// Run does on a model file (same files, same progress lines, same messages) and tells the
// outcome in its exit status.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "cli/console_view.h"
#include "common/file_names.h"
#include "common/number_format.h"
#include "common/program_path.h"
#include "common/run_state.h"
#include "model/coor_table.h"
#include "model/elem_table.h"
#include "model/value_lists.h"
#include "output/boundary_points.h"
#include "solver/iteration.h"

namespace {

using namespace membrane;

enum ExitStatus {
    kExitSuccess = 0,
    kExitInputErrors = 2,
    kExitDiverged = 3,
    kExitSolverFailure = 4,
    kExitOutputFailure = 5,
    kExitUsage = 64,
};

int ExitFor(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::Success: return kExitSuccess;
        case RunOutcome::InputErrors: return kExitInputErrors;
        case RunOutcome::Diverged: return kExitDiverged;
        case RunOutcome::SolverFailure: return kExitSolverFailure;
        case RunOutcome::Cancelled:
        case RunOutcome::OutputFailure: return kExitOutputFailure;
    }
    return kExitOutputFailure;
}

struct RunOptions {
    std::string model;
    double accuracy = Settings{}.accuracy;
    int maxIterations = Settings{}.maxIterations;
    double weight = Settings{}.weight;
    bool quiet = false;
};

void PrintSummary(const RunState& state, const RunResult& result, const ConsoleView& view) {
    const ModelObjects& m = state.model;
    std::printf("\n");
    if (m.nodes) std::printf("nodes        : %d\n", m.nodes->Count());
    if (m.elements) std::printf("triangles    : %d\n", m.elements->Count());
    if (m.bars) std::printf("bars         : %d\n", m.bars->Count());
    std::printf("iterations   : %d\n", result.iterations);
    if (!view.flatAreaText.empty()) std::printf("flat area    : %s\n", FormatFixed(result.flatArea, 15, 6).c_str());
    if (result.outcome == RunOutcome::Success) {
        std::printf("final area   : %s\n", FormatFixed(result.finalArea, 15, 6).c_str());
        std::printf("report       : %s\n", state.reportFileName.c_str());
        std::printf("truss model  : %s\n", ChangeFileExt(state.inputName, ".TRS").c_str());
    }
    const std::string boundary = ChooseBoundaryPointsPath(state.boundaryPointsPath, state.inputName);
    if (state.model.boundaryNodes && !state.model.boundaryNodes->Empty())
        std::printf("boundary     : %s\n", boundary.c_str());
    std::fflush(stdout);
}

int Run(const RunOptions& options) {
    RunState state;
    ConsoleMessages messages;
    ConsoleView view(options.quiet);
    state.messages = &messages;
    state.view = &view;
    state.boundaryPointsPath = ExtractFilePath(ProgramFilePath()) + "BNDRYPTS.txt";
    state.settings.accuracy = options.accuracy;
    state.settings.maxIterations = options.maxIterations;
    state.settings.weight = options.weight;

    ResetRun(state);
    const RunResult result = RunModel(state, options.model, state.settings.accuracy);
    if (!options.quiet) PrintSummary(state, result, view);
    return ExitFor(result.outcome);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"membrane - minimum-area membrane over a flat triangular mesh"};
    app.require_subcommand(1);
    app.footer(
        "Exit status: 0 success, 2 input errors, 3 diverged, 4 solver failure,\n"
        "5 a file could not be read or written, 64 wrong usage.");

    RunOptions options;
    CLI::App* run = app.add_subcommand("run", "Run a model file: writes MODEL.OUT, MODEL.TRS and BNDRYPTS.txt");
    run->add_option("model", options.model, "Model file (.DAT)")->required();
    run->add_option("--accuracy", options.accuracy, "Convergence bound (default 0.001)")
        ->check(CLI::NonNegativeNumber);
    run->add_option("--max-iterations", options.maxIterations, "Iteration limit (default 10)");
    run->add_option("--weight", options.weight, "Membrane weight in kN/m^2 for the truss loads (default 1)");
    run->add_flag("--quiet,-q", options.quiet, "Print no progress lines and no summary");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }
    if (run->parsed()) return Run(options);
    return kExitUsage;
}
