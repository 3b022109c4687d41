#include "app/file_write.h"

#include "db/os_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace querimo {

namespace {

class WritableFile {
  public:
    explicit WritableFile(const std::string& path)
        // Non-blocking, so that a FIFO without a reader fails at once instead of hanging.
        : m_fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666)) {
        if (m_fd >= 0) {
            ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
        }
    }
    ~WritableFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    WritableFile(const WritableFile&) = delete;
    WritableFile& operator=(const WritableFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }

    // Returns 0 when every byte was written, else the error number.
    int WriteAll(const std::string& bytes) const { return querimo::WriteAll(m_fd, bytes).error; }

    // Returns 0 when the file was closed cleanly, else the error number.
    int Close() {
        int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

  private:
    int m_fd;
};

}  // namespace

FileWriteResult WriteWholeFile(const std::string& path, const std::string& bytes) {
    WritableFile file(path);
    if (!file.IsOpen()) {
        return {FileWriteResult::Step::Open, errno};
    }
    if (int error = file.WriteAll(bytes); error != 0) {
        return {FileWriteResult::Step::Write, error};
    }
    // A full disk on a network file system may show only now.
    if (int error = file.Close(); error != 0) {
        return {FileWriteResult::Step::Write, error};
    }
    return {};
}

}  // namespace querimo
