#include "shell/output_set.h"

#include "common/io_error.h"

namespace membrane {

OutputSet::~OutputSet() = default;

void OutputSet::Render(const std::string& path, const std::function<void(TextSink&)>& render) {
    auto file = std::make_unique<AtomicFile>(path);
    std::unique_ptr<TextFileWriter> writer = file->Create();
    if (!writer) throw IoError("cannot create " + file->Error());
    render(*writer);
    writer->Close();
    files_.push_back(std::move(file));
}

void OutputSet::Add(std::unique_ptr<AtomicFile> file) {
    files_.push_back(std::move(file));
}

void OutputSet::Commit() {
    for (const auto& file : files_) {
        file->Seal();
        if (std::string refused = RefusedTarget(file->Target()); !refused.empty())
            throw IoError(refused);
    }
    for (const auto& file : files_) file->Commit();
}

std::vector<std::string> OutputSet::Targets() const {
    std::vector<std::string> targets;
    for (const auto& file : files_) targets.push_back(file->Target());
    return targets;
}

void WriteWholeFile(const std::string& path, const std::function<void(TextSink&)>& render) {
    OutputSet files;
    files.Render(path, render);
    files.Commit();
}

}  // namespace membrane
