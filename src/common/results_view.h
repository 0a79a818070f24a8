// How the computation reports to the results window: progress lines, the input tables,
// the two areas and the computed heights. The core calls these through the run state's
// current view, which may be empty: the computation then runs the same and shows nothing.
#pragma once

#include <string>

namespace membrane {

struct RunState;

class ResultsView {
public:
    virtual ~ResultsView() = default;
    virtual void ShowMessage(const std::string& text) = 0;
    virtual void FillCoordGrid(const RunState& state) = 0;
    virtual void FillElemGrid(const RunState& state) = 0;
    virtual void FillConstrGrid(const RunState& state) = 0;
    virtual void FillInitGrid(const RunState& state) = 0;
    virtual void SetFlatArea(const std::string& text) = 0;
    virtual void SetFinalArea(const std::string& text) = 0;
    virtual void ShowResultHeights(const RunState& state, int iterationCount) = 0;
    // Between the phases of a long run: the view may update a progress bar. Returning
    // true asks the run to stop (it then ends as failed with a cancel reason).
    virtual bool CancelRequested() { return false; }
};

}  // namespace membrane
