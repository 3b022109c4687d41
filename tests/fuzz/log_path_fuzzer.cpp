// The log path rule over any output path and program path (split at the first NUL): the log is
// the output file or the program's path with its extension replaced, never anything else.
#include "app/log_path.h"
#include "db/cmdline_err_handler.h"
#include "fuzz_check.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string output = input.substr(0, nul);
    const std::string program =
        nul == std::string::npos ? "/usr/bin/querimo" : input.substr(nul + 1);

    const std::string programLog = querimo::ProgramLogPath(program);
    const std::size_t stem = programLog.size() - 4;
    FUZZ_CHECK(programLog.size() >= 4 && programLog.compare(stem, 4, ".log") == 0);
    FUZZ_CHECK(program.compare(0, stem, programLog, 0, stem) == 0);
    // Only the file name's extension goes: its folder stays whole.
    const std::size_t nameStart =
        program.rfind('/') == std::string::npos ? 0 : program.rfind('/') + 1;
    FUZZ_CHECK(stem >= nameStart);
    FUZZ_CHECK(stem == program.size() || program[stem] == '.');
    // The program's path is absolute, so its log always keeps every line.
    if (!program.empty() && program[0] == '/') {
        FUZZ_CHECK(LogPathAccumulates(programLog));
    }

    const std::string log = querimo::BatchLogPath(output, program);
    FUZZ_CHECK(log == output || log == programLog);
    if (output.find('/') == std::string::npos) {
        FUZZ_CHECK(log == output);
    }
    return 0;
}
