#include "heightfield/output_targets.h"

#include "common/file_lock.h"
#include "common/file_names.h"
#include "common/text_file.h"

namespace membrane {

std::vector<std::string> RunOutputs(const RunRequest& request) {
    std::vector<std::string> outputs = {ChangeFileExt(request.modelFileName, ".OUT"),
                                        ChangeFileExt(request.modelFileName, ".TRS")};
    outputs.insert(outputs.end(), request.otherOutputs.begin(), request.otherOutputs.end());
    return outputs;
}

std::string RefusedOutputs(const RunRequest& request) {
    if (request.modelFileName.empty()) return {};
    const std::vector<std::string> outputs = RunOutputs(request);
    const std::string boundary = request.boundaryPointsPath.empty()
                                     ? ExtractFilePath(request.modelFileName) + "BNDRYPTS.txt"
                                     : request.boundaryPointsPath;
    for (std::size_t k = 0; k < outputs.size(); ++k) {
        const std::string& output = outputs[k];
        if (SameFile(output, request.modelFileName))
            return output + ": is the model file itself; it is not overwritten";
        if (SameFile(output, boundary)) return output + ": is the boundary points file of the run";
        for (std::size_t j = 0; j < k; ++j)
            if (SameFile(output, outputs[j]))
                return output + ": is written by the run as " + outputs[j] + " already";
        if (std::string refused = RefusedTarget(output); !refused.empty()) return refused;
    }
    if (SameFile(boundary, request.modelFileName))
        return boundary + ": is the model file itself; it is not overwritten";
    return {};
}

}  // namespace membrane
