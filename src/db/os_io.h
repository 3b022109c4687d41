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

// The operating system's text for an error number, without a line break; "(OS error no N)" when
// it has none.
std::string OsErrorText(int error);

// A file descriptor closed by its owner.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    int Release();
    // 0, or the error number of the close (a network file system may report a full disk only here).
    int Close();

  private:
    int m_fd;
};

}  // namespace querimo
