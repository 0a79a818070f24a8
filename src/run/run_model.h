// One run of a model file: its tables read and checked, Newton's method on the total
// lifted area, and the report, truss model and boundary points files written.
//
// The run never shows a window and never ends the process: message boxes go to the
// message sink, progress and results to the view, and whatever goes wrong (a file that
// cannot be written, memory that runs out, an error of the program) ends it with a
// failed outcome and a message.
#pragma once

#include <atomic>
#include <string>

#include "common/messages.h"
#include "run/results_view.h"
#include "run/run_result.h"
#include "run/settings.h"

namespace membrane {

struct RunRequest {
    std::string modelFileName;  // the model file (".DAT")
    Settings settings;
    // Where the boundary points file goes: beside the program; beside the model file when
    // that directory cannot be written.
    std::string boundaryPointsPath = "BNDRYPTS.txt";
    // A flag that another thread may set to stop the run within a moment, in any phase
    // (inside the solves too); the run then ends as cancelled, as when the view asks.
    const std::atomic<bool>* cancel = nullptr;
};

// Runs the model. The progress lines: "Open <file>", per iteration "ITERATION n : Assemble"
// and "ITERATION n : Elimination", and at the end "READY, output to file : NAME.OUT" or
// "ERRORS reported <reason>".
RunResult RunModel(const RunRequest& request, MessageSink& messages, ResultsView* view = nullptr);

// Reads and checks the model (and writes the boundary points file) without running it:
// outcome Success when it loaded.
RunResult LoadModelOnly(const RunRequest& request, MessageSink& messages);

}  // namespace membrane
