#include "desktop/run_wiring.h"

#include <QPointer>
#include <memory>

#include "desktop/background_run.h"
#include "desktop/form_background_run.h"
#include "desktop/form_results_window.h"
#include "desktop/main_window.h"
#include "desktop/results_window.h"
#include "heightfield/run_model.h"

namespace membrane {
namespace {

constexpr int kCascadeStep = 24;   // pixels right and down from one results window to the next
constexpr int kCascadeCount = 10;  // then the cascade starts again at the first place

// Moves a new results window a step right of and below the last, over the open ones.
void Cascade(MainWindow& window, QWidget& results) {
    const auto open = window.findChildren<ResultsWindow*>(Qt::FindDirectChildrenOnly).size() +
                      window.findChildren<FormResultsWindow*>(Qt::FindDirectChildrenOnly).size();
    const int step = kCascadeStep * static_cast<int>((open - 1) % kCascadeCount);
    results.move(results.pos() + QPoint(step, step));
}

// The run of a form-finding model: a form results window, the run on the worker thread;
// its "Run again" runs the edited model in the same window.
void RunFormModel(MainWindow& window, MessageSink& messages, const std::string& modelFile,
                  const FormResultsWindowCreated& created,
                  const std::shared_ptr<QPointer<QWidget>>& current,
                  const std::shared_ptr<std::function<void()>>& cancel) {
    QPointer<FormResultsWindow> results = new FormResultsWindow(messages, &window);
    Cascade(window, *results);
    results->SetModelName(QString::fromStdString(modelFile));
    results->SetChoices(window.FormChoices());
    QObject::connect(results, &FormResultsWindow::ChoicesChanged, &window,
                     [&window](const FormViewChoices& choices) { window.KeepFormView(choices); });
    QObject::connect(
        results, &FormResultsWindow::RunAgainAsked, &window,
        [&window, &messages, results, current, cancel](std::shared_ptr<const FormModel> model) {
            window.RunWith([&] {
                if (!results) return;
                *current = results.data();
                *cancel = [results] {
                    if (results) results->Cancel();
                };
                results->RunStarted(model->settings.maxIterations);
                const FormRunResult outcome = FindFormInBackground(model, messages, *results);
                if (results) results->RunEnded(outcome);
                *current = nullptr;
            });
        });
    *current = results.data();
    *cancel = [results] {
        if (results) results->Cancel();
    };
    if (created) created(*results);
    results->show();
    FormRequest request;
    request.modelFileName = modelFile;
    results->RunStarted(FormSettings{}.maxIterations);
    const FormRunResult outcome = RunFormInBackground(request, messages, *results);
    if (results) results->RunEnded(outcome);
    *current = nullptr;
}

}  // namespace

void ConnectRuns(MainWindow& window, MessageSink& messages, Opener& opener,
                 ResultsWindowCreated created, std::function<void(const RunResult&)> finished,
                 FormResultsWindowCreated formCreated) {
    // The results window of the run that goes on and how to cancel it, for the cancel
    // handler.
    auto current = std::make_shared<QPointer<QWidget>>();
    auto cancel = std::make_shared<std::function<void()>>();
    window.SetRunHandler([&window, &messages, &opener, created, finished, formCreated, current,
                          cancel](const std::string& modelFile) {
        if (IsFormModelFile(modelFile)) {
            RunFormModel(window, messages, modelFile, formCreated, current, cancel);
            return;
        }
        RunRequest request;
        // An empty name (Run before any Open) is a file that cannot be opened: the model
        // loading reports it like any missing file.
        request.modelFileName = modelFile;
        request.settings = window.CurrentSettings();

        QPointer<ResultsWindow> results = new ResultsWindow(opener, messages, &window);
        results->FitToScreen();  // a small or scaled screen
        Cascade(window, *results);
        results->SetModelName(QString::fromStdString(modelFile));
        results->SetSceneChoices(window.Scene());
        QObject::connect(results, &ResultsWindow::SceneShown, &window,
                         [&window](const SceneChoices& scene) { window.KeepScene(scene); });
        *current = results.data();
        *cancel = [results] {
            if (results) results->Cancel();
        };
        if (created) created(*results);
        results->show();
        results->RunStarted(request.settings.maxIterations);
        // The windows stay responsive meanwhile; RunModel turns every exception into a
        // failed run.
        const RunResult outcome = RunInBackground(request, messages, *results);
        if (results) results->RunEnded(outcome);
        *current = nullptr;
        if (finished) finished(outcome);
    });
    window.SetCancelHandler([current, cancel] {
        if (*current && *cancel) (*cancel)();
    });
}

}  // namespace membrane
