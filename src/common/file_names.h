// File name helpers. Only "/" separates directories (a Linux path may contain "\").
#pragma once

#include <string>

namespace membrane {

// "dir/dome.DAT", ".OUT" -> "dir/dome.OUT"; a name without extension gets it appended.
std::string ChangeFileExt(const std::string& path, const std::string& extension);

// "dir/dome.DAT" -> "dome.DAT".
std::string ExtractFileName(const std::string& path);

// "dir/dome.DAT" -> "dir/" (with the separator), "" when there is no directory.
std::string ExtractFilePath(const std::string& path);

bool FileExists(const std::string& path);

}  // namespace membrane
