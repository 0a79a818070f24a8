// What an analysis plugs into the run shell (run_shell.h): its own verbs, which the shell
// calls in this order, and nothing of the shell's work (the lock on the model file, the
// refusal of outputs, the run boundary, the finiteness check, the files written all or
// none, READY or ERRORS, the warnings).
//
//   Files()        which files the run reads and writes (asked before Load and after it)
//   Load()         the model read and checked, every fault shown to the user
//   Compute()      the analysis: the record's outcome Success when there are results
//   ListFigures()  every figure the results will show or write
//   Publish()      the results handed to the caller's result and to the view
//   Write()        the files rendered into the set, which the shell then puts in place
//   Written()      the files in place: their names into the result
//
// An analysis's object holds a reference to its own result, whose RunRecord part the
// shell was given; the verbs set the analysis's fields (and the record's outcome, reason
// and warnings where they say so), the shell the rest.
#pragma once

#include <string>

#include "shell/finite_figures.h"
#include "shell/output_set.h"
#include "shell/run_files.h"

namespace membrane {

enum class LoadResult {
    Loaded,
    InputErrors,  // the model is faulty: exit status 2
    Unreadable,   // the model file is missing, not a regular file or cannot be read: 5
};

class AnalysisRun {
  public:
    virtual ~AnalysisRun() = default;

    // What the results are called in the run's messages: "the membrane", "the shape".
    virtual std::string Found() const = 0;
    // The files the run reads and writes as far as they are known: before Load what the
    // request names, after it also what the model names (the surface file it was read
    // from). Not asked of a run that writes no files.
    virtual RunFiles Files() const = 0;
    virtual LoadResult Load() = 0;
    // Sets the record's outcome: Success when the results are to be checked, published
    // and written; otherwise the reason.
    virtual void Compute() = 0;
    virtual void ListFigures(FiniteFigures& figures) const = 0;
    // Called whatever the outcome of Compute (a failed run may still show where it
    // failed); not called with results that are not finite.
    virtual void Publish() {}
    // The results handed on are withdrawn again: they are not finite, or an error of the
    // program or of the memory ended the run after Compute.
    virtual void Withdraw() {}
    virtual void Write(OutputSet& files) = 0;
    virtual void Written(const OutputSet& files) { (void)files; }
};

}  // namespace membrane
