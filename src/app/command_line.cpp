#include "app/command_line.h"

#include <cstddef>

namespace querimo {

namespace {

char DelimiterFromValue(const std::string& value) {
    if (value == "\\t") {
        return '\t';
    }
    if (value == "\\n") {
        return '\n';
    }
    return value.empty() ? '\0' : value[0];
}

char QuoteFromValue(const std::string& value) {
    return value.empty() ? '\0' : value[0];
}

// The value of -q or -d: the rest of the switch, or the next argument (consumed). A switch with
// nothing after it gives an empty value.
std::string TakeValue(const std::vector<std::string>& arguments, std::size_t& index) {
    const std::string& option = arguments[index];
    if (option.size() > 2) {
        return option.substr(2);
    }
    if (index + 1 < arguments.size()) {
        return arguments[++index];
    }
    return {};
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine result;
    result.hasArguments = !arguments.empty();
    std::size_t index = 0;
    for (; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (argument.empty() || argument[0] != '-') {
            break;
        }
        char letter = argument.size() > 1 ? argument[1] : '\0';
        switch (letter) {
            case 'u':
                result.quoteAll = true;
                break;
            case 's':
                result.header = false;
                break;
            case 'a':
                result.append = true;
                break;
            case 'q':
                result.quote = QuoteFromValue(TakeValue(arguments, index));
                break;
            case 'd':
                result.delimiter = DelimiterFromValue(TakeValue(arguments, index));
                break;
            default:
                break;
        }
    }
    std::string* positional[] = {&result.connectString, &result.sqlFile, &result.outputFile};
    for (std::string* slot : positional) {
        if (index >= arguments.size()) {
            break;
        }
        *slot = arguments[index++];
    }
    return result;
}

}  // namespace querimo
