#pragma once
// Where an unattended run writes its errors.

#include <string>

namespace querimo {

// The output file itself, unless its folder is missing: then the program's path with its
// extension replaced by ".log".
std::string BatchLogPath(const std::string& outputPath, const std::string& programPath);

// The program path with the extension of its file name replaced by ".log" (a '.' in a folder
// name does not count).
std::string ProgramLogPath(const std::string& programPath);

// The real path of the running executable.
std::string ProgramPath();

}  // namespace querimo
