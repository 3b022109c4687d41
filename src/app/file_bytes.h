#pragma once
// Reading a whole file as bytes: a regular file, or a pipe or device read to its end.

#include <string>

namespace querimo {

struct FileReadResult {
    bool ok = false;
    std::string bytes;
    // The operating system's error number when ok is false; 0 with a reason text otherwise.
    int error = 0;
    std::string reason;
};

FileReadResult ReadWholeFile(const std::string& path);

}  // namespace querimo
