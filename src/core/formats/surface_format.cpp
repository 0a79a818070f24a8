#include "formats/surface_format.h"

#include <algorithm>
#include <filesystem>

namespace membrane {

std::string LowerCaseExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool IsExportFormat(const std::string& path) {
    const std::string e = LowerCaseExtension(path);
    return e == ".obj" || e == ".stl" || e == ".ply" || e == ".glb" || e == ".dxf";
}

}  // namespace membrane
