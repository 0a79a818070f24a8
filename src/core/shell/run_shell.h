// One run of any analysis, from the model file to its result files: the part that is the
// same for every analysis, written once. The analysis plugs in its verbs (analysis_run.h).
//
//   "Open MODEL"                         (on the view, when the run reads a model file)
//   lock the model file                  (flock: a second run of the same model waits,
//                                         "waiting for another run of this model to end")
//   refuse outputs that may not be written (before anything is read or written)
//   Load                                 Unreadable: OutputFailure; InputErrors
//   refuse outputs again                 (with the files the model names)
//   Compute
//   check every figure to be finite      (not finite: Diverged, no file, nothing shown)
//   Publish
//   Write, then every file put in place  (all or none; an input/output error keeps the
//                                         results: OutputFailure, "... is computed, but
//                                         its files could not be written")
//   "READY, output to file : REPORT" or "ERRORS reported REASON" on the view, then one
//   "Warnings" message with every warning of a successful run.
//
// Whatever a verb throws ends the run with a failed outcome and a message box
// (run_boundary.h); the analysis's objects are gone before the message shows. The shell
// never shows a window and never ends the process.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/messages.h"
#include "shell/analysis_run.h"
#include "shell/run_record.h"
#include "shell/run_view.h"

namespace membrane {

struct RunFrame {
    // Locked for the run and named in "Open ..."; empty for a model already loaded.
    std::string modelFile;
    // Read and check the model, nothing more (no refusal, no messages at the end).
    bool loadOnly = false;
    // Write the run's files; false: the results are found and handed on only.
    bool writeFiles = true;
};

using MakeAnalysisRun = std::function<std::unique_ptr<AnalysisRun>()>;

// Runs the analysis `make` creates (inside the lock and the run boundary) and fills the
// record's outcome, reason, load and write timings, peak memory and report file.
void RunInShell(const RunFrame& frame, const MakeAnalysisRun& make, RunRecord& record,
                MessageSink& messages, RunView* view);

}  // namespace membrane
