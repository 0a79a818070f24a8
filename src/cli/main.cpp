// membrane: the command-line batch runner. It does exactly what the desktop program's
// Run does on a model file (same files, same progress lines, same messages) and tells the
// outcome in its exit status.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "cli/console_view.h"
#include "cli/desktop_opener.h"
#include "cli/generate_command.h"
#include "common/io_error.h"
#include "common/file_names.h"
#include "common/number_format.h"
#include "common/program_path.h"
#include "common/run_state.h"
#include "model/coor_table.h"
#include "model/elem_table.h"
#include "model/value_lists.h"
#include "model/model_loader.h"
#include "output/boundary_points.h"
#include "output/vrml_export.h"
#include "plot/mesh_drawing.h"
#include "plot/run_mesh_source.h"
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

// What the results window's "Show 3D-VRML model" group would pass, from the options.
struct SceneOptions {
    bool write = false;  // --vrml (implied by every other scene option)
    bool numbering = false;
    bool noAxes = false;
    bool undeformed = false;
    double scale = 1.0;
    bool open = false;

    VrmlOptions ToVrml() const {
        VrmlOptions vrml;
        vrml.showNumbering = numbering;
        vrml.showAxes = !noAxes;
        vrml.showDeformed = !undeformed;
        // As the scaling field: 0 stands for 10; not showing the deformed state is -1.
        vrml.scale = undeformed ? kUndeformedScale : (scale == 0.0 ? 10.0 : scale);
        return vrml;
    }
};

struct RunOptions {
    std::string model;
    double accuracy = Settings{}.accuracy;
    int maxIterations = Settings{}.maxIterations;
    double weight = Settings{}.weight;
    bool quiet = false;
    bool timings = false;  // --timings: phase times and peak memory after the summary
    SceneOptions scene;
    std::string svg;  // --svg: the results window's mesh drawing as a picture
    std::string solver = "elimination";
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

void PrintTimings(const RunTimings& t) {
    std::printf("load         : %s s\n", FormatFixed(t.load, 15, 4).c_str());
    std::printf("assemble     : %s s\n", FormatFixed(t.assemble, 15, 4).c_str());
    std::printf("solve        : %s s\n", FormatFixed(t.solve, 15, 4).c_str());
    std::printf("write        : %s s\n", FormatFixed(t.write, 15, 4).c_str());
    std::printf("peak memory  : %s MB\n", FormatFixed(t.peakMemoryMb, 15, 1).c_str());
    std::fflush(stdout);
}

// Writes the scene of the state's model and, if asked, opens it; an exit status.
int WriteScene(RunState& state, const SceneOptions& options, bool quiet) {
    const VrmlExportResult result = ExportVrml(state, options.ToVrml());
    if (result == VrmlExportResult::Written && !quiet)
        std::printf("scene        : %s\n", VrmlSceneFileName(state).c_str());
    std::fflush(stdout);
    if (options.open && result != VrmlExportResult::WriteFailed) {
        XdgOpener opener(*state.messages);
        ShowVrml(state, opener);
    }
    return result == VrmlExportResult::Written ? kExitSuccess : kExitOutputFailure;
}

void PrepareState(RunState& state, const RunOptions& options) {
    state.boundaryPointsPath = ExtractFilePath(ProgramFilePath()) + "BNDRYPTS.txt";
    state.settings.accuracy = options.accuracy;
    state.settings.maxIterations = options.maxIterations;
    state.settings.weight = options.weight;
    state.settings.useCholmod = options.solver == "cholmod";
    ResetRun(state);
}

int Run(const RunOptions& options) {
    RunState state;
    ConsoleMessages messages;
    ConsoleView view(options.quiet);
    state.messages = &messages;
    state.view = &view;
    PrepareState(state, options);

    const RunResult result = RunModel(state, options.model, state.settings.accuracy);
    if (!options.quiet) PrintSummary(state, result, view);
    if (options.timings) PrintTimings(result.timings);
    if (!options.svg.empty()) {
        // The drawing of the results window's paint box, 634 x 474 pixels.
        if (!RenderMeshSvg(RunMeshSource(state), options.svg, 634, 474, &messages)) {
            messages.Show("Can not write the picture " + options.svg, MessageKind::Error);
            if (result.outcome == RunOutcome::Success) return kExitOutputFailure;
        } else if (!options.quiet) {
            std::printf("picture      : %s\n", options.svg.c_str());
            std::fflush(stdout);
        }
    }
    if (result.outcome == RunOutcome::Success && options.scene.write)
        return WriteScene(state, options.scene, options.quiet);
    return ExitFor(result.outcome);
}

// The scene of a model as loaded, without running it: the flat mesh.
int ExportOnly(const RunOptions& options) {
    RunState state;
    ConsoleMessages messages;
    state.messages = &messages;
    PrepareState(state, options);
    state.inputName = options.model;
    try {
        state.modelLoaded = LoadModel(state, state.inputName);
    } catch (const IoError& error) {
        messages.Show(error.what(), MessageKind::Error, "Input/output error");
        return kExitOutputFailure;
    }
    if (!state.modelLoaded) return kExitInputErrors;
    return WriteScene(state, options.scene, options.quiet);
}

void AddSceneOptions(CLI::App* command, SceneOptions& scene, bool withVrmlFlag) {
    if (withVrmlFlag)
        command->add_flag("--vrml", scene.write,
                          "After a successful run, write the VRML scene MODEL.wrl "
                          "(numbering off, axes on, deformed, scaling 1)");
    command->add_flag("--numbering", scene.numbering, "Scene: label nodes and bars with their numbers");
    command->add_flag("--no-axes", scene.noAxes, "Scene: leave out the x, y, z axes");
    command->add_flag("--undeformed", scene.undeformed, "Scene: draw the nodes at their heights, not scaled");
    command->add_option("--scale", scene.scale, "Scene: scaling of the heights (default 1, 0 means 10)");
    command->add_flag("--open", scene.open, "Open the scene with the desktop's viewer (xdg-open)");
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
    run->add_option("--solver", options.solver,
                    "Linear solver: elimination (built-in, default) or cholmod (sparse Cholesky, large models)")
        ->check(CLI::IsMember({"elimination", "cholmod"}));
    run->add_flag("--timings", options.timings,
                  "After the summary, print the seconds spent loading, assembling, solving and "
                  "writing, and the peak memory");
    run->add_option("--svg", options.svg, "Also write the mesh drawing (634 x 474) as an SVG picture");
    AddSceneOptions(run, options.scene, true);

    CLI::App* vrml = app.add_subcommand("vrml", "Write the VRML scene MODEL.wrl of a model's flat mesh without running it");
    vrml->add_option("model", options.model, "Model file (.DAT)")->required();
    vrml->add_flag("--quiet,-q", options.quiet, "Print nothing but messages");
    AddSceneOptions(vrml, options.scene, false);

    GenerateOptions generateOptions;
    CLI::App* generate = AddGenerateCommand(app, generateOptions);

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
    // Every scene option asks for the scene.
    SceneOptions& scene = options.scene;
    if (scene.numbering || scene.noAxes || scene.undeformed || scene.open ||
        run->count("--scale") > 0)
        scene.write = true;
    if (run->parsed()) return Run(options);
    if (vrml->parsed()) return ExportOnly(options);
    if (generate->parsed()) return Generate(generateOptions, kExitOutputFailure);
    return kExitUsage;
}
