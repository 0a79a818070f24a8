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

#include <functional>
#include <string>

#include "common/messages.h"
#include "heightfield/run_model.h"

namespace membrane {

class ResultsWindow;

// Runs `request` on a worker thread reporting to `window` and `messages`, and returns its
// result when it has ended; meanwhile the GUI thread goes on handling events (a local
// event loop). The worker is joined and the memory the run gave back is returned to the
// system before this returns.
RunResult RunInBackground(const RunRequest& request, MessageSink& messages, ResultsWindow& window);

// Called on the worker thread with each progress line of a run, before the window is told;
// it may block, holding the run at that point (tests use it to act on the windows while a
// run is known to be under way). Set it only while no run goes on. Returns the previous
// hook; an empty one (the default) does nothing.
using RunProgressHook = std::function<void(const std::string& line)>;
RunProgressHook SetRunProgressHook(RunProgressHook hook);
// Hands a progress line to the hook (the form-finding's worker too).
void CallRunProgressHook(const std::string& line);

}  // namespace membrane
