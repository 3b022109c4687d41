#include "app/log_path.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace querimo {

namespace {

bool FolderExists(const std::string& folder) {
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0;
}

}  // namespace

std::string ProgramLogPath(const std::string& programPath) {
    std::string::size_type nameStart = programPath.rfind('/');
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    std::string::size_type dot = programPath.rfind('.');
    if (dot == std::string::npos || dot < nameStart) {
        return programPath + ".log";
    }
    return programPath.substr(0, dot) + ".log";
}

std::string BatchLogPath(const std::string& outputPath, const std::string& programPath) {
    std::string::size_type slash = outputPath.rfind('/');
    if (slash == std::string::npos) {
        return outputPath;
    }
    // "/name" lives in the root folder, which always exists.
    std::string folder = slash == 0 ? std::string("/") : outputPath.substr(0, slash);
    return FolderExists(folder) ? outputPath : ProgramLogPath(programPath);
}

std::string ProgramPath() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("querimo") : path.string();
}

}  // namespace querimo
