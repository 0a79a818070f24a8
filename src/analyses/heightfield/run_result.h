// What a run hands back: how it ended, the model it read and the membrane it found.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "heightfield/model.h"
#include "heightfield/newton_history.h"
#include "heightfield/settings.h"
#include "heightfield/solution.h"
#include "linalg/sparse_system.h"
#include "shell/run_record.h"

namespace membrane {

// The reason of a run whose membrane was computed but whose report or truss model file
// could not be written: the membrane is in the result all the same.
inline constexpr const char* kFilesNotWrittenReason =
    "the membrane is computed, but its files could not be written";

// The outcome, reason, warnings (the model file gave reader messages, a table ended early,
// a held node or a start height named a node missing from the node table, the iteration
// limit was reached, walls), timings and report file are the record's (shell/run_record.h).
struct RunResult : RunRecord {
    Settings settings;  // what the run was asked to do
    // The linear solver that ran (auto resolved); Auto when the run made no Newton step.
    SolverChoice solver = SolverChoice::Auto;
    int iterations = 0;
    // Auto's pure steps before it started again with a line search (0: it did not); the
    // iterations are then those after the restart.
    int iterationsBeforeRestart = 0;
    // Whether the last Newton step met the accuracy test: a successful run that is not
    // converged stopped at the iteration limit.
    bool converged = false;
    double flatArea = 0.0;
    double finalArea = 0.0;
    SolveCounts solves;  // factorizations and solves on an earlier factor
    // Every Newton step, the start of a line-search restart included.
    NewtonHistory history;

    // The model as far as it was read (null when the file could not be read), and
    // whether it loaded: every table read and the model check passed.
    std::shared_ptr<const Model> model;
    bool modelLoaded = false;
    // The membrane of a successful run, and of a run whose files could not be written
    // (OutputFailure with kFilesNotWrittenReason).
    std::shared_ptr<const Solution> solution;
    // The files written: the truss model file of a successful run (the report is the
    // record's), and the boundary points file whenever the mesh has a boundary.
    std::string trussFile, boundaryPointsFile;
};

}  // namespace membrane
