// What the command line prints of a run of any analysis after its progress lines, written
// once for every analysis's command: the summary ("label        : value" lines), the
// history table, the files the command writes after the run, the timings last (so that
// every file written is in them), and the exit status (shell/exit_status.h).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/surface_exports.h"
#include "linalg/sparse_system.h"
#include "shell/run_record.h"

namespace membrane {

struct SummaryLine {
    std::string label;  // at most 12 characters
    std::string value;
};
using SummaryLines = std::vector<SummaryLine>;

// The outcome as the summary's "outcome" line says it: "converged", "iteration limit
// reached, not converged" or "ERRORS reported REASON".
std::string SummaryOutcome(const RunRecord& run, bool converged);

// What a run's command prints and writes besides the run's own files.
struct RunCommandEnd {
    bool quiet = false;    // no summary: only a failure, on stderr
    bool history = false;  // the history table after the summary
    bool timings = false;  // the timings at the very end
    SummaryLines summary;
    std::string historyTable;
    // The analysis's own lines among the timings, after "solve" (how often it factorized).
    SummaryLines solverTimings;
    // Writes the files the command writes after the run (exports, pictures), each timed
    // into the list; returns the command's exit status.
    std::function<int(std::vector<FileTiming>& files)> writeAfter;
};

// Prints and writes in that order; the exit status.
int EndRunCommand(const RunRecord& run, const RunCommandEnd& end);

// How often the solver factorized, or set up its multigrid hierarchy (the timings'
// solver lines of every analysis).
SummaryLines SolverTimings(const SolveCounts& solves);

}  // namespace membrane
