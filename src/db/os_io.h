#pragma once
// What the program asks of the operating system in more than one place.

#include <cstddef>
#include <string>
#include <string_view>

namespace querimo {

struct WriteAllResult {
    std::size_t written = 0;
    // The error number of the write that failed, 0 when every byte was written.
    int error = 0;
};

// Writes every byte to fd, going on after a signal interrupts a write.
WriteAllResult WriteAll(int fd, std::string_view bytes);

// The operating system's text for an error number, without a line break.
std::string OsErrorText(int error);

}  // namespace querimo
