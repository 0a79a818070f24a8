#include "cli/run_command.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>

#include "cli/choice_option.h"
#include "cli/console_view.h"
#include "cli/desktop_opener.h"
#include "cli/history_table.h"
#include "cli/import_command.h"
#include "cli/surface_exports.h"
#include "common/file_lock.h"
#include "common/file_names.h"
#include "common/number_format.h"
#include "heightfield/model_mesh_source.h"
#include "heightfield/run_model.h"
#include "heightfield/vrml_export.h"
#include "plot/mesh_drawing.h"
#include "shell/peak_memory.h"

namespace membrane {

const char* const kExitStatusHelp =
    "Exit status: 0 converged, no warnings; 1 files written, with warnings (reader\n"
    "messages, a table that ended early, a held node or start height naming a missing\n"
    "node, the iteration limit reached before the accuracy test was met); 2 input errors\n"
    "(with --strict also every warning); 3 diverged; 4 solver failure or out of memory;\n"
    "5 a file could not be read or written (or the run was cancelled); 6 an error of the\n"
    "program itself; 64 wrong usage; 130/143 ended by SIGINT/SIGTERM.";

namespace {

int ExitFor(const RunResult& result) {
    switch (result.outcome) {
        case RunOutcome::Success:
            return result.warnings.empty() ? kExitSuccess : kExitWarnings;
        case RunOutcome::InputErrors:
            return kExitInputErrors;
        case RunOutcome::Diverged:
            return kExitDiverged;
        case RunOutcome::SolverFailure:
        case RunOutcome::OutOfMemory:
            return kExitSolverFailure;
        case RunOutcome::Cancelled:
        case RunOutcome::OutputFailure:
            return kExitOutputFailure;
        case RunOutcome::InternalError:
            return kExitAborted;
    }
    return kExitAborted;
}

VrmlOptions ToVrml(const SceneOptions& scene) {
    VrmlOptions vrml;
    vrml.showNumbering = scene.numbering;
    vrml.showAxes = !scene.noAxes;
    vrml.showDeformed = !scene.undeformed;
    // As the scaling field: 0 stands for 10; not showing the deformed state is -1.
    vrml.scale = scene.undeformed ? kUndeformedScale : (scene.scale == 0.0 ? 10.0 : scene.scale);
    return vrml;
}

RunRequest RequestFor(const RunOptions& options) {
    RunRequest request;
    request.modelFileName = options.model;
    request.settings = options.settings;
    request.strict = options.strict;
    if (!options.svg.empty()) request.otherOutputs.push_back(options.svg);
    if (options.scene.write) request.otherOutputs.push_back(ChangeFileExt(options.model, ".wrl"));
    for (const std::string& surface : options.exports) request.otherOutputs.push_back(surface);
    return request;
}

std::string OutcomeText(const RunResult& result) {
    if (result.outcome != RunOutcome::Success) return "ERRORS reported " + result.reason;
    return result.converged ? "converged" : "iteration limit reached, not converged";
}

void PrintSummary(const RunOptions& options, const RunResult& result, const ConsoleView& view) {
    std::printf("\n");
    std::printf("model        : %s\n", options.model.c_str());
    const SolverChoice solver =
        result.solver == SolverChoice::Auto ? options.settings.solver : result.solver;
    std::printf("solver       : %s\n", std::string(ChoiceName(solver)).c_str());
    std::printf("outcome      : %s\n", OutcomeText(result).c_str());
    for (const std::string& warning : result.warnings)
        std::printf("warning      : %s\n", warning.c_str());
    if (const Model* m = result.model.get()) {
        std::printf("nodes        : %d\n", m->nodes.Count());
        if (!m->nodes.Empty() && !m->initial.Empty() && !m->constraints.Empty())
            std::printf("triangles    : %d\n", m->elements.Count());
        if (m->complete) std::printf("bars         : %d\n", m->bars.Count());
    }
    if (result.iterationsBeforeRestart > 0)
        std::printf("iterations   : %d after a restart, %d before\n", result.iterations,
                    result.iterationsBeforeRestart);
    else
        std::printf("iterations   : %d\n", result.iterations);
    if (!view.flatAreaText.empty())
        std::printf("flat area    : %s\n", FormatFixed(result.flatArea, 15, 6).c_str());
    if (result.solution && result.outcome != RunOutcome::Success)
        std::printf("final area   : %s\n", FormatFixed(result.finalArea, 15, 6).c_str());
    if (result.outcome == RunOutcome::Success) {
        std::printf("final area   : %s\n", FormatFixed(result.finalArea, 15, 6).c_str());
        std::printf("report       : %s\n", result.reportFile.c_str());
        std::printf("truss model  : %s\n", result.trussFile.c_str());
    }
    if (!result.boundaryPointsFile.empty())
        std::printf("boundary     : %s\n", result.boundaryPointsFile.c_str());
    std::fflush(stdout);
}

// The run's phases, then every file written after it, then the peak memory of the whole
// command.
void PrintTimings(const RunTimings& t, const SolveCounts& solves,
                  const std::vector<FileTiming>& files) {
    std::printf("load         : %s s\n", FormatFixed(t.load, 15, 4).c_str());
    std::printf("assemble     : %s s\n", FormatFixed(t.assemble, 15, 4).c_str());
    std::printf("solve        : %s s\n", FormatFixed(t.solve, 15, 4).c_str());
    if (solves.factorizations > 0)
        std::printf("factorized   : %d times; %d steps by conjugate gradients (%d iterations)\n",
                    solves.factorizations, solves.reusedFactorSolves,
                    solves.conjugateGradientIterations);
    if (solves.multigridSetups > 0)
        std::printf("multigrid    : %d set-ups, %d steps on an earlier one; %d iterations\n",
                    solves.multigridSetups, solves.multigridReuses,
                    solves.conjugateGradientIterations);
    std::printf("write        : %s s\n", FormatFixed(t.write, 15, 4).c_str());
    PrintFileTimings(files);
    std::printf("peak memory  : %s MB\n",
                FormatFixed(std::max(t.peakMemoryMb, PeakMemoryMb()), 15, 1).c_str());
    std::fflush(stdout);
}

// A number option that must be finite and within [low, high]; the message names the range
// briefly (CLI11's own checks print the largest double in full).
CLI::Validator FiniteIn(double low, double high, const std::string& range) {
    return CLI::Validator(
        [low, high, range](std::string& text) -> std::string {
            double value = 0;
            if (!CLI::detail::lexical_cast(text, value) || !std::isfinite(value) || value < low ||
                value > high)
                return "must be a finite number " + range + ", not " + text;
            return {};
        },
        "FINITE " + range);
}

// Writes the scene of the model (with the membrane, when there is one) and, if asked,
// opens it; an exit status (a scene that no program could open is a failure).
int WriteScene(const Model& model, const Solution* solution, const SceneOptions& options,
               bool quiet, MessageSink& messages) {
    const VrmlExportResult result = ExportVrml(model, solution, ToVrml(options), messages);
    if (result == VrmlExportResult::Written && !quiet)
        std::printf("scene        : %s\n", VrmlSceneFileName(model).c_str());
    std::fflush(stdout);
    bool opened = true;
    if (options.open && result != VrmlExportResult::WriteFailed) {
        XdgOpener opener(messages);
        opened = ShowVrml(model, opener, messages);
    }
    return result == VrmlExportResult::Written && opened ? kExitSuccess : kExitOutputFailure;
}

void AddSceneOptions(CLI::App* command, SceneOptions& scene, bool withVrmlFlag) {
    if (withVrmlFlag)
        command->add_flag("--vrml", scene.write,
                          "After a successful run, write the VRML scene MODEL.wrl "
                          "(numbering off, axes on, deformed, scaling 1)");
    command->add_flag("--numbering", scene.numbering,
                      "Scene: label nodes and bars with their numbers");
    command->add_flag("--no-axes", scene.noAxes, "Scene: leave out the x, y, z axes");
    command->add_flag("--undeformed", scene.undeformed,
                      "Scene: draw the nodes at their heights, not scaled");
    command
        ->add_option("--scale", scene.scale,
                     "Scene: scaling of the heights (default 1, 0 means 10)")
        ->check(FiniteIn(-1e100, 1e100, "of at most 1e100 in size"));
    command->add_flag("--open", scene.open, "Open the scene with the desktop's viewer (xdg-open)");
}

}  // namespace

CLI::App* AddRunCommand(CLI::App& app, RunOptions& options) {
    CLI::App* run =
        app.add_subcommand("run", "Run a model file: writes MODEL.OUT, MODEL.TRS and BNDRYPTS.txt");
    run->add_option("model", options.model, "Model file (.DAT)")->required();
    run->add_option("--accuracy", options.settings.accuracy, "Convergence bound (default 0.001)")
        ->check(FiniteIn(0, 1e100, "from 0 to 1e100"));
    run->add_option("--max-iterations", options.settings.maxIterations,
                    "Iteration limit (default 10; 0 writes the start heights)")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                int value = 0;
                if (!CLI::detail::lexical_cast(text, value) || value < 0)
                    return "must be a whole number of 0 or more, not " + text;
                return {};
            },
            "INT >= 0"));
    run->add_option("--weight", options.settings.weight,
                    "Membrane weight in kN/m^2 for the truss loads (default 1)")
        ->check(FiniteIn(-1e100, 1e100, "of at most 1e100 in size"));
    run->add_flag("--quiet,-q", options.quiet,
                  "Print no progress lines and no summary (errors still go to stderr)");
    run->add_flag("--strict", options.strict,
                  "Treat every warning as an input error: exit status 2 and no files unless the "
                  "run is clean");
    run->add_option("--solver", options.settings.solver,
                    "Linear solver: auto (default: the elimination where its predicted work is "
                    "small, amg above 20000 nodes, cholmod between), elimination (built-in), "
                    "cholmod (sparse Cholesky) or amg (conjugate gradients with algebraic "
                    "multigrid)")
        ->transform(CLI::CheckedTransformer(ChoicesByName<SolverChoice>(kSolverChoiceNames)))
        ->option_text("auto|elimination|cholmod|amg");
    run->add_option("--newton", options.settings.newton,
                    "Newton step: pure (the whole increment), damped (line search on the area) "
                    "or auto (pure; damped from the harmonic start when pure runs off; default)")
        ->transform(CLI::CheckedTransformer(ChoicesByName<NewtonStep>(kNewtonStepNames)))
        ->option_text("pure|damped|auto");
    run->add_option("--start", options.settings.start,
                    "Start heights of the free nodes: file (the model's, default) or harmonic "
                    "(the harmonic extension of the held heights)")
        ->transform(CLI::CheckedTransformer(ChoicesByName<StartHeights>(kStartHeightsNames)))
        ->option_text("file|harmonic");
    run->add_flag("--history", options.history,
                  "After the summary, print every Newton step: largest and smallest increment, "
                  "step length and area");
    run->add_flag("--timings", options.timings,
                  "At the end, print the seconds spent loading, assembling, solving and "
                  "writing, those of every file written after the run, and the peak memory");
    run->add_option("--svg", options.svg,
                    "Also write the mesh drawing (634 x 474) as an SVG picture");
    run->add_option("--export", options.exports,
                    "After a successful run (or one whose own files could not be written), "
                    "also write the membrane as a surface file (.obj, .stl, .ply, .glb or "
                    ".dxf; repeatable)")
        ->check(CLI::Validator(ExportFormatCheck, "FILE", "export format"));
    AddSceneOptions(run, options.scene, true);
    return run;
}

CLI::App* AddVrmlCommand(CLI::App& app, RunOptions& options) {
    CLI::App* vrml = app.add_subcommand(
        "vrml", "Write the VRML scene MODEL.wrl of a model's flat mesh without running it");
    vrml->add_option("model", options.model, "Model file (.DAT)")->required();
    vrml->add_flag("--quiet,-q", options.quiet, "Print nothing but messages");
    AddSceneOptions(vrml, options.scene, false);
    vrml->footer(
        "Exit status: 0 scene written (and opened); 2 input errors; 5 a file could not be\n"
        "read or written, or no program could open the scene; 6 an error of the program\n"
        "itself; 64 wrong usage; 130/143 ended by SIGINT/SIGTERM.");
    return vrml;
}

void ImplyScene(SceneOptions& scene, bool scaleGiven) {
    if (scene.numbering || scene.noAxes || scene.undeformed || scene.open || scaleGiven)
        scene.write = true;
}

namespace {

// The files after the run's own: the picture, the scene and the surfaces, each timed. The
// exit status of the whole command.
int WriteOtherFiles(const RunOptions& options, const RunResult& result, MessageSink& messages,
                    std::vector<FileTiming>& timings) {
    using Clock = std::chrono::steady_clock;
    const auto since = [](Clock::time_point start) {
        return std::chrono::duration<double>(Clock::now() - start).count();
    };
    // No picture when the run refused its outputs (before it read the model), nor after a
    // strict run that was not clean.
    const bool drawing = result.model && !(options.strict && result.outcome != RunOutcome::Success);
    if (!options.svg.empty() && drawing) {
        // The drawing of the results window's paint box, 634 x 474 pixels.
        const Clock::time_point start = Clock::now();
        const ModelMeshSource source(
            result.model.get(), {.modelLoaded = result.modelLoaded,
                                 .resultsAvailable = result.solution != nullptr,
                                 .walls = result.solution ? std::span<const std::int32_t>(
                                                                result.solution->walls.elements)
                                                          : std::span<const std::int32_t>()});
        if (!RenderMeshSvg(source, options.svg, 634, 474, &messages)) {
            messages.Show("Can not write the picture " + options.svg, MessageKind::Error);
            if (result.outcome == RunOutcome::Success) return kExitOutputFailure;
        } else {
            timings.push_back({options.svg, since(start)});
            if (!options.quiet) std::printf("picture      : %s\n", options.svg.c_str());
            std::fflush(stdout);
        }
    }
    // A membrane whose own files could not be written is still exported (to a place that
    // takes it): nothing that was computed is lost; the exit status stays the failure's.
    if (result.outcome == RunOutcome::OutputFailure && result.solution && result.model) {
        WriteSurfaceExports(*result.model, *result.solution, options.exports, options.quiet,
                            &timings);
        return ExitFor(result);
    }
    if (result.outcome != RunOutcome::Success) return ExitFor(result);
    int status = kExitSuccess;
    if (options.scene.write) {
        const Clock::time_point start = Clock::now();
        status = WriteScene(*result.model, result.solution.get(), options.scene, options.quiet,
                            messages);
        timings.push_back({VrmlSceneFileName(*result.model), since(start)});
    }
    // The surface files come last, after every file of the run.
    const int exported = WriteSurfaceExports(*result.model, *result.solution, options.exports,
                                             options.quiet, &timings);
    if (status != kExitSuccess) return status;
    return exported != kExitSuccess ? exported : ExitFor(result);
}

}  // namespace

int RunCommand(const RunOptions& options) {
    ConsoleMessages messages;
    ConsoleView view(options.quiet);
    const RunResult result = RunModel(RequestFor(options), messages, &view);
    if (!options.quiet) {
        PrintSummary(options, result, view);
    } else if (result.outcome != RunOutcome::Success) {
        // The progress lines are off, not the errors.
        std::fprintf(stderr, "ERRORS reported %s\n", result.reason.c_str());
        std::fflush(stderr);
    }
    if (options.history) {
        std::fputs(RenderHistoryTable(result.history).c_str(), stdout);
        std::fflush(stdout);
    }
    std::vector<FileTiming> files;
    const int status = WriteOtherFiles(options, result, messages, files);
    // Last, so that every file written is in them.
    if (options.timings) PrintTimings(result.timings, result.solves, files);
    return status;
}

int VrmlCommand(const RunOptions& options) {
    ConsoleMessages messages;
    const std::string scene = ChangeFileExt(options.model, ".wrl");
    if (SameFile(scene, options.model)) {
        messages.Show(scene + ": is the model file itself; it is not overwritten",
                      MessageKind::Error, "Output files");
        return kExitOutputFailure;
    }
    const RunResult result = LoadModelOnly(RequestFor(options), messages);
    if (result.outcome != RunOutcome::Success) return ExitFor(result);
    return WriteScene(*result.model, nullptr, options.scene, options.quiet, messages);
}

}  // namespace membrane
