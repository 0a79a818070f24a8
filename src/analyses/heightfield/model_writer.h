// The model file of a plan model: the four tables in the usual order (coordinates,
// elements, start heights, held nodes), numbered 1..N, each header line the title, the
// count and two blanks (the reader drops one field after the count: the empty end of the
// line), CR LF line ends, no blank at the end of a data line.
#pragma once

#include <string>

#include "common/text_sink.h"
#include "heightfield/plan_model.h"

namespace membrane {

// `fileName` heads the file ("FILE NAME.DAT"); `source` is named in a comment line.
// Reals are written in the shortest form that reads back to the same double.
void RenderModelFile(TextSink& out, const PlanModel& plan, const std::string& fileName,
                     const std::string& source);

// Writes the model file atomically. Throws IoError when it cannot be written.
void WriteModelFile(const std::string& path, const PlanModel& plan, const std::string& source);

}  // namespace membrane
