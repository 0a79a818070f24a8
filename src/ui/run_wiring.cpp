#include "ui/run_wiring.h"

#include <QPointer>
#include <memory>

#include "run/run_model.h"
#include "ui/main_window.h"
#include "ui/results_window.h"

namespace membrane {

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

            QPointer<ResultsWindow> results = new ResultsWindow(opener, messages, &window);
            *current = results;
            if (created) created(*results);
            results->show();
            results->RunStarted(request.settings.maxIterations);
            // RunModel itself turns every exception into a failed run.
            const RunResult outcome = RunModel(request, messages, results.data());
            if (results) results->RunEnded(outcome);
            *current = nullptr;
            if (finished) finished(outcome);
        });
    window.SetCancelHandler([current] {
        if (*current) (*current)->Cancel();
    });
}

}  // namespace membrane
