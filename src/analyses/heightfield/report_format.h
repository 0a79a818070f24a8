// The report file (".OUT") as text: its header, the echo of the model tables, the number
// of iterations with the accuracy, and the computed heights ("&SOLUTION").
//
//   OUTPUT FILE : NAME.OUT
//   (blank)
//   &COORDINATES  n         "   NODE " number (width 4), x, y, z in the 23-character
//   ...                     scientific format; z is 0, the plan's height
//   &ELEMENTS  n            "   " number (width 4), then " " and each node number
//   &CONSTR n               "   " node number
//   &INITIAL n              "   " height (scientific)
//   (blank)
//   number of iterations :   4     accurracy : 0.0010000000
//   (blank)
//   &SOLUTION n             "   " height (scientific), one per node in node table order
//
// Each table ends with a blank line; a table without records is left out. Lines end with
// CR LF.
#pragma once

#include <atomic>
#include <span>
#include <string>

#include "common/text_sink.h"
#include "heightfield/model.h"

namespace membrane {

void RenderReportHeader(TextSink& out, const std::string& reportFileName);
void RenderNodeEcho(TextSink& out, const NodeTable& nodes);
void RenderElementEcho(TextSink& out, const ElementTable& elements);
void RenderListEcho(TextSink& out, const IntList& list);
void RenderListEcho(TextSink& out, const RealList& list);

// The header and the four table echoes, in the order coordinates, elements, constraints,
// initial values. Stops between two tables once `stop` is set.
void RenderReportTables(TextSink& out, const Model& model, const std::string& reportFileName,
                        const std::atomic<bool>& stop);

// The rest of the report: the iteration count, the accuracy and the heights.
void RenderReportResults(TextSink& out, int iterations, double accuracy,
                         std::span<const double> heights);

}  // namespace membrane
