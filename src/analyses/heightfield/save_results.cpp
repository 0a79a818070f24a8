#include "heightfield/save_results.h"

#include <exception>
#include <new>

#include "common/file_lock.h"
#include "common/file_names.h"
#include "common/io_error.h"
#include "common/text_file.h"
#include "heightfield/output_files.h"

namespace membrane {

SavedResults SaveResultsIn(const std::shared_ptr<const Model>& model, const Solution& solution,
                           const Settings& settings, const std::string& folder) {
    SavedResults saved;
    std::string stem = folder;
    if (!stem.empty() && stem.back() != '/') stem += '/';
    stem += ExtractFileName(model->fileName);
    try {
        OutputFiles files(model, stem);
        for (const std::string& target : {files.ReportFileName(), files.TrussFileName()}) {
            if (SameFile(target, model->fileName)) {
                saved.error = target + ": is the model file itself; it is not overwritten";
                return saved;
            }
            if (std::string refused = RefusedTarget(target); !refused.empty()) {
                saved.error = refused;
                return saved;
            }
        }
        files.Finish(solution, settings.accuracy, settings.weight);
        saved.reportFile = files.ReportFileName();
        saved.trussFile = files.TrussFileName();
    } catch (const IoError& error) {
        saved.error = error.what();
    } catch (const std::bad_alloc&) {
        saved.error = "There is not enough memory to write the files.";
    } catch (const std::exception& error) {
        saved.error = std::string("The files could not be written: ") + error.what();
    }
    return saved;
}

}  // namespace membrane
