#pragma once
// The command line: switches first, then up to three positional arguments.

#include <optional>
#include <string>
#include <vector>

namespace querimo {

struct CommandLine {
    bool quoteAll = false;
    bool header = true;
    bool append = false;
    // Set only when the switch was given; NUL means "keep the writer's default".
    std::optional<char> quote;
    std::optional<char> delimiter;
    std::string connectString;
    std::string sqlFile;
    std::string outputFile;
    bool hasArguments = false;

    bool IsBatchRun() const { return !outputFile.empty(); }
};

// arguments excludes the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace querimo
