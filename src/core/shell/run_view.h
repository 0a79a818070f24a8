// What every run tells whoever watches it (a results window, the command line's progress
// lines), whatever the analysis; each analysis's view adds what it shows of its own model
// and results (heightfield/results_view.h, form/form_view.h).
#pragma once

#include <string>

namespace membrane {

class RunView {
  public:
    virtual ~RunView() = default;
    // One progress line: "Open ...", the analysis's own per iteration, and at the end
    // "READY, output to file : NAME" or "ERRORS reported ...".
    virtual void ShowMessage(const std::string& text) = 0;
    // Between the phases of a run: the view may update a progress bar. Returning true
    // asks the run to stop (it then ends as cancelled).
    virtual bool CancelRequested() { return false; }
};

}  // namespace membrane
