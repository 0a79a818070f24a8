// What every run hands back, whatever the analysis: how it ended, why, what it warns of,
// where it spent its time and which report it wrote. Each analysis's result extends it
// with its own model and results (heightfield/run_result.h, form/form_result.h).
#pragma once

#include <string>
#include <vector>

#include "shell/run_outcome.h"

namespace membrane {

// Where a run spends its time (wall-clock seconds) and the most memory it held.
struct RunTimings {
    double load = 0.0;          // reading and checking the model
    double assemble = 0.0;      // all iterations: setting up the equations
    double solve = 0.0;         // all iterations: the solver's setup and solves, the step taken
    double write = 0.0;         // the run's own files
    double peakMemoryMb = 0.0;  // peak resident set size of the process so far (VmHWM)
};

struct RunRecord {
    RunOutcome outcome = RunOutcome::InputErrors;
    std::string reason;  // what follows "ERRORS reported " on failure
    // What a successful run's files may not show (the analysis says which); one short
    // text each, told after "READY".
    std::vector<std::string> warnings;
    RunTimings timings;
    // The report of a successful run that wrote its files; empty when it wrote none.
    std::string reportFile;
};

}  // namespace membrane
