#include "model/model_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/io_error.h"

namespace membrane {

std::shared_ptr<const ModelFile> ReadModelFile(const std::string& path) {
    if (path.empty()) return nullptr;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return nullptr;
    auto model = std::make_shared<ModelFile>();
    model->path = path;
    if (S_ISREG(info.st_mode) && info.st_size > 0)
        model->text.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        model->text.append(buffer, count);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) throw IoError("read error in " + path + ": " + std::strerror(error));
    return model;
}

}  // namespace membrane
