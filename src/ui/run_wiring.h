// What "Run" does in the desktop program: release the previous run's objects, open a new
// results window as the run's view, run the model in it and tell every results window
// when the run has ended. Shared by the program's entry point and its tests.
#pragma once

#include <functional>

#include "common/opener.h"
#include "common/run_state.h"
#include "solver/iteration.h"

namespace membrane {

class TMainApp;
class TResultform;

// Called with the results window of each run right after it has been created (tests use
// it to look at the window before the run fills it).
using ResultsWindowCreated = std::function<void(TResultform&)>;

// Gives `window` its run and cancel handlers. `state` and `opener` must outlive the window.
// `finished` (optional) receives the outcome of every run.
void ConnectRuns(TMainApp& window, RunState& state, Opener& opener, ResultsWindowCreated created = {},
                 std::function<void(const RunResult&)> finished = {});

}  // namespace membrane
