// Any argument list, split at NUL bytes: the parser must not read past the list, and what it
// keeps must come from the arguments it was given.
#include "app/command_line.h"
#include "fuzz_check.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string> SplitAtNul(const uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments;
    if (size == 0) {
        return arguments;
    }
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    arguments.push_back(current);
    return arguments;
}

bool IsOneOf(const std::string& text, const std::vector<std::string>& arguments) {
    return std::find(arguments.begin(), arguments.end(), text) != arguments.end();
}

bool AppearsIn(char c, const std::vector<std::string>& arguments) {
    return std::any_of(arguments.begin(), arguments.end(), [c](const std::string& argument) {
        return argument.find(c) != std::string::npos;
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::vector<std::string> arguments = SplitAtNul(data, size);
    const querimo::CommandLine line = querimo::ParseCommandLine(arguments);

    FUZZ_CHECK(line.hasArguments == !arguments.empty());
    for (const std::string* positional : {&line.connectString, &line.sqlFile, &line.outputFile}) {
        FUZZ_CHECK(positional->empty() || IsOneOf(*positional, arguments));
    }
    // Switches end at the first argument without '-', which is the connection string.
    FUZZ_CHECK(line.connectString.empty() || line.connectString[0] != '-');
    if (!arguments.empty() && !arguments[0].empty() && arguments[0][0] != '-') {
        FUZZ_CHECK(line.connectString == arguments[0]);
        FUZZ_CHECK(!line.quote && !line.delimiter && line.header && !line.quoteAll);
    }
    if (line.quote && *line.quote != '\0') {
        FUZZ_CHECK(AppearsIn(*line.quote, arguments));
    }
    if (line.delimiter && *line.delimiter != '\0' && *line.delimiter != '\t' &&
        *line.delimiter != '\n') {
        FUZZ_CHECK(AppearsIn(*line.delimiter, arguments));
    }
    FUZZ_CHECK(line.IsBatchRun() == !line.outputFile.empty());
    return 0;
}
