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

// A file name as it may be written into a text file: control characters (codes 0 to 31
// and 127; a line break would start a new line or section there) become blanks.
std::string PrintableName(std::string name);

}  // namespace membrane
