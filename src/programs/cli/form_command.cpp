#include "cli/form_command.h"

#include <cmath>
#include <cstdio>

#include "cli/choice_option.h"
#include "cli/console_view.h"
#include "cli/import_command.h"
#include "cli/run_command.h"
#include "cli/surface_exports.h"
#include "common/number_format.h"
#include "form/form_report.h"
#include "form/form_run.h"
#include "form/form_surface.h"
#include "formats/surface_export.h"

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

int ExitFor(const FormRunResult& result) {
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

std::string Vector(const Vec3& v) {
    return "(" + FormatFixed(v.x, 15, 4) + ", " + FormatFixed(v.y, 15, 4) + ", " +
           FormatFixed(v.z, 15, 4) + ")";
}

void PrintSummary(const FormOptions& options, const FormRunResult& r) {
    std::printf("\nmodel        : %s\n", options.model.c_str());
    if (r.outcome != RunOutcome::Success)
        std::printf("outcome      : ERRORS reported %s\n", r.reason.c_str());
    else
        std::printf("outcome      : %s\n",
                    r.solution->converged ? "converged" : "iteration limit reached, not converged");
    for (const std::string& warning : r.warnings)
        std::printf("warning      : %s\n", warning.c_str());
    if (const FormModel* m = r.model.get()) {
        std::printf("nodes        : %zu\n", m->NodeCount());
        std::printf("triangles    : %zu\n", m->triangles.size());
        std::printf("cables       : %zu\n", m->cables.size());
    }
    std::printf("iterations   : %d\n", r.iterations);
    if (r.solver != SolverChoice::Auto)
        std::printf("solver       : %s\n", std::string(ChoiceName(r.solver)).c_str());
    if (r.outcome == RunOutcome::Success) {
        const FormSolution& s = *r.solution;
        const FormBalance balance = BalanceOf(s);
        std::printf("area         : %s m^2\n", FormatFixed(s.area, 15, 6).c_str());
        std::printf("residual     : %s kN\n", ShortScientific(s.residual).c_str());
        std::printf("reactions    : %s kN in all, largest %s kN\n",
                    Vector(balance.reactions).c_str(),
                    FormatFixed(balance.largestReaction, 15, 4).c_str());
        std::printf("report       : %s\n", r.reportFile.c_str());
        std::printf("results      : %s\n", r.resultsFile.c_str());
        std::printf("gmsh results : %s\n", r.gmshFile.c_str());
    }
    std::fflush(stdout);
}

void PrintHistory(const FormRunResult& r) {
    std::printf("iteration       movement m               W kN m  step\n");
    for (const FormStepRecord& step : r.history)
        std::printf("%9d %14.6e %20.10f  %s\n", step.iteration, step.movement, step.energy,
                    step.accelerated ? "accelerated" : "plain");
    std::fflush(stdout);
}

void PrintTimings(const FormRunResult& r) {
    std::printf("load         : %s s\n", FormatFixed(r.timings.load, 15, 4).c_str());
    std::printf("assemble     : %s s\n", FormatFixed(r.timings.assemble, 15, 4).c_str());
    std::printf("solve        : %s s\n", FormatFixed(r.timings.solve, 15, 4).c_str());
    std::printf("factorized   : %d times\n", r.factorizations);
    std::printf("write        : %s s\n", FormatFixed(r.timings.write, 15, 4).c_str());
    std::printf("peak memory  : %s MB\n", FormatFixed(r.timings.peakMemoryMb, 15, 1).c_str());
    std::fflush(stdout);
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
        ->check(CLI::PositiveNumber);
    form->add_option("--accuracy", options.accuracy,
                     "Converged when no free node moves by more than this many metres in an "
                     "iteration (default: the model's, else 1e-6)")
        ->check(CLI::PositiveNumber);
    form->add_option("--max-iterations", options.maxIterations,
                     "Iteration limit (default: the model's, else 200)")
        ->check(CLI::Range(1, 1000000));
    form->add_option("--solver", options.solver,
                     "Linear solver of the equilibrium: auto (default: the elimination where "
                     "its predicted work is small, amg above 20000 free nodes, cholmod "
                     "between), elimination, cholmod or amg")
        ->transform(CLI::CheckedTransformer(ChoicesByName<SolverChoice>(kSolverChoiceNames)))
        ->option_text("auto|elimination|cholmod|amg");
    form->add_flag("--quiet,-q", options.quiet, "Print no progress lines and no summary");
    form->add_flag("--history", options.history,
                   "After the summary, print every iteration: movement, W, plain or accelerated");
    form->add_flag("--timings", options.timings,
                   "After the summary, print the seconds spent and the peak memory");
    form->add_option("--export", options.exports,
                     "After a successful run, also write the shape as a surface file "
                     "(.obj, .stl, .ply, .glb or .dxf; repeatable)")
        ->check(CLI::Validator(ExportFormatCheck, "FILE", "export format"));
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
    request.otherOutputs = options.exports;
    const FormRunResult result = RunForm(request, messages, &view);
    if (!options.quiet) {
        PrintSummary(options, result);
    } else if (result.outcome != RunOutcome::Success) {
        std::fprintf(stderr, "ERRORS reported %s\n", result.reason.c_str());
        std::fflush(stderr);
    }
    if (options.history) PrintHistory(result);
    if (options.timings) PrintTimings(result);
    if (result.outcome != RunOutcome::Success) return ExitFor(result);
    const int exported = WriteSurfaceFiles(FormSurface(*result.model, *result.solution),
                                           options.exports, options.quiet);
    return exported != kExitSuccess ? exported : ExitFor(result);
}

}  // namespace membrane
