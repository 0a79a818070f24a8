// One run of a model on a worker thread of its own, so that the windows stay responsive
// however long it takes.
//
// The run reports from the worker; every call it makes on the results window and on the
// message sink is carried over to the GUI thread (queued, in order; a message box waits
// for the user as before, the run waiting with it). The model and the membrane are handed
// over as shared_ptr<const>: neither changes after it has been handed on. Cancel on the
// window sets a flag the run looks at inside its solves too, so that it ends within a
// moment in any phase.
#pragma once

#include "common/messages.h"
#include "run/run_model.h"

namespace membrane {

class ResultsWindow;

// Runs `request` on a worker thread reporting to `window` and `messages`, and returns its
// result when it has ended; meanwhile the GUI thread goes on handling events (a local
// event loop). The worker is joined and the memory the run gave back is returned to the
// system before this returns.
RunResult RunInBackground(const RunRequest& request, MessageSink& messages, ResultsWindow& window);

}  // namespace membrane
