#include "bench_models.h"

#include <unistd.h>

#include <filesystem>
#include <map>
#include <stdexcept>

#include "heightfield/model_generator.h"
#include "heightfield/model_loader.h"

namespace membrane::bench {
namespace {

class ScratchDirectory {
  public:
    ScratchDirectory() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "membrane-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

ScratchDirectory& Scratch() {
    static ScratchDirectory directory;
    return directory;
}

}  // namespace

std::string ScratchFile(const std::string& name) {
    return Scratch().File(name);
}

const std::string& CatenoidModel(std::int64_t nodes) {
    static std::map<std::int64_t, std::string> models;
    auto found = models.find(nodes);
    if (found != models.end()) return found->second;
    const std::string path = ScratchFile("catenoid_" + std::to_string(nodes) + ".DAT");
    if (!WriteGeneratedModel(GenerateModel(GeneratedShape::Catenoid, nodes), path))
        throw std::runtime_error("cannot write " + path);
    return models.emplace(nodes, path).first->second;
}

LoadedModel::LoadedModel(const std::string& path) : file(ReadModelFile(path)) {
    NullMessageSink quiet;
    if (file) model = ReadModel(*file, quiet);
    if (!model || !model->complete) throw std::runtime_error("cannot load " + path);
}

}  // namespace membrane::bench
