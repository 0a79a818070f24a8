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
#include "cli/number_options.h"
#include "cli/run_printing.h"
#include "cli/surface_exports.h"
#include "common/file_lock.h"
#include "common/file_names.h"
#include "common/number_format.h"
#include "heightfield/model_mesh_source.h"
#include "heightfield/run_model.h"
#include "heightfield/vrml_export.h"
#include "plot/mesh_drawing.h"

namespace membrane {

const char* const kExitStatusHelp =
    "Exit status: 0 converged, no warnings; 1 files written, with warnings (reader\n"
    "messages, a table that ended early, a held node or start height naming a missing\n"
    "node, the iteration limit reached before the accuracy test was met); 2 input errors\n"
    "(with --strict also every warning); 3 diverged; 4 solver failure or out of memory;\n"
    "5 a file could not be read or written (or the run was cancelled); 6 an error of the\n"
    "program itself; 64 wrong usage; 130/143 ended by SIGINT/SIGTERM.";

namespace {

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

// The summary: the model, the solver, the outcome and its warnings, the tables' sizes,
// the iterations, the two areas and the files written.
SummaryLines SummaryOf(const RunOptions& options, const RunResult& result,
                       const ConsoleView& view) {
    SummaryLines lines{{"model", options.model}};
    const SolverChoice solver =
        result.solver == SolverChoice::Auto ? options.settings.solver : result.solver;
    lines.push_back({"solver", std::string(ChoiceName(solver))});
    lines.push_back({"outcome", SummaryOutcome(result, result.converged)});
    for (const std::string& warning : result.warnings) lines.push_back({"warning", warning});
    if (const Model* m = result.model.get()) {
        lines.push_back({"nodes", std::to_string(m->nodes.Count())});
        if (!m->nodes.Empty() && !m->initial.Empty() && !m->constraints.Empty())
            lines.push_back({"triangles", std::to_string(m->elements.Count())});
        if (m->complete) lines.push_back({"bars", std::to_string(m->bars.Count())});
    }
    lines.push_back({"iterations", std::to_string(result.iterations)});
    if (result.iterationsBeforeRestart > 0)
        lines.back().value +=
            " after a restart, " + std::to_string(result.iterationsBeforeRestart) + " before";
    if (!view.flatAreaText.empty())
        lines.push_back({"flat area", FormatFixed(result.flatArea, 15, 6)});
    if (result.solution || result.outcome == RunOutcome::Success)
        lines.push_back({"final area", FormatFixed(result.finalArea, 15, 6)});
    if (result.outcome == RunOutcome::Success) {
        lines.push_back({"report", result.reportFile});
        lines.push_back({"truss model", result.trussFile});
    }
    if (!result.boundaryPointsFile.empty())
        lines.push_back({"boundary", result.boundaryPointsFile});
    return lines;
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
        ->check(WholeNumberFrom(0));
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
        return ExitStatusOf(result);
    }
    if (result.outcome != RunOutcome::Success) return ExitStatusOf(result);
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
    return exported != kExitSuccess ? exported : ExitStatusOf(result);
}

}  // namespace

int RunCommand(const RunOptions& options) {
    ConsoleMessages messages;
    ConsoleView view(options.quiet);
    const RunResult result = RunModel(RequestFor(options), messages, &view);
    return EndRunCommand(result,
                         {.quiet = options.quiet,
                          .history = options.history,
                          .timings = options.timings,
                          .summary = SummaryOf(options, result, view),
                          .historyTable = options.history ? RenderHistoryTable(result.history) : "",
                          .solverTimings = SolverTimings(result.solves),
                          .writeAfter = [&](std::vector<FileTiming>& files) {
                              return WriteOtherFiles(options, result, messages, files);
                          }});
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
    if (result.outcome != RunOutcome::Success) return ExitStatusOf(result);
    return WriteScene(*result.model, nullptr, options.scene, options.quiet, messages);
}

}  // namespace membrane
