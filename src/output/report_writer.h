// The report file (".OUT") and the truss model file (".TRS") of a successful run.
//
// The report echoes the model tables, states the iteration count and the accuracy, and
// lists the computed heights ("&SOLUTION"). The truss model file is an INI-like text for a
// separate truss analysis: every triangle side a bar, every held node a support in x, y
// and z, and one third of each triangle's weight as a load on each of its corners.
// Both are written to temporary files beside their targets and renamed into place only
// when complete, so an error half-way leaves the previous files as they were.
//
// Most of both files does not depend on the heights: the report's echo of the model
// tables and the truss model file's bars. A run can have those written ahead, on a thread
// of its own, while the Newton steps go on; only a successful run puts the files in place.
#pragma once

#include <memory>
#include <string>

#include "common/run_state.h"

namespace membrane {

// The two files of one run.
class OutputFiles {
public:
    // Names the files (after the report file name and the state's input name); writes
    // nothing yet.
    OutputFiles(const RunState& state, const std::string& reportFileName);
    // Waits for the thread of WriteAhead; the temporary files go unless Finish put them
    // in place.
    ~OutputFiles();
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    // Starts writing, on a thread of its own, the report's header and table echoes into
    // its temporary file and the truss model file's bar section into memory. Until Finish
    // (or the end of the object) the state's tables must not change: the Newton steps
    // change only the heights, the increments and the solver's own data.
    void WriteAhead(const RunState& state);
    // Writes what is left (everything, without WriteAhead), lifts the node table by the
    // heights, shows the final area and puts both files in place. Throws IoError when a
    // write fails, the error of the report first, as when the files are written one
    // after the other.
    void Finish(RunState& state, int iterationCount, double accuracy);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Both files at once: OutputFiles without anything written ahead.
void WriteOutput(RunState& state, int iterationCount, const std::string& reportFileName, double accuracy);

}  // namespace membrane
