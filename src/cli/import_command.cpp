#include "cli/import_command.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "cli/console_view.h"
#include "cli/run_command.h"
#include "cli/surface_exports.h"
#include "common/file_names.h"
#include "common/io_error.h"
#include "common/program_path.h"
#include "exchange/import_error.h"
#include "exchange/surface_format.h"
#include "model/model_file.h"
#include "output/report_solution.h"
#include "run/run_model.h"

namespace membrane {
namespace {

// "GROUP=H": the group's name may itself hold "=", the height is after the last one.
bool ParseHeldHeight(const std::string& text, std::pair<std::string, double>& held) {
    const std::size_t at = text.rfind('=');
    if (at == std::string::npos || at == 0) return false;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data() + at + 1, end, held.second);
    held.first = text.substr(0, at);
    return ec == std::errc() && stop == end && at + 1 < text.size() && std::isfinite(held.second);
}

}  // namespace

std::string ExportFormatCheck(const std::string& path) {
    return IsExportFormat(path) ? std::string()
                                : "the membrane can be exported to .obj, .stl, .ply, .glb or "
                                  ".dxf files, not to " +
                                      path;
}

CLI::App* AddImportCommand(CLI::App& app, ImportOptions& options) {
    CLI::App* command = app.add_subcommand(
        "import", "Make a model file from a triangulated surface (.msh, .geo, .obj, .stl, .ply)");
    command->add_option("surface", options.request.surface, "Surface file")->required();
    command->add_option("-o,--output", options.request.model, "Model file to write (.DAT)")
        ->required();
    command
        ->add_option("--size", options.request.size,
                     "Element size when meshing a Gmsh .geo file (default: the file's own)")
        ->check(CLI::PositiveNumber);
    command->add_option("--held", options.request.held.groups,
                        "Also hold the nodes of this Gmsh physical group (repeatable)");
    command->add_option("--held-height", options.heldHeights,
                        "GROUP=H: hold the nodes of this group at height H (repeatable)");
    command->add_flag("--quiet,-q", options.quiet, "Print nothing but messages");
    return command;
}

CLI::App* AddExportCommand(CLI::App& app, ExportOptions& options) {
    CLI::App* command = app.add_subcommand(
        "export",
        "Write the membrane of a model already run (heights from MODEL.OUT) as surface files");
    command->add_option("model", options.model, "Model file (.DAT) that has been run")->required();
    command->add_option("files", options.files, "FILE.obj|.stl|.ply|.glb|.dxf ...")
        ->required()
        ->check(CLI::Validator(ExportFormatCheck, "FILE", "export format"));
    command->add_flag("--quiet,-q", options.quiet, "Print nothing but messages");
    return command;
}

int ImportCommand(ImportOptions options) {
    for (const std::string& text : options.heldHeights) {
        std::pair<std::string, double> held;
        if (!ParseHeldHeight(text, held)) {
            std::fprintf(stderr, "--held-height wants GROUP=HEIGHT, not %s\n", text.c_str());
            return kExitUsage;
        }
        options.request.held.heights.push_back(held);
    }
    try {
        const ImportSummary summary = ImportSurface(options.request);
        if (!options.quiet) {
            std::printf("model        : %s\n", options.request.model.c_str());
            std::printf("nodes        : %zu\n", summary.nodes);
            std::printf("triangles    : %zu\n", summary.triangles);
            std::printf("held nodes   : %zu\n", summary.held);
            if (summary.mergedPoints > 0)
                std::printf("merged       : %zu coinciding points\n", summary.mergedPoints);
        }
        return kExitSuccess;
    } catch (const ImportError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return kExitInputErrors;
    } catch (const IoError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return kExitOutputFailure;
    }
}

int ExportCommand(const ExportOptions& options) {
    ConsoleMessages messages;
    RunRequest request;
    request.modelFileName = options.model;
    request.boundaryPointsPath = ExtractFilePath(ProgramFilePath()) + "BNDRYPTS.txt";
    const RunResult loaded = LoadModelOnly(request, messages);
    if (loaded.outcome != RunOutcome::Success) return kExitInputErrors;
    const std::string reportName = ChangeFileExt(options.model, ".OUT");
    const auto report = ReadModelFile(reportName);
    const auto solution = report ? ReadReportSolution(report->text) : std::nullopt;
    if (!solution ||
        solution->heights.size() != static_cast<std::size_t>(loaded.model->nodes.Count())) {
        std::fprintf(stderr,
                     "The report %s holds no computed heights for the %d nodes of %s: run the "
                     "model first\n",
                     reportName.c_str(), loaded.model->nodes.Count(), options.model.c_str());
        return kExitInputErrors;
    }
    const Solution membrane = LiftMembrane(*loaded.model, solution->heights, solution->iterations);
    return WriteSurfaceExports(*loaded.model, membrane, options.files, options.quiet);
}

}  // namespace membrane
