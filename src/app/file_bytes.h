#pragma once
// Reading a whole file as bytes, refusing what would hang or is not a file.

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
