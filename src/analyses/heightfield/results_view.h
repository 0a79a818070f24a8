// How a run reports to the results window: progress lines, the tables it read, the two
// areas and the membrane it found. Every call may be left out (a run without a view runs
// the same and shows nothing). The view may keep the model and the solution it is handed:
// neither changes after it has been handed over.
#pragma once

#include <memory>
#include <string>

#include "heightfield/model.h"
#include "heightfield/solution.h"
#include "shell/run_view.h"

namespace membrane {

// The progress lines (RunView::ShowMessage): "Open ...", "ITERATION n : Assemble",
// "ITERATION n : Elimination" (or "Cholesky"), "READY, output to file : NAME.OUT",
// "ERRORS reported ...".
class ResultsView : public RunView {
  public:
    // The tables the loading read (the node table when it has records, every table when
    // the model is complete), and whether the model loaded: every table read and the
    // model check passed.
    virtual void ShowInput(std::shared_ptr<const Model> model, bool loaded) = 0;
    // "Flat mesh surface : ..." and "Final surface : ...".
    virtual void SetFlatArea(const std::string& text) = 0;
    virtual void SetFinalArea(const std::string& text) = 0;
    // The computed heights of a successful run.
    virtual void ShowResults(std::shared_ptr<const Solution> solution) = 0;
};

}  // namespace membrane
