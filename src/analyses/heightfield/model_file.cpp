#include "heightfield/model_file.h"

#include "common/regular_file.h"

namespace membrane {

std::shared_ptr<const ModelFile> ReadModelFile(const std::string& path, std::string* why) {
    std::optional<std::string> bytes = ReadRegularFile(path, kMaxModelFileBytes, why);
    if (!bytes) {
        if (why && why->starts_with("larger than")) *why += ": no model file";
        return nullptr;
    }
    auto model = std::make_shared<ModelFile>();
    model->path = path;
    model->text = std::move(*bytes);
    return model;
}

}  // namespace membrane
