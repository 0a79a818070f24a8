// The running program's own file, for the directory the boundary points file goes to.
#pragma once

#include <string>

namespace membrane {

// Full path of the executable ("" when the system does not tell).
std::string ProgramFilePath();

}  // namespace membrane
