// "Save results as": the report and the truss model file of a membrane already computed,
// written to a folder the user chooses (when the model's own folder cannot take them).
#pragma once

#include <memory>
#include <string>

#include "heightfield/model.h"
#include "heightfield/settings.h"
#include "heightfield/solution.h"

namespace membrane {

struct SavedResults {
    std::string error;  // empty: both files written
    std::string reportFile, trussFile;
};

// Writes NAME.OUT and NAME.TRS (NAME: the model file's name) into `folder` for the
// membrane `solution` of `model`, with the run's accuracy and weight. Refuses to
// overwrite the model file or a file that may not be replaced; never throws.
SavedResults SaveResultsIn(const std::shared_ptr<const Model>& model, const Solution& solution,
                           const Settings& settings, const std::string& folder);

}  // namespace membrane
