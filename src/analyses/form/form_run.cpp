#include "form/form_run.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "common/file_lock.h"
#include "common/file_names.h"
#include "common/io_error.h"
#include "common/number_format.h"
#include "common/stopwatch.h"
#include "common/text_file.h"
#include "form/form_finding.h"
#include "form/form_from_plan.h"
#include "form/form_model_reader.h"
#include "form/form_report.h"
#include "form/form_results.h"
#include "heightfield/model_file.h"
#include "heightfield/model_loader.h"
#include "shell/peak_memory.h"
#include "shell/run_boundary.h"

namespace membrane {
namespace {

bool IsPlanModel(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".dat";
}

// The files a run of the model writes: the report, the ParaView and the Gmsh results.
struct FormOutputs {
    std::string report, results, gmsh;
};

FormOutputs OutputsOf(const std::string& modelFile) {
    const std::string base = ChangeFileExt(modelFile, "");
    return {base + ".form.txt", base + ".form.vtu", base + ".form.msh"};
}

// Why the run may not write its files: one that is the model file, the surface file or
// another output of the run, or that exists and may not be replaced. Empty when all may.
std::string RefusedOutputs(const FormRequest& request, const std::string& surfaceFile) {
    const FormOutputs own = OutputsOf(request.modelFileName);
    std::vector<std::string> targets{own.report, own.results, own.gmsh};
    targets.insert(targets.end(), request.otherOutputs.begin(), request.otherOutputs.end());
    for (std::size_t k = 0; k < targets.size(); ++k) {
        for (const std::string& input : {request.modelFileName, surfaceFile})
            if (!input.empty() && SameFile(targets[k], input))
                return targets[k] + ": is an input of the run; it is not overwritten";
        for (std::size_t j = 0; j < k; ++j)
            if (SameFile(targets[k], targets[j]))
                return targets[k] + ": is written twice by the run";
        if (std::string why = RefusedTarget(targets[k]); !why.empty()) return why;
    }
    return {};
}

template <typename Render>
void WriteFile(const std::string& path, Render render) {
    AtomicFile target(path);
    auto file = target.Create();
    if (!file) throw IoError("Can not create " + target.Error());
    render(*file);
    file->Close();
    target.Commit();
}

std::string OutcomeText(const FormRunResult& result) {
    if (result.outcome != RunOutcome::Success) return "ERRORS reported " + result.reason;
    return result.solution->converged
               ? "converged in " + std::to_string(result.iterations) + " iterations"
               : "iteration limit reached, not converged";
}

class FormRun {
  public:
    FormRun(const FormRequest& request, MessageSink& messages, FormView* view,
            FormRunResult& result)
        : request_(request), messages_(messages), view_(view), result_(result) {}

    void Execute() {
        Stopwatch clock;
        const bool loaded = Load();
        result_.timings.load = clock.Seconds();
        if (!loaded) return;
        if (const std::string refused = RefusedOutputs(request_, result_.model->surfaceFile);
            !refused.empty()) {
            messages_.Show(refused, MessageKind::Error, "Output files");
            result_.outcome = RunOutcome::OutputFailure;
            result_.reason = "output file refused";
            return;
        }
        FindFormOf(*result_.model, messages_, view_, request_.cancel, result_);
        if (view_ && result_.solution) view_->ShowResults(result_.solution);
        if (result_.outcome != RunOutcome::Success) return;
        clock.Restart();
        Write();
        result_.timings.write = clock.Seconds();
    }

  private:
    bool Load() {
        auto model = std::make_shared<FormModel>();
        if (IsPlanModel(request_.modelFileName)) {
            if (!LoadPlan(*model)) return false;
        } else {
            try {
                *model = ReadFormModel(request_.modelFileName);
            } catch (const FormInputError& error) {
                std::string text;
                for (const std::string& message : error.Messages())
                    text += (text.empty() ? "" : "\n") + message;
                return InputErrors(text);
            }
        }
        if (request_.accuracy) model->settings.accuracy = *request_.accuracy;
        if (request_.maxIterations) model->settings.maxIterations = *request_.maxIterations;
        if (request_.solver) model->settings.solver = *request_.solver;
        result_.model = model;
        if (view_) view_->ShowModel(model);
        const std::vector<std::string> errors = CheckFormModel(*model);
        if (errors.empty()) return true;
        std::string text;
        for (const std::string& error : errors)
            text += (text.empty() ? "" : "\n") + model->fileName + ": " + error;
        return InputErrors(text);
    }

    bool LoadPlan(FormModel& model) {
        std::string why;
        const std::shared_ptr<const ModelFile> file = ReadModelFile(request_.modelFileName, &why);
        if (!file) {
            messages_.Show(UserMessage{"", "Inputfile not found", MessageKind::Error,
                                       request_.modelFileName + " (" + why + ")"});
            result_.outcome = RunOutcome::OutputFailure;
            result_.reason = "input errors";
            return false;
        }
        const std::shared_ptr<Model> plan = ReadModel(*file, messages_);
        if (!plan || !plan->complete)
            return InputErrors(request_.modelFileName + ": the model file lacks a table");
        if (!(std::isfinite(request_.stress) && request_.stress > 0.0))
            return InputErrors("the prestress must be a positive number of kN/m");
        model = FormModelFromPlan(*plan, request_.stress);
        return true;
    }

    bool InputErrors(const std::string& text) {
        messages_.Show(text, MessageKind::Error, "Input errors");
        result_.outcome = RunOutcome::InputErrors;
        result_.reason = "input errors";
        return false;
    }

    void Write() {
        const FormOutputs outputs = OutputsOf(request_.modelFileName);
        const FormModel& model = *result_.model;
        const FormSolution& solution = *result_.solution;
        const FormReportHeading heading{OutcomeText(result_), result_.warnings};
        WriteFile(outputs.report, [&](TextSink& out) {
            RenderFormReport(out, model, solution, heading, result_.history);
        });
        WriteFile(outputs.results, [&](TextSink& out) { RenderFormVtu(out, model, solution); });
        WriteFile(outputs.gmsh, [&](TextSink& out) { RenderFormMsh(out, model, solution); });
        result_.reportFile = outputs.report;
        result_.resultsFile = outputs.results;
        result_.gmshFile = outputs.gmsh;
    }

    const FormRequest& request_;
    MessageSink& messages_;
    FormView* view_;
    FormRunResult& result_;
};

void Conclude(FormRunResult& result, MessageSink& messages, FormView* view) {
    result.timings.peakMemoryMb = PeakMemoryMb();
    if (view) {
        if (result.outcome == RunOutcome::Success)
            view->ShowMessage(result.reportFile.empty() ? "READY"
                                                        : "READY, output to file : " +
                                                              ExtractFileName(result.reportFile));
        else
            view->ShowMessage("ERRORS reported " + result.reason);
    }
    if (result.outcome == RunOutcome::Success && !result.warnings.empty()) {
        std::string text =
            result.reportFile.empty() ? "The shape is found, but:" : "The files are written, but:";
        for (const std::string& warning : result.warnings) text += "\n- " + warning;
        messages.Show(text, MessageKind::Warning, "Warnings");
    }
}

}  // namespace

FormRunResult RunForm(const FormRequest& request, MessageSink& messages, FormView* view) {
    FormRunResult result;
    if (view) view->ShowMessage("Open " + request.modelFileName);
    AtRunBoundary(result, messages, [&] {
        const FileLock lock(request.modelFileName, [view] {
            if (view) view->ShowMessage("waiting for another run of this model to end");
        });
        FormRun(request, messages, view, result).Execute();
    });
    Conclude(result, messages, view);
    return result;
}

FormRunResult FindForm(std::shared_ptr<const FormModel> model, MessageSink& messages,
                       FormView* view, const std::atomic<bool>* cancel) {
    FormRunResult result;
    result.model = model;
    AtRunBoundary(result, messages, [&] {
        if (const std::vector<std::string> errors = CheckFormModel(*model); !errors.empty()) {
            std::string text;
            for (const std::string& error : errors) text += (text.empty() ? "" : "\n") + error;
            messages.Show(text, MessageKind::Error, "Input errors");
            result.outcome = RunOutcome::InputErrors;
            result.reason = "input errors";
            return;
        }
        FindFormOf(*model, messages, view, cancel, result);
        if (view && result.solution) view->ShowResults(result.solution);
    });
    Conclude(result, messages, view);
    return result;
}

}  // namespace membrane
