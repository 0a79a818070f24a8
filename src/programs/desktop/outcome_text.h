// How the results window tells the end of a run: one plain line per outcome for the
// message line, in the desktop program's own words (its settings dialog, its commands),
// and the short state shown under the drawing.
#pragma once

#include <QString>

#include "heightfield/run_result.h"

namespace membrane {

// The message line after the run: "READY, output to file : NAME.OUT" for a run that wrote
// its files, otherwise what happened and, where the user can do something, what.
QString OutcomeLine(const RunResult& result);

// The state of the run under the drawing, without the drawing's own words: empty for a
// run that wrote its files, else "input errors, no results", "cancelled, no results", ...
QString OutcomeState(const RunResult& result);

}  // namespace membrane
