#include "cli/run_printing.h"

#include <algorithm>
#include <cstdio>

#include "common/number_format.h"
#include "shell/exit_status.h"
#include "shell/peak_memory.h"

namespace membrane {

// How often the solver factorized, or set up its multigrid hierarchy, for --timings.
SummaryLines SolverTimings(const SolveCounts& solves) {
    SummaryLines lines;
    if (solves.factorizations > 0)
        lines.push_back({"factorized", std::to_string(solves.factorizations) + " times; " +
                                           std::to_string(solves.reusedFactorSolves) +
                                           " steps by conjugate gradients (" +
                                           std::to_string(solves.conjugateGradientIterations) +
                                           " iterations)"});
    if (solves.multigridSetups > 0)
        lines.push_back({"multigrid",
                         std::to_string(solves.multigridSetups) + " set-ups, " +
                             std::to_string(solves.multigridReuses) + " steps on an earlier one; " +
                             std::to_string(solves.conjugateGradientIterations) + " iterations"});
    return lines;
}
namespace {

void PrintLine(const std::string& label, const std::string& value) {
    std::printf("%-12s : %s\n", label.c_str(), value.c_str());
}

std::string Seconds(double seconds) {
    return FormatFixed(seconds, 15, 4) + " s";
}

// The run's phases, then every file written after it, then the peak memory of the whole
// command.
void PrintTimings(const RunTimings& t, const SummaryLines& solverLines,
                  const std::vector<FileTiming>& files) {
    PrintLine("load", Seconds(t.load));
    PrintLine("assemble", Seconds(t.assemble));
    PrintLine("solve", Seconds(t.solve));
    for (const SummaryLine& line : solverLines) PrintLine(line.label, line.value);
    PrintLine("write", Seconds(t.write));
    PrintFileTimings(files);
    PrintLine("peak memory", FormatFixed(std::max(t.peakMemoryMb, PeakMemoryMb()), 15, 1) + " MB");
    std::fflush(stdout);
}

}  // namespace

std::string SummaryOutcome(const RunRecord& run, bool converged) {
    if (run.outcome != RunOutcome::Success) return "ERRORS reported " + run.reason;
    return converged ? "converged" : "iteration limit reached, not converged";
}

int EndRunCommand(const RunRecord& run, const RunCommandEnd& end) {
    if (!end.quiet) {
        std::printf("\n");
        for (const SummaryLine& line : end.summary) PrintLine(line.label, line.value);
        std::fflush(stdout);
    } else if (run.outcome != RunOutcome::Success) {
        // The progress lines are off, not the errors.
        std::fprintf(stderr, "ERRORS reported %s\n", run.reason.c_str());
        std::fflush(stderr);
    }
    if (end.history) {
        std::fputs(end.historyTable.c_str(), stdout);
        std::fflush(stdout);
    }
    std::vector<FileTiming> files;
    const int status = end.writeAfter ? end.writeAfter(files) : ExitStatusOf(run);
    if (end.timings) PrintTimings(run.timings, end.solverTimings, files);
    return status;
}

}  // namespace membrane
