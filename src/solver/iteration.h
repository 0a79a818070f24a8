// One complete run: model file and settings in, membrane heights, report and truss model
// files and a filled results view out.
//
// Newton's method on the total lifted area: each iteration assembles the exact Hessian
// and the negative gradient of every triangle's area, pins the held nodes, solves for the
// height increments and adds them, until |max| + |min| of the increments is at most twice
// the accuracy, the iteration limit is reached, or an increment exceeds 1e10.
#pragma once

#include <string>

#include "common/run_state.h"

namespace membrane {

enum class RunOutcome {
    Success,        // converged or reached the iteration limit; files written
    InputErrors,    // the model did not load
    Diverged,       // an increment blew up (or was not a number)
    SolverFailure,  // the elimination failed
    Cancelled,      // the user stopped the run
    OutputFailure,  // a file could not be read or written half-way
};

// Where a run spends its time (wall-clock seconds) and the most memory it held.
struct RunTimings {
    double load = 0.0;      // reading and checking the model, boundary and bar tables
    double assemble = 0.0;  // all iterations: element terms, accumulation, constraints
    double solve = 0.0;     // all iterations: elimination and taking over the increments
    double write = 0.0;     // report and truss model files, final area
    double peakMemoryMb = 0.0;  // peak resident set size of the process so far (VmHWM)
};

struct RunResult {
    RunOutcome outcome = RunOutcome::InputErrors;
    int iterations = 0;
    std::string reason;  // what follows "ERRORS reported " on failure
    double flatArea = 0.0;
    double finalArea = 0.0;
    RunTimings timings;
};

// Peak resident set size of this process in MB from /proc/self/status (VmHWM); 0 where
// that is not available.
double PeakMemoryMb();

// Releases the previous run's model objects; the settings survive.
void ResetRun(RunState& state);

// Runs the model file with the given accuracy and the state's other settings. Progress
// and outcome lines go to state.view, message boxes to state.messages.
RunResult RunModel(RunState& state, const std::string& inputFileName, double accuracy);

}  // namespace membrane
