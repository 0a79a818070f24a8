// The report file (".OUT") and the truss model file (".TRS") of a successful run.
//
// Both are written to temporary files beside their targets and renamed into place only
// when complete, so an error half-way leaves the previous files as they were.
//
// Most of both files does not depend on the heights: the report's echo of the model
// tables and the truss model file's bars. A run can have those written ahead, on a thread
// of its own, while the Newton steps go on; only a successful run puts the files in place.
#pragma once

#include <memory>
#include <string>

#include "heightfield/model.h"
#include "heightfield/solution.h"
#include "shell/output_set.h"

namespace membrane {

class OutputFiles {
  public:
    // Names the files after the model file (".OUT", ".TRS"), or after `stem` (a path whose
    // extension is replaced) when it is given; writes nothing yet.
    explicit OutputFiles(std::shared_ptr<const Model> model, const std::string& stem = {});
    // Waits for the thread of WriteAhead; the temporary files go unless Finish put them
    // in place.
    ~OutputFiles();
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    const std::string& ReportFileName() const;
    const std::string& TrussFileName() const;

    // Starts writing, on a thread of its own, the report's header and table echoes into
    // its temporary file and the truss model file's bar section into a scratch file.
    void WriteAhead();
    // Writes what is left (everything, without WriteAhead) for the membrane found and the
    // accuracy of the run, with nodal loads of `weight` per unit area, and puts both files
    // in place. Throws IoError when a write fails, the error of the report first, as when
    // the files are written one after the other.
    void Finish(const Solution& solution, double accuracy, double weight);
    // The same, both files handed to `files` complete, for the set to put them in place
    // with the others of the run.
    void Finish(const Solution& solution, double accuracy, double weight, OutputSet& files);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace membrane
