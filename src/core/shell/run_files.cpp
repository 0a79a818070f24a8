#include "shell/run_files.h"

#include "common/file_lock.h"
#include "common/text_file.h"

namespace membrane {

std::string RefusedOutputs(const RunFiles& files) {
    const auto inputItself = [&files](const std::string& path) -> std::string {
        for (const NamedFile& input : files.inputs)
            if (!input.path.empty() && SameFile(path, input.path))
                return path + ": is " + input.what + " itself; it is not overwritten";
        return {};
    };
    const std::vector<std::string>& outputs = files.outputs;
    for (std::size_t k = 0; k < outputs.size(); ++k) {
        const std::string& output = outputs[k];
        if (std::string why = inputItself(output); !why.empty()) return why;
        for (const NamedFile& beside : files.besides)
            if (SameFile(output, beside.path)) return output + ": is " + beside.what;
        for (std::size_t j = 0; j < k; ++j)
            if (SameFile(output, outputs[j]))
                return output + ": is written by the run as " + outputs[j] + " already";
        if (std::string refused = RefusedTarget(output); !refused.empty()) return refused;
    }
    for (const NamedFile& beside : files.besides)
        if (std::string why = inputItself(beside.path); !why.empty()) return why;
    return {};
}

}  // namespace membrane
