#include "app/usage.h"

namespace querimo {

std::string VersionText() {
    return "Querimo 4.0\n";
}

std::string UsageText() {
    return "Usage: querimo [switches] [connection-string [sql-file [output-file]]]\n"
           "\n"
           "Without arguments Querimo opens its window. With a connection string it connects\n"
           "without asking and loads the SQL file into the editor. With an output file it runs\n"
           "unattended: no window and no display needed; the SQL file is run and its results are\n"
           "written as HTML when the output name's extension contains \"htm\", else as CSV.\n"
           "\n"
           "Switches (before the first positional argument; the last of a repeated switch wins):\n"
           "  -u        quote every value\n"
           "  -s        write no heading line\n"
           "  -q C      quote character C (attached, -q', or as the next argument)\n"
           "  -d C      delimiter C; the words \\t and \\n give a tab and a line feed\n"
           "  -a        append: a CSV file grows at its end, an HTML page at its insert marker\n"
           "  --help    this text;  --version  the version\n"
           "Other arguments beginning with '-' are ignored.\n"
           "\n"
           "Exit status of an unattended run:\n"
           "  0    the SQL file was read and the export succeeded\n"
           "  255  the connection or the export failed\n"
           "  254  the SQL file could not be read, or the output file is the SQL file\n"
           "\n"
           "Errors of an unattended run go to a log, one time-stamped line each: the output file\n"
           "itself, or the program's path with \".log\" when the output file's folder is missing.\n"
           "A log path containing \".log\" keeps the lines of every run; any other keeps the last\n"
           "run's, and with -a they go after what the file holds.\n"
           "\n"
           "A failed or killed run never leaves half a file: a new export replaces the output "
           "only\n"
           "when complete, and -a never removes anything. Runs on one output take turns.\n"
           "QUERIMO_LOGIN_TIMEOUT sets the seconds a connection may take (30; 0 for no limit).\n"
           "\n"
           "See querimo(1) for the file formats and the driver settings that keep memory flat.\n";
}

std::optional<std::string> InformationRequest(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        return std::nullopt;
    }
    if (arguments[0] == "--help") {
        return UsageText();
    }
    if (arguments[0] == "--version") {
        return VersionText();
    }
    return std::nullopt;
}

}  // namespace querimo
