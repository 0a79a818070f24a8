#include "cli/form_command.h"

#include <cstdio>

#include "cli/choice_option.h"
#include "cli/console_view.h"
#include "cli/import_command.h"
#include "cli/number_options.h"
#include "cli/run_printing.h"
#include "cli/surface_exports.h"
#include "common/number_format.h"
#include "form/form_report.h"
#include "form/form_run.h"
#include "form/form_surface.h"
#include "formats/surface_export.h"
#include "shell/exit_status.h"

namespace membrane {
namespace {

// Progress lines on stdout, as the height-field run's.
class ConsoleFormView final : public FormView {
  public:
    explicit ConsoleFormView(bool quiet) : lines_(quiet) {}
    void ShowMessage(const std::string& text) override { lines_.ShowMessage(text); }

  private:
    ConsoleView lines_;
};

std::string Vector(const Vec3& v) {
    return "(" + FormatFixed(v.x, 15, 4) + ", " + FormatFixed(v.y, 15, 4) + ", " +
           FormatFixed(v.z, 15, 4) + ")";
}

// The summary: the model, the outcome and its warnings, the model's size, the iterations,
// the area, the residual, the reactions and the files written.
SummaryLines SummaryOf(const FormOptions& options, const FormRunResult& r) {
    SummaryLines lines{{"model", options.model}};
    lines.push_back({"outcome", SummaryOutcome(r, r.solution && r.solution->converged)});
    for (const std::string& warning : r.warnings) lines.push_back({"warning", warning});
    if (const FormModel* m = r.model.get()) {
        lines.push_back({"nodes", std::to_string(m->NodeCount())});
        lines.push_back({"triangles", std::to_string(m->triangles.size())});
        lines.push_back({"cables", std::to_string(m->cables.size())});
    }
    lines.push_back({"iterations", std::to_string(r.iterations)});
    if (r.solver != SolverChoice::Auto)
        lines.push_back({"solver", std::string(ChoiceName(r.solver))});
    if (r.outcome == RunOutcome::Success) {
        const FormSolution& s = *r.solution;
        const FormBalance balance = BalanceOf(s);
        lines.push_back({"area", FormatFixed(s.area, 15, 6) + " m^2"});
        lines.push_back({"residual", ShortScientific(s.residual) + " kN"});
        lines.push_back({"reactions", Vector(balance.reactions) + " kN in all, largest " +
                                          FormatFixed(balance.largestReaction, 15, 4) + " kN"});
        lines.push_back({"report", r.reportFile});
        lines.push_back({"results", r.resultsFile});
        lines.push_back({"gmsh results", r.gmshFile});
    }
    return lines;
}

std::string HistoryTable(const FormRunResult& r) {
    std::string table = "iteration       movement m               W kN m  step\n";
    char line[128];
    for (const FormStepRecord& step : r.history) {
        std::snprintf(line, sizeof line, "%9d %14.6e %20.10f  %s\n", step.iteration, step.movement,
                      step.energy, step.accelerated ? "accelerated" : "plain");
        table += line;
    }
    return table;
}

// The exports after a successful run, and after one whose own files could not be written
// (nothing computed is lost; the exit status stays the failure's).
int WriteExports(const FormOptions& options, const FormRunResult& r,
                 std::vector<FileTiming>& files) {
    const bool shape = r.outcome == RunOutcome::Success ||
                       (r.outcome == RunOutcome::OutputFailure && r.solution && r.model);
    if (!shape) return ExitStatusOf(r);
    const int exported = WriteSurfaceFiles(FormSurface(*r.model, *r.solution), options.exports,
                                           options.quiet, &files);
    return exported != kExitSuccess && r.outcome == RunOutcome::Success ? exported
                                                                        : ExitStatusOf(r);
}

}  // namespace

CLI::App* AddFormCommand(CLI::App& app, FormOptions& options) {
    CLI::App* form = app.add_subcommand(
        "form",
        "Form-find a model in 3D: the shape that carries its prestress with its cables and "
        "supports; writes MODEL.form.txt, MODEL.form.vtu and MODEL.form.msh");
    form->add_option("model", options.model, "Form model (.toml) or plan model (.DAT)")->required();
    form->add_option(
            "--prestress", options.stress,
            "For a plan model: the isotropic prestress of the membrane in kN/m (default 1)")
        ->check(FiniteIn(0, 1e100, "above 0 up to 1e100", true));
    form->add_option("--accuracy", options.accuracy,
                     "Converged when no free node moves by more than this many metres in an "
                     "iteration (default: the model's, else 1e-6)")
        ->check(FiniteIn(0, 1e100, "above 0 up to 1e100", true));
    form->add_option("--max-iterations", options.maxIterations,
                     "Iteration limit (default: the model's, else 200)")
        ->check(CLI::Range(1, 1000000));
    form->add_option("--solver", options.solver,
                     "Linear solver of the equilibrium: auto (default: the elimination where "
                     "its predicted work is small, amg above 20000 free nodes, cholmod "
                     "between), elimination, cholmod or amg")
        ->transform(CLI::CheckedTransformer(ChoicesByName<SolverChoice>(kSolverChoiceNames)))
        ->option_text("auto|elimination|cholmod|amg");
    form->add_flag("--text-results", options.textResults,
                   "Write MODEL.form.vtu and MODEL.form.msh as text (default: binary, the .vtu "
                   "zlib-compressed, as ParaView and Gmsh read them)");
    form->add_flag("--quiet,-q", options.quiet, "Print no progress lines and no summary");
    form->add_flag("--history", options.history,
                   "After the summary, print every iteration: movement, W, plain or accelerated");
    form->add_flag("--timings", options.timings,
                   "At the end, print the seconds spent, those of every file exported and the "
                   "peak memory");
    form->add_option("--export", options.exports,
                     "After a successful run (or one whose own files could not be written), "
                     "also write the shape as a surface file (.obj, .stl, .ply, .glb or .dxf; "
                     "repeatable)")
        ->check(CLI::Validator(ExportFormatCheck, "FILE", "export format"));
    form->footer(
        "Exit status: 0 converged, no warnings; 1 files written, with warnings (the iteration\n"
        "limit reached, a node held alone inside the membrane); 2 input errors; 3 no\n"
        "equilibrium, or results that are not finite numbers; 4 solver failure or out of\n"
        "memory; 5 a file could not be read or written (or the run was cancelled); 6 an error\n"
        "of the program itself; 64 wrong usage; 130/143 ended by SIGINT/SIGTERM.");
    return form;
}

int FormCommand(const FormOptions& options) {
    ConsoleMessages messages;
    ConsoleFormView view(options.quiet);
    FormRequest request;
    request.modelFileName = options.model;
    request.stress = options.stress;
    request.accuracy = options.accuracy;
    request.maxIterations = options.maxIterations;
    request.solver = options.solver;
    request.textResults = options.textResults;
    request.otherOutputs = options.exports;
    const FormRunResult result = RunForm(request, messages, &view);
    return EndRunCommand(result, {.quiet = options.quiet,
                                  .history = options.history,
                                  .timings = options.timings,
                                  .summary = SummaryOf(options, result),
                                  .historyTable = options.history ? HistoryTable(result) : "",
                                  .solverTimings = SolverTimings(result.solves),
                                  .writeAfter = [&](std::vector<FileTiming>& files) {
                                      return WriteExports(options, result, files);
                                  }});
}

}  // namespace membrane
