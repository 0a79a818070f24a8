// The first verb of a run: from the model file to a checked, frozen Model.
#pragma once

#include <memory>

#include "common/messages.h"
#include "heightfield/model_file.h"
#include "heightfield/results_view.h"
#include "heightfield/run_model.h"
#include "heightfield/run_result.h"

namespace membrane {

// The model file's text; null, after "Inputfile not found", when it cannot be read (the
// result's model is then one without tables).
std::shared_ptr<const ModelFile> OpenModelFile(const std::string& path, MessageSink& messages,
                                               RunResult& result);

// Reads the tables, writes the boundary points file (a strict run leaves that to its end),
// hands the tables and the flat area
// to the view and checks the model; sets result.model and result.boundaryPointsFile.
// False, after "error in input", when a table is missing or empty or the check finds a
// fault.
// Writes the boundary points file of a complete model ("BNDRYPTS.txt" beside the model
// file unless the request names another path); sets result.boundaryPointsFile when written.
void WriteBoundaryPoints(const Model& model, const RunRequest& request, RunResult& result);

bool LoadCheckedModel(const ModelFile& file, const RunRequest& request, MessageSink& messages,
                      ResultsView* view, RunResult& result);

}  // namespace membrane
