#include "app/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace querimo {

namespace {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }

  private:
    int m_fd;
};

FileReadResult Failure(int error) {
    FileReadResult result;
    result.error = error;
    return result;
}

}  // namespace

FileReadResult ReadWholeFile(const std::string& path) {
    // Non-blocking, so that a FIFO without a writer cannot stall the program at the open.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0) {
        return Failure(errno);
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) {
        return Failure(errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return Failure(EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        FileReadResult result;
        result.reason = "Not a regular file";
        return result;
    }
    FileReadResult result;
    result.bytes.reserve(static_cast<std::size_t>(info.st_size));
    char chunk[65536];
    for (;;) {
        ssize_t got = ::read(file.Get(), chunk, sizeof(chunk));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Failure(errno);
        }
        if (got == 0) {
            break;
        }
        result.bytes.append(chunk, static_cast<std::size_t>(got));
    }
    result.ok = true;
    return result;
}

}  // namespace querimo
