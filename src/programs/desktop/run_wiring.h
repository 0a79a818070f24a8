// What "Run" does in the desktop program: open a new results window as the run's view,
// run the model in it and hand the window its run when it has ended. Each results window
// keeps its own run; a later run does not touch it. Shared by the program's entry point
// and its tests.
#pragma once

#include <functional>

#include "common/messages.h"
#include "common/opener.h"
#include "heightfield/run_result.h"

namespace membrane {

class FormResultsWindow;
class MainWindow;
class ResultsWindow;

// Called with the results window of each run right after it has been created (tests use
// it to look at the window before the run fills it).
using ResultsWindowCreated = std::function<void(ResultsWindow&)>;
using FormResultsWindowCreated = std::function<void(FormResultsWindow&)>;

// Gives `window` its run and cancel handlers. A form-finding model (.toml) opens a form
// results window instead (`formCreated` sees it), whose "Run again" runs as Run does. `messages`
// and `opener` must outlive the window. `finished` (optional) receives the outcome of every run.
void ConnectRuns(MainWindow& window, MessageSink& messages, Opener& opener,
                 ResultsWindowCreated created = {},
                 std::function<void(const RunResult&)> finished = {},
                 FormResultsWindowCreated formCreated = {});

}  // namespace membrane
