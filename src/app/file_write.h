#pragma once
// Writing a whole file from bytes, with every step checked: the open, each write and the close.

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

// Creates the file or empties an existing one, then writes bytes exactly as given.
FileWriteResult WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace querimo
