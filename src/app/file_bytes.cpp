#include "app/file_bytes.h"

#include "db/os_io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace querimo {

namespace {

FileReadResult Failure(int error, std::string reason = {}) {
    FileReadResult result;
    result.error = error;
    result.reason = std::move(reason);
    return result;
}

// Waits until a pipe or device whose writer is still there has bytes or an end.
int WaitForInput(int fd) {
    pollfd wanted{fd, POLLIN, 0};
    while (::poll(&wanted, 1, -1) < 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

}  // namespace

FileReadResult ReadWholeFile(const std::string& path) {
    // Non-blocking, so that a FIFO without a writer cannot stall the program at the open.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file.IsOpen()) {
        return Failure(errno);
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) {
        return Failure(errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return Failure(EISDIR);
    }
    FileReadResult result;
    if (S_ISREG(info.st_mode)) {
        // One allocation of the right size: a big script costs its size once.
        result.bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    char chunk[65536];
    for (;;) {
        ssize_t got = ::read(file.Get(), chunk, sizeof(chunk));
        if (got < 0 && errno == EAGAIN) {
            if (int error = WaitForInput(file.Get()); error != 0) {
                return Failure(error);
            }
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return Failure(errno);
        }
        if (got == 0) {
            break;
        }
        result.bytes.append(chunk, static_cast<std::size_t>(got));
        // A NUL byte makes the text unusable as a script; a device such as /dev/zero never ends.
        if (!S_ISREG(info.st_mode) && std::memchr(chunk, '\0', static_cast<std::size_t>(got))) {
            break;
        }
    }
    // A FIFO that no writer had open ends at once; waiting for one could last forever.
    if (S_ISFIFO(info.st_mode) && result.bytes.empty()) {
        return Failure(0, "No writer on the pipe");
    }
    result.ok = true;
    return result;
}

}  // namespace querimo
