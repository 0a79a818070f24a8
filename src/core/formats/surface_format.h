// The surface formats, told apart by the file name's extension.
#pragma once

#include <string>

namespace membrane {

// The extension of the file name, with its dot, in lower case ("" without one).
std::string LowerCaseExtension(const std::string& path);

// Whether the membrane can be exported to a file of this name: ".obj", ".stl", ".ply",
// ".glb" or ".dxf".
bool IsExportFormat(const std::string& path);

}  // namespace membrane
