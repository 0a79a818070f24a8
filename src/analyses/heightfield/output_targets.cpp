#include "heightfield/output_targets.h"

#include "common/file_names.h"

namespace membrane {

RunFiles RunFilesOf(const RunRequest& request) {
    if (request.modelFileName.empty()) return {};
    RunFiles files;
    files.inputs.push_back({request.modelFileName, "the model file"});
    files.besides.push_back({request.boundaryPointsPath.empty()
                                 ? ExtractFilePath(request.modelFileName) + "BNDRYPTS.txt"
                                 : request.boundaryPointsPath,
                             "the boundary points file of the run"});
    files.outputs = {ChangeFileExt(request.modelFileName, ".OUT"),
                     ChangeFileExt(request.modelFileName, ".TRS")};
    files.outputs.insert(files.outputs.end(), request.otherOutputs.begin(),
                         request.otherOutputs.end());
    return files;
}

}  // namespace membrane
