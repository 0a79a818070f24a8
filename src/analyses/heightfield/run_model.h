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
#include <vector>

#include "common/messages.h"
#include "heightfield/results_view.h"
#include "heightfield/run_result.h"
#include "heightfield/settings.h"

namespace membrane {

struct RunRequest {
    RunRequest() = default;
    RunRequest(std::string model, Settings runSettings, std::string boundaryPoints = {})
        : modelFileName(std::move(model)),
          settings(runSettings),
          boundaryPointsPath(std::move(boundaryPoints)) {}

    std::string modelFileName;  // the model file (".DAT")
    Settings settings;
    // Where the boundary points file goes; empty: "BNDRYPTS.txt" beside the model file.
    std::string boundaryPointsPath;
    // Every warning is an input error: the run writes no file unless it is clean.
    bool strict = false;
    // Whether loading the model writes the boundary points file (a tool that only reads
    // the model, such as the export, leaves it).
    bool boundaryPoints = true;
    // The files the caller writes after the run (a scene, a picture): checked with the
    // run's own before anything is written, so that none of them is the model file or
    // another output of the run.
    std::vector<std::string> otherOutputs;
    // A flag that another thread may set to stop the run within a moment, in any phase
    // (inside the solves too); the run then ends as cancelled, as when the view asks.
    const std::atomic<bool>* cancel = nullptr;
};

// Runs the model. The progress lines: "Open <file>", per iteration "ITERATION n : Assemble"
// and "ITERATION n : Elimination" (": Cholesky" when sparse Cholesky solves), and at the end
// "READY, output to file : NAME.OUT" or "ERRORS reported <reason>". After READY, a run with
// warnings tells them in one message ("Warnings"). The model file is locked (flock) for the
// run: a second run of the same model waits.
RunResult RunModel(const RunRequest& request, MessageSink& messages, ResultsView* view = nullptr);

// Reads and checks the model (and writes the boundary points file) without running it:
// outcome Success when it loaded.
RunResult LoadModelOnly(const RunRequest& request, MessageSink& messages);

}  // namespace membrane
