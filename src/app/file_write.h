#pragma once
// Writing a whole file from bytes, with every step checked. A regular file is replaced only by
// a complete new version, so a failed write leaves it as it was.

#include <string>

namespace querimo {

struct FileWriteResult {
    enum class Step { None, Open, Write };
    // The step that failed, None when the file was written.
    Step failed = Step::None;
    // The operating system's error number of the failed step.
    int error = 0;

    bool ok() const { return failed == Step::None; }
};

// Writes bytes exactly as given, in place of what the file held.
FileWriteResult WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace querimo
