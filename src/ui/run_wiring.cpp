#include "ui/run_wiring.h"

#include <QPointer>

#include "ui/main_window.h"
#include "ui/results_form.h"

namespace membrane {

void ConnectRuns(TMainApp& window, RunState& state, Opener& opener, ResultsWindowCreated created,
                 std::function<void(const RunResult&)> finished) {
    window.SetRunHandler([&window, &state, &opener, created, finished](const std::string& modelFile) {
        ResetRun(state);
        state.settings = window.CurrentSettings();
        state.boundaryPointsPath = window.BoundaryPointsPath();

        // Results windows of earlier runs stay open, but their "Show" reads the objects
        // that this run rebuilds.
        for (TResultform* older : window.findChildren<TResultform*>(Qt::FindDirectChildrenOnly))
            older->SetRunGoing(true);

        QPointer<TResultform> results = new TResultform(state, opener, &window);
        if (created) created(*results);
        state.view = results;
        results->show();
        results->RunStarted();
        // An empty name (Run before any Open) is a file that cannot be opened: the model
        // loading reports it like any missing file.
        const RunResult outcome = RunModel(state, modelFile, state.settings.accuracy);

        for (TResultform* open : window.findChildren<TResultform*>(Qt::FindDirectChildrenOnly))
            if (open != results) open->SetRunGoing(false);
        if (results) results->RunEnded();
        if (finished) finished(outcome);
    });
    window.SetCancelHandler([&state] {
        if (auto* results = dynamic_cast<TResultform*>(state.view)) results->CancelClick();
    });
}

}  // namespace membrane
