#pragma once
// Where the program's files are. Both folders can be overridden through the
// environment so that tests run in a temporary tree:
//   QEVO_PROGRAM_DIR  the program's folder (default: the executable's folder)
//   QEVO_SYSTEM_DIR   the "system directory" that holds machine-wide INI files

#include <string>

namespace platform {

// Absolute folder paths, each with a trailing '/'.
std::string ProgramDir();
std::string SystemDir();

}  // namespace platform
