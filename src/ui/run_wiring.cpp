#include "ui/run_wiring.h"

#include <QPointer>
#include <memory>

#include "run/run_model.h"
#include "ui/background_run.h"
#include "ui/main_window.h"
#include "ui/results_window.h"

namespace membrane {
namespace {

constexpr int kCascadeStep = 24;   // pixels right and down from one results window to the next
constexpr int kCascadeCount = 10;  // then the cascade starts again at the first place

}  // namespace

void ConnectRuns(MainWindow& window, MessageSink& messages, Opener& opener,
                 ResultsWindowCreated created, std::function<void(const RunResult&)> finished) {
    // The results window of the run that goes on, for the cancel handler.
    auto current = std::make_shared<QPointer<ResultsWindow>>();
    window.SetRunHandler(
        [&window, &messages, &opener, created, finished, current](const std::string& modelFile) {
            RunRequest request;
            // An empty name (Run before any Open) is a file that cannot be opened: the model
            // loading reports it like any missing file.
            request.modelFileName = modelFile;
            request.settings = window.CurrentSettings();

            // Each new window a step right of and below the last, over the open ones.
            const auto open = window.findChildren<ResultsWindow*>(Qt::FindDirectChildrenOnly);
            QPointer<ResultsWindow> results = new ResultsWindow(opener, messages, &window);
            results->FitToScreen();  // a small or scaled screen
            const int step = kCascadeStep * static_cast<int>(open.size() % kCascadeCount);
            results->move(results->pos() + QPoint(step, step));
            results->SetModelName(QString::fromStdString(modelFile));
            results->SetSceneChoices(window.Scene());
            QObject::connect(results, &ResultsWindow::SceneShown, &window,
                             [&window](const SceneChoices& scene) { window.KeepScene(scene); });
            *current = results;
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
    window.SetCancelHandler([current] {
        if (*current) (*current)->Cancel();
    });
}

}  // namespace membrane
