#include "cli/import_command.h"

#include <sys/stat.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <new>

#include "cli/console_view.h"
#include "cli/run_command.h"
#include "cli/surface_exports.h"
#include "common/file_lock.h"
#include "common/file_names.h"
#include "common/io_error.h"
#include "common/number_format.h"
#include "formats/import_error.h"
#include "formats/surface_format.h"
#include "heightfield/balance_check.h"
#include "heightfield/model_file.h"
#include "heightfield/report_solution.h"
#include "heightfield/run_model.h"
#include "shell/peak_memory.h"

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

// The report and its model's times of last change; a message when the model is the newer
// (the report's heights are then those of another model), empty otherwise.
std::string StaleReport(const std::string& model, const std::string& report) {
    struct stat modelStat {
    }, reportStat{};
    if (::stat(model.c_str(), &modelStat) != 0 || ::stat(report.c_str(), &reportStat) != 0)
        return {};
    const auto nanoseconds = [](const struct timespec& t) {
        return static_cast<long double>(t.tv_sec) * 1e9L + static_cast<long double>(t.tv_nsec);
    };
    if (nanoseconds(reportStat.st_mtim) >= nanoseconds(modelStat.st_mtim)) return {};
    const auto local = [](std::time_t time) {
        std::tm parts{};
        localtime_r(&time, &parts);
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
        return std::string(text);
    };
    return "The report " + report + " (written " + local(reportStat.st_mtim.tv_sec) +
           ") is older than its model " + model + " (changed " + local(modelStat.st_mtim.tv_sec) +
           "): its heights are not those of this model; run the model again";
}

// A length or a time: a finite number above 0 (CLI11's PositiveNumber lets "nan" and
// "inf" through).
std::string FinitePositive(const std::string& text) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value <= 0)
        return "a finite number above 0 is wanted, not " + text;
    return "";
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
        ->check(CLI::Validator(FinitePositive, "SIZE", "finite positive"));
    command
        ->add_option("--time-limit", options.request.meshSeconds,
                     "Seconds a Gmsh .geo file may take to mesh (default 60)")
        ->check(CLI::Validator(FinitePositive, "SECONDS", "finite positive"));
    command->add_option("--held", options.request.held.groups,
                        "Also hold the nodes of this Gmsh physical group (repeatable)");
    command->add_option("--held-height", options.heldHeights,
                        "GROUP=H: hold the nodes of this group at height H (repeatable)");
    command->add_flag("--quiet,-q", options.quiet, "Print nothing but messages");
    command->footer(
        "Exit status: 0 model file written; 2 the surface cannot be made into a model\n"
        "(nothing written); 5 a file could not be read or written (the surface file, the\n"
        "model file; also a surface that is not a regular file or larger than 1 GB, and a\n"
        "model file that is the surface file); 64 wrong usage (also a --held-height that is\n"
        "not GROUP=H); 130/143 ended by SIGINT/SIGTERM. The import waits while a run of the\n"
        "model holds it.");
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
    command->add_flag("--timings", options.timings,
                      "Print the seconds spent loading, checking the heights and writing each "
                      "file, and the peak memory");
    command->footer(
        "Exit status: 0 every file written; 1 written, but the report's heights are not\n"
        "converged (one more Newton step would move them by more than its accuracy); 2 the\n"
        "model does not load, its report is older than the model or holds no heights for\n"
        "it, or heights that are not numbers (nothing written); 5 a file could not be read\n"
        "or written (the model, its report, a surface file: the others are still written;\n"
        "a surface file that is the model or its report: nothing written); 64 wrong usage;\n"
        "130/143 ended by SIGINT/SIGTERM.");
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
    if (SameFile(options.request.model, options.request.surface)) {
        std::fprintf(stderr, "The model file %s is the surface file: the import writes no input\n",
                     options.request.model.c_str());
        return kExitOutputFailure;
    }
    options.request.waiting = [] {
        std::fprintf(stderr, "waiting for a run of this model to end\n");
    };
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
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "The surface %s needs more memory than there is: no model written\n",
                     options.request.surface.c_str());
        return kExitInputErrors;
    }
}

int ExportCommand(const ExportOptions& options) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    ConsoleMessages messages;
    RunRequest request;
    request.modelFileName = options.model;
    request.boundaryPoints = false;
    const RunResult loaded = LoadModelOnly(request, messages);
    if (loaded.outcome != RunOutcome::Success)
        return loaded.outcome == RunOutcome::OutputFailure ? kExitOutputFailure : kExitInputErrors;
    const std::string reportName = ChangeFileExt(options.model, ".OUT");
    std::string why;
    const auto report = ReadModelFile(reportName, &why);
    if (!report) {
        std::fprintf(stderr, "Can not read the report %s (%s): run the model first\n",
                     reportName.c_str(), why.c_str());
        return kExitOutputFailure;
    }
    if (const std::string stale = StaleReport(options.model, reportName); !stale.empty()) {
        std::fprintf(stderr, "%s\n", stale.c_str());
        return kExitInputErrors;
    }
    for (const std::string& file : options.files)
        if (SameFile(file, options.model) || SameFile(file, reportName)) {
            std::fprintf(stderr, "%s is the model or its report: the export writes no input\n",
                         file.c_str());
            return kExitOutputFailure;
        }
    const auto solution = ReadReportSolution(report->text);
    if (!solution ||
        solution->heights.size() != static_cast<std::size_t>(loaded.model->nodes.Count())) {
        std::fprintf(stderr,
                     "The report %s holds no computed heights for the %d nodes of %s: run the "
                     "model first\n",
                     reportName.c_str(), loaded.model->nodes.Count(), options.model.c_str());
        return kExitInputErrors;
    }
    for (std::size_t i = 0; i < solution->heights.size(); ++i)
        if (!std::isfinite(solution->heights[i])) {
            std::fprintf(stderr,
                         "The report %s gives node %d the height %s, which is not a number: "
                         "run the model again\n",
                         reportName.c_str(), loaded.model->nodes.Nodes()[i].number,
                         FormatGeneral(solution->heights[i], 4).c_str());
            return kExitInputErrors;
        }
    const double loadSeconds = std::chrono::duration<double>(Clock::now() - start).count();

    // The report prints the accuracy to ten decimals: the bound takes the rounding in.
    const Clock::time_point checkStart = Clock::now();
    const double accuracy = solution->accuracy + 0.5e-10;
    const BalanceCheck balance = CheckBalance(*loaded.model, solution->heights, accuracy);
    const double checkSeconds = std::chrono::duration<double>(Clock::now() - checkStart).count();
    int status = kExitSuccess;
    if (!balance.converged) {
        std::fprintf(stderr,
                     "Warning: the heights in %s are not converged: one more Newton step would "
                     "move them by %s to %s, more than the accuracy %s allows; the surfaces are "
                     "those of an unfinished run\n",
                     reportName.c_str(), FormatGeneral(balance.smallest, 4).c_str(),
                     FormatGeneral(balance.largest, 4).c_str(),
                     FormatGeneral(solution->accuracy, 4).c_str());
        status = kExitWarnings;
    }
    const Solution membrane = LiftMembrane(*loaded.model, solution->heights, solution->iterations);
    std::vector<FileTiming> files;
    const int exported =
        WriteSurfaceExports(*loaded.model, membrane, options.files, options.quiet, &files);
    if (options.timings) {
        std::printf("load         : %s s\n", FormatFixed(loadSeconds, 15, 4).c_str());
        std::printf("check        : %s s\n", FormatFixed(checkSeconds, 15, 4).c_str());
        PrintFileTimings(files);
        std::printf("peak memory  : %s MB\n", FormatFixed(PeakMemoryMb(), 15, 1).c_str());
        std::fflush(stdout);
    }
    return exported != kExitSuccess ? exported : status;
}

}  // namespace membrane
