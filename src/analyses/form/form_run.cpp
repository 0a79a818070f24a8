#include "form/form_run.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "common/file_names.h"
#include "form/form_figures.h"
#include "form/form_finding.h"
#include "form/form_from_plan.h"
#include "form/form_model_reader.h"
#include "form/form_report.h"
#include "form/form_results.h"
#include "heightfield/model_file.h"
#include "heightfield/model_loader.h"
#include "shell/run_shell.h"

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

std::string OutcomeText(const FormRunResult& result) {
    return result.solution->converged
               ? "converged in " + std::to_string(result.iterations) + " iterations"
               : "iteration limit reached, not converged";
}

std::string Lines(const std::vector<std::string>& lines, const std::string& prefix = {}) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + prefix + line;
    return text;
}

// The form-finding's verbs in the run shell (shell/analysis_run.h). With a request, the
// model is read from its file and the results written beside it; without one, `model` is
// form-found as it is and nothing is read or written.
class FormRun final : public AnalysisRun {
  public:
    FormRun(const FormRequest* request, std::shared_ptr<const FormModel> model,
            const std::atomic<bool>* cancel, MessageSink& messages, FormView* view,
            FormRunResult& result)
        : request_(request), cancel_(cancel), messages_(messages), view_(view), result_(result) {
        result_.model = std::move(model);
    }

    std::string Found() const override { return "the shape"; }

    RunFiles Files() const override {
        RunFiles files;
        const FormOutputs own = OutputsOf(request_->modelFileName);
        files.inputs.push_back({request_->modelFileName, "the model file"});
        if (result_.model)
            files.inputs.push_back({result_.model->surfaceFile, "the surface file of the model"});
        files.outputs = {own.report, own.results, own.gmsh};
        files.outputs.insert(files.outputs.end(), request_->otherOutputs.begin(),
                             request_->otherOutputs.end());
        return files;
    }

    LoadResult Load() override {
        if (request_) {
            if (const LoadResult read = LoadFile(); read != LoadResult::Loaded) return read;
            if (view_) view_->ShowModel(result_.model);
        }
        const FormModel& model = *result_.model;
        const std::vector<std::string> errors = CheckFormModel(model);
        if (errors.empty()) return LoadResult::Loaded;
        return InputErrors(request_ ? Lines(errors, model.fileName + ": ") : Lines(errors));
    }

    void Compute() override { FindFormOf(*result_.model, messages_, view_, cancel_, result_); }

    void ListFigures(FiniteFigures& figures) const override {
        ListFormFigures(figures, *result_.model, *result_.solution, result_.history);
    }

    // Also the last shape of a run without an equilibrium, for the view to show where it
    // failed.
    void Publish() override {
        if (view_ && result_.solution) view_->ShowResults(result_.solution);
    }

    void Withdraw() override { result_.solution.reset(); }

    void Write(OutputSet& files) override {
        const FormOutputs outputs = OutputsOf(request_->modelFileName);
        const FormModel& model = *result_.model;
        const FormSolution& solution = *result_.solution;
        const FormReportHeading heading{OutcomeText(result_), result_.warnings};
        files.Render(outputs.report, [&](TextSink& out) {
            RenderFormReport(out, model, solution, heading, result_.history);
        });
        const VtuEncoding encoding =
            request_->textResults ? VtuEncoding::Ascii : VtuEncoding::Compressed;
        files.Render(outputs.results,
                     [&](TextSink& out) { RenderFormVtu(out, model, solution, encoding); });
        const MshEncoding gmsh = request_->textResults ? MshEncoding::Text : MshEncoding::Binary;
        files.Render(outputs.gmsh,
                     [&](TextSink& out) { RenderFormMsh(out, model, solution, gmsh); });
    }

    void Written(const OutputSet&) override {
        const FormOutputs outputs = OutputsOf(request_->modelFileName);
        result_.reportFile = outputs.report;
        result_.resultsFile = outputs.results;
        result_.gmshFile = outputs.gmsh;
    }

  private:
    // The model of the request's file, with the request's settings.
    LoadResult LoadFile() {
        const std::string& path = request_->modelFileName;
        // A model file that cannot be read is told from a faulty one (exit status 5, not 2).
        std::string why;
        const std::shared_ptr<const ModelFile> file = ReadModelFile(path, &why);
        if (!file) {
            messages_.Show(UserMessage{"", "Inputfile not found", MessageKind::Error,
                                       path + " (" + why + ")"});
            return LoadResult::Unreadable;
        }
        auto model = std::make_shared<FormModel>();
        if (IsPlanModel(path)) {
            if (const LoadResult plan = ReadPlan(*file, *model); plan != LoadResult::Loaded)
                return plan;
        } else {
            try {
                *model = ReadFormModel(path);
            } catch (const FormInputError& error) {
                return InputErrors(Lines(error.Messages()));
            }
        }
        if (request_->accuracy) model->settings.accuracy = *request_->accuracy;
        if (request_->maxIterations) model->settings.maxIterations = *request_->maxIterations;
        if (request_->solver) model->settings.solver = *request_->solver;
        result_.model = model;
        return LoadResult::Loaded;
    }

    LoadResult ReadPlan(const ModelFile& file, FormModel& model) {
        const std::shared_ptr<Model> plan = ReadModel(file, messages_);
        if (!plan || !plan->complete)
            return InputErrors(request_->modelFileName + ": the model file lacks a table");
        if (!(std::isfinite(request_->stress) && request_->stress > 0.0))
            return InputErrors("the prestress must be a positive number of kN/m");
        model = FormModelFromPlan(*plan, request_->stress);
        return LoadResult::Loaded;
    }

    LoadResult InputErrors(const std::string& text) {
        messages_.Show(text, MessageKind::Error, "Input errors");
        return LoadResult::InputErrors;
    }

    const FormRequest* request_;
    const std::atomic<bool>* cancel_;
    MessageSink& messages_;
    FormView* view_;
    FormRunResult& result_;
};

}  // namespace

FormRunResult RunForm(const FormRequest& request, MessageSink& messages, FormView* view) {
    FormRunResult result;
    RunInShell(
        {.modelFile = request.modelFileName},
        [&] {
            return std::make_unique<FormRun>(&request, nullptr, request.cancel, messages, view,
                                             result);
        },
        result, messages, view);
    return result;
}

FormRunResult FindForm(std::shared_ptr<const FormModel> model, MessageSink& messages,
                       FormView* view, const std::atomic<bool>* cancel) {
    FormRunResult result;
    RunFrame frame;  // a model already loaded: nothing locked, nothing written
    frame.writeFiles = false;
    RunInShell(
        frame,
        [&] { return std::make_unique<FormRun>(nullptr, model, cancel, messages, view, result); },
        result, messages, view);
    return result;
}

}  // namespace membrane
